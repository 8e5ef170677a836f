// `utsushi --list-commands`, read by the generator of docs/commands.md.
#pragma once

namespace app {

// Every command in table order, one a line: name, error name, least and most arguments,
// separated by tabs (a count is empty when the handler applies a rule of its own).
int listCommands();

}  // namespace app
