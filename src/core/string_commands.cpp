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

// The text and pattern arguments every regexp command begins with.
bool textAndPattern(const std::vector<std::string_view>& args, std::string& text, std::string& pattern) {
  return stringArgument(args, 0, text) && stringArgument(args, 1, pattern);
}

void cmdLen(std::string_view argText) {
  auto args = splitOutsideQuotes(argText, ',');
  if (!countInRange(args)) return;
  std::int32_t* out = numberTarget(args, 0);
  std::string text;
  if (!out || !stringArgument(args, 1, text)) return;
  *out = static_cast<std::int32_t>(text.size());
}

void cmdMid(std::string_view argText) {
  auto args = splitOutsideQuotes(argText, ',');
  if (!countInRange(args)) return;
  std::string* out = stringTarget(args, 0);
  std::string text;
  std::int32_t start = 0, count = 0;
  if (!out || !stringArgument(args, 1, text) || !numberArgument(args, 2, start) || !numberArgument(args, 3, count))
    return;
  *out = midBytes(text, start, count);
}

void cmdSplit(std::string_view argText) {
  auto args = splitOutsideQuotes(argText, ',');
  if (!countInRange(args)) return;
  std::string text, separator;
  if (!stringArgument(args, 0, text) || !stringArgument(args, 1, separator)) return;
  std::vector<std::string> pieces;
  for (std::string_view piece : splitAtSeparator(text, separator)) pieces.emplace_back(piece);
  assignSplitTargets(args, 2, pieces);
}

void cmdRegexpMatch(std::string_view argText) {
  auto args = splitOutsideQuotes(argText, ',');
  if (!countInRange(args)) return;
  std::string text, pattern;
  if (!textAndPattern(args, text, pattern)) return;
  std::int32_t* length = numberTarget(args, 2);
  if (!length) return;
  std::int32_t* position = nullptr;
  std::string* found = nullptr;
  if (args.size() > 3 && !(position = numberTarget(args, 3))) return;
  if (args.size() > 4 && !(found = stringTarget(args, 4))) return;
  if (text.empty() || pattern.empty()) {
    *length = 0;
    return;
  }
  MatchResult r = regexpMatch(pattern, text);
  if (!r.ok) {
    reportRegexpError(pattern, r.why);
    return;
  }
  if (!r.matched) {
    *length = 0;  // position and found text keep their values
    return;
  }
  *length = static_cast<std::int32_t>(r.match.size());
  if (position) *position = static_cast<std::int32_t>(r.match.start);
  if (found) found->assign(text, r.match.start, r.match.size());
}

void cmdRegexpCount(std::string_view argText) {
  auto args = splitOutsideQuotes(argText, ',');
  if (!countInRange(args)) return;
  std::string text, pattern;
  if (!textAndPattern(args, text, pattern)) return;
  std::int32_t* count = numberTarget(args, 2);
  if (!count) return;
  if (text.empty() || pattern.empty()) {
    *count = 0;
    return;
  }
  SubstituteResult r = regexpSubstitute(pattern, text);
  if (!r.ok) {
    reportRegexpError(pattern, r.why);
    return;
  }
  *count = r.count;
}

void cmdRegexpReplace(std::string_view argText) {
  auto args = splitOutsideQuotes(argText, ',');
  if (!countInRange(args)) return;
  std::string text, pattern;
  if (!textAndPattern(args, text, pattern)) return;
  std::string* out = stringTarget(args, 2);
  if (!out) return;
  if (text.empty() || pattern.empty()) {
    *out = text;
    return;
  }
  SubstituteResult r = regexpSubstitute(pattern, text);
  if (!r.ok) {
    reportRegexpError(pattern, r.why);
    return;
  }
  *out = std::move(r.text);
}

void cmdRegexpSplit(std::string_view argText) {
  auto args = splitOutsideQuotes(argText, ',');
  if (!countInRange(args)) return;
  std::string text, pattern;
  if (!textAndPattern(args, text, pattern)) return;
  std::vector<std::string> pieces;
  if (text.empty() || pattern.empty()) {
    pieces.push_back(text);
  } else {
    SplitResult r = regexpSplit(pattern, text);
    if (!r.ok) {
      reportRegexpError(pattern, r.why);
      return;
    }
    for (const ByteSpan& s : r.pieces) pieces.push_back(text.substr(s.start, s.size()));
  }
  assignSplitTargets(args, 2, pieces);
}

constexpr CommandEntry kStringCommands[] = {
    {"len", cmdLen, nullptr, 2, 2},
    {"mid", cmdMid, nullptr, 4, 4},
    {"split", cmdSplit, nullptr, 3, kNoArgumentLimit},
    {"regexp.match", cmdRegexpMatch, nullptr, 3, 5},
    {"regexp.count", cmdRegexpCount, nullptr, 3, 3},
    {"regexp.replace", cmdRegexpReplace, nullptr, 3, 3},
    {"regexp.split", cmdRegexpSplit, nullptr, 3, kNoArgumentLimit},
    {"getparentfoldername", cmdGetParentFolderName, "getParentFolderName", 2, 2},
    {"getbasename", cmdGetBaseName, "getBaseName", 2, 2},
    {"getextensionname", cmdGetExtensionName, "getExtensionName", 2, 2},
    {"loadfile", cmdLoadFile, "loadFile", 2, 2},
    {"savefile", cmdSaveFile, "saveFile", 2, 2},
    {"deletefile", cmdDeleteFile, "deleteFile", 1, 2},
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
