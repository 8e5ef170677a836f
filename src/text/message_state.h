// The message window's state: its geometry, text speed and auto wait, the current line and
// the reveal clock. The reader's modes (skip, auto, fast, the effect flags) are graphics'
// ReadingModes. One record for the program; main thread only.
#pragma once
#include <cstdint>

namespace text {

struct MessageState {
  bool showAll = false;      // the rest of the current text appears at once
  bool windowShown = true;   // the message window is visible
  std::uint32_t nextCharTime = 0;  // tick at which the next character is revealed
  std::uint32_t autoDeadline = 0;  // tick at which auto mode advances a message wait
  // The per-character auto waits of the characters revealed since the last wait (or since
  // the block began): the next wait's deadline is its tick + autoWaitBase + this.
  std::uint32_t autoCharWait = 0;

  // Window geometry (setwindow). The layout works in half-width columns: 2 x charsPerLine.
  int originX = 8, originY = 16;  // screen position of the first column and line
  int charsPerLine = 23;          // line width in full-width characters
  int lineCount = 16;             // stored and returned; the layout does not enforce it
  int pitchX = 26;                // full-width character pitch, also the message font height
  int pitchY = 26;                // line height without spacing
  int extraX = 0;                 // added to pitchX before halving for the column pitch
  int lineSpacing = 2;            // added to pitchY for the line advance
  // The log window geometry (setlogwindow), used by logsp.
  int logPitchX = 26, logPitchY = 26, logExtraX = 0, logLineSpacing = 2;

  int textSpeed = 20, defaultTextSpeed = 20;  // ms a character; 0 shows a line at once
  int autoWaitBase = 400, defaultAutoWaitBase = 400;
  int autoWaitPerChar = 20;  // base x 100 / 2000 whenever the base changes
  int windowAlpha = 80;      // 0..100, only stored

  int line = 0;    // current line on the page, from 0; not limited by lineCount
  int indent = 0;  // 0 or 2: column at which wrapped lines of the current text line start
  int lineNullJoined = 0, lineNullEmpty = 0;  // wait at a line's end: 0 none, 1 click, 2 page
  int indentBracket = 0, indentPlain = 0;     // autoindent
  bool lineBreakPending = false;              // br ran: the layout restarts the column
  int wheelAccumulator = 0;                   // running sum of wheel deltas in message waits
};

MessageState& messageState();

// Sets the auto-mode base wait and the per-character wait that goes with it: base x 100 / 2000,
// worked out in 64 bits so that no base overflows.
void setAutoWaitBase(MessageState& ms, int base);

// The reveal clock starts at this tick and no auto-mode wait is counted: a block's first
// text, a page's first text, a line continued after the text hook and the text after a wait
// the layout ended itself.
void restartRevealClock(MessageState& ms, std::uint32_t now);

}  // namespace text
