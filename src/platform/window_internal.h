// Platform functions that only start-up calls.
#pragma once
#include <vector>

#include "platform/scripted_input.h"

namespace platform {

// Queues the scripted events; their times count from the clock's start.
void startScriptedInput(std::vector<ScriptedEvent> events);

// Where the engine believes the cursor is, in stage pixels (set when it moves the cursor).
void setCursorState(int x, int y);

}  // namespace platform
