// The engine's life: start-up in its fixed order, the interpreter loop, shut-down.
#pragma once
#include <filesystem>
#include <vector>

namespace app {

// Runs the game in the working folder with the options already set. Returns the process
// exit status: 0 when the script ends, `end` runs or the window closes; 1 when start-up fails.
int runEngine();

// A start that found no game (no script.sbx, no script folder): says so (box and stderr), naming the folders searched and
// how to name a game folder. Returns the exit status of a failed start.
int reportNoGame(const std::vector<std::filesystem::path>& searched);

}  // namespace app
