// Timed waits, the script timer and eventwait: the steps that hand the reader's input to
// the script, each run by the engine's one waiting loop.
#include <algorithm>
#include <cstdint>
#include <string>

#include "core/argument_pieces.h"
#include "core/command_registry.h"
#include "core/command_support.h"
#include "core/interpreter.h"
#include "core/statements.h"
#include "graphics/frame.h"
#include "graphics/reading_modes.h"
#include "graphics/wait_loop.h"
#include "platform/buttons.h"
#include "platform/clock.h"
#include "platform/cursor.h"
#include "platform/display_modes.h"
#include "platform/keys.h"
#include "text/message_state.h"
#include "text/reading_modes.h"
#include "text/text_commands.h"
#include "text/waits.h"

namespace text {
namespace {

using platform::kKeyControl, platform::kKeyDown, platform::kKeyLeft, platform::kKeyReturn, platform::kKeyRight,
    platform::kKeyShift, platform::kKeyTab;

// eventwait's results for what is not a button, and its kinds of event.
enum EventResultCode : int {
  kEventNoButton = -1,  // a click or Control away from any button; skip and auto mode's advance
  kEventRightButton = -2,
  kEventMiddleButton = -4,
  kEventReturnKey = -13,
  kEventAltKey = -18,
  kEventF10Key = -121,
  kEventTimeOut = -256,
  kEventModeChange = -257,
  kEventDisplayChange = -258,
  kEventDroppedFile = -259,
};
enum EventKind : int { kKindEnter = 1, kKindDown = 2, kKindUp = 3, kKindWheelTowards = 4, kKindWheelAway = 5 };

struct Waits {
  std::uint32_t timerStart = 0;  // resettimer; the millisecond tick wraps like the clock
  int hoverId = -1;              // the button under the cursor, -1 for none
  std::uint32_t eventBase = 0;   // tick of the last time-out event: the first is due at once
  int wheelSum = 0;
} waits;

platform::WindowMessage& record() { return core::interpreter().message; }

// The earlier of a due time already set (-1: none) and one `in` ms away.
int dueIn(int due, std::uint32_t in) {
  const int ms = static_cast<int>(std::min<std::uint32_t>(in, 1u << 30));
  return due < 0 ? ms : std::min(due, ms);
}

}  // namespace

bool timedWait(std::uint32_t start, std::uint32_t duration, bool clickable) {
  MessageState& ms = messageState();
  graphics::ReadingModes& modes = graphics::readingModes();
  auto remaining = [&](std::uint32_t now) {
    const auto elapsed = static_cast<std::uint32_t>(now - start);
    return elapsed >= duration ? 0u : duration - elapsed;
  };
  auto before = [&] {
    return static_cast<std::uint32_t>(platform::tickMs() - start) < duration ? graphics::WaitStep::Continue
                                                                              : graphics::WaitStep::Done;
  };
  auto step = [&](graphics::WaitPass& pass) {
    using graphics::WaitStep;
    platform::WindowMessage& msg = pass.message;
    const platform::MessageKind kind = msg.kind;
    msg.kind = platform::MessageKind::None;
    pass.dueInMs = static_cast<int>(std::min<std::uint32_t>(remaining(pass.now), 1u << 30));
    switch (kind) {
      case platform::MessageKind::KeyDown:
        if (msg.key == kKeyTab || msg.key == kKeyShift) return WaitStep::Done;  // the window has switched the mode
        if (msg.key == kKeyReturn && clickable) return WaitStep::Done;
        if (msg.key == kKeyControl) {
          if (ms.windowShown) modes.fast = true;
          return WaitStep::Done;
        }
        break;
      case platform::MessageKind::LButtonUp:
        if (clickable) return WaitStep::Done;
        break;
      case platform::MessageKind::RButtonUp: stopReadingModes(); break;
      default: break;
    }
    return WaitStep::Continue;
  };
  return graphics::waitLoop(step, {before}) == graphics::WaitEnd::Done;
}

namespace {

void cmdWait(const core::Arguments& v) {
  MessageState& ms = messageState();
  graphics::ReadingModes& modes = graphics::readingModes();
  if (modes.skipMode || modes.fast) return;
  if (ms.showAll) {
    ms.showAll = false;
    graphics::renderFrame();
  }
  const std::int32_t ms32 = v.number(0);
  timedWait(platform::tickMs(), ms32 > 0 ? static_cast<std::uint32_t>(ms32) : 0, v.number(1, 1) != 0);
}

void cmdWaitTimer(const core::Arguments& v) {
  const std::int32_t ms32 = v.number(0);
  timedWait(waits.timerStart, ms32 > 0 ? static_cast<std::uint32_t>(ms32) : 0, v.number(1, 1) != 0);
}

void cmdSleep(const core::Arguments& args) {
  // The window is still served once, so a close request is not lost behind a long sleep.
  if (graphics::waitLoop([](graphics::WaitPass&) { return graphics::WaitStep::Done; }) == graphics::WaitEnd::Quit)
    return;
  const std::int32_t ms = args.number(0);
  if (ms > 0) platform::sleepMs(static_cast<std::uint32_t>(ms));
}

void cmdResetTimer(const core::Arguments&) {
  waits.timerStart = platform::tickMs();
}

void cmdGetTimer(const core::Arguments& args) {
  args.numberVariable(0) = static_cast<std::int32_t>(platform::tickMs() - waits.timerStart);
}

struct EventResult {
  int result = 0;
  int kind = 0;
};

// "Left" for the hovered button: the next call reports an entry, if any.
EventResult leaveHover() {
  EventResult e{waits.hoverId, 0};
  waits.hoverId = -1;
  return e;
}

bool hoverTest(EventResult& out) {
  if (platform::glideRunning()) return false;
  int x = 0, y = 0;
  platform::logicalCursorPos(x, y);
  int candidate = platform::buttonAt(x, y);
  if (waits.hoverId >= 0 && waits.hoverId != candidate) {
    out = leaveHover();
    return true;
  }
  if (waits.hoverId < 0 && candidate >= 0) {
    waits.hoverId = candidate;
    const platform::InputState& in = platform::inputState();
    out = EventResult{candidate, (in.leftDown || in.keyDown[kKeyReturn]) ? kKindDown : kKindEnter};
    return true;
  }
  return false;
}

void clickConsumed() {
  MessageState& ms = messageState();
  graphics::ReadingModes& modes = graphics::readingModes();
  waits.hoverId = -1;
  modes.fast = modes.skipMode;
  ms.showAll = false;
}

// Arrow keys step through the buttons in their order and put the cursor on the new one.
bool navigate(int key, EventResult& out) {
  int next = platform::neighbourButton(waits.hoverId, key == kKeyRight || key == kKeyDown ? 1 : -1);
  if (next < 0) return false;
  int cx = 0, cy = 0;
  platform::buttonCursorPoint(next, cx, cy);
  platform::moveCursor(cx, cy, 4, true);
  if (waits.hoverId >= 0) {
    out = leaveHover();
    return true;
  }
  return false;
}

// Handles one message; true when it makes an event.
bool messageEvent(platform::WindowMessage& msg, EventResult& out, std::string* dropTarget) {
  MessageState& ms = messageState();
  graphics::ReadingModes& modes = graphics::readingModes();
  using platform::MessageKind;
  MessageKind kind = msg.kind;
  msg.kind = MessageKind::None;
  switch (kind) {
    case MessageKind::LButtonDown: out = {waits.hoverId, kKindDown}; return true;
    case MessageKind::LButtonUp:
      out = {waits.hoverId, kKindUp};
      clickConsumed();
      return true;
    case MessageKind::RButtonDown: out = {kEventRightButton, kKindDown}; return true;
    case MessageKind::RButtonUp:
      if (modes.skipMode || modes.autoMode) {
        stopReadingModes();
        return false;  // the mode report follows
      }
      out = {kEventRightButton, kKindUp};
      return true;
    case MessageKind::MButtonDown: out = {kEventMiddleButton, kKindDown}; return true;
    case MessageKind::MButtonUp: out = {kEventMiddleButton, kKindUp}; return true;
    case MessageKind::Wheel: {
      int step = platform::wheelStep();
      if (step <= 0) return false;
      waits.wheelSum += msg.wheelDelta;
      if (waits.wheelSum >= step) {
        waits.wheelSum = 0;
        out = {waits.hoverId, kKindWheelAway};
        return true;
      }
      if (waits.wheelSum <= -step) {
        waits.wheelSum = 0;
        out = {waits.hoverId, kKindWheelTowards};
        modes.fast = modes.skipMode;
        ms.showAll = false;
        return true;
      }
      return false;
    }
    case MessageKind::KeyDown:
    case MessageKind::KeyUp: {
      bool down = kind == MessageKind::KeyDown;
      if (msg.key == kKeyReturn) {
        out = {waits.hoverId >= 0 ? waits.hoverId : kEventReturnKey, down ? kKindDown : kKindUp};
        if (!down) clickConsumed();
        return true;
      }
      if (msg.key == kKeyControl && down && ms.windowShown) {
        modes.fast = true;
        // Left pending, as a message wait leaves it: fast keeps the next eventwait from
        // discarding it, so every wait advances while Control stays the last message.
        msg.kind = kind;
        out = {kEventNoButton, kKindUp};
        return true;
      }
      if (msg.key >= kKeyLeft && msg.key <= kKeyDown) return down && navigate(msg.key, out);
      out = {-msg.key, down ? kKindDown : kKindUp};
      return true;
    }
    case MessageKind::SysKeyDown:
    case MessageKind::SysKeyUp:
      out = {msg.key == platform::kKeyF10 ? kEventF10Key : kEventAltKey,
             kind == MessageKind::SysKeyDown ? kKindDown : kKindUp};
      return true;
    case MessageKind::DropFile:
      out = {kEventDroppedFile, kEventDroppedFile};
      if (dropTarget) *dropTarget = msg.droppedPath.substr(0, 259);
      return true;
    default: return false;
  }
}

void cmdEventWait(const core::Arguments& args) {
  std::int32_t* result = &args.numberVariable(0);
  std::int32_t* kindVar = &args.numberVariable(1);
  const bool haveTimeout = args.given(2);
  const std::int32_t t32 = args.number(2);
  const std::uint32_t timeout = t32 > 0 ? static_cast<std::uint32_t>(t32) : 0;
  std::string* dropTarget = args.size() == 4 ? &args.stringVariable(3) : nullptr;

  MessageState& ms = messageState();
  graphics::ReadingModes& modes = graphics::readingModes();
  platform::WindowMessage& msg = record();
  if (!modes.fast) msg.kind = platform::MessageKind::None;
  EventResult e;
  auto before = [&] { return hoverTest(e) ? graphics::WaitStep::Done : graphics::WaitStep::Continue; };
  auto step = [&](graphics::WaitPass& pass) {
    using graphics::WaitStep;
    if (messageEvent(pass.message, e, dropTarget)) return WaitStep::Done;
    if (modes.modeChange != graphics::kNoModeChange) {
      e = {kEventModeChange, modes.modeChange - 1};
      modes.modeChange = graphics::kNoModeChange;
      return WaitStep::Done;
    }
    const std::uint32_t now = pass.now;
    if (modes.skipMode || (modes.autoMode && static_cast<std::int32_t>(now - ms.autoDeadline) >= 0)) {
      e = {kEventNoButton, kKindUp};
      modes.fast = modes.skipMode;
      ms.showAll = false;
      return WaitStep::Done;
    }
    if (int changes = platform::takeDisplayChanges()) {
      (void)changes;
      e = {kEventDisplayChange, platform::isFullScreen() ? 1 : 0};
      return WaitStep::Done;
    }
    if (haveTimeout && now - waits.eventBase >= timeout) {
      waits.eventBase = now;
      e = {kEventTimeOut, kEventTimeOut};
      return WaitStep::Done;
    }
    if (haveTimeout) pass.dueInMs = static_cast<int>(std::min<std::uint32_t>(timeout - (now - waits.eventBase), 1u << 30));
    if (modes.autoMode) pass.dueInMs = dueIn(pass.dueInMs, ms.autoDeadline - now);
    return WaitStep::Continue;
  };
  if (graphics::waitLoop(step, {before}) == graphics::WaitEnd::Quit) return;
  *result = e.result;
  *kindVar = e.kind;
}

constexpr core::CommandEntry kWaitCommands[] = {
    {"wait", cmdWait, nullptr, "n [n]"},
    {"waittimer", cmdWaitTimer, "waitTimer", "n [n]"},
    {"sleep", cmdSleep, nullptr, "n", core::ArgumentReading::Whole},
    {"resettimer", cmdResetTimer},
    {"gettimer", cmdGetTimer, "getTimer", "N", core::ArgumentReading::Whole},
    {"eventwait", cmdEventWait, "eventWait", "N N [n?] [S]", core::ArgumentReading::InTurn},
};

}  // namespace

std::span<const core::CommandEntry> waitCommands() { return kWaitCommands; }

}  // namespace text
