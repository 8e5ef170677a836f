// Translation of SDL key codes to Windows virtual-key numbers, which scripts see through
// eventwait, and of the key names used by scripted input.
#pragma once
#include <string_view>

namespace platform {

// The Windows virtual-key numbers the engine itself reacts to (scripts see all of them).
constexpr int kKeyTab = 9, kKeyReturn = 13, kKeyShift = 16, kKeyControl = 17, kKeyAlt = 18, kKeyEscape = 27,
              kKeySpace = 32, kKeyLeft = 37, kKeyUp = 38, kKeyRight = 39, kKeyDown = 40, kKeyF10 = 121;

// 0 when the key has no virtual-key number.
int virtualKeyFromSdl(int sdlKeycode);
// The SDL key code for a scripted key name (return, escape, tab, space, control, shift,
// up, down, left, right, f10, a..z, 0..9); 0 for an unknown name.
int sdlKeyFromName(std::string_view name);

}  // namespace platform
