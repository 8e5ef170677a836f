// The command tables as tools and the dispatcher read them: lowercase names, argument ranges
// that make sense, and the error name and argument count taken from the entry.
#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "core/argument_pieces.h"
#include "core/command_registry.h"
#include "app/command_tables.h"
#include "core/error_report.h"
#include "platform/options.h"

namespace {

TEST(CommandTable, EntriesAreLowercaseWithSaneRanges) {
  app::registerCommands();
  std::size_t entries = 0;
  for (auto table : app::allCommandTables())
    for (const core::CommandEntry& e : table) {
      ++entries;
      for (char c : e.name) EXPECT_EQ(c, std::tolower(static_cast<unsigned char>(c))) << e.name;
      EXPECT_NE(e.handler, nullptr) << e.name;
      EXPECT_EQ(core::findCommandEntry(e.name) != nullptr, true) << e.name;
      if (e.minArguments < 0) {
        EXPECT_EQ(e.maxArguments, -1) << e.name;
      } else if (e.maxArguments != core::kNoArgumentLimit) {
        EXPECT_LE(e.minArguments, e.maxArguments) << e.name;
      }
    }
  EXPECT_EQ(core::commandCount(), entries);  // no name is registered twice
  EXPECT_EQ(core::findCommandEntry("nosuchcommand"), nullptr);
  const core::CommandEntry* eventWait = core::findCommandEntry("eventwait");
  ASSERT_NE(eventWait, nullptr);
  EXPECT_STREQ(eventWait->displayName, "eventWait");
  const core::CommandEntry* setText = core::findCommandEntry("settext");
  ASSERT_NE(setText, nullptr);
  EXPECT_EQ(setText->minArguments, 3);
  EXPECT_EQ(setText->maxArguments, 3);
}

TEST(CommandTable, RunCommandNamesTheErrorAndChecksTheEntrysRange) {
  platform::EngineOptions o;
  o.noDialogs = true;
  platform::setOptions(o);
  app::registerCommands();
  core::runCommand(*core::findCommandEntry("resettimer"), "");
  EXPECT_EQ(core::currentCommandName(), "resettimer");
  EXPECT_EQ(core::currentCommand(), nullptr);  // only while the handler runs

  // addtext takes exactly two arguments: one is refused under its display name.
  testing::internal::CaptureStderr();
  core::runCommand(*core::findCommandEntry("addtext"), " \"a\"");
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("addText ※引数の数が不正です"), std::string::npos) << err;
}

}  // namespace
