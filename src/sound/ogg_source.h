// Ogg Vorbis from memory: the decoder reads a file held whole in memory through four
// callbacks, and the loop points an author writes into the file's COMMENT entry.
// Pure functions over bytes; no thread of their own.
#pragma once
#define OV_EXCLUDE_STATIC_CALLBACKS
#include <vorbis/vorbisfile.h>

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace sound {

// The encoded file and the decoder's read cursor into it.
struct MemoryFile {
  std::vector<std::uint8_t> bytes;
  std::size_t readPos = 0;
};

// read copies what is left up to size x count and answers whole items; seek (0 set,
// 1 current, 2 end) clamps to the file and answers 0 only when the target lay inside;
// close does nothing; tell answers the cursor.
ov_callbacks memoryCallbacks();

// Opens `vf` over `file` (which must outlive it). False with `why` when it is not Ogg
// Vorbis; `vf` then needs no clearing.
bool openMemoryDecoder(OggVorbis_File& vf, MemoryFile& file, std::string& why);

// The user comments of the first logical stream, as "NAME=value" texts.
std::vector<std::string_view> userComments(OggVorbis_File& vf);

struct LoopPoints {
  std::int64_t restart = 0;    // where playback starts by default and restarts at the end
  std::int64_t loopStart = 0;  // where a pass jumps back to
  std::int64_t loopEnd = 0;    // the sample that makes it jump
};

enum class LoopCommentKind {
  None,      // no comment names COMMENT, or its keyword is neither settime nor setsample
  Valid,     // three values
  BadCount,  // the keyword with another number of values: the author is told
};

struct LoopComment {
  LoopCommentKind kind = LoopCommentKind::None;
  LoopPoints points;  // in samples; set when Valid
};

// Reads "COMMENT=settime 0,1000,5000" (milliseconds) or "COMMENT=setsample 0,44100,220500"
// from the first comment whose text contains "COMMENT".
LoopComment parseLoopComment(std::span<const std::string_view> comments, std::int64_t sampleRate);

}  // namespace sound
