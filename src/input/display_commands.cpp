// Script commands of the display: setfullscreen, getfullscreen, setwindowtext, setwallpaper.
#include "input/input_commands.h"

#include "core/command_registry.h"
#include "core/command_support.h"
#include "core/error_report.h"
#include "core/expression.h"
#include "platform/cp932.h"
#include "platform/display_modes.h"
#include "platform/window.h"

namespace input {
namespace {

using namespace platform;

void cmdSetFullScreen(const core::Arguments& v) {
  if (v.size() == 0) {
    setFullScreen(!isFullScreen());
    return;
  }
  setFullScreen(v.value(0).number != 0);
}

void cmdGetFullScreen(const core::Arguments& args) { args.numberVariable(0) = isFullScreen() ? 1 : 0; }

void cmdSetWindowText(const core::Arguments& v) { setWindowTitle(v.string(0)); }

void cmdSetWallPaper(const core::Arguments& v) { setWallpaper(v.string(0)); }

constexpr core::CommandEntry kDisplayCommands[] = {
    {"setfullscreen", cmdSetFullScreen, "setFullScreen", "[n]"},
    {"getfullscreen", cmdGetFullScreen, "getFullScreen", "N", core::ArgumentReading::Whole},
    {"setwindowtext", cmdSetWindowText, "setWindowText", "s"},
    {"setwallpaper", cmdSetWallPaper, "setWallPaper", "P"},
};

}  // namespace

std::span<const core::CommandEntry> displayCommands() { return kDisplayCommands; }

}  // namespace input
