// libFuzzer target: a movie file walked as the player walks it: the header, every chunk up to
// the end tag or a broken one, and each frame decoded by the one reused decompressor into a
// stage-sized surface. Nothing may crash or read outside the file, every chunk's data must
// lie inside it, and the walk must always move forward.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "image/codecs.h"
#include "movie/movie_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static std::vector<std::uint8_t> surface(800 * 600 * 4);
  static image::JpegStreamPtr jpeg = [] {
    std::string why;
    return image::createJpegStream(why);
  }();
  // The fuzzer's buffer is exactly the file: reading past it is caught by the sanitizer.
  const std::span<const std::uint8_t> file(data, size);
  std::string why;
  auto header = movie::parseMovieHeader(file, why);
  if (!header) return 0;
  if (movie::firstChunkOffset(*header) > size) std::abort();
  (void)movie::framePeriodMs(*header);
  std::uint64_t pos = movie::firstChunkOffset(*header);
  for (;;) {
    const movie::Chunk c = movie::readChunk(file, pos);
    if (c.kind != movie::ChunkKind::Frame) break;
    if (c.next < pos + movie::kChunkHeadBytes) std::abort();
    const auto bytes = movie::chunkData(file, c);
    if (c.complete && (bytes.size() != c.length || bytes.data() + bytes.size() > data + size)) std::abort();
    if (c.complete && c.length > 0 && c.length <= core::kLargestMovieChunkBytes && bytes.size() >= 2 && bytes[0] == 0xFF &&
        bytes[1] == 0xD8) {
      int w = 0, h = 0;
      const image::JpegTarget target{surface.data(), 800 * 4, 800, 600};
      if (image::decodeJpegInto(*jpeg, bytes, target, w, h, why) && (w > 800 || h > 600)) std::abort();
    }
    pos = c.next;
  }
  (void)movie::summarizeMovie(file, *header);
  return 0;
}
