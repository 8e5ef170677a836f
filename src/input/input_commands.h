// The script commands of input and the window: the reader's input devices, the cursor
// picture, full screen, the window title and the wallpaper. They drive platform/ from above,
// as any subsystem's commands drive it.
#pragma once
#include <optional>
#include <span>
#include <string>

#include "core/command_registry.h"
#include "platform/cursor_file.h"

namespace input {

std::span<const core::CommandEntry> inputCommands();    // isdown getcursorpos setcursorpos setcursor btnerase btnclear
std::span<const core::CommandEntry> displayCommands();  // setfullscreen getfullscreen setwindowtext setwallpaper

// setcursor's work: a .cur or .ani file, or any picture, from disk or the archive; an empty
// name returns to the arrow. False after reporting why it could not be read.
bool setCursorFromFile(const std::string& name);

// A picture file made into a cursor frame with its hot spot at the top-left pixel; nothing
// after the image loader has reported the failure.
std::optional<platform::CursorFrame> loadCursorPicture(const std::string& name);

}  // namespace input
