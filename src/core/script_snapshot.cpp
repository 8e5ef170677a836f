#include "core/script_snapshot.h"

#include "core/control_flow.h"
#include "core/error_report.h"
#include "core/expression.h"
#include "core/interpreter.h"
#include "core/labels.h"
#include "core/path_key.h"
#include "platform/cp932.h"

namespace core {

namespace {

constexpr std::string_view kSavedPrefix = "g_";

constexpr SavedField<ScriptPosition> kPositionFields[] = {
    {"fileKey", &ScriptPosition::fileKey, FieldKind::LowerHex, ""},
    {"line", &ScriptPosition::line, FieldKind::Decimal},
};

ScriptPosition resumePosition() {
  int line = 0, statement = 0;
  std::uint32_t key = 0;
  // Inside subroutines: where the outermost call returns, the rest of its line passed over
  // (it may hold the call itself).
  if (outermostReturn(line, statement, key)) return {key, line + 1 + (statement > 0 ? 1 : 0)};
  return {runningFileKey(), interpreter().line + 1};
}

void restorePosition(const ScriptPosition& resume) {
  InterpreterState& st = interpreter();
  std::uint32_t key = resume.fileKey;
  // Key 0 names the main script (as earlier saves wrote a position outside subroutines).
  if (key == 0) key = st.mainKey;
  if (key != st.mainKey && !fileNameOf(key)) {
    showErrorBox(keyHex(key) + platform::jp(" が存在しなくなっています"));
    return;
  }
  requestFileSwitch(key);
  jumpTo(resume.line - 1, 0);
}

}  // namespace

std::span<const SavedField<ScriptPosition>> positionFields() { return kPositionFields; }

ScriptSnapshot captureScript(std::optional<ScriptPosition> textBlockStart) {
  ScriptSnapshot snap;
  snap.resume = textBlockStart ? *textBlockStart : resumePosition();
  snap.integers = namedNumbersWithPrefix(kSavedPrefix);
  snap.strings = namedStringsWithPrefix(kSavedPrefix);
  return snap;
}

void restoreScript(const ScriptSnapshot& snap) {
  if (snap.resume) restorePosition(*snap.resume);
  for (const auto& [name, value] : snap.integers)
    if (name.starts_with(kSavedPrefix)) declareNumber(name) = value;
  for (const auto& [name, value] : snap.strings)
    if (name.starts_with(kSavedPrefix)) declareString(name) = value;
}

void resetScriptForLoad() {
  InterpreterState& st = interpreter();
  st.loopSkip = false;
  st.loopNesting = 0;
  clearControlStacks();
  eraseNamedVariablesWithPrefix(kSavedPrefix);
}

}  // namespace core
