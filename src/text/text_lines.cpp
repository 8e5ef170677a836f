// The text line list: byte strings that scripts add, replace, read, load from a file and
// save, independent of the message window. gettext and settext count lines from 1,
// savetext from 0. Lives for the run; not saved.
#include <cstdint>
#include <string>
#include <vector>

#include "core/archive.h"
#include "core/resource_limits.h"
#include "core/command_support.h"
#include "core/error_report.h"
#include "core/regexp.h"
#include "platform/cp932.h"
#include "platform/paths.h"
#include "core/argument_pieces.h"
#include "text/text_commands.h"

namespace text {
namespace {

std::vector<std::string> lines;

const char kLineRangeMessage[] = "行数の指定が範囲を超えています";

void cmdAddText(const core::Arguments& args) {
  std::string text = args.string(0);
  if (args.number(1) != 0) text += "\r\n";
  lines.push_back(std::move(text));
}

void cmdSetText(const core::Arguments& args) {
  std::string text = args.string(0);
  const std::int32_t line = args.number(1), newline = args.number(2);
  if (line < 1 || static_cast<std::size_t>(line) > lines.size()) {
    return core::reportCommandError(platform::jp(kLineRangeMessage));
  }
  if (newline != 0) text += "\r\n";
  lines[static_cast<std::size_t>(line) - 1] = std::move(text);
}

void cmdGetText(const core::Arguments& args) {
  const std::int32_t line = args.number(1);
  if (line < 1 || static_cast<std::size_t>(line) > lines.size()) {
    return core::reportCommandError(platform::jp(kLineRangeMessage));
  }
  args.stringVariable(0) = lines[static_cast<std::size_t>(line) - 1];
}

void cmdClearText(const core::Arguments&) { lines.clear(); }

void cmdLoadText(const core::Arguments& args) {
  const std::string& name = args.string(0);
  std::string bytes;
  switch (core::readResourceFile(name, bytes, core::kLargestTextFileBytes)) {
    case core::ResourceRead::Ok: break;
    case core::ResourceRead::TooLarge:
      return core::reportCommandError(core::tooLargeMessage(name, core::kLargestTextFileBytes));
    default: return core::reportCommandError(name + platform::jp("が開けませんでした"));
  }
  // Split as Perl's split would: trailing empty lines of the file do not become entries.
  core::SplitResult split = core::regexpSplit("/\r\n/", bytes);
  if (!split.ok) return core::reportCommandError(split.why);
  for (const core::ByteSpan& piece : split.pieces) lines.emplace_back(bytes, piece.start, piece.size());
  args.numberVariable(1) = static_cast<std::int32_t>(lines.size());
}

void cmdSaveText(const core::Arguments& args) {
  const std::string& name = args.string(0);
  const std::int32_t first = args.number(1), end = args.number(2, static_cast<std::int32_t>(lines.size()));
  // A range reaching past the list is held to it: only lines that exist are written.
  std::int64_t from = std::max<std::int64_t>(first, 0);
  std::int64_t to = std::min<std::int64_t>(end, static_cast<std::int64_t>(lines.size()));
  std::string out;
  for (std::int64_t i = from; i < to; ++i) out += lines[static_cast<std::size_t>(i)];
  std::optional<std::filesystem::path> path = platform::resolvePathForWrite(name);
  if (!path || !platform::writeFileAtomically(*path, out)) {
    core::reportCommandError(name + platform::jp("が開けませんでした"));
  }
}

constexpr core::CommandEntry kTextLineCommands[] = {
    {"addtext", cmdAddText, "addText", "s n", core::ArgumentReading::InTurn},
    {"settext", cmdSetText, "setText", "s n n", core::ArgumentReading::InTurn},
    {"gettext", cmdGetText, "getText", "S n", core::ArgumentReading::InTurn},
    {"cleartext", cmdClearText},
    {"loadtext", cmdLoadText, "loadText", "D N", core::ArgumentReading::InTurn},
    {"savetext", cmdSaveText, "saveText", "s [n] [n]", core::ArgumentReading::InTurn},
};

}  // namespace

std::span<const core::CommandEntry> textLineCommands() { return kTextLineCommands; }

}  // namespace text
