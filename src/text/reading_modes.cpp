// Reading modes and their commands: skipmode, automode, ismode, ispage and the effect flags.
#include "text/reading_modes.h"

#include "core/command_registry.h"
#include "core/command_support.h"
#include "graphics/reading_modes.h"
#include "text/message_state.h"
#include "text/text_commands.h"
#include "text/text_state.h"

namespace text {

void setSkipMode(bool on) {
  graphics::ReadingModes& modes = graphics::readingModes();
  modes.skipMode = modes.fast = on;
  if (on) modes.autoMode = false;
  modes.modeChange = on ? graphics::kModeSkip : graphics::kModeNormal;
}

void setAutoMode(bool on) {
  graphics::ReadingModes& modes = graphics::readingModes();
  modes.autoMode = on;
  modes.skipMode = modes.fast = false;
  modes.modeChange = on ? graphics::kModeAuto : graphics::kModeNormal;
}

void toggleSkipModeByKey() {
  MessageState& ms = messageState();
  graphics::ReadingModes& modes = graphics::readingModes();
  if (!ms.windowShown) return;
  modes.autoMode = false;
  setSkipMode(!modes.skipMode);
}

void toggleAutoModeByKey() {
  MessageState& ms = messageState();
  graphics::ReadingModes& modes = graphics::readingModes();
  if (!ms.windowShown) return;
  setAutoMode(!modes.autoMode);
}

void stopReadingModes() {
  graphics::ReadingModes& modes = graphics::readingModes();
  modes.fast = modes.skipMode = modes.autoMode = false;
  modes.modeChange = graphics::kModeNormal;
}

namespace {

// skipmode and automode share their argument rules.
void modeCommand(std::string_view args, bool graphics::ReadingModes::*flag, void (*set)(bool)) {
  std::vector<core::ScriptValue> v = core::evaluateArguments(args);
  if (!core::checkArgumentCount(v)) return;
  MessageState& ms = messageState();
  graphics::ReadingModes& modes = graphics::readingModes();
  if (v.empty()) {
    if (ms.windowShown) {
      if (flag == &graphics::ReadingModes::skipMode) modes.autoMode = false;
      set(!(modes.*flag));
    }
    return;
  }
  if (!core::needNumber(v, 0)) return;
  if (v[0].number == 0) {
    modes.fast = modes.skipMode = modes.autoMode = false;
    modes.modeChange = graphics::kModeNormal;
  } else if (ms.windowShown) {
    set(true);
  }
}

void cmdSkipMode(std::string_view args) { modeCommand(args, &graphics::ReadingModes::skipMode, setSkipMode); }
void cmdAutoMode(std::string_view args) { modeCommand(args, &graphics::ReadingModes::autoMode, setAutoMode); }

void cmdIsMode(std::string_view args) {
  const graphics::ReadingModes& modes = graphics::readingModes();
  core::storeNumberResult(args, modes.skipMode ? 1 : modes.autoMode ? 2 : 0);
}

void cmdIsPage(std::string_view args) { core::storeNumberResult(args, textState().stopKind == 2 ? 1 : 0); }

// seteffectskip / seteffectcancel: no argument toggles, a number sets.
void setFlag(std::string_view args, bool& flag) {
  std::vector<core::ScriptValue> v = core::evaluateArguments(args);
  if (!core::checkArgumentCount(v)) return;
  if (v.empty()) {
    flag = !flag;
    return;
  }
  if (!core::needNumber(v, 0)) return;
  flag = v[0].number != 0;
}

void cmdSetEffectSkip(std::string_view args) { setFlag(args, graphics::readingModes().effectSkip); }
void cmdSetEffectCancel(std::string_view args) { setFlag(args, graphics::readingModes().effectCancel); }
void cmdGetEffectSkip(std::string_view args) { core::storeNumberResult(args, graphics::readingModes().effectSkip); }
void cmdGetEffectCancel(std::string_view args) { core::storeNumberResult(args, graphics::readingModes().effectCancel); }

constexpr core::CommandEntry kReadingModeCommands[] = {
    {"skipmode", cmdSkipMode, "skipMode", 0, 1},
    {"automode", cmdAutoMode, "autoMode", 0, 1},
    {"ismode", cmdIsMode, "isMode"},
    {"ispage", cmdIsPage, "isPage"},
    {"seteffectskip", cmdSetEffectSkip, "setEffectSkip", 0, 1},
    {"geteffectskip", cmdGetEffectSkip, "getEffectSkip"},
    {"seteffectcancel", cmdSetEffectCancel, "setEffectCancel", 0, 1},
    // Its errors have always been reported under this shorter name; scripts' authors see it so.
    {"geteffectcancel", cmdGetEffectCancel, "EffectCancel"},
};

}  // namespace

std::span<const core::CommandEntry> readingModeCommands() { return kReadingModeCommands; }

}  // namespace text
