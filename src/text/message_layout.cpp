#include "text/message_layout.h"

namespace text {

int showMessageLine(std::string_view line, int nextLineLength, int startOffset, platform::WindowMessage& msg) {
  // The message window, glyphs and reveal are not built yet: a text line is accepted and
  // the script goes on at once. The interpreter has already done the block bookkeeping
  // (speaker name, read state, hooks) that happens before this call.
  (void)line, (void)nextLineLength, (void)startOffset, (void)msg;
  return 1;
}

}  // namespace text
