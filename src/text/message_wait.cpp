// The reveal pause and the click/page wait of the message layout.
#include "text/message_wait.h"

#include <cstdint>

#include "graphics/frame.h"
#include "graphics/reading_modes.h"
#include "graphics/wait_loop.h"
#include "platform/clock.h"
#include "platform/cursor.h"
#include "platform/keys.h"
#include "text/message_state.h"
#include "text/reading_modes.h"

namespace text {
namespace {

using platform::kKeyControl, platform::kKeyEscape, platform::kKeyReturn;

using platform::MessageKind;

bool tickBefore(std::uint32_t deadline) { return static_cast<std::int32_t>(platform::tickMs() - deadline) < 0; }

// The wheel: deltas add up; a full step away from the reader only resets the sum, a full
// step towards the reader resets it and counts as a click. Returns true for the click;
// `consumed` tells whether the sum reached a step either way.
bool wheelClick(int delta, bool& consumed) {
  MessageState& ms = messageState();
  consumed = false;
  int step = platform::wheelStep();
  if (step == 0) return false;
  ms.wheelAccumulator += delta;
  if (ms.wheelAccumulator >= step) {
    ms.wheelAccumulator = 0;
    consumed = true;
  } else if (ms.wheelAccumulator <= -step) {
    ms.wheelAccumulator = 0;
    consumed = true;
    return true;
  }
  return false;
}

void showWindowAgain() {
  messageState().windowShown = true;
  graphics::renderFrame();
}

void toggleWindow() {
  MessageState& ms = messageState();
  ms.windowShown = !ms.windowShown;
  graphics::renderFrame();
}

}  // namespace

bool revealPause() {
  MessageState& ms = messageState();
  graphics::ReadingModes& modes = graphics::readingModes();
  using graphics::WaitStep;
  auto before = [&] {
    return tickBefore(ms.nextCharTime) && !modes.fast && !ms.showAll ? WaitStep::Continue : WaitStep::Done;
  };
  auto step = [&](graphics::WaitPass& pass) {
    platform::WindowMessage& msg = pass.message;
    switch (msg.kind) {
      case MessageKind::KeyDown:
        if (msg.key == kKeyControl) modes.fast = true;
        break;
      case MessageKind::KeyUp:
        if (msg.key == kKeyReturn) {
          ms.showAll = true;
          msg.kind = MessageKind::None;
        }
        break;
      case MessageKind::LButtonUp:
        ms.showAll = true;
        msg.kind = MessageKind::None;
        break;
      case MessageKind::RButtonUp: stopReadingModes(); break;
      case MessageKind::Wheel: {
        bool consumed = false;
        if (wheelClick(msg.wheelDelta, consumed)) ms.showAll = true;
        if (consumed) msg.kind = MessageKind::None;
        break;
      }
      default: break;
    }
    if (modes.fast || ms.showAll) return WaitStep::Done;
    pass.dueInMs = static_cast<int>(ms.nextCharTime - pass.now);
    if (pass.dueInMs < 0) pass.dueInMs = 0;
    return WaitStep::Continue;
  };
  // The layout draws each character before it pauses: the pause itself draws nothing.
  return graphics::waitLoop(step, {before, false}) == graphics::WaitEnd::Done;
}

bool messageWait() {
  MessageState& ms = messageState();
  graphics::ReadingModes& modes = graphics::readingModes();
  using graphics::WaitStep;
  bool advance = modes.skipMode || modes.autoMode;
  bool byClick = false;
  bool modeWasOn = advance;
  // Auto mode lets its own deadline decide, unless the reader clicked or holds Control.
  auto autoDecides = [&] { return modes.autoMode && !modes.fast && !byClick; };
  auto before = [&] {
    if (advance && (!autoDecides() || !tickBefore(ms.autoDeadline))) return WaitStep::Done;
    return WaitStep::Continue;
  };
  auto step = [&](graphics::WaitPass& pass) {
    platform::WindowMessage& msg = pass.message;
    switch (msg.kind) {
      case MessageKind::KeyDown:
        if (msg.key == kKeyReturn) {
          if (ms.windowShown) {
            advance = true;
            msg.kind = MessageKind::None;
          } else {
            showWindowAgain();  // not consumed: the next pass advances
            pass.again = true;
          }
        } else if (msg.key == kKeyControl) {
          if (ms.windowShown) {
            modes.fast = true;
            advance = true;
          }
        } else if (msg.key == kKeyEscape) {
          // Consumed, unlike the keys above: seen again on every pass it would toggle the
          // window until the key is released.
          toggleWindow();
          msg.kind = MessageKind::None;
        }
        break;
      case MessageKind::KeyUp:
        if (msg.key == kKeyControl && modes.fast && ms.windowShown) {
          modes.fast = false;
          advance = true;
          msg.kind = MessageKind::None;
        }
        break;
      case MessageKind::LButtonUp:
        if (ms.windowShown) {
          advance = byClick = true;
        } else {
          showWindowAgain();
        }
        msg.kind = MessageKind::None;
        break;
      case MessageKind::RButtonUp:
        if (modes.autoMode || modes.skipMode) {
          stopReadingModes();
          advance = false;
        } else {
          toggleWindow();
        }
        msg.kind = MessageKind::None;
        break;
      case MessageKind::Wheel: {
        bool consumed = false;
        if (wheelClick(msg.wheelDelta, consumed)) {
          if (ms.windowShown) {
            advance = byClick = true;
          } else {
            showWindowAgain();
          }
        }
        if (consumed) msg.kind = MessageKind::None;
        break;
      }
      default: break;
    }
    // Tab or Shift switched a reading mode on through the window procedure: the wait
    // advances as it would have had the mode been on when it began.
    bool modeOn = modes.skipMode || modes.autoMode;
    if (modeOn && !modeWasOn) advance = true;
    modeWasOn = modeOn;
    if (advance && !autoDecides()) return WaitStep::Done;
    if (modes.autoMode) {
      const auto in = static_cast<std::int32_t>(ms.autoDeadline - pass.now);
      pass.dueInMs = in > 0 ? in : 0;
    }
    return WaitStep::Continue;
  };
  return graphics::waitLoop(step, {before}) == graphics::WaitEnd::Done;
}

}  // namespace text
