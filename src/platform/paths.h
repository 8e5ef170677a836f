// Paths as scripts write them: CP932 bytes, "\" or "/" separators, the letter case of a
// Windows file system. Opening a file turns "\" into "/", tries the path as written, then
// resolves each component without regard to ASCII case. Names on disk are UTF-8.
#pragma once
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// True when the two names differ at most in the case of ASCII letters.
bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b);

// The disk form of a script path: "\" separators as "/", the name in UTF-8.
std::string toDiskText(std::string_view scriptPath);

// The existing file or folder the script path names, or nothing.
std::optional<std::filesystem::path> resolvePath(std::string_view scriptPath);

// Where a file of this script path should be written: the existing parent folder resolved
// as above, plus the last component as written. Nothing when the parent does not exist.
std::optional<std::filesystem::path> resolvePathForWrite(std::string_view scriptPath);

// Reads a whole file named by a script path; false when it cannot be opened or is a folder.
bool readWholeFile(std::string_view scriptPath, std::string& out);
bool readWholeFile(const std::filesystem::path& path, std::string& out);

enum class FileRead { Ok, Failed, TooLarge };

// Reads a whole file when it holds at most `limit` bytes; a larger one is refused before
// anything of its size is allocated.
FileRead readFileUpTo(const std::filesystem::path& path, std::string& out, std::uint64_t limit);

// Writes the bytes so that the file is whole or absent: a temporary file in the same folder,
// flushed, then renamed over the target.
bool writeFileAtomically(const std::filesystem::path& path, std::string_view bytes);

// Where a file the engine writes for itself (save games, the settings file, the
// already-read record, screenshots, Information.txt) lives, from its name relative to the
// game folder ("save/setting.dat"): the one place that decides which folder the engine
// writes to. Reading those files back goes through the same path. Below the game folder
// when it can be written, else below the per-user folder (platform/writable_path.h).
std::filesystem::path writableGamePath(std::string_view relative);

// The CP932 script name of a file name on disk (the reverse of the conversion above).
std::string diskNameToScript(const std::filesystem::path& name);

}  // namespace platform
