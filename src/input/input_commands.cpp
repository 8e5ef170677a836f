// Script commands of the mouse and the cursor: isdown, getcursorpos, setcursorpos,
// setcursor, and the button table's btnerase and btnclear.
#include "input/input_commands.h"

#include <string>

#include "core/archive.h"
#include "core/argument_pieces.h"
#include "core/command_registry.h"
#include "core/command_support.h"
#include "core/error_report.h"
#include "core/resource_limits.h"
#include "core/expression.h"
#include "core/statements.h"
#include "platform/buttons.h"
#include "platform/cp932.h"
#include "platform/cursor.h"
#include "platform/cursor_file.h"
#include "platform/window.h"

namespace input {
namespace {

using namespace platform;

bool hasExtension(std::string_view name, std::string_view ext) {
  return name.size() >= ext.size() && name.substr(name.size() - ext.size()) == ext;
}

void cmdIsDown(const core::Arguments& args) {
  // The button state as a signed 16-bit value shifted right by 8: -128 while held.
  args.numberVariable(0) = inputState().leftDown ? -128 : 0;
}

void cmdGetCursorPos(const core::Arguments& args) {
  int cx = 0, cy = 0;
  logicalCursorPos(cx, cy);
  args.numberVariable(0) = cx;
  args.numberVariable(1) = cy;
}

}  // namespace

bool setCursorFromFile(const std::string& name) {
  clearCustomCursor();
  if (name.empty()) return true;
  CursorAnimation cursor;
  std::string why;
  if (hasExtension(name, ".cur") || hasExtension(name, ".ani")) {
    // Read from disk or the archive alike: the bytes are parsed here, so no temporary
    // file is needed.
    std::string bytes;
    switch (core::readResourceFile(name, bytes, core::kLargestCursorFileBytes)) {
      case core::ResourceRead::Ok: break;
      case core::ResourceRead::TooLarge:
        core::reportCommandError(core::tooLargeMessage(name, core::kLargestCursorFileBytes));
        return false;
      default: core::reportCommandError(name + jp(" が存在しません")); return false;
    }
    auto parsed = decodeAnimatedCursor(bytes, why);
    if (!parsed) {
      core::reportCommandError(name + jp(" カーソルを読み込めませんでした (") + why + ")");
      return false;
    }
    cursor = std::move(*parsed);
  } else {
    auto picture = loadCursorPicture(name);
    if (!picture) return false;  // the image loader has reported why
    cursor.frames.push_back(std::move(*picture));
    cursor.sequence = {0};
    cursor.stepMs = {0};
  }
  setCustomCursor(cursor);
  return true;
}

namespace {

void cmdSetCursorPos(const core::Arguments& v) {
  const int speed = v.number(2, 4);
  if (speed < 0 || speed > 8) return core::reportArgumentFault(core::ArgumentFault::BadValue, 3);
  moveCursor(v.number(0), v.number(1), speed, true);
}

void cmdSetCursor(const core::Arguments& v) { setCursorFromFile(v.string(0)); }

void cmdBtnErase(const core::Arguments& v) {
  const int n = v.number(0);
  if (n < 0 || n > 999) return core::reportCommandError(jp("スプライト番号が不正です"));
  eraseButtonOfSprite(n);
}

void cmdBtnClear(const core::Arguments&) {
  clearButtons();
}

constexpr core::CommandEntry kInputCommands[] = {
    {"isdown", cmdIsDown, "isDown", "N", core::ArgumentReading::Whole},
    {"getcursorpos", cmdGetCursorPos, "getCursorPos", "N N", core::ArgumentReading::InTurn},
    {"setcursorpos", cmdSetCursorPos, "setCursorPos", "n n [n]"},
    {"setcursor", cmdSetCursor, "setCursor", "C"},
    {"btnerase", cmdBtnErase, "btnErase", "n"},
    {"btnclear", cmdBtnClear},
};

}  // namespace

std::span<const core::CommandEntry> inputCommands() { return kInputCommands; }

}  // namespace input
