// Reading modes and their commands: skipmode, automode, ismode, ispage and the effect flags.
#include "text/reading_modes.h"

#include "core/command_registry.h"
#include "core/command_support.h"
#include "graphics/reading_modes.h"
#include "text/message_state.h"
#include "text/message_wait.h"
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
void modeCommand(const core::Arguments& v, bool graphics::ReadingModes::*flag, void (*set)(bool)) {
  MessageState& ms = messageState();
  graphics::ReadingModes& modes = graphics::readingModes();
  if (v.size() == 0) {
    if (ms.windowShown) {
      if (flag == &graphics::ReadingModes::skipMode) modes.autoMode = false;
      set(!(modes.*flag));
    }
    return;
  }
  if (v.value(0).number == 0) {
    modes.fast = modes.skipMode = modes.autoMode = false;
    modes.modeChange = graphics::kModeNormal;
  } else if (ms.windowShown) {
    set(true);
  }
}

void cmdSkipMode(const core::Arguments& args) { modeCommand(args, &graphics::ReadingModes::skipMode, setSkipMode); }
void cmdAutoMode(const core::Arguments& args) { modeCommand(args, &graphics::ReadingModes::autoMode, setAutoMode); }

void cmdIsMode(const core::Arguments& args) {
  const graphics::ReadingModes& modes = graphics::readingModes();
  args.numberVariable(0) = modes.skipMode ? 1 : modes.autoMode ? 2 : 0;
}

void cmdIsPage(const core::Arguments& args) { args.numberVariable(0) = textState().stopKind == kPageWait ? 1 : 0; }

// seteffectskip / seteffectcancel: no argument toggles, a number sets.
void setFlag(const core::Arguments& v, bool& flag) {
  if (v.size() == 0) {
    flag = !flag;
    return;
  }
  flag = v.value(0).number != 0;
}

void cmdSetEffectSkip(const core::Arguments& args) { setFlag(args, graphics::readingModes().effectSkip); }
void cmdSetEffectCancel(const core::Arguments& args) { setFlag(args, graphics::readingModes().effectCancel); }
void cmdGetEffectSkip(const core::Arguments& args) { args.numberVariable(0) = graphics::readingModes().effectSkip; }
void cmdGetEffectCancel(const core::Arguments& args) { args.numberVariable(0) = graphics::readingModes().effectCancel; }

constexpr core::CommandEntry kReadingModeCommands[] = {
    {"skipmode", cmdSkipMode, "skipMode", "[n]"},
    {"automode", cmdAutoMode, "autoMode", "[n]"},
    {"ismode", cmdIsMode, "isMode", "N", core::ArgumentReading::Whole},
    {"ispage", cmdIsPage, "isPage", "N", core::ArgumentReading::Whole},
    {"seteffectskip", cmdSetEffectSkip, "setEffectSkip", "[n]"},
    {"geteffectskip", cmdGetEffectSkip, "getEffectSkip", "N", core::ArgumentReading::Whole},
    {"seteffectcancel", cmdSetEffectCancel, "setEffectCancel", "[n]"},
    // Its errors have always been reported under this shorter name; scripts' authors see it so.
    {"geteffectcancel", cmdGetEffectCancel, "EffectCancel", "N", core::ArgumentReading::Whole},
};

}  // namespace

std::span<const core::CommandEntry> readingModeCommands() { return kReadingModeCommands; }

}  // namespace text
