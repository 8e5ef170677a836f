#include "text/message_state.h"

#include <cstdint>

namespace text {
namespace {
MessageState state;
}
MessageState& messageState() { return state; }

void setAutoWaitBase(MessageState& ms, int base) {
  ms.autoWaitBase = base;
  ms.autoWaitPerChar = static_cast<int>(static_cast<std::int64_t>(base) * 100 / 2000);
}

void restartRevealClock(MessageState& ms, std::uint32_t now) {
  ms.nextCharTime = now;
  ms.autoDeadline = 0;
  ms.autoCharWait = 0;
}
}  // namespace text
