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

// A string read as an integer the way the number cast of expressions reads one: blanks
// skipped, an optional sign, then value * 10 + digit value for every remaining byte, where
// "0".."9" count 0..9, "a".."f" and "A".."F" count 10..15 and every other byte 0 (so "1a"
// gives 20). Wraps around at 32 bits.
std::int32_t numberFromText(std::string_view text);

// The targets of split and regexp.split: argument pieces from `first` on, each a variable
// reference optionally followed by "=" and a default expression; piece k of `pieces` goes
// to target k, a missing one takes the default (or "" / 0). A faulty target is reported
// (its argument number counted from 1) and the next one follows.
void assignSplitTargets(const std::vector<std::string_view>& args, std::size_t first,
                        const std::vector<std::string>& pieces);

}  // namespace core
