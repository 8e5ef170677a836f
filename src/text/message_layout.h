// Laying out and revealing one line of message text.
#pragma once
#include <string_view>
#include <vector>

#include "platform/window.h"

namespace text {

// Where a line begins: its start offset (after a speaker's name), plus where and at which
// column the text hook stopped it when it runs again; with the hook on, a wait is handed to
// the hook instead of waiting.
struct LineStart {
  int offset = 0;
  int resumePosition = 0;
  int resumeColumn = 0;
  bool textHook = false;
};

// How a line ended: the program must quit, or a wait went to the text hook (its kind, and
// where the line goes on when it runs again: position 0 when the wait was its last text).
struct LineOutcome {
  bool quit = false;
  int stopKind = 0;  // kClickWait, kPageWait; 0 when no wait was handed over
  int resumePosition = 0;
  int resumeColumn = 0;
};

// Shows `line` from `start`; `nextLineLength` is the byte length of the script's following
// line (0 at the end of a file). `msg` is the interpreter's message record.
LineOutcome showMessageLine(std::string_view line, int nextLineLength, const LineStart& start, platform::WindowMessage& msg);

// Where each character of a ruby text goes over a base of `baseColumns` half-width columns
// that starts at x = baseLeft, with a column pitch of `pitch`: characters spread evenly,
// full-width ones a pitch apart. A full-width space keeps its place but gets no entry.
struct RubyGlyph {
  int x = 0;
  unsigned char lead = 0, trail = 0;  // lead 0 for a one-byte character
};
std::vector<RubyGlyph> placeRuby(std::string_view ruby, int baseLeft, int baseColumns, int pitch);

}  // namespace text
