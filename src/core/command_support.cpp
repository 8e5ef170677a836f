#include "core/command_support.h"

#include "core/command_registry.h"
#include "core/error_report.h"
#include "platform/cp932.h"

namespace core {

std::string ordinalText(int ordinal) {
  static const char* const kOrdinals[] = {"第一", "第二", "第三", "第四", "第五", "第六", "第七", "第八"};
  if (ordinal >= 1 && ordinal <= 8) return platform::jp(kOrdinals[ordinal - 1]);
  return platform::jp("第") + std::to_string(ordinal);
}

void reportArgumentFault(ArgumentFault fault, int ordinal) {
  std::string text = ordinalText(ordinal);
  switch (fault) {
    case ArgumentFault::NotNumber: text += platform::jp("引数が数値ではありません"); break;
    case ArgumentFault::NotString: text += platform::jp("引数が文字列ではありません"); break;
    case ArgumentFault::BadNumberVariable: text += platform::jp("引数の数値変数が不正です"); break;
    case ArgumentFault::BadStringVariable: text += platform::jp("引数の文字列変数が不正です"); break;
    case ArgumentFault::BadIndex: text += platform::jp("引数の番号が不正です"); break;
    case ArgumentFault::BadValue:
      // The third argument's message has always read this way; scripts' authors know it so.
      text += platform::jp(ordinal == 3 ? "引数が数値が不正です" : "引数の数値が不正です");
      break;
  }
  reportCommandError(text);
}

bool checkArgumentCount(const std::vector<ScriptValue>& args, std::size_t min, std::size_t max) {
  if (args.size() >= min && args.size() <= max) return true;
  reportCommandError(platform::jp("引数の数が不正です"));
  return false;
}

bool checkArgumentCount(const std::vector<ScriptValue>& args) {
  const std::optional<ArgumentCounts> range = argumentCounts(currentCommand());
  return !range || checkArgumentCount(args, range->min, range->max);
}

bool readNumbers(std::string_view args, std::size_t min, std::size_t max, std::vector<std::int32_t>& out) {
  const std::vector<ScriptValue> v = evaluateArguments(args);
  if (!checkArgumentCount(v, min, max)) return false;
  out.clear();
  for (std::size_t i = 0; i < v.size(); ++i) {
    if (!needNumber(v, i)) return false;
    out.push_back(v[i].toInt());
  }
  return true;
}

bool readNumbers(std::string_view args, std::vector<std::int32_t>& out) {
  const ArgumentCounts range = argumentCounts(currentCommand()).value_or(ArgumentCounts{0, SIZE_MAX});
  return readNumbers(args, range.min, range.max, out);
}

bool needNumber(const std::vector<ScriptValue>& args, std::size_t i) {
  if (i < args.size() && args[i].isNumber()) return true;
  reportArgumentFault(ArgumentFault::NotNumber, static_cast<int>(i) + 1);
  return false;
}

bool needString(const std::vector<ScriptValue>& args, std::size_t i) {
  if (i < args.size() && args[i].isString()) return true;
  reportArgumentFault(ArgumentFault::NotString, static_cast<int>(i) + 1);
  return false;
}

bool numberOrOmitted(const std::vector<ScriptValue>& args, std::size_t i) {
  if (i >= args.size() || args[i].isOmitted()) return true;
  return needNumber(args, i);
}

bool stringOrOmitted(const std::vector<ScriptValue>& args, std::size_t i) {
  if (i >= args.size() || args[i].isOmitted()) return true;
  return needString(args, i);
}

bool storeNumberResult(std::string_view args, std::int32_t value) {
  std::int32_t* var = numberVariableRef(args);
  if (!var) {
    reportArgumentFault(ArgumentFault::BadNumberVariable, 1);
    return false;
  }
  *var = value;
  return true;
}

}  // namespace core
