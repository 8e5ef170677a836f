// `utsushi-pack new DIR`: a starter game that runs at once.
#pragma once
#include <filesystem>

namespace pack {

// Writes DIR/script/0.txt (CP932, commented for a first-time author), DIR/pic/bg.png,
// DIR/pic/window.png and DIR/se/chime.ogg. Refuses a DIR that exists and is not empty. Returns the exit status.
int newGame(const std::filesystem::path& dir);

}  // namespace pack
