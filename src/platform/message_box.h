// Modal message boxes. With --no-dialogs each box is one stderr line instead:
// the caption, ": ", and the text in UTF-8 with line breaks written as blanks.
#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace platform {

enum class BoxIcon { Error, Warning, Information };

// `text` and `caption` are CP932.
void showMessageBox(std::string_view caption, std::string_view text, BoxIcon icon);

// While `texts` is set, each box's text (CP932) is appended there instead of being shown:
// tools that load a game without a window collect what loading reports. Null restores boxes.
void divertMessageBoxes(std::vector<std::string>* texts);

// A yes/no question; answered yes with --no-dialogs.
bool askYesNo(std::string_view caption, std::string_view text);

// Puts the last presented frame back into the window; called while a box is up, since the
// window gets no frame then and loses what the box (or anything else) covered.
void setModalRepaint(void (*repaint)());

}  // namespace platform
