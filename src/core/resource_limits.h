// The largest things the engine accepts from outside: every reader checks the size a file
// or its header claims against these before it allocates anything of that size, and refuses
// what is larger with a message that names the file and the limit. Each limit lies far above
// anything a real game ships, and low enough that one bad file cannot exhaust memory.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/cursor_file.h"

namespace core {

// One script file, as text (a packed entry after inflating). A long game is a few MiB.
inline constexpr std::uint64_t kLargestScriptBytes = std::uint64_t{32} << 20;
// zlib inflates one byte to at most 1032; a packed entry claiming more is damaged.
inline constexpr std::uint64_t kLargestInflateRatio = 1032;
// A picture file's bytes, and a decoded picture's pixels (8192 x 8192, 256 MiB as BGRA).
inline constexpr std::uint64_t kLargestPictureFileBytes = std::uint64_t{256} << 20;
inline constexpr std::int64_t kLargestPicturePixels = std::int64_t{1} << 26;
// A sound file is held whole in memory while it plays (an hour of music is ~60 MiB).
inline constexpr std::uint64_t kLargestSoundFileBytes = std::uint64_t{1} << 30;
// A save game, the settings or the already-read record as text, after inflating. A save
// with a full backlog and every variable set is well under 1 MiB.
inline constexpr std::uint64_t kLargestSaveText = std::uint64_t{64} << 20;
// Such a file on disk: the text limit, plus the length field and what zlib adds to text it
// cannot shrink (under 0.1%); a plain-text save holds its text as it is.
inline constexpr std::uint64_t kLargestSaveFileBytes = std::uint64_t{65} << 20;
static_assert(kLargestSaveText + kLargestSaveText / 1024 + 4 + 64 <= kLargestSaveFileBytes,
              "every text the writer packs is read back");
// One movie frame's JPEG data: the player's frame buffer. A chunk claiming more is skipped.
inline constexpr std::uint32_t kLargestMovieChunkBytes = 1048576;
// A cursor file (.cur/.ani); its pictures are at most 256 x 256.
inline constexpr std::uint64_t kLargestCursorFileBytes = std::uint64_t{16} << 20;
inline constexpr int kLargestCursorSide = platform::kLargestCursorSide;

// A font file read from the game (a full CJK face is 10-30 MiB).
inline constexpr std::uint64_t kLargestFontFileBytes = std::uint64_t{256} << 20;
// A file a script reads into a string variable or a list of lines.
inline constexpr std::uint64_t kLargestTextFileBytes = std::uint64_t{32} << 20;

// The steps a reader can go back through, held in memory while the game runs: the oldest go
// first when either bound is reached. A step of a page with a full backlog is some 50 KiB.
inline constexpr std::size_t kRollbackSteps = 200;
inline constexpr std::uint64_t kLargestRollbackBytes = std::uint64_t{32} << 20;

// "32 MiB", "1 GiB" or "4096 bytes": how a message states a limit.
std::string describeByteCount(std::uint64_t bytes);

// The refusal: NAME, then "is too large (the limit is N)" in the engine's language.
std::string tooLargeMessage(std::string_view name, std::uint64_t limit);

}  // namespace core
