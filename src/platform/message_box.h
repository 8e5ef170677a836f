// Modal message boxes. With --no-dialogs each box is one stderr line instead:
// the caption, ": ", and the text in UTF-8 with line breaks written as blanks.
#pragma once
#include <string_view>

namespace platform {

enum class BoxIcon { Error, Warning, Information };

// `text` and `caption` are CP932.
void showMessageBox(std::string_view caption, std::string_view text, BoxIcon icon);

// A yes/no question; answered yes with --no-dialogs.
bool askYesNo(std::string_view caption, std::string_view text);

}  // namespace platform
