// The two places where the message layout hands time to the reader: the pause between
// revealed characters and the click or page wait. Both pump the window messages through
// the interpreter's message record, which keeps the last message taken until a newer one
// arrives: a message a loop does not consume is seen again by its later passes.
#pragma once

namespace text {

enum WaitKind : int { kNoWait = 0, kClickWait = 1, kPageWait = 2 };

// Until the tick reaches nextCharTime: Control held switches to fast display, a click or
// Return shows the rest of the text, a right click stops the reading modes, the wheel
// towards the reader shows the rest. Ends early once the rest is to appear at once.
// False when the program must quit.
bool revealPause();

// A click or page wait in the message window (without the text hook). Skip mode advances at
// once; auto mode when the tick reaches autoDeadline. False when the program must quit.
bool messageWait();

}  // namespace text
