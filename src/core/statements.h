// Cutting lines into statements and argument lists; the byte classes of script text.
// Script text is CP932: a byte from 0x81 to 0xFE starts a two-byte character.
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "platform/cp932.h"

namespace core {

using platform::isLeadByte;
constexpr bool isBlank(unsigned char b) { return b == '\t' || b == '\n' || b == '\r' || b == ' '; }
constexpr bool isCapital(unsigned char b) { return b >= 'A' && b <= 'Z'; }
constexpr bool isLetter(unsigned char b) { return isCapital(b) || (b >= 'a' && b <= 'z'); }
constexpr bool isDigit(unsigned char b) { return b >= '0' && b <= '9'; }
constexpr bool isNameByte(unsigned char b) { return b == '.' || isDigit(b) || b == '@' || isLetter(b) || b == '_'; }
constexpr bool isCommandStart(unsigned char b) { return b >= 'a' && b <= 'z'; }

// Statement and argument pieces are copied through a 256-byte buffer: a piece keeps at
// most this many bytes, and scripts can observe the cut.
constexpr std::size_t kPieceLimit = 255;

// The bytes first..last (inclusive) without leading and trailing blanks, at most
// kPieceLimit bytes; an empty view when last < first.
std::string_view trimBlank(std::string_view text, std::ptrdiff_t first, std::ptrdiff_t last);

// Splits at `sep` outside quotes; capitals outside quotes are lowercased in `text`, ";" and
// "//" outside quotes end the scan. A text that begins with a two-byte character is one
// piece, untouched. Pieces are views into `text` (each cut to kPieceLimit bytes).
void splitStatements(std::string& text, char sep, std::vector<std::string_view>& pieces);

// Like splitStatements without lowercasing, comments or the two-byte first-byte rule.
void splitOutsideQuotes(std::string_view text, char sep, std::vector<std::string_view>& pieces);
std::vector<std::string_view> splitOutsideQuotes(std::string_view text, char sep);

}  // namespace core
