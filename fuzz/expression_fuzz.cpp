// The expression evaluator and the variable references over arbitrary argument texts, with
// a few named variables declared as a script would. Errors are reported and mark the value
// failed; nothing may crash, recurse without bound or read past the text.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/expression.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static bool ready = [] {
    fuzz::headlessEngine();
    core::declareNumber("n") = 7;
    core::declareString("s") = "abc";
    return true;
  }();
  (void)ready;
  // A statement is at most a script line (255 bytes) long; a little more reaches past any
  // fixed-size buffer that assumes it.
  if (size > 1024) return 0;
  std::string text(reinterpret_cast<const char*>(data), size);  // exactly sized
  core::ScriptValue v = core::evaluateExpression(text);
  fuzz::check(v.kind == core::ValueKind::Failed || v.kind == core::ValueKind::Number ||
              v.kind == core::ValueKind::String);
  for (const core::ScriptValue& a : core::evaluateArguments(text)) (void)a.toInt();
  if (std::int32_t* n = core::numberVariableRef(text)) *n = 1;
  if (std::string* s = core::stringVariableRef(text)) *s = "x";
  return 0;
}
