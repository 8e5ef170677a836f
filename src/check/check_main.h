// The command-line face of the checker.
#pragma once

namespace check {

// `utsushi --check`: checks the game in the working folder (the command registry filled),
// prints one "FILE:LINE: message" line per finding and a count to stdout. Returns 0 when
// clean, 1 when anything was found.
int runCheck();

}  // namespace check
