// The generic messages that name an argument by its ordinal (第一 .. 第八), shared by the
// dispatcher's signature checks and the rules and handlers that check values of their own.
#pragma once
#include <string>

namespace core {

enum class ArgumentFault {
  NotNumber,          // 第N引数が数値ではありません
  NotString,          // 第N引数が文字列ではありません
  BadNumberVariable,  // 第N引数の数値変数が不正です
  BadStringVariable,  // 第N引数の文字列変数が不正です
  BadIndex,           // 第N引数の番号が不正です
  BadValue,           // 第N引数の数値が不正です (the third reads 第三引数が数値が不正です)
};

// Reports the generic message for argument `ordinal` (1-based) through reportCommandError.
void reportArgumentFault(ArgumentFault fault, int ordinal);

// "第一" .. "第八" in CP932 (ordinal 1..8); decimal digits beyond.
std::string ordinalText(int ordinal);

}  // namespace core
