// len, mid, split and the regexp commands; the table of every string and file command.
#include "core/string_commands.h"

#include "core/argument_pieces.h"
#include "core/core_commands.h"
#include "core/error_report.h"
#include "core/expression.h"
#include "core/expression_parser.h"
#include "core/file_commands.h"
#include "core/regexp.h"
#include "core/statements.h"
#include "platform/cp932.h"

namespace core {
namespace {

// Split pieces may come from a whole file read with loadfile: unlike argument pieces they
// are trimmed without a length limit.
std::string_view trimmed(std::string_view s) {
  std::size_t a = 0, b = s.size();
  while (a < b && isBlank(static_cast<unsigned char>(s[a]))) ++a;
  while (b > a && isBlank(static_cast<unsigned char>(s[b - 1]))) --b;
  return s.substr(a, b - a);
}

// A piece for a number target is read as the number cast of expressions reads a string.
std::int32_t numberFromText(std::string_view text) { return toInt32(castToNumber(text)); }

std::size_t characterSize(std::string_view s, std::size_t i) {
  return isLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size() ? 2 : 1;
}

// Where `sep` first stands outside quotes (two-byte characters stepped over), or the size.
std::size_t firstOutsideQuotes(std::string_view s, char sep) {
  char quote = 0;
  for (std::size_t i = 0; i < s.size(); i += characterSize(s, i)) {
    if (quote) {
      if (s[i] == quote) quote = 0;
    } else if (s[i] == '"' || s[i] == '\'') {
      quote = s[i];
    } else if (s[i] == sep) {
      return i;
    }
  }
  return s.size();
}

void reportRegexpError(std::string_view pattern, std::string_view why) {
  reportCommandError(platform::jp("正規表現が不正です ") + std::string(pattern) + " (" + std::string(why) + ")");
}

// Every regexp command takes a text and a pattern first. An empty text or pattern matches
// nothing and is no error; a pattern the engine refuses is reported. True when the command
// has a result to compute.
bool patternApplies(const std::string& text, const std::string& pattern) { return !text.empty() && !pattern.empty(); }

template <typename Result>
bool regexpSucceeded(const Result& r, std::string_view pattern) {
  if (!r.ok) reportRegexpError(pattern, r.why);
  return r.ok;
}

void cmdLen(const Arguments& args) { args.numberVariable(0) = static_cast<std::int32_t>(args.string(1).size()); }

void cmdMid(const Arguments& args) {
  args.stringVariable(0) = midBytes(args.string(1), args.number(2), args.number(3));
}

// The targets of split and regexp.split, from the third argument on: variables that may
// carry defaults ("%a = 1"), resolved as the pieces are assigned.
void assignToTargets(const Arguments& args, const std::vector<std::string>& pieces) {
  std::vector<std::string_view> targets;
  for (const Argument& a : args.list) targets.push_back(a.piece);
  assignSplitTargets(targets, 2, pieces);
}

void cmdSplit(const Arguments& args) {
  std::vector<std::string> pieces;
  for (std::string_view piece : splitAtSeparator(args.string(0), args.string(1))) pieces.emplace_back(piece);
  assignToTargets(args, pieces);
}

void cmdRegexpMatch(const Arguments& args) {
  const std::string &text = args.string(0), &pattern = args.string(1);
  std::int32_t& length = args.numberVariable(2);
  if (!patternApplies(text, pattern)) {
    length = 0;
    return;
  }
  MatchResult r = regexpMatch(pattern, text);
  if (!regexpSucceeded(r, pattern)) return;
  if (!r.matched) {
    length = 0;  // position and found text keep their values
    return;
  }
  length = static_cast<std::int32_t>(r.match.size());
  if (args.size() > 3) args.numberVariable(3) = static_cast<std::int32_t>(r.match.start);
  if (args.size() > 4) args.stringVariable(4).assign(text, r.match.start, r.match.size());
}

void cmdRegexpCount(const Arguments& args) {
  const std::string &text = args.string(0), &pattern = args.string(1);
  std::int32_t& count = args.numberVariable(2);
  if (!patternApplies(text, pattern)) {
    count = 0;
    return;
  }
  SubstituteResult r = regexpSubstitute(pattern, text);
  if (regexpSucceeded(r, pattern)) count = r.count;
}

void cmdRegexpReplace(const Arguments& args) {
  const std::string &text = args.string(0), &pattern = args.string(1);
  std::string& out = args.stringVariable(2);
  if (!patternApplies(text, pattern)) {
    out = text;
    return;
  }
  SubstituteResult r = regexpSubstitute(pattern, text);
  if (regexpSucceeded(r, pattern)) out = std::move(r.text);
}

void cmdRegexpSplit(const Arguments& args) {
  const std::string &text = args.string(0), &pattern = args.string(1);
  std::vector<std::string> pieces;
  if (!patternApplies(text, pattern)) {
    pieces.push_back(text);
  } else {
    SplitResult r = regexpSplit(pattern, text);
    if (!regexpSucceeded(r, pattern)) return;
    for (const ByteSpan& s : r.pieces) pieces.push_back(text.substr(s.start, s.size()));
  }
  assignToTargets(args, pieces);
}

constexpr CommandEntry kStringCommands[] = {
    {"len", cmdLen, nullptr, "N s", ArgumentReading::InTurn},
    {"mid", cmdMid, nullptr, "S s n n", ArgumentReading::InTurn},
    {"split", cmdSplit, nullptr, "s s T...", ArgumentReading::InTurn},
    {"regexp.match", cmdRegexpMatch, nullptr, "s s N [N] [S]", ArgumentReading::InTurn},
    {"regexp.count", cmdRegexpCount, nullptr, "s s N", ArgumentReading::InTurn},
    {"regexp.replace", cmdRegexpReplace, nullptr, "s s S", ArgumentReading::InTurn},
    {"regexp.split", cmdRegexpSplit, nullptr, "s s T...", ArgumentReading::InTurn},
    {"getparentfoldername", cmdGetParentFolderName, "getParentFolderName", "S s", ArgumentReading::InTurn},
    {"getbasename", cmdGetBaseName, "getBaseName", "S s", ArgumentReading::InTurn},
    {"getextensionname", cmdGetExtensionName, "getExtensionName", "S s", ArgumentReading::InTurn},
    {"loadfile", cmdLoadFile, "loadFile", "D S", ArgumentReading::InTurn},
    {"savefile", cmdSaveFile, "saveFile", "s S", ArgumentReading::InTurn},
    {"deletefile", cmdDeleteFile, "deleteFile", "s [N]", ArgumentReading::InTurn},
};

}  // namespace

std::string_view midBytes(std::string_view text, std::int64_t start, std::int64_t count) {
  const std::int64_t size = static_cast<std::int64_t>(text.size());
  std::int64_t end = start + count;
  if (start < 0) start = 0;
  if (end > size) end = size;
  if (start >= end) return {};
  return text.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(end - start));
}

std::vector<std::string_view> splitAtSeparator(std::string_view text, std::string_view separator) {
  // A separator that begins with a two-byte character cuts at that character.
  const std::string_view cut = separator.empty() ? separator : separator.substr(0, characterSize(separator, 0));
  std::vector<std::string_view> pieces;
  std::size_t start = 0, i = 0;
  while (i < text.size()) {
    std::size_t n = characterSize(text, i);
    if (!cut.empty() && text.substr(i, n) == cut) {
      pieces.push_back(trimmed(text.substr(start, i - start)));
      start = i + n;
    }
    i += n;
  }
  pieces.push_back(trimmed(text.substr(start)));
  return pieces;
}

void assignSplitTargets(const std::vector<std::string_view>& args, std::size_t first,
                        const std::vector<std::string>& pieces) {
  for (std::size_t k = first; k < args.size(); ++k) {
    const std::string argumentNumber = std::to_string(k + 1);
    const std::size_t equals = firstOutsideQuotes(args[k], '=');
    const std::string_view reference = trimmed(args[k].substr(0, equals));
    const std::string_view defaultText = equals < args[k].size() ? trimmed(args[k].substr(equals + 1)) : std::string_view{};
    std::string* text = nullptr;
    std::int32_t* number = nullptr;
    if (!reference.empty() && reference[0] == '$') {
      if (!(text = stringVariableRef(reference))) {
        reportCommandError(platform::jp("第") + argumentNumber + platform::jp("引数の文字列変数が不正です"));
        continue;
      }
    } else if (!reference.empty() && reference[0] == '%') {
      if (!(number = numberVariableRef(reference))) {
        reportCommandError(platform::jp("第") + argumentNumber + platform::jp("引数の数値変数が不正です"));
        continue;
      }
    } else {
      reportCommandError(platform::jp("第") + argumentNumber + platform::jp("引数が変数ではありません"));
      continue;
    }
    const std::size_t index = k - first;
    if (index < pieces.size()) {
      if (text) *text = pieces[index];
      else *number = numberFromText(pieces[index]);
      continue;
    }
    ScriptValue fallback = defaultText.empty() ? ScriptValue{} : evaluateExpression(defaultText);
    if (text) {
      *text = fallback.isString() ? fallback.text : fallback.isNumber() ? std::to_string(fallback.toInt()) : std::string();
    } else {
      *number = fallback.isString() ? numberFromText(fallback.text) : fallback.isNumber() ? fallback.toInt() : 0;
    }
  }
}

std::span<const CommandEntry> stringCommands() { return kStringCommands; }

}  // namespace core
