#include "core/error_report.h"

#include "core/core_commands.h"
#include "core/expression.h"
#include "core/interpreter.h"
#include "platform/cp932.h"
#include "platform/message_box.h"

namespace core {
namespace {
std::string commandName;
}  // namespace

void showErrorBox(std::string_view text) { platform::showMessageBox("Error", text, platform::BoxIcon::Error); }

void setCommandName(std::string_view displayName) {
  commandName.assign(displayName.substr(0, kCommandNameLimit));
}

const std::string& currentCommandName() { return commandName; }

std::string currentFileDisplayName() {
  const InterpreterState& s = interpreter();
  return s.currentSlot == 0 ? std::string(kMainScriptPath) : s.secondaryFileName;
}

void reportCommandError(std::string_view message) {
  std::string text = currentFileDisplayName();
  text += '[';
  text += std::to_string(interpreter().line + 1);
  text += "] ";
  text += commandName;
  text += platform::jp(" ※");
  text += message;
  showErrorBox(text);
}

namespace {

// `error`: the script's own message, and the print statement of test scripts.
void cmdError(const Arguments& args) {
  ScriptValue v = evaluateExpression(args.text);
  reportCommandError(v.isNumber() ? std::to_string(v.toInt()) : v.text);
}

constexpr CommandEntry kErrorCommands[] = {
    // Any value, a failed one included, is the message.
    {"error", cmdError, nullptr, nullptr, ArgumentReading::ByHandler}};

}  // namespace

std::span<const CommandEntry> errorCommands() { return kErrorCommands; }

}  // namespace core
