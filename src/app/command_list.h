// `utsushi --list-commands`, read by the generator of docs/commands.md.
#pragma once

namespace app {

// Every command in table order, one a line: name, error name, least and most arguments,
// separated by tabs (both counts are empty when the handler applies a rule of its own; the
// most alone is empty for a command that takes any number from its least on).
int listCommands();

}  // namespace app
