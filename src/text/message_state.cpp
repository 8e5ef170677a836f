#include "text/message_state.h"

namespace text {
namespace {
MessageState state;
}
MessageState& messageState() { return state; }

void restartRevealClock(MessageState& ms, std::uint32_t now) {
  ms.nextCharTime = now;
  ms.autoDeadline = 0;
  ms.autoCharWait = 0;
}
}  // namespace text
