#include "platform/clock.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace platform {
namespace {

constexpr std::uint32_t kVirtualStart = 100000;

struct Clock {
  std::atomic<bool> virtualMode{false};
  std::atomic<std::uint32_t> virtualNow{kVirtualStart};
  std::chrono::steady_clock::time_point origin = std::chrono::steady_clock::now();
  std::uint32_t originTick = 0;
} clock;

std::uint32_t realTick() {
  auto elapsed = std::chrono::steady_clock::now() - clock.origin;
  return clock.originTick +
         static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
}

}  // namespace

void useVirtualClock(bool on) {
  clock.virtualMode = on;
  clock.virtualNow = kVirtualStart;
  clock.origin = std::chrono::steady_clock::now();
  // The real clock also starts at a fixed, non-zero tick: scripts keep ticks in 32-bit
  // variables and a small start value keeps their arithmetic far from overflow.
  clock.originTick = kVirtualStart;
}

bool isVirtualClock() { return clock.virtualMode; }

std::uint32_t tickMs() { return clock.virtualMode ? clock.virtualNow.load() : realTick(); }

void sleepMs(std::uint32_t ms) {
  if (clock.virtualMode) {
    clock.virtualNow += ms;
    // Other threads (sound workers) still need the processor while the main thread "sleeps".
    std::this_thread::yield();
    return;
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

std::uint32_t startTickMs() { return clock.originTick ? clock.originTick : kVirtualStart; }

}  // namespace platform
