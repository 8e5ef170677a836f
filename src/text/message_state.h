// The reading-mode flags and reveal clock that the message layout, waits, sprites,
// transitions and the window share.
#pragma once
#include <cstdint>

namespace text {

struct MessageState {
  bool skipMode = false;
  bool autoMode = false;
  bool alreadyReadStop = false;  // setalreadyread: leaving read text stops skip mode
  bool modeChange = false;       // a reading mode changed since eventwait last looked
  std::uint32_t nextCharTime = 0;  // tick at which the next character is revealed
  std::uint32_t autoDeadline = 0;
  int pitchX = 26;  // full-width character pitch, also the message font height
};

MessageState& messageState();

}  // namespace text
