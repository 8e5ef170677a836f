// Script commands of the display: setfullscreen, getfullscreen, setwindowtext, setwallpaper.
#include "core/command_registry.h"
#include "core/command_support.h"
#include "core/error_report.h"
#include "core/expression.h"
#include "platform/cp932.h"
#include "platform/display_modes.h"
#include "platform/platform_commands.h"
#include "platform/window.h"

namespace platform {
namespace {

void cmdSetFullScreen(std::string_view args) {
  std::vector<core::ScriptValue> v = core::evaluateArguments(args);
  if (!core::checkArgumentCount(v)) return;
  if (v.empty()) {
    setFullScreen(!isFullScreen());
    return;
  }
  if (!core::needNumber(v, 0)) return;
  setFullScreen(v[0].number != 0);
}

void cmdGetFullScreen(std::string_view args) {
  core::storeNumberResult(args, isFullScreen() ? 1 : 0);
}

void cmdSetWindowText(std::string_view args) {
  std::vector<core::ScriptValue> v = core::evaluateArguments(args);
  if (!core::checkArgumentCount(v) || !core::needString(v, 0)) return;
  setWindowTitle(v[0].text);
}

void cmdSetWallPaper(std::string_view args) {
  std::vector<core::ScriptValue> v = core::evaluateArguments(args);
  if (!core::checkArgumentCount(v) || !core::needString(v, 0)) return;
  setWallpaper(v[0].text);
}

constexpr core::CommandEntry kDisplayCommands[] = {
    {"setfullscreen", cmdSetFullScreen, "setFullScreen", 0, 1},
    {"getfullscreen", cmdGetFullScreen, "getFullScreen"},
    {"setwindowtext", cmdSetWindowText, "setWindowText", 1, 1},
    {"setwallpaper", cmdSetWallPaper, "setWallPaper", 1, 1},
};

}  // namespace

std::span<const core::CommandEntry> displayCommands() { return kDisplayCommands; }

}  // namespace platform
