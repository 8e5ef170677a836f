// Cursor files (.cur, .ani) over arbitrary bytes.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/cursor_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::string why;
  if (auto anim = platform::decodeAnimatedCursor(bytes, why)) {
    for (const auto& f : anim->frames)
      if (f.bgra.size() != static_cast<std::size_t>(f.width) * f.height * 4) __builtin_trap();
    for (int frame : anim->sequence)
      if (frame < 0 || static_cast<std::size_t>(frame) >= anim->frames.size()) __builtin_trap();
  }
  return 0;
}
