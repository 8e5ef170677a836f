#include "saves/compressed_file.h"

#include <zlib.h>

namespace saves {

std::string packCompressed(std::string_view text) {
  if (text.size() > core::kLargestSaveText) return {};
  uLongf bound = compressBound(static_cast<uLong>(text.size()));
  std::string out(4 + bound, '\0');
  const auto n = static_cast<std::uint32_t>(text.size());
  for (int i = 0; i < 4; ++i) out[static_cast<std::size_t>(i)] = static_cast<char>(n >> (8 * i) & 0xFF);
  if (compress2(reinterpret_cast<Bytef*>(out.data() + 4), &bound, reinterpret_cast<const Bytef*>(text.data()),
                static_cast<uLong>(text.size()), 9) != Z_OK)
    return {};
  out.resize(4 + bound);
  return out;
}

Unpack unpackCompressed(std::string_view file, std::string& text, bool exactLength) {
  text.clear();
  if (file.size() < 4) return Unpack::TooShort;
  std::uint32_t n = 0;
  for (int i = 3; i >= 0; --i) n = n << 8 | static_cast<unsigned char>(file[static_cast<std::size_t>(i)]);
  if (n > core::kLargestSaveText) return Unpack::AbsurdLength;
  // zlib expands at most about 1032:1; a stated length far beyond that cannot be honest,
  // so the buffer is never larger than the data could fill.
  const std::uint64_t reachable = (static_cast<std::uint64_t>(file.size()) - 4) * 1040 + 64;
  if (n > reachable) return Unpack::LengthMismatch;
  // One spare byte tells "inflates to more than stated" apart from an exact fit.
  std::string spare(static_cast<std::size_t>(n) + 1, '\0');
  uLongf room = n + 1;
  int rc = uncompress(reinterpret_cast<Bytef*>(spare.data()), &room, reinterpret_cast<const Bytef*>(file.data() + 4),
                      static_cast<uLong>(file.size() - 4));
  if (rc == Z_BUF_ERROR && room == n + 1) {  // the output filled up: longer than stated
    text.clear();
    return Unpack::LengthMismatch;
  }
  if (rc != Z_OK) {
    text.clear();
    return Unpack::BadStream;
  }
  if (room > n || (exactLength && room != n)) {
    text.clear();
    return Unpack::LengthMismatch;
  }
  spare.resize(room);
  text = std::move(spare);
  return Unpack::Ok;
}

}  // namespace saves
