// Subroutine calls shared by the interpreter (text hooks, defined commands) and the
// control-flow commands, and the target filling that getparam and text's gettag share.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace core {

// Calls the subroutine at `labelText`, returning to the statement after the current one.
// Reports an unknown label and changes nothing.
void gosub(std::string_view labelText);

// Fills the targets of `args`, "ref [= default]" separated by commas, from the pieces of
// `source` cut at `sourceSeparator`: a missing piece takes the default, else "" or 0.
// Each faulty target is reported and skipped.
void fillTargets(std::string_view args, std::string_view source, char sourceSeparator);

// The position of the ")" closing the first "(" of an if or elseif argument text; npos when
// the condition group is missing or unclosed.
std::size_t conditionEnd(std::string_view args);

// Forgets pending subroutine returns and loops (loading a save game).
void clearControlStacks();

// Where the outermost pending subroutine call returns to (a save point inside subroutines
// resumes there); false when no call is pending. `line` and `statement` as jumpTo takes them.
bool outermostReturn(int& line, int& statement, std::uint32_t& fileKey);

}  // namespace core
