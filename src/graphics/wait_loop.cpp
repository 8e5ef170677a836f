#include "graphics/wait_loop.h"

#include <algorithm>

#include "core/interpreter.h"
#include "graphics/device.h"
#include "graphics/frame.h"
#include "graphics/sprites.h"
#include "platform/clock.h"
#include "platform/window_procedure.h"

namespace graphics {
namespace {

// The longest sleep between passes with nothing due: requests from a second instance of the
// game arrive on a socket the message queue does not watch.
constexpr std::uint32_t kLongestRestMs = 250;

int earliest(int a, int b) {
  if (a < 0) return b;
  if (b < 0) return a;
  return std::min(a, b);
}

// Between two passes. The virtual clock moves a millisecond, as it always has; the real
// clock sleeps in the message queue until a message comes or the first timed thing is due.
void rest(const WaitPass& pass, bool frames) {
  core::noteWaitRest(pass.now);
  if (platform::isVirtualClock() || pass.again) {
    platform::sleepMs(1);
    return;
  }
  int due = pass.dueInMs;
  if (frames) {
    int animation = msUntilAnimationStep();
    // A moving picture is drawn at the next frame the pacing allows.
    if (animation == 0 && hasDevice()) animation = msUntilFrameDue();
    due = earliest(due, animation);
  }
  std::uint32_t timeout = platform::msUntilWindowDue(kLongestRestMs);
  if (due >= 0) timeout = std::min(timeout, static_cast<std::uint32_t>(due));
  // Never spin: a pass that found its time not quite come sleeps at least a millisecond.
  platform::waitForMessage(std::max<std::uint32_t>(timeout, 1));
}

bool pump(platform::WindowMessage& msg) {
  if (platform::pumpMessage(msg) != 0) return true;
  core::interpreter().quitRequested = true;
  return false;
}

}  // namespace

WaitEnd waitLoop(const WaitStepFunction& step, const WaitOptions& options) {
  platform::WindowMessage& msg = core::interpreter().message;
  for (;;) {
    if (options.before && options.before() == WaitStep::Done) return WaitEnd::Done;
    if (!pump(msg)) return WaitEnd::Quit;
    WaitPass pass{msg, platform::tickMs()};
    if (step(pass) == WaitStep::Done) return WaitEnd::Done;
    if (options.frames) waitFrame(pass.changed, pass.drawer, pass.elapsed, pass.duration);
    rest(pass, options.frames);
  }
}

bool serviceWindow() {
  if (platform::keepWindowAlive(core::interpreter().message) == 0) {
    core::interpreter().quitRequested = true;
    return false;
  }
  const std::uint32_t before = platform::tickMs();
  renderFrame();
  // Without a device nothing paces the frame: the virtual clock moves by one frame's time,
  // so a script that never waits still reaches --exit-after.
  if (platform::isVirtualClock() && platform::tickMs() - before < 16) platform::sleepMs(16 - (platform::tickMs() - before));
  core::noteWaitRest(platform::tickMs());
  return true;
}

}  // namespace graphics
