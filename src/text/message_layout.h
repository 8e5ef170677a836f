// Laying out and revealing one line of message text.
#pragma once
#include <string_view>

#include "platform/window.h"

namespace text {

// Shows `line` from byte `startOffset`; `nextLineLength` is the byte length of the script's
// following line (0 at the end of a file). Returns 0 when the program must quit, else 1.
int showMessageLine(std::string_view line, int nextLineLength, int startOffset, platform::WindowMessage& msg);

}  // namespace text
