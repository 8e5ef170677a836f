// The regular-expression facility of the regexp commands, over Oniguruma with its Shift-JIS
// encoding: the first match of a pattern, substitution and splitting, in the manner of Perl's
// m//, s/// and split. Positions are byte offsets into the target. Matching always goes by
// Shift-JIS characters, so neither a match nor a substitution ever starts or ends inside a
// two-byte character.
//
// Oniguruma's header clashes with glibc's <regex.h>, so it is included by regexp.cpp alone
// and nothing of it shows here. Runs on the interpreter thread (compiled patterns are cached).
#pragma once
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace core {

struct ByteSpan {
  std::size_t start = 0;
  std::size_t end = 0;  // one past the last byte
  std::size_t size() const { return end - start; }
};

// Every call either succeeds (ok) or leaves `why` with the reason (CP932), Oniguruma's own
// for a malformed expression.
struct MatchResult {
  bool ok = false;
  bool matched = false;
  ByteSpan match;
  std::string why;
};

struct SubstituteResult {
  bool ok = false;
  int count = 0;     // substitutions made
  std::string text;  // the target with the substitutions (the target itself when count is 0)
  std::string why;
};

struct SplitResult {
  bool ok = false;
  std::vector<ByteSpan> pieces;
  std::string why;
};

// "m/…/flags" or "/…/flags": the first match.
MatchResult regexpMatch(std::string_view pattern, std::string_view target);

// "s/…/…/flags": the first match replaced, or every one with g.
SubstituteResult regexpSubstitute(std::string_view pattern, std::string_view target);

// "m/…/flags" or "/…/flags" as Perl's split with no limit: the pieces between matches, the
// groups of each match after the piece before it, no piece from an empty match at a piece's
// start (so an empty pattern yields the characters), and trailing empty pieces dropped.
SplitResult regexpSplit(std::string_view pattern, std::string_view target);

}  // namespace core
