// `utsushi --list-commands`, read by the generator of docs/commands.md.
#pragma once

namespace app {

// Every command in table order, one a line: name, error name, least and most arguments and
// the argument signature, separated by tabs (both counts are empty when the command has no
// signature or reads its whole text as one argument; the most alone is empty for a command
// that takes any number from its least on; the signature is empty when there is none).
int listCommands();

}  // namespace app
