// Frame pacing: presents are spaced so that n happen per second on the engine clock.
// Fractions of a millisecond are kept in a carry, so 60 frames a second alternate between
// 16 and 17 ms without drifting: with periodMs 50 and stepFrames 3, a frame is due when
// 3 x elapsed + carry >= 50.
#include <numeric>

#include "graphics/device_internal.h"
#include "platform/clock.h"

namespace graphics::detail {

void setPacingRate(Pacing& p, int framesPerSecond) {
  // A display that cannot tell its rate (0, or 1 for "the driver's default") gets the
  // common 60 Hz, so that the wait always ends.
  int n = framesPerSecond > 1 ? framesPerSecond : 60;
  int g = std::gcd(1000, n);
  p.periodMs = static_cast<std::uint32_t>(1000 / g);
  p.stepFrames = static_cast<std::uint32_t>(n / g);
}

void waitForFrame(Pacing& p) {
  if (!p.started) {
    // The pacing's clock starts at the first present: the first frame shows at once.
    p.started = true;
    p.lastMs = platform::tickMs();
    p.carry = 0;
    return;
  }
  std::uint32_t now;
  std::int64_t elapsedUnits;
  for (;;) {
    now = platform::tickMs();
    elapsedUnits = static_cast<std::int64_t>(p.stepFrames) * static_cast<std::uint32_t>(now - p.lastMs);
    if (elapsedUnits + p.carry >= static_cast<std::int64_t>(p.periodMs)) break;
    platform::sleepMs(1);
  }
  p.lastMs = now;
  p.carry += elapsedUnits - static_cast<std::int64_t>(p.periodMs);
  // A long frame (a load, a dialog) must not buy a burst of unpaced frames afterwards.
  if (p.carry > static_cast<std::int64_t>(p.periodMs)) p.carry = 0;
}

int framesDueIn(const Pacing& p) {
  if (!p.started || p.stepFrames == 0) return 0;
  const std::int64_t needed = static_cast<std::int64_t>(p.periodMs) - p.carry;
  const std::int64_t elapsed = static_cast<std::uint32_t>(platform::tickMs() - p.lastMs);
  const std::int64_t wait = (needed + p.stepFrames - 1) / p.stepFrames - elapsed;
  return wait > 0 ? static_cast<int>(wait) : 0;
}

}  // namespace graphics::detail
