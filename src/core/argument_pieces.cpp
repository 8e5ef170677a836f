#include "core/argument_pieces.h"

#include "core/command_support.h"
#include "core/command_registry.h"
#include "core/error_report.h"
#include "core/expression.h"
#include "core/statements.h"
#include "platform/cp932.h"

namespace core {

std::vector<std::string_view> argumentPieces(std::string_view args) {
  if (trimBlank(args, 0, static_cast<std::ptrdiff_t>(args.size()) - 1).empty()) return {};
  return splitOutsideQuotes(args, ',');
}

bool countInRange(const std::vector<std::string_view>& args, std::size_t min, std::size_t max) {
  if (args.size() >= min && args.size() <= max) return true;
  reportCommandError(platform::jp("引数の数が不正です"));
  return false;
}

bool countInRange(const std::vector<std::string_view>& args) {
  const std::optional<ArgumentCounts> range = argumentCounts(currentCommand());
  return !range || countInRange(args, range->min, range->max);
}

bool stringArgument(const std::vector<std::string_view>& args, std::size_t i, std::string& out) {
  ScriptValue v = evaluateExpression(args[i]);
  if (!v.isString()) {
    reportArgumentFault(ArgumentFault::NotString, static_cast<int>(i) + 1);
    return false;
  }
  out = std::move(v.text);
  return true;
}

bool numberArgument(const std::vector<std::string_view>& args, std::size_t i, std::int32_t& out) {
  ScriptValue v = evaluateExpression(args[i]);
  if (!v.isNumber()) {
    reportArgumentFault(ArgumentFault::NotNumber, static_cast<int>(i) + 1);
    return false;
  }
  out = v.toInt();
  return true;
}

std::int32_t* numberTarget(const std::vector<std::string_view>& args, std::size_t i) {
  std::int32_t* ref = numberVariableRef(args[i]);
  if (!ref) reportArgumentFault(ArgumentFault::BadNumberVariable, static_cast<int>(i) + 1);
  return ref;
}

std::string* stringTarget(const std::vector<std::string_view>& args, std::size_t i) {
  std::string* ref = stringVariableRef(args[i]);
  if (!ref) reportArgumentFault(ArgumentFault::BadStringVariable, static_cast<int>(i) + 1);
  return ref;
}

}  // namespace core
