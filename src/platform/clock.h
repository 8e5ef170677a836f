// The one millisecond clock behind every wait, animation and transition.
// Real mode follows the monotonic system clock; virtual mode (tests) starts at 100000 and
// moves only when the engine sleeps, so runs are fast and repeatable.
#pragma once
#include <cstdint>

namespace platform {

void useVirtualClock(bool on);
bool isVirtualClock();
std::uint32_t tickMs();          // wraps like a 32-bit millisecond counter
void sleepMs(std::uint32_t ms);  // virtual mode: advances the clock at once
std::uint32_t startTickMs();     // the tick at which the clock was set up

}  // namespace platform
