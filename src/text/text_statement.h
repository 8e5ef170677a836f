// The text statement: a script line of message text, from the speaker name that opens a
// block through the already-read mark and the text hooks to the layout.
#pragma once
#include <string>

#include "core/interpreter.h"

namespace text {

// Shows the text statement of `line` (the current line of the running file) and tells the
// interpreter what to do next. Registered with core::setTextStatementHandler at start-up.
core::TextOutcome runTextStatement(const std::string& line);

// A text block is being shown: its line is on its way, the pre-text hook runs before its
// first line, or the text hook waits in its middle. A save point taken now resumes at the
// block's start and leaves out the page, which is shown again; otherwise the page is done
// with (written by setlog, or a block that has ended) and belongs to the backlog.
bool textBlockInProgress();

}  // namespace text
