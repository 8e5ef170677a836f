// The timed wait that wait, waittimer and other waiting commands share.
#pragma once
#include <cstdint>

namespace text {

// Waits until `duration` ms after `start`, pumping messages: Tab, Shift and Control end it,
// Return and a click end it when `clickable`, a right click stops the reading modes.
// False when a quit arrived.
bool timedWait(std::uint32_t start, std::uint32_t duration, bool clickable);

}  // namespace text
