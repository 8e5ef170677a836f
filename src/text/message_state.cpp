#include "text/message_state.h"

namespace text {
namespace {
MessageState state;
}
MessageState& messageState() { return state; }
}  // namespace text
