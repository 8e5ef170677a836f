// A decoded picture: 32 bits a pixel in B, G, R, A byte order, rows top to bottom, plus the
// placement of a difference picture (the PNG text entries Name, Left, Top and Mode).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace image {

struct PixelImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> pixels;  // width * height * 4 bytes, B,G,R,A

  // Difference picture: drawn onto the base picture `baseName` at (left, top) with `mode`.
  std::string baseName;  // CP932; empty for an ordinary picture
  int left = 0;
  int top = 0;
  int mode = 0;

  std::uint8_t* row(int y) { return pixels.data() + static_cast<std::size_t>(y) * width * 4; }
  const std::uint8_t* row(int y) const { return pixels.data() + static_cast<std::size_t>(y) * width * 4; }
};

}  // namespace image
