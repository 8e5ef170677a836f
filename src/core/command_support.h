// What every command handler shares: reading its arguments and the generic messages that
// name an argument by its ordinal (第一 .. 第八).
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/expression.h"

namespace core {

// "引数の数が不正です" unless min <= count <= max; false after reporting.
bool checkArgumentCount(const std::vector<ScriptValue>& args, std::size_t min, std::size_t max);
// The same against the range in the running command's table entry.
bool checkArgumentCount(const std::vector<ScriptValue>& args);
// Evaluated arguments that must all be numbers, their count within the running command's
// range (or [min, max]); false after reporting the first fault.
bool readNumbers(std::string_view args, std::vector<std::int32_t>& out);
bool readNumbers(std::string_view args, std::size_t min, std::size_t max, std::vector<std::int32_t>& out);

// Argument i (0-based) must be a number / a string; false after reporting
// "第一引数が数値ではありません" and its siblings.
bool needNumber(const std::vector<ScriptValue>& args, std::size_t i);
bool needString(const std::vector<ScriptValue>& args, std::size_t i);

// The same, where an omitted argument (kind Failed) is allowed.
bool numberOrOmitted(const std::vector<ScriptValue>& args, std::size_t i);
bool stringOrOmitted(const std::vector<ScriptValue>& args, std::size_t i);

// A getter's argument: exactly one number variable, which receives `value`. Reports
// "第一引数の数値変数が不正です" and changes nothing otherwise.
bool storeNumberResult(std::string_view args, std::int32_t value);

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
