// The command-line faces of the checker and of the command list.
#pragma once

namespace check {

// `utsushi --check`: checks the game in the working folder, prints one "FILE:LINE: message"
// line per finding and a count to stdout. Returns 0 when clean, 1 when anything was found.
int runCheck();

// `utsushi --list-commands`: every registered command in table order, one a line:
// name, error name, least and most arguments, separated by tabs (empty when not known).
int listCommands();

}  // namespace check
