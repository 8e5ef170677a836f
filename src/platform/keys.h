// Translation of SDL key codes to Windows virtual-key numbers, which scripts see through
// eventwait, and of the key names used by scripted input.
#pragma once
#include <string_view>

namespace platform {

// 0 when the key has no virtual-key number.
int virtualKeyFromSdl(int sdlKeycode);
// The SDL key code for a scripted key name (return, escape, tab, space, control, shift,
// up, down, left, right, f10, a..z, 0..9); 0 for an unknown name.
int sdlKeyFromName(std::string_view name);

}  // namespace platform
