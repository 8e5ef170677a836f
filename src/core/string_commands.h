// The string commands (len, mid, split) and the regexp commands, and the pure pieces they
// are built from. Commands write their results into variables named as arguments; all
// positions and lengths are byte counts in CP932.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace core {

// `count` bytes of `text` from byte `start`, clipped to the text: a start beyond the end or
// a count of 0 or less gives "" ("abcdef", 2, 3 gives "cde"; "abc", -1, 2 gives "a").
std::string_view midBytes(std::string_view text, std::int64_t start, std::int64_t count);

// `text` cut at every occurrence of the separator's first character, two-byte characters
// stepped over, each piece without leading and trailing blanks; at least one piece.
std::vector<std::string_view> splitAtSeparator(std::string_view text, std::string_view separator);

// The targets of split and regexp.split: argument pieces from `first` on, each a variable
// reference optionally followed by "=" and a default expression; piece k of `pieces` goes
// to target k (a number target reads it as the number cast of expressions reads a string:
// "12" is 12, "1a" is 20), a missing one takes the default (or "" / 0). A faulty target is reported
// (its argument number counted from 1) and the next one follows.
void assignSplitTargets(const std::vector<std::string_view>& args, std::size_t first,
                        const std::vector<std::string>& pieces);

}  // namespace core
