// Where the engine writes the game's own files: saves, settings, the already-read record,
// screenshots and Information.txt. A game installed read-only (under /usr/share/games, on a
// read-only mount, owned by another user) keeps them in a per-user folder instead, under the
// same relative names, so that every writer and the reader that loads the file back agree.
#pragma once
#include <filesystem>
#include <string_view>

namespace platform {

// writableGamePath (declared in platform/paths.h, where every writer finds it) is built
// here: below the game folder when the game folder can be written, else below
// perUserFolder() with the same relative name, its folders created. Absolute paths and
// paths leading out of the game folder ("..") stay as they are.

// $XDG_DATA_HOME/utsushi/<game folder name>/ ($HOME/.local/share when XDG_DATA_HOME is unset
// or not absolute), for the game folder of this run.
std::filesystem::path perUserFolder();

}  // namespace platform
