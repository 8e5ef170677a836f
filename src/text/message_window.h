// The message window's page operations, shared by its commands, the layout and save loading.
#pragma once

namespace text {

// textclear: the backlog moves to a fresh page, line and stopKind go back to 0, the message
// and ruby glyphs of the page are released and one frame is shown.
void clearPage();
// br: the next text starts at the beginning of a new line.
void lineBreak();

}  // namespace text
