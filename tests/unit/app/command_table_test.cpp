// The command tables as tools and the dispatcher read them: lowercase names, signatures that
// parse and fit their reading, and the dispatcher's checks in the order and with the messages
// scripts have always seen.
#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "app/command_tables.h"
#include "core/command_registry.h"
#include "core/error_report.h"
#include "core/expression.h"
#include "platform/options.h"

namespace {

using core::ArgumentKind;
using core::ArgumentReading;

TEST(CommandSignature, ParsesKindsOptionalsAndRepeats) {
  const std::optional<core::Signature> sp = core::parseSignature("n P [n]");
  ASSERT_TRUE(sp);
  EXPECT_EQ(sp->count, 3u);
  EXPECT_EQ(sp->min, 2u);
  EXPECT_EQ(sp->max, 3u);
  EXPECT_EQ(sp->items[1].kind, ArgumentKind::Picture);
  EXPECT_TRUE(sp->items[2].optional);

  const std::optional<core::Signature> split = core::parseSignature("s s T...");
  ASSERT_TRUE(split);
  EXPECT_EQ(split->min, 3u);
  EXPECT_EQ(split->max, core::kNoArgumentLimit);
  EXPECT_EQ(split->item(7).kind, ArgumentKind::Target);  // the last item repeats

  const std::optional<core::Signature> sd = core::parseSignature("n A [n?]");
  ASSERT_TRUE(sd);
  EXPECT_TRUE(sd->items[2].omittable);
  EXPECT_FALSE(sd->items[0].omittable);

  const std::optional<core::Signature> none = core::parseSignature("");
  ASSERT_TRUE(none);
  EXPECT_EQ(none->max, 0u);

  for (const char* bad : {"x", "[n] n", "[n", "n... n", "n n n n n n n n n n n n n"})
    EXPECT_FALSE(core::parseSignature(bad)) << bad;
}

TEST(CommandTable, EntriesAreLowercaseWithSignaturesThatFitTheirReading) {
  app::registerCommands();
  std::size_t entries = 0;
  for (auto table : app::allCommandTables())
    for (const core::CommandEntry& e : table) {
      ++entries;
      for (char c : e.name) EXPECT_EQ(c, std::tolower(static_cast<unsigned char>(c))) << e.name;
      EXPECT_NE(e.handler, nullptr) << e.name;
      EXPECT_EQ(core::findCommandEntry(e.name) != nullptr, true) << e.name;
      if (!e.signature) {
        EXPECT_EQ(e.rule, nullptr) << e.name << ": a rule needs arguments to check";
        continue;
      }
      const std::optional<core::Signature> sig = core::parseSignature(e.signature);
      ASSERT_TRUE(sig) << e.name << ": " << e.signature;
      if (e.reading == ArgumentReading::Whole) {
        EXPECT_EQ(sig->count, 1u) << e.name;
      }
      for (std::size_t i = 0; i < sig->count; ++i) {
        const ArgumentKind kind = sig->items[i].kind;
        // Evaluating a result variable's text would report a fresh name as an expression
        // error: variables and targets are read one piece at a time.
        if (!core::isValueKind(kind)) {
          EXPECT_NE(e.reading, ArgumentReading::Values) << e.name;
        }
        if (kind == ArgumentKind::Target) {
          EXPECT_NE(e.reading, ArgumentReading::Whole) << e.name;
        }
      }
    }
  EXPECT_EQ(core::commandCount(), entries);  // no name is registered twice
  EXPECT_EQ(core::findCommandEntry("nosuchcommand"), nullptr);
  const core::CommandEntry* eventWait = core::findCommandEntry("eventwait");
  ASSERT_NE(eventWait, nullptr);
  EXPECT_STREQ(eventWait->displayName, "eventWait");
  const std::optional<core::ArgumentCounts> setText = core::argumentCounts(core::findCommandEntry("settext"));
  ASSERT_TRUE(setText);
  EXPECT_EQ(setText->min, 3u);
  EXPECT_EQ(setText->max, 3u);
}

class Dispatch : public testing::Test {
 protected:
  void SetUp() override {
    platform::EngineOptions o;
    o.noDialogs = true;
    platform::setOptions(o);
    app::registerCommands();
  }
  // What the statement reports, one message a line without the file and line.
  static std::string run(std::string_view name, std::string_view args) {
    testing::internal::CaptureStderr();
    core::runCommand(*core::findCommandEntry(name), args);
    std::string err = testing::internal::GetCapturedStderr();
    std::string out;
    for (std::size_t at = err.find("] "); at != std::string::npos; at = err.find("] ", at + 1)) {
      const std::size_t end = err.find('\n', at);
      out += err.substr(at + 2, end - at - 2) + "\n";
    }
    return out;
  }
};

TEST_F(Dispatch, NamesTheErrorAndChecksTheCountFirst) {
  core::runCommand(*core::findCommandEntry("resettimer"), "");
  EXPECT_EQ(core::currentCommandName(), "resettimer");
  EXPECT_EQ(core::currentCommand(), nullptr);  // only while the handler runs
  EXPECT_EQ(run("addtext", " \"a\""), "addText ※引数の数が不正です\n");
  EXPECT_EQ(run("sp.x", " \"a\""), "sp.x ※引数の数が不正です\n");
  // A trailing comma is one more, omitted, argument.
  EXPECT_EQ(run("setwindowalpha", " 50,"), "setWindowAlpha ※引数の数が不正です\n");
}

TEST_F(Dispatch, KindsAreCheckedInOrderAndTheFirstFaultStops) {
  EXPECT_EQ(run("sp.xy", " 1, \"a\", \"b\""), "sp.xy ※第二引数が数値ではありません\n");
  EXPECT_EQ(run("sp", " 1, 2"), "sp ※第二引数が文字列ではありません\n");
  EXPECT_EQ(run("getspsize", " 0, %0, 5"), "getspsize ※第三引数の数値変数が不正です\n");
  EXPECT_EQ(run("getfontfile", " %0"), "getFontFile ※第一引数の文字列変数が不正です\n");
  // An omittable argument takes an empty piece; one that is not takes none.
  EXPECT_EQ(run("setwindow", " 1, , 3, 4, 5, 6, 7, \"x\""), "setWindow ※第八引数が数値ではありません\n");
  EXPECT_EQ(run("sp.d", " 0,"), "sp.d ※第二引数が数値ではありません\n");
}

TEST_F(Dispatch, ValuesAreAllEvaluatedBeforeTheirKindsButPiecesReadInTurnStop) {
  // Values: the division by zero of the third argument is reported before the second's kind.
  const std::string values = run("sp.xy", " 1, \"a\", 1/0");
  EXPECT_NE(values.find("0では割れない"), std::string::npos) << values;
  EXPECT_NE(values.find("sp.xy ※第二引数が数値ではありません"), std::string::npos) << values;
  // In turn: the first fault ends the reading, the third piece is never evaluated.
  EXPECT_EQ(run("mid", " $0, 5, 1/0, 1"), "mid ※第二引数が文字列ではありません\n");
  // ... and an empty piece is omitted only where the item says so; a failed expression is not.
  EXPECT_EQ(run("savegame", " 1, 1/0").find("第二引数が数値ではありません") != std::string::npos, true);
}

TEST_F(Dispatch, ARuleRunsInItsArgumentsTurn) {
  // The stream number is refused before the file name after it is looked at.
  EXPECT_EQ(run("sd", " 12, 5"), "sd ※バッファ番号が不正です\n");
  EXPECT_EQ(run("sd.status", " 10, 5"), "sd.status ※バッファ番号が不正です\n");
  EXPECT_EQ(run("savenew", " 0, 2000, 5"), "saveNew ※第二引数の番号が不正です\n");
}

TEST_F(Dispatch, WholeTextArgumentsAndHandlersGetTypedValues) {
  // A getter of the whole text: two variables are no variable, and there is no count.
  EXPECT_EQ(run("getmastervolume", " %0, %1"), "getMasterVolume ※第一引数の数値変数が不正です\n");
  EXPECT_EQ(run("getmastervolume", ""), "getMasterVolume ※第一引数の数値変数が不正です\n");
  EXPECT_EQ(run("setmastervolume", " 40"), "");
  EXPECT_EQ(run("getmastervolume", " %7"), "");
  EXPECT_EQ(*core::numberedNumber(7), 40);
  EXPECT_EQ(run("len", " %8, \"abc\" + \"de\""), "");
  EXPECT_EQ(*core::numberedNumber(8), 5);
  EXPECT_EQ(run("mid", " $3, \"abcdef\", 2, 3"), "");
  EXPECT_EQ(*core::numberedString(3), "cde");
}

}  // namespace
