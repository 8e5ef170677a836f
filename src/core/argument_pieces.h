// Reading arguments one piece at a time, for the commands that split their argument text
// with splitOutsideQuotes and evaluate each piece in turn (string, file, font and text
// commands, and getters that name result variables).
// Each function reports the generic message of its argument and fails on the first fault.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace core {

// The argument text split at "," outside quotes, pieces trimmed; none for a blank text.
// Result variables stay text; only value arguments are evaluated.
std::vector<std::string_view> argumentPieces(std::string_view args);

// "引数の数が不正です" unless min <= pieces <= max.
bool countInRange(const std::vector<std::string_view>& args, std::size_t min, std::size_t max);
// The same against the range in the running command's table entry.
bool countInRange(const std::vector<std::string_view>& args);

// Piece i (0-based) evaluated; it must be a string / a number (truncated toward zero).
bool stringArgument(const std::vector<std::string_view>& args, std::size_t i, std::string& out);
bool numberArgument(const std::vector<std::string_view>& args, std::size_t i, std::int32_t& out);

// Piece i as a result variable reference of the family; null after reporting.
std::int32_t* numberTarget(const std::vector<std::string_view>& args, std::size_t i);
std::string* stringTarget(const std::vector<std::string_view>& args, std::size_t i);

}  // namespace core
