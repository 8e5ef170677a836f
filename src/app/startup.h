// The engine's life: start-up in its fixed order, the interpreter loop, shut-down.
#pragma once

namespace app {

// Runs the game in the working folder with the options already set. Returns the process
// exit status: 0 when the script ends, `end` runs or the window closes; 1 when start-up fails.
int runEngine();

}  // namespace app
