// Taking the snapshot of a save point from the running subsystems: sprites with their
// animation lists, sounds, the backlog, the message window and fonts, the place in the
// script to resume at and the "g_" variables. Main thread.
#pragma once
#include "saves/save_data.h"

namespace saves {

SaveData captureState();

}  // namespace saves
