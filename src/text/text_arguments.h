// Argument reading shared by the text commands whose arguments name result variables: those
// pieces stay text, only value arguments are evaluated.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/expression.h"

namespace text {

// The argument text split at "," outside quotes; none for a blank text.
std::vector<std::string_view> argumentPieces(std::string_view args);
// "引数の数が不正です" unless min <= count <= max.
bool countInRange(std::size_t count, std::size_t min, std::size_t max);
// Piece i as a result variable; null after reporting "第N引数の数値変数が不正です" or
// "第N引数の文字列変数が不正です".
std::int32_t* numberVariableArgument(const std::vector<std::string_view>& pieces, std::size_t i);
std::string* stringVariableArgument(const std::vector<std::string_view>& pieces, std::size_t i);
// Piece i evaluated; false after reporting "第N引数が数値ではありません" /
// "第N引数が文字列ではありません".
bool numberArgument(const std::vector<std::string_view>& pieces, std::size_t i, std::int32_t& out);
bool stringArgument(const std::vector<std::string_view>& pieces, std::size_t i, std::string& out);

}  // namespace text
