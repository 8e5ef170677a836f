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

void setIfWritten(const core::Arguments& v, std::size_t i, int& field) {
  if (v.given(i)) field = v.number(i);
}

void cmdSetWindow(const core::Arguments& v) {
  MessageState& ms = messageState();
  int* fields[] = {&ms.originX, &ms.originY, &ms.charsPerLine, &ms.lineCount,
                   &ms.pitchX,  &ms.pitchY,  &ms.extraX,       &ms.lineSpacing};
  for (std::size_t i = 0; i < 8; ++i) setIfWritten(v, i, *fields[i]);
  applyMessageFont();
}

void cmdSetLogWindow(const core::Arguments& v) {
  MessageState& ms = messageState();
  int* fields[] = {&ms.logPitchX, &ms.logPitchY, &ms.logExtraX, &ms.logLineSpacing};
  for (std::size_t i = 0; i < 4; ++i) setIfWritten(v, i, *fields[i]);
}

// No argument: the default becomes current; a written first argument sets the current value,
// a written second the default. True when the current value may have changed.
bool currentAndDefault(const core::Arguments& v, int& current, int& fallback) {
  if (v.size() == 0) current = fallback;
  setIfWritten(v, 0, current);
  setIfWritten(v, 1, fallback);
  return true;
}

void cmdSetTextSpeed(const core::Arguments& args) {
  MessageState& ms = messageState();
  currentAndDefault(args, ms.textSpeed, ms.defaultTextSpeed);
}

void cmdSetAutoWait(const core::Arguments& args) {
  MessageState& ms = messageState();
  if (currentAndDefault(args, ms.autoWaitBase, ms.defaultAutoWaitBase)) {
    setAutoWaitBase(ms, ms.autoWaitBase);
  }
}

// A getter of a current value and, into an optional second variable, its default.
void readCurrentAndDefault(const core::Arguments& args, int current, int fallback) {
  args.numberVariable(0) = current;
  if (args.size() == 2) args.numberVariable(1) = fallback;
}

void cmdGetTextSpeed(const core::Arguments& args) {
  readCurrentAndDefault(args, messageState().textSpeed, messageState().defaultTextSpeed);
}

void cmdGetAutoWait(const core::Arguments& args) {
  readCurrentAndDefault(args, messageState().autoWaitBase, messageState().defaultAutoWaitBase);
}

// Two values each within [0, highest], checked and stored one after the other: a value out
// of range is reported and keeps its field, the other is still stored.
void setPair(const core::Arguments& v, int highest, int& first, int& second) {
  int* fields[] = {&first, &second};
  for (std::size_t i = 0; i < 2; ++i) {
    if (!v.given(i)) continue;
    const std::int32_t value = v.number(i);
    if (value < 0 || value > highest) {
      core::reportArgumentFault(core::ArgumentFault::BadValue, static_cast<int>(i) + 1);
      continue;
    }
    *fields[i] = value;
  }
}

void cmdLineNull(const core::Arguments& args) {
  setPair(args, 2, messageState().lineNullJoined, messageState().lineNullEmpty);
}

void cmdAutoIndent(const core::Arguments& args) {
  setPair(args, 1, messageState().indentBracket, messageState().indentPlain);
}

void cmdTextClear(const core::Arguments&) {
  clearPage();
}

void cmdBr(const core::Arguments&) { lineBreak(); }

void cmdSetWindowAlpha(const core::Arguments& v) {
  const std::int32_t alpha = v.number(0);
  if (alpha < 0 || alpha > 100) return core::reportArgumentFault(core::ArgumentFault::BadNumberVariable, 1);
  messageState().windowAlpha = alpha;
}

void cmdGetWindowAlpha(const core::Arguments& args) { args.numberVariable(0) = messageState().windowAlpha; }

void cmdSetWindowVisible(const core::Arguments& v) {
  MessageState& ms = messageState();
  if (v.size() == 0) {
    ms.windowShown = !ms.windowShown;
    graphics::renderFrame();
    return;
  }
  const bool shown = v.value(0).number != 0;
  if (shown == ms.windowShown) return;
  ms.windowShown = shown;
  graphics::renderFrame();
}

void cmdGetWindowVisible(const core::Arguments& args) { args.numberVariable(0) = messageState().windowShown ? 1 : 0; }

constexpr core::CommandEntry kMessageWindowCommands[] = {
    {"setwindow", cmdSetWindow, "setWindow", "n? n? n? n? n? n? n? n?"},
    {"setlogwindow", cmdSetLogWindow, "setLogWindow", "n? n? n? n?"},
    {"settextspeed", cmdSetTextSpeed, "setTextSpeed", "[n?] [n?]"},
    {"gettextspeed", cmdGetTextSpeed, "getTextSpeed", "N [N]", core::ArgumentReading::InTurn},
    {"setautowait", cmdSetAutoWait, "setAutoWait", "[n?] [n?]"},
    {"getautowait", cmdGetAutoWait, "getAutoWait", "N [N]", core::ArgumentReading::InTurn},
    {"linenull", cmdLineNull, "lineNull", "n? n?"},
    {"autoindent", cmdAutoIndent, "autoIndent", "n? n?"},
    {"textclear", cmdTextClear, "textClear"},
    {"br", cmdBr},
    {"setwindowalpha", cmdSetWindowAlpha, "setWindowAlpha", "n"},
    {"getwindowalpha", cmdGetWindowAlpha, "getWindowAlpha", "N", core::ArgumentReading::InTurn},
    {"setwindowvisible", cmdSetWindowVisible, "setWindowVisible", "[n]"},
    {"getwindowvisible", cmdGetWindowVisible, "getWindowVisible", "N", core::ArgumentReading::InTurn},
};

}  // namespace

std::span<const core::CommandEntry> messageWindowCommands() { return kMessageWindowCommands; }

}  // namespace text
