// Reading modes and their commands: skipmode, automode, ismode, ispage and the effect flags.
#include "text/reading_modes.h"

#include "core/command_registry.h"
#include "core/command_support.h"
#include "core/error_report.h"
#include "core/interpreter.h"
#include "text/message_state.h"
#include "text/text_commands.h"

namespace text {

void setSkipMode(bool on) {
  MessageState& ms = messageState();
  ms.skipMode = ms.fast = on;
  if (on) ms.autoMode = false;
  ms.modeChange = on ? kModeSkip : kModeNormal;
}

void setAutoMode(bool on) {
  MessageState& ms = messageState();
  ms.autoMode = on;
  ms.skipMode = ms.fast = false;
  ms.modeChange = on ? kModeAuto : kModeNormal;
}

void toggleSkipModeByKey() {
  MessageState& ms = messageState();
  if (!ms.windowShown) return;
  ms.autoMode = false;
  setSkipMode(!ms.skipMode);
}

void toggleAutoModeByKey() {
  MessageState& ms = messageState();
  if (!ms.windowShown) return;
  setAutoMode(!ms.autoMode);
}

void stopReadingModes() {
  MessageState& ms = messageState();
  ms.fast = ms.skipMode = ms.autoMode = false;
  ms.modeChange = kModeNormal;
}

namespace {

// skipmode and automode share their argument rules.
void modeCommand(std::string_view args, const char* name, bool MessageState::*flag, void (*set)(bool)) {
  core::setCommandName(name);
  std::vector<core::ScriptValue> v = core::evaluateArguments(args);
  if (!core::checkArgumentCount(v, 0, 1)) return;
  MessageState& ms = messageState();
  if (v.empty()) {
    if (ms.windowShown) {
      if (flag == &MessageState::skipMode) ms.autoMode = false;
      set(!(ms.*flag));
    }
    return;
  }
  if (!core::needNumber(v, 0)) return;
  if (v[0].number == 0) {
    ms.fast = ms.skipMode = ms.autoMode = false;
    ms.modeChange = kModeNormal;
  } else if (ms.windowShown) {
    set(true);
  }
}

void cmdSkipMode(std::string_view args) { modeCommand(args, "skipMode", &MessageState::skipMode, setSkipMode); }
void cmdAutoMode(std::string_view args) { modeCommand(args, "autoMode", &MessageState::autoMode, setAutoMode); }

void readInto(std::string_view args, const char* name, int value) {
  core::setCommandName(name);
  core::storeNumberResult(args, value);
}

void cmdIsMode(std::string_view args) {
  const MessageState& ms = messageState();
  readInto(args, "isMode", ms.skipMode ? 1 : ms.autoMode ? 2 : 0);
}

void cmdIsPage(std::string_view args) { readInto(args, "isPage", core::interpreter().stopKind == 2 ? 1 : 0); }

// seteffectskip / seteffectcancel: no argument toggles, a number sets.
void setFlag(std::string_view args, const char* name, bool& flag) {
  core::setCommandName(name);
  std::vector<core::ScriptValue> v = core::evaluateArguments(args);
  if (!core::checkArgumentCount(v, 0, 1)) return;
  if (v.empty()) {
    flag = !flag;
    return;
  }
  if (!core::needNumber(v, 0)) return;
  flag = v[0].number != 0;
}

void cmdSetEffectSkip(std::string_view args) { setFlag(args, "setEffectSkip", messageState().effectSkip); }
void cmdSetEffectCancel(std::string_view args) { setFlag(args, "setEffectCancel", messageState().effectCancel); }
void cmdGetEffectSkip(std::string_view args) { readInto(args, "getEffectSkip", messageState().effectSkip); }
void cmdGetEffectCancel(std::string_view args) { readInto(args, "EffectCancel", messageState().effectCancel); }

constexpr core::CommandEntry kReadingModeCommands[] = {
    {"skipmode", cmdSkipMode},           {"automode", cmdAutoMode},
    {"ismode", cmdIsMode},               {"ispage", cmdIsPage},
    {"seteffectskip", cmdSetEffectSkip}, {"geteffectskip", cmdGetEffectSkip},
    {"seteffectcancel", cmdSetEffectCancel}, {"geteffectcancel", cmdGetEffectCancel},
};

}  // namespace

std::span<const core::CommandEntry> readingModeCommands() { return kReadingModeCommands; }

}  // namespace text
