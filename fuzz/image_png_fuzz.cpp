// libFuzzer target: the PNG decoder over arbitrary bytes must neither crash nor read out of
// bounds, and a picture it returns must hold a whole buffer for its size.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "image/codecs.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string why;
  auto img = image::decodePng({data, size}, why);
  if (img && !image::holdsPixels(*img)) std::abort();
  return 0;
}
