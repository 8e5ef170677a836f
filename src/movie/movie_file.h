// The movie container: a 44-byte header, the sound track (a whole Ogg Vorbis file) stored
// as it is, then timestamped chunks of JPEG frames up to an end tag. All integers are
// unsigned 32-bit little-endian.
//
//   0  "MJPG"   4 spare(16)   20 rate   24 scale   28 width   32 height   36 spare
//   40 sound track length (0: none)   44 the sound track   44 + length: chunks
//   chunk: tag "00dc" (a frame) or "EOF " (the end), timestamp ms, data length d, d bytes
//
// Reading is pure functions over the file's bytes: nothing here reads past the span it is
// given, whatever the lengths inside the file say. Writing serves the packer and tests.
#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "core/resource_limits.h"

namespace movie {

constexpr std::size_t kHeaderBytes = 44;
constexpr std::size_t kChunkHeadBytes = 12;

struct MovieHeader {
  std::uint32_t rate = 0;
  std::uint32_t scale = 0;  // frame period = ceil(scale x 1000 / rate) ms
  std::uint32_t width = 0, height = 0;
  std::uint32_t soundLength = 0;  // bytes of the sound track at offset 44
};

// The header of a movie file, or nothing with the reason in `why`: no "MJPG", a file shorter
// than the header, a rate of 0 (no frame period), or a sound track running past the end.
std::optional<MovieHeader> parseMovieHeader(std::span<const std::uint8_t> file, std::string& why);

// ceil(scale x 1000 / rate) in milliseconds; 64-bit, as a large scale overflows 32 bits.
std::uint64_t framePeriodMs(const MovieHeader& header);
// Where the first chunk begins.
constexpr std::uint64_t firstChunkOffset(const MovieHeader& header) { return kHeaderBytes + header.soundLength; }

enum class ChunkKind {
  Frame,   // "00dc"
  End,     // "EOF "
  Broken,  // the tag cannot be read (the file ends) or is neither of the two
};

struct Chunk {
  ChunkKind kind = ChunkKind::Broken;
  std::uint32_t time = 0;    // ms from the start of playback
  std::uint32_t length = 0;  // d as written; 0 holds the previous picture
  std::uint64_t data = 0;    // offset of the d bytes
  std::uint64_t next = 0;    // offset of the following chunk (may lie past the end)
  bool complete = false;     // the d bytes lie wholly inside the file
};

// The chunk at offset `pos` (any value; past the end gives Broken).
Chunk readChunk(std::span<const std::uint8_t> file, std::uint64_t pos);

// The d bytes of a complete chunk.
std::span<const std::uint8_t> chunkData(std::span<const std::uint8_t> file, const Chunk& chunk);

// What a walk over every chunk finds (the packer's listing, and tests).
struct MovieSummary {
  std::size_t chunks = 0;       // chunks read before the end tag or a broken one
  std::size_t frames = 0;       // chunks with data
  std::size_t holds = 0;        // chunks of length 0
  std::size_t oversized = 0;    // longer than core::kLargestMovieChunkBytes
  std::size_t truncated = 0;    // data running past the end of the file
  std::size_t notJpeg = 0;      // data not starting with 0xFF 0xD8
  std::uint32_t lastTime = 0;   // timestamp of the last chunk
  bool endTag = false;          // the walk ended at "EOF " (else at a broken tag)
};
MovieSummary summarizeMovie(std::span<const std::uint8_t> file, const MovieHeader& header);

// ---- Writing ----
// The 44 header bytes (the spare fields zero).
std::string movieHeaderBytes(const MovieHeader& header);
// One chunk: `tag` is "00dc" or "EOF " (four bytes).
void appendChunk(std::string& out, std::string_view tag, std::uint32_t time, std::string_view data);

}  // namespace movie
