// Conditionals, loops, jumps, subroutines, defined commands and the text hooks. These
// commands never run code themselves: they move the cursor or raise the interpreter's
// flags, and the loop does the rest.
#include "core/control_flow.h"

#include <vector>

#include "core/argument_pieces.h"
#include "core/command_registry.h"
#include "core/command_support.h"
#include "core/core_commands.h"
#include "core/error_report.h"
#include "core/expression.h"
#include "core/interpreter.h"
#include "core/path_key.h"
#include "core/statements.h"
#include "platform/cp932.h"

namespace core {
namespace {

struct ReturnPosition {
  int line = 0;
  int statement = 0;
  std::uint32_t fileKey = 0;
};

struct LoopRecord {
  int bodyLine = 0, bodyStatement = 0;
  int exitLine = -1, exitStatement = -1;  // unknown until the first `next` has run
  std::int32_t* variable = nullptr;
  std::int32_t end = 0;
  std::int32_t step = 1;
  bool ascending = true;
};

struct ControlState {
  std::vector<ReturnPosition> gosub;
  std::vector<LoopRecord> loops;
  int ifState = 0;  // 0 no branch taken yet, 1 a branch ran, -1 an else ran
} control;

void skipRestOfLine() {
  InterpreterState& s = interpreter();
  s.statement = 0;
  s.jump = true;
}

bool loopEnded(const LoopRecord& r) {
  return r.ascending ? *r.variable > r.end : *r.variable < r.end;
}

void addStep(LoopRecord& r) {
  *r.variable = static_cast<std::int32_t>(static_cast<std::uint32_t>(*r.variable) + static_cast<std::uint32_t>(r.step));
}

void jumpToExit(const LoopRecord& r) { jumpTo(r.exitLine, r.exitStatement); }

// Evaluates the condition and either skips the line or runs the tail. Returns false on a
// malformed condition (reported).
bool runConditional(std::string_view args) {
  std::size_t close = conditionEnd(args);
  if (close == std::string_view::npos) {
    reportCommandError(platform::jp("式が不正です"));
    return false;
  }
  ScriptValue v = evaluateExpression(args.substr(0, close + 1));
  if (!v.isNumber()) {
    reportCommandError(platform::jp("式が不正です"));
    return false;
  }
  if (v.number == 0) {
    skipRestOfLine();
    return true;
  }
  // The byte after ")" is dropped (normally a blank): "if(a)goto" runs "oto".
  setReplacement(close + 2 <= args.size() ? args.substr(close + 2) : std::string_view());
  control.ifState = 1;
  return true;
}

void cmdIf(const Arguments& call) {
  const std::string_view args = call.text;
  control.ifState = 0;
  runConditional(args);
}

void cmdElseIf(const Arguments& call) {
  const std::string_view args = call.text;
  if (interpreter().statement != 0) {
    reportCommandError(platform::jp("行頭で使って下さい"));
    return;
  }
  if (control.ifState == 1) {
    skipRestOfLine();
    return;
  }
  if (control.ifState == -1) {
    reportCommandError(platform::jp("前の行にif命令がありません"));
    return;
  }
  runConditional(args);
}

void cmdElse(const Arguments& call) {
  const std::string_view args = call.text;
  if (interpreter().statement != 0) {
    reportCommandError(platform::jp("行頭で使って下さい"));
    skipRestOfLine();
    return;
  }
  if (control.ifState == 1) {
    skipRestOfLine();
    return;
  }
  if (control.ifState == -1) {
    reportCommandError(platform::jp("前の行にif命令がありません"));
    skipRestOfLine();
    return;
  }
  if (args.empty()) return;
  std::size_t first = 0;
  while (first < args.size() && !isCommandStart(static_cast<unsigned char>(args[first]))) ++first;
  setReplacement(args.substr(first));
  control.ifState = -1;
}

void cmdFor(const Arguments& args) {
  std::int32_t* variable = &args.numberVariable(0);
  const std::int32_t values[3] = {args.number(1), args.number(2), args.number(3, 1)};
  auto [bodyLine, bodyStatement] = positionAfterStatement();
  LoopRecord r;
  r.bodyLine = bodyLine;
  r.bodyStatement = bodyStatement;
  r.variable = variable;
  r.end = values[1];
  r.step = values[2];
  r.ascending = r.step >= 0;
  std::int32_t start = values[0];
  if ((r.step > 0 && start > r.end) || (r.step < 0 && start < r.end)) interpreter().loopSkip = true;
  control.loops.push_back(r);
  *variable = start;
}

// A loop statement with no loop open is reported and does nothing.
LoopRecord* openLoop() {
  if (control.loops.empty()) {
    reportCommandError(platform::jp("for が一度も実行されていません"));
    return nullptr;
  }
  return &control.loops.back();
}

void cmdNext(const Arguments&) {
  LoopRecord* r = openLoop();
  if (!r) {
    interpreter().loopSkip = false;
    return;
  }
  InterpreterState& s = interpreter();
  if (s.loopSkip) {
    s.loopSkip = false;
    control.loops.pop_back();
    return;
  }
  addStep(*r);
  if (loopEnded(*r)) {
    control.loops.pop_back();
    return;
  }
  if (r->exitLine == -1) {
    auto [line, statement] = positionAfterStatement();
    r->exitLine = line;
    r->exitStatement = statement;
  }
  jumpTo(r->bodyLine, r->bodyStatement);
}

void leaveLoop(LoopRecord& r) {
  if (r.exitLine == -1) {
    interpreter().loopSkip = true;  // the matching next removes the record
    return;
  }
  LoopRecord copy = r;
  control.loops.pop_back();
  jumpToExit(copy);
}

void cmdBreak(const Arguments&) {
  if (LoopRecord* r = openLoop()) leaveLoop(*r);
}

void cmdContinue(const Arguments&) {
  LoopRecord* r = openLoop();
  if (!r) return;
  addStep(*r);
  if (loopEnded(*r)) {
    leaveLoop(*r);
    return;
  }
  jumpTo(r->bodyLine, r->bodyStatement);
}

// Evaluates a label argument; reports a number and returns false.
bool labelArgument(std::string_view args, std::string& label) {
  ScriptValue v = evaluateExpression(args);
  if (v.isNumber()) {
    reportArgumentFault(ArgumentFault::NotString, 1);
    return false;
  }
  label = v.text;
  return true;
}

bool jumpOrReport(const std::string& label) {
  if (jumpToLabel(label)) return true;
  reportCommandError(label + platform::jp("ラベルが存在しません"));
  return false;
}

void cmdGoto(const Arguments& call) {
  const std::string_view args = call.text;
  std::string label;
  if (labelArgument(args, label)) jumpOrReport(label);
}

void cmdGosub(const Arguments& call) {
  const std::string_view args = call.text;
  std::string label;
  if (labelArgument(args, label)) gosub(label);
}

void cmdReturn(const Arguments& call) {
  const std::string_view args = call.text;
  if (control.gosub.empty()) {
    reportCommandError(platform::jp("gosub が一度も実行されていません"));
    return;
  }
  ReturnPosition pos = control.gosub.back();
  control.gosub.pop_back();
  ScriptValue v = evaluateExpression(args);
  if (v.isString()) {
    jumpOrReport(v.text);
    return;
  }
  if (v.isNumber()) reportArgumentFault(ArgumentFault::NotString, 1);
  jumpTo(pos.line, pos.statement);
  requestFileSwitch(pos.fileKey);
}

void cmdDefSub(const Arguments& call) {
  const std::string_view args = call.text;
  std::string_view name = trimBlank(args, 0, static_cast<std::ptrdiff_t>(args.size()) - 1);
  interpreter().definedCommands.insert(pathKey(name));
}

void cmdGetParam(const Arguments& call) {
  const std::string_view args = call.text;
  std::string source = interpreter().parameterText;  // evaluation may not touch it, but be safe
  fillTargets(args, source, ',');
}

constexpr CommandEntry kControlFlowCommands[] = {
    // Conditions, labels and names with rules of their own: a failed label expression still
    // jumps (to a label that is not there), a condition ends at its closing parenthesis.
    {"if", cmdIf, nullptr, nullptr, ArgumentReading::ByHandler},
    {"elseif", cmdElseIf, nullptr, nullptr, ArgumentReading::ByHandler},
    {"else", cmdElse, nullptr, nullptr, ArgumentReading::ByHandler},
    {"for", cmdFor, nullptr, "N n n [n]", ArgumentReading::InTurn},
    {"next", cmdNext},
    {"break", cmdBreak},
    {"continue", cmdContinue},
    {"goto", cmdGoto, nullptr, nullptr, ArgumentReading::ByHandler},
    {"gosub", cmdGosub, nullptr, nullptr, ArgumentReading::ByHandler},
    {"return", cmdReturn, nullptr, nullptr, ArgumentReading::ByHandler},
    {"defsub", cmdDefSub, nullptr, nullptr, ArgumentReading::ByHandler},
    // Targets with defaults ("$a = x, %b"), each reported and skipped on its own.
    {"getparam", cmdGetParam, "getParam", nullptr, ArgumentReading::ByHandler},
};

}  // namespace

void fillTargets(std::string_view args, std::string_view source, char sourceSeparator) {
  std::vector<std::string_view> values = splitOutsideQuotes(source, sourceSeparator);
  std::vector<std::string_view> targets = splitOutsideQuotes(args, ',');
  for (std::size_t t = 0; t < targets.size(); ++t) {
    const std::string number = std::to_string(t + 1);
    auto fault = [&](const char* what) { reportCommandError(platform::jp("第") + number + platform::jp(what)); };
    std::vector<std::string_view> parts = splitOutsideQuotes(targets[t], '=');
    std::string_view ref = parts.empty() ? std::string_view() : parts[0];
    std::int32_t* number32 = nullptr;
    std::string* text = nullptr;
    if (!ref.empty() && ref[0] == '$') {
      if (!(text = stringVariableRef(ref))) {
        fault("引数の文字列変数が不正です");
        continue;
      }
    } else if (!ref.empty() && ref[0] == '%') {
      if (!(number32 = numberVariableRef(ref))) {
        fault("引数の数値変数が不正です");
        continue;
      }
    } else {
      fault("引数が変数ではありません");
      continue;
    }
    ScriptValue v;
    if (t < values.size()) v = evaluateExpression(values[t]);
    if (v.isOmitted() && parts.size() > 1) v = evaluateExpression(parts[1]);
    if (v.isOmitted()) {
      if (text) text->clear();
      else *number32 = 0;
      continue;
    }
    if (text) {
      if (!v.isString()) {
        fault("引数が文字列ではありません");
        continue;
      }
      *text = v.text;
    } else {
      if (!v.isNumber()) {
        fault("引数が数値ではありません");
        continue;
      }
      *number32 = v.toInt();
    }
  }
}

std::size_t conditionEnd(std::string_view args) {
  int depth = 0;
  bool opened = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    unsigned char b = static_cast<unsigned char>(args[i]);
    if (isLeadByte(b)) {
      ++i;
      continue;
    }
    if (b == '(') {
      ++depth;
      opened = true;
    } else if (b == ')' && opened) {
      if (--depth == 0) return i;
    }
  }
  return std::string_view::npos;
}

void gosub(std::string_view labelText) {
  if (!findLabel(labelText)) {
    reportCommandError(std::string(labelText) + platform::jp("ラベルが存在しません"));
    return;
  }
  auto [line, statement] = positionAfterStatement();
  control.gosub.push_back(ReturnPosition{line, statement, runningFileKey()});
  jumpToLabel(labelText);
}

void clearControlStacks() {
  control.gosub.clear();
  control.loops.clear();
}

bool outermostReturn(int& line, int& statement, std::uint32_t& fileKey) {
  if (control.gosub.empty()) return false;
  const ReturnPosition& bottom = control.gosub.front();
  line = bottom.line;
  statement = bottom.statement;
  fileKey = bottom.fileKey;
  return true;
}

std::span<const CommandEntry> controlFlowCommands() { return kControlFlowCommands; }

}  // namespace core
