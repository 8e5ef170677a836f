// Laying out and revealing one line of message text.
#pragma once
#include <string_view>
#include <vector>

#include "platform/window.h"

namespace text {

// Shows `line` from byte `startOffset` (then the interpreter's start offset is cleared);
// `nextLineLength` is the byte length of the script's following line (0 at the end of a
// file). Returns 0 when the program must quit, else 1.
int showMessageLine(std::string_view line, int nextLineLength, int startOffset, platform::WindowMessage& msg);

// Where each character of a ruby text goes over a base of `baseColumns` half-width columns
// that starts at x = baseLeft, with a column pitch of `pitch`: characters spread evenly,
// full-width ones a pitch apart. A full-width space keeps its place but gets no entry.
struct RubyGlyph {
  int x = 0;
  unsigned char lead = 0, trail = 0;  // lead 0 for a one-byte character
};
std::vector<RubyGlyph> placeRuby(std::string_view ruby, int baseLeft, int baseColumns, int pitch);

}  // namespace text
