// The two ways the engine reports a fault to the author: the error box, and the script
// error that names file, line and command. Neither stops the script.
#pragma once
#include <string>
#include <string_view>

namespace core {

// A modal box captioned "Error" (one stderr line with --no-dialogs). `text` is CP932.
void showErrorBox(std::string_view text);

// file + "[" + line + 1 + "] " + current command name + " ※" + message, in the error box.
void reportCommandError(std::string_view message);

// The name errors of the running command are reported under; runCommand writes it from
// the command's table entry, helpers shared by several commands write their own.
// Kept to 31 bytes, as the name buffer holds.
void setCommandName(std::string_view displayName);
const std::string& currentCommandName();

// The name of the running file in messages: "script/0.txt" in the main slot, else the
// secondary file's name.
std::string currentFileDisplayName();

}  // namespace core
