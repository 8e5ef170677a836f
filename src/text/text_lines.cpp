// The text line list: byte strings that scripts add, replace, read, load from a file and
// save, independent of the message window. gettext and settext count lines from 1,
// savetext from 0. Lives for the run; not saved.
#include <cstdint>
#include <string>
#include <vector>

#include "core/archive.h"
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

void cmdAddText(std::string_view args) {
  std::vector<std::string_view> pieces = core::argumentPieces(args);
  if (!core::countInRange(pieces)) return;
  std::string text;
  std::int32_t newline = 0;
  if (!core::stringArgument(pieces, 0, text) || !core::numberArgument(pieces, 1, newline)) return;
  if (newline != 0) text += "\r\n";
  lines.push_back(std::move(text));
}

void cmdSetText(std::string_view args) {
  std::vector<std::string_view> pieces = core::argumentPieces(args);
  if (!core::countInRange(pieces)) return;
  std::string text;
  std::int32_t line = 0, newline = 0;
  if (!core::stringArgument(pieces, 0, text) || !core::numberArgument(pieces, 1, line) || !core::numberArgument(pieces, 2, newline)) {
    return;
  }
  if (line < 1 || static_cast<std::size_t>(line) > lines.size()) {
    return core::reportCommandError(platform::jp(kLineRangeMessage));
  }
  if (newline != 0) text += "\r\n";
  lines[static_cast<std::size_t>(line) - 1] = std::move(text);
}

void cmdGetText(std::string_view args) {
  std::vector<std::string_view> pieces = core::argumentPieces(args);
  if (!core::countInRange(pieces)) return;
  std::string* var = core::stringTarget(pieces, 0);
  std::int32_t line = 0;
  if (!var || !core::numberArgument(pieces, 1, line)) return;
  if (line < 1 || static_cast<std::size_t>(line) > lines.size()) {
    return core::reportCommandError(platform::jp(kLineRangeMessage));
  }
  *var = lines[static_cast<std::size_t>(line) - 1];
}

void cmdClearText(std::string_view) { lines.clear(); }

void cmdLoadText(std::string_view args) {
  std::vector<std::string_view> pieces = core::argumentPieces(args);
  if (!core::countInRange(pieces)) return;
  std::string name;
  if (!core::stringArgument(pieces, 0, name)) return;
  std::int32_t* count = core::numberTarget(pieces, 1);
  if (!count) return;
  std::string bytes;
  if (core::readResourceFile(name, bytes) != core::ResourceRead::Ok) {
    return core::reportCommandError(name + platform::jp("が開けませんでした"));
  }
  // Split as Perl's split would: trailing empty lines of the file do not become entries.
  core::SplitResult split = core::regexpSplit("/\r\n/", bytes);
  if (!split.ok) return core::reportCommandError(split.why);
  for (const core::ByteSpan& piece : split.pieces) lines.emplace_back(bytes, piece.start, piece.size());
  *count = static_cast<std::int32_t>(lines.size());
}

void cmdSaveText(std::string_view args) {
  std::vector<std::string_view> pieces = core::argumentPieces(args);
  if (!core::countInRange(pieces)) return;
  std::string name;
  if (!core::stringArgument(pieces, 0, name)) return;
  std::int32_t first = 0, end = static_cast<std::int32_t>(lines.size());
  if (pieces.size() >= 2 && !core::numberArgument(pieces, 1, first)) return;
  if (pieces.size() >= 3 && !core::numberArgument(pieces, 2, end)) return;
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
    {"addtext", cmdAddText, "addText", 2, 2},   {"settext", cmdSetText, "setText", 3, 3},   {"gettext", cmdGetText, "getText", 2, 2},
    {"cleartext", cmdClearText}, {"loadtext", cmdLoadText, "loadText", 2, 2}, {"savetext", cmdSaveText, "saveText", 1, 3},
};

}  // namespace

std::span<const core::CommandEntry> textLineCommands() { return kTextLineCommands; }

}  // namespace text
