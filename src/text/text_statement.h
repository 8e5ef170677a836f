// The text statement: a script line of message text, from the speaker name that opens a
// block through the already-read mark and the text hooks to the layout. It keeps its state in
// text's record (text_state.h) and tells the interpreter only where to go next.
#pragma once
#include <string>

#include "core/interpreter.h"

namespace text {

// Shows the text statement of `line` (the current line of the running file) and tells the
// interpreter what to do next. Registered with core::setTextStatementHandler at start-up.
core::TextOutcome runTextStatement(const std::string& line);

}  // namespace text
