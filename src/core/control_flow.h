// Subroutine calls shared by the interpreter (text hooks, defined commands) and the
// control-flow commands.
#pragma once
#include <string_view>

namespace core {

// Calls the subroutine at `labelText`, returning to the statement after the current one.
// Reports an unknown label and changes nothing.
void gosub(std::string_view labelText);

// Forgets pending subroutine returns and loops (loading a save game).
void clearControlStacks();

}  // namespace core
