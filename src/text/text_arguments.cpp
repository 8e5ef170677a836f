#include "text/text_arguments.h"

#include "core/command_support.h"
#include "core/error_report.h"
#include "core/statements.h"
#include "platform/cp932.h"

namespace text {

std::vector<std::string_view> argumentPieces(std::string_view args) {
  std::string_view trimmed = core::trimBlank(args, 0, static_cast<std::ptrdiff_t>(args.size()) - 1);
  if (trimmed.empty()) return {};
  return core::splitOutsideQuotes(args, ',');
}

bool countInRange(std::size_t count, std::size_t min, std::size_t max) {
  if (count >= min && count <= max) return true;
  core::reportCommandError(platform::jp("引数の数が不正です"));
  return false;
}

std::int32_t* numberVariableArgument(const std::vector<std::string_view>& pieces, std::size_t i) {
  std::int32_t* var = core::numberVariableRef(pieces[i]);
  if (!var) core::reportArgumentFault(core::ArgumentFault::BadNumberVariable, static_cast<int>(i) + 1);
  return var;
}

std::string* stringVariableArgument(const std::vector<std::string_view>& pieces, std::size_t i) {
  std::string* var = core::stringVariableRef(pieces[i]);
  if (!var) core::reportArgumentFault(core::ArgumentFault::BadStringVariable, static_cast<int>(i) + 1);
  return var;
}

bool numberArgument(const std::vector<std::string_view>& pieces, std::size_t i, std::int32_t& out) {
  core::ScriptValue v = core::evaluateExpression(pieces[i]);
  if (!v.isNumber()) {
    core::reportArgumentFault(core::ArgumentFault::NotNumber, static_cast<int>(i) + 1);
    return false;
  }
  out = v.toInt();
  return true;
}

bool stringArgument(const std::vector<std::string_view>& pieces, std::size_t i, std::string& out) {
  core::ScriptValue v = core::evaluateExpression(pieces[i]);
  if (!v.isString()) {
    core::reportArgumentFault(core::ArgumentFault::NotString, static_cast<int>(i) + 1);
    return false;
  }
  out = std::move(v.text);
  return true;
}

}  // namespace text
