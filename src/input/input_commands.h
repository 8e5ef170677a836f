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

// A picture file made into a cursor frame with its hot spot at the top-left pixel; nothing
// after the image loader has reported the failure.
std::optional<platform::CursorFrame> loadCursorPicture(const std::string& name);

}  // namespace input
