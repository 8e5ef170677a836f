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
}  // namespace text
