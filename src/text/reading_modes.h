// The reader's modes (skip, auto, fast) and the effect flags, switched by keys in the window
// procedure and by script commands.
#pragma once

namespace text {

// Skip on: skip and fast on, auto off, report "skip"; off: skip and fast off, report "normal".
void setSkipMode(bool on);
// Auto on: auto on, skip and fast off, report "auto"; off: all three off, report "normal".
void setAutoMode(bool on);
// The Tab and Shift keys: only while the message window is shown.
void toggleSkipModeByKey();
void toggleAutoModeByKey();
// A right click during a wait: every mode off, report "normal".
void stopReadingModes();

}  // namespace text
