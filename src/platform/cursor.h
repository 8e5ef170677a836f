// The mouse cursor in stage coordinates: reading it, moving it at once or in a glide, and
// the wheel step that turns wheel deltas into script events.
#pragma once
#include <string>

namespace platform {

// The cursor in stage pixels, as the engine last saw it.
void logicalCursorPos(int& x, int& y);

// Moves the cursor to (x, y): stage pixels when `logical`, else window client pixels.
// Speed 0 jumps; 1..8 glide, taking speed x distance / 8 ms and easing out. A glide already
// running is finished first.
void moveCursor(int x, int y, int speed, bool logical);

// True while a glide has not reached its target. Gliding advances with the clock: every
// message pump moves the cursor along.
bool glideRunning();
void advanceGlide();

// A custom cursor: shown over the window from now on, animated when it has several steps.
// An empty animation returns to the standard arrow.
struct CursorAnimation;
void setCustomCursor(const CursorAnimation& cursor);
void clearCustomCursor();
// setcursor's work: a .cur or .ani file, or any picture, from disk or the archive; an empty
// name returns to the arrow. False after reporting why it could not be read.
bool setCursorFromFile(const std::string& name);
void advanceCursorAnimation();
// Ms until the glide or the cursor animation next moves (0: at once), -1 when neither runs.
int msUntilCursorStep();

// Wheel delta that makes one wheel event: 120 / the scroll lines a notch (3 here).
int wheelStep();

}  // namespace platform
