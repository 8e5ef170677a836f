// Reading the pattern texts of the regexp commands: "m/body/flags" or "/body/flags" for
// matching and splitting, "s/body/replacement/flags" for substitution, with any ASCII
// punctuation as the delimiter ("m#a#", "s!a!b!g"; brackets pair up: "m{a}", "s{a}{b}").
// Pure functions over CP932 bytes; no regular-expression library is involved here.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace core {

// Shift-JIS as the matcher reads it: 0x81..0x9F and 0xE0..0xFC start a two-byte character;
// half-width katakana (0xA1..0xDF) stand alone. Pattern texts and targets are cut only at
// these character boundaries, so a trail byte 0x5C ("\") or 0x7C ("|") is never read as an
// escape, a delimiter or an alternation.
constexpr bool isSjisLeadByte(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

enum class PatternForm { Match, Substitute };

struct PatternFlags {
  bool global = false;      // g: every match (substitution); matching reports the first
  bool ignoreCase = false;  // i
  bool multiLine = false;   // m: ^ and $ at every line
  bool dotAll = false;      // s: . also matches a line feed
  bool extended = false;    // x: blanks and # comments in the body are ignored
};

// One piece of a replacement: literal bytes, or the text of a group (0 is the whole match).
struct ReplacementPart {
  std::string literal;
  int group = -1;  // -1 for a literal piece
};

struct ParsedPattern {
  PatternForm form = PatternForm::Match;
  std::string body;  // the expression, escapes kept as written (the matcher reads them)
  std::vector<ReplacementPart> replacement;  // substitutions only
  PatternFlags flags;
};

// Reads a pattern text; on failure returns nothing and says why in `why` (CP932).
std::optional<ParsedPattern> parsePattern(std::string_view text, std::string& why);

// Parses the replacement part of a substitution: $0..$9 and $& name groups; \n, \t, \r
// give control characters; a backslash before any other character gives that character
// (so "\\", "\$" and an escaped delimiter stand for themselves).
std::vector<ReplacementPart> parseReplacement(std::string_view text);

}  // namespace core
