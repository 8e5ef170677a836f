// A decoded picture: 32 bits a pixel in B, G, R, A byte order, rows top to bottom, plus the
// placement of a difference picture (the PNG text entries Name, Left, Top and Mode).
#pragma once
#include "core/resource_limits.h"
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace image {

struct PixelImage {
  int width = 0;
  int height = 0;
  int bits = 24;  // 32 when the source had alpha; the buffer holds 4 bytes a pixel either way
  std::vector<std::uint8_t> pixels;  // width * height * 4 bytes, B,G,R,A

  // Difference picture: drawn onto the base picture `baseName` at (left, top) with `mode`.
  std::string baseName;  // CP932; empty for an ordinary picture
  int left = 0;
  int top = 0;
  int mode = 0;

  std::uint8_t* row(int y) { return pixels.data() + static_cast<std::size_t>(y) * width * 4; }
  const std::uint8_t* row(int y) const { return pixels.data() + static_cast<std::size_t>(y) * width * 4; }
};

// The largest picture any decoder, capture or resize will allocate: 64 M pixels (256 MB),
// for example 8192 x 8192. A damaged header claiming more fails before anything is allocated.
constexpr std::int64_t kMaxPixels = core::kLargestPicturePixels;

// True when width x height is a picture this engine can hold (both > 0, within kMaxPixels).
constexpr bool sizeAllowed(std::int64_t width, std::int64_t height) {
  return width > 0 && height > 0 && width <= kMaxPixels && height <= kMaxPixels &&
         width * height <= kMaxPixels;
}

// A real size, only above the limit: the reader is told the picture is too large rather
// than damaged.
constexpr bool sizeTooLarge(std::int64_t width, std::int64_t height) {
  return width > 0 && height > 0 && !sizeAllowed(width, height);
}

// True when the record holds a whole buffer for its size (what every encoder and filter needs).
inline bool holdsPixels(const PixelImage& img) {
  return sizeAllowed(img.width, img.height) &&
         img.pixels.size() == static_cast<std::size_t>(img.width) * static_cast<std::size_t>(img.height) * 4;
}

// A zero-filled picture, or nothing when the size is not allowed or memory runs out.
std::optional<PixelImage> createImage(int width, int height, int bits);

}  // namespace image
