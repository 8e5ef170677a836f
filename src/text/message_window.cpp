// The commands that shape the message window: geometry, text speed, auto-mode wait, the wait
// at a line's end, auto-indent, page clearing, line breaks, visibility and alpha.
#include "text/message_window.h"

#include <cstdint>
#include <vector>

#include "core/command_support.h"
#include "core/error_report.h"
#include "core/interpreter.h"
#include "graphics/frame.h"
#include "platform/cp932.h"
#include "text/backlog.h"
#include "text/font_settings.h"
#include "text/glyph_renderer.h"
#include "text/message_state.h"
#include "core/argument_pieces.h"
#include "text/text_commands.h"
#include "text/text_state.h"

namespace text {

void clearPage() {
  advanceBacklogPage();
  textState().stopKind = 0;
  textState().lineInProgress = false;
  messageState().line = 0;
  releaseMessageGlyphs(messageRenderer());
  releaseMessageGlyphs(rubyRenderer());
  graphics::renderFrame();
}

void lineBreak() {
  MessageState& ms = messageState();
  ++ms.line;
  std::string pageBreak(1, '\f');
  if (ms.indent != 0) pageBreak += platform::jp("　");
  appendToBacklog(pageBreak);
  ms.lineBreakPending = true;
}

namespace {

using core::ScriptValue;

// Evaluated arguments, each a number or omitted; the count within the command's range.
bool numbersOrOmitted(std::string_view args, std::vector<ScriptValue>& v) {
  core::evaluateArguments(args, v);
  if (!core::checkArgumentCount(v)) return false;
  for (std::size_t i = 0; i < v.size(); ++i)
    if (!core::numberOrOmitted(v, i)) return false;
  return true;
}

void setIfWritten(const std::vector<ScriptValue>& v, std::size_t i, int& field) {
  if (i < v.size() && !v[i].isOmitted()) field = v[i].toInt();
}

void cmdSetWindow(std::string_view args) {
  std::vector<ScriptValue> v;
  if (!numbersOrOmitted(args, v)) return;
  MessageState& ms = messageState();
  int* fields[] = {&ms.originX, &ms.originY, &ms.charsPerLine, &ms.lineCount,
                   &ms.pitchX,  &ms.pitchY,  &ms.extraX,       &ms.lineSpacing};
  for (std::size_t i = 0; i < 8; ++i) setIfWritten(v, i, *fields[i]);
  applyMessageFont();
}

void cmdSetLogWindow(std::string_view args) {
  std::vector<ScriptValue> v;
  if (!numbersOrOmitted(args, v)) return;
  MessageState& ms = messageState();
  int* fields[] = {&ms.logPitchX, &ms.logPitchY, &ms.logExtraX, &ms.logLineSpacing};
  for (std::size_t i = 0; i < 4; ++i) setIfWritten(v, i, *fields[i]);
}

// No argument: the default becomes current; a written first argument sets the current value,
// a written second the default. True when the current value may have changed.
bool currentAndDefault(std::string_view args, int& current, int& fallback) {
  std::vector<ScriptValue> v;
  if (!numbersOrOmitted(args, v)) return false;
  if (v.empty()) current = fallback;
  setIfWritten(v, 0, current);
  setIfWritten(v, 1, fallback);
  return true;
}

void cmdSetTextSpeed(std::string_view args) {
  MessageState& ms = messageState();
  currentAndDefault(args, ms.textSpeed, ms.defaultTextSpeed);
}

void cmdSetAutoWait(std::string_view args) {
  MessageState& ms = messageState();
  if (currentAndDefault(args, ms.autoWaitBase, ms.defaultAutoWaitBase)) {
    setAutoWaitBase(ms, ms.autoWaitBase);
  }
}

// A getter of a current value and, into an optional second variable, its default.
void readCurrentAndDefault(std::string_view args, int current, int fallback) {
  std::vector<std::string_view> pieces = core::argumentPieces(args);
  if (!core::countInRange(pieces)) return;
  std::int32_t* first = core::numberTarget(pieces, 0);
  if (!first) return;
  std::int32_t* second = nullptr;
  if (pieces.size() == 2 && !(second = core::numberTarget(pieces, 1))) return;
  *first = current;
  if (second) *second = fallback;
}

void cmdGetTextSpeed(std::string_view args) {
  readCurrentAndDefault(args, messageState().textSpeed, messageState().defaultTextSpeed);
}

void cmdGetAutoWait(std::string_view args) {
  readCurrentAndDefault(args, messageState().autoWaitBase, messageState().defaultAutoWaitBase);
}

// Two values each within [0, highest], checked and stored one after the other: a value out
// of range is reported and keeps its field, the other is still stored.
void setPair(std::string_view args, int highest, int& first, int& second) {
  std::vector<ScriptValue> v;
  if (!numbersOrOmitted(args, v)) return;
  int* fields[] = {&first, &second};
  for (std::size_t i = 0; i < 2; ++i) {
    if (v[i].isOmitted()) continue;
    std::int32_t value = v[i].toInt();
    if (value < 0 || value > highest) {
      core::reportArgumentFault(core::ArgumentFault::BadValue, static_cast<int>(i) + 1);
      continue;
    }
    *fields[i] = value;
  }
}

void cmdLineNull(std::string_view args) {
  setPair(args, 2, messageState().lineNullJoined, messageState().lineNullEmpty);
}

void cmdAutoIndent(std::string_view args) {
  setPair(args, 1, messageState().indentBracket, messageState().indentPlain);
}

void cmdTextClear(std::string_view) {
  clearPage();
}

void cmdBr(std::string_view) { lineBreak(); }

void cmdSetWindowAlpha(std::string_view args) {
  std::vector<ScriptValue> v;
  core::evaluateArguments(args, v);
  if (!core::checkArgumentCount(v) || !core::needNumber(v, 0)) return;
  std::int32_t alpha = v[0].toInt();
  if (alpha < 0 || alpha > 100) return core::reportArgumentFault(core::ArgumentFault::BadNumberVariable, 1);
  messageState().windowAlpha = alpha;
}

void cmdGetWindowAlpha(std::string_view args) {
  std::vector<std::string_view> pieces = core::argumentPieces(args);
  if (!core::countInRange(pieces)) return;
  if (std::int32_t* var = core::numberTarget(pieces, 0)) *var = messageState().windowAlpha;
}

void cmdSetWindowVisible(std::string_view args) {
  std::vector<ScriptValue> v;
  core::evaluateArguments(args, v);
  if (!core::checkArgumentCount(v)) return;
  MessageState& ms = messageState();
  if (v.empty()) {
    ms.windowShown = !ms.windowShown;
    graphics::renderFrame();
    return;
  }
  if (!core::needNumber(v, 0)) return;
  bool shown = v[0].number != 0;
  if (shown == ms.windowShown) return;
  ms.windowShown = shown;
  graphics::renderFrame();
}

void cmdGetWindowVisible(std::string_view args) {
  std::vector<std::string_view> pieces = core::argumentPieces(args);
  if (!core::countInRange(pieces)) return;
  if (std::int32_t* var = core::numberTarget(pieces, 0)) *var = messageState().windowShown ? 1 : 0;
}

constexpr core::CommandEntry kMessageWindowCommands[] = {
    {"setwindow", cmdSetWindow, "setWindow", 8, 8},
    {"setlogwindow", cmdSetLogWindow, "setLogWindow", 4, 4},
    {"settextspeed", cmdSetTextSpeed, "setTextSpeed", 0, 2},
    {"gettextspeed", cmdGetTextSpeed, "getTextSpeed", 1, 2},
    {"setautowait", cmdSetAutoWait, "setAutoWait", 0, 2},
    {"getautowait", cmdGetAutoWait, "getAutoWait", 1, 2},
    {"linenull", cmdLineNull, "lineNull", 2, 2},
    {"autoindent", cmdAutoIndent, "autoIndent", 2, 2},
    {"textclear", cmdTextClear, "textClear"},
    {"br", cmdBr},
    {"setwindowalpha", cmdSetWindowAlpha, "setWindowAlpha", 1, 1},
    {"getwindowalpha", cmdGetWindowAlpha, "getWindowAlpha", 1, 1},
    {"setwindowvisible", cmdSetWindowVisible, "setWindowVisible", 0, 1},
    {"getwindowvisible", cmdGetWindowVisible, "getWindowVisible", 1, 1},
};

}  // namespace

std::span<const core::CommandEntry> messageWindowCommands() { return kMessageWindowCommands; }

}  // namespace text
