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

void cmdIsDown(std::string_view args) {
  // The button state as a signed 16-bit value shifted right by 8: -128 while held.
  core::storeNumberResult(args, inputState().leftDown ? -128 : 0);
}

void cmdGetCursorPos(std::string_view args) {
  std::vector<std::string_view> pieces = core::splitOutsideQuotes(args, ',');
  if (!core::countInRange(pieces)) return;
  std::int32_t* x = core::numberVariableRef(pieces[0]);
  if (!x) return core::reportArgumentFault(core::ArgumentFault::BadNumberVariable, 1);
  std::int32_t* y = core::numberVariableRef(pieces[1]);
  if (!y) return core::reportArgumentFault(core::ArgumentFault::BadNumberVariable, 2);
  int cx = 0, cy = 0;
  logicalCursorPos(cx, cy);
  *x = cx;
  *y = cy;
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

void cmdSetCursorPos(std::string_view args) {
  std::vector<core::ScriptValue> v = core::evaluateArguments(args);
  if (!core::checkArgumentCount(v)) return;
  for (std::size_t i = 0; i < v.size(); ++i)
    if (!core::needNumber(v, i)) return;
  int speed = v.size() == 3 ? v[2].toInt() : 4;
  if (speed < 0 || speed > 8) return core::reportArgumentFault(core::ArgumentFault::BadValue, 3);
  moveCursor(v[0].toInt(), v[1].toInt(), speed, true);
}

void cmdSetCursor(std::string_view args) {
  std::vector<core::ScriptValue> v = core::evaluateArguments(args);
  if (!core::checkArgumentCount(v) || !core::needString(v, 0)) return;
  setCursorFromFile(v[0].text);
}

void cmdBtnErase(std::string_view args) {
  std::vector<core::ScriptValue> v = core::evaluateArguments(args);
  if (!core::checkArgumentCount(v) || !core::needNumber(v, 0)) return;
  int n = v[0].toInt();
  if (n < 0 || n > 999) return core::reportCommandError(jp("スプライト番号が不正です"));
  eraseButtonOfSprite(n);
}

void cmdBtnClear(std::string_view) {
  clearButtons();
}

constexpr core::CommandEntry kInputCommands[] = {
    {"isdown", cmdIsDown, "isDown"},
    {"getcursorpos", cmdGetCursorPos, "getCursorPos", 2, 2},
    {"setcursorpos", cmdSetCursorPos, "setCursorPos", 2, 3},
    {"setcursor", cmdSetCursor, "setCursor", 1, 1}, {"btnerase", cmdBtnErase, "btnErase", 1, 1},     {"btnclear", cmdBtnClear},
};

}  // namespace

std::span<const core::CommandEntry> inputCommands() { return kInputCommands; }

}  // namespace input
