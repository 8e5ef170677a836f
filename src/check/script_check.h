// `utsushi --check`: finds mistakes in a game's script without running it. The script is
// loaded as start-up loads it (same sources, line splitting and label scan); no window,
// sound or drawing is started. Only literal arguments are checked: expressions that use
// variables are not evaluated.
#pragma once
#include <string>
#include <vector>

namespace check {

struct Finding {
  std::string file;     // as the script names it, UTF-8
  int line = 0;         // 1-based; 0 for a finding about the whole file or game
  std::string message;  // UTF-8
};

// Checks the game in the working folder against the commands in the registry (filled by the
// caller); findings in load order of the files, by line.
std::vector<Finding> checkGame();

// "FILE:LINE: message" (or "FILE: message" without a line).
std::string formatFinding(const Finding& f);

}  // namespace check
