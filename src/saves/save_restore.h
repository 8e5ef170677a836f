// Loading a save game into the running subsystems: the reset that comes first, then the
// records put back. Main thread, from the loadgame command.
#pragma once
#include "saves/save_data.h"

namespace saves {

// Empties what a save game replaces: message text and reading modes, the text-block state,
// subroutine and loop stacks, buttons, "g_" variables, the ten sound streams and every
// sprite. Runs only after the save text has been read and checked, so a damaged save leaves
// the running game as it was.
void resetForLoad();

// Puts the records back and moves the script to the saved position (the interpreter
// continues there after the current statement). The comment is the caller's. Sounds resume
// at their saved samples when `soundsFromSample`, else at their restart positions.
void restoreState(const SaveData& data, bool soundsFromSample);

}  // namespace saves
