// The already-read record on disk: save/already.dat, written with the settings file by the
// same routine. Its text is text/already_read.h's.
#pragma once
#include <string>
#include <string_view>

namespace saves {

// The container: 32-bit little-endian length of the text, then the text as one zlib stream.
std::string packAlreadyRead(std::string_view text);
// False for a container that does not hold a whole stream of its declared length.
bool unpackAlreadyRead(std::string_view file, std::string& text);

// Start-up, after the script files are loaded: reads save/already.dat when it exists and
// reports each unknown file key. A file that cannot be read or unpacked is ignored.
void loadAlreadyRead();
// Shut-down: writes save/already.dat whole or not at all.
void saveAlreadyRead();

}  // namespace saves
