// The command tables of the window and input subsystem.
#pragma once
#include <optional>
#include <span>
#include <string>

#include "core/command_registry.h"
#include "platform/cursor_file.h"

namespace platform {

std::span<const core::CommandEntry> inputCommands();    // isdown getcursorpos setcursorpos setcursor btnerase btnclear
std::span<const core::CommandEntry> displayCommands();  // setfullscreen getfullscreen setwindowtext setwallpaper

// A picture file made into a cursor frame with its hot spot at the top-left pixel; nothing
// after the image loader has reported the failure.
std::optional<CursorFrame> loadCursorPicture(const std::string& name);

}  // namespace platform
