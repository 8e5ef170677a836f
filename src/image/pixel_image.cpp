// Creating picture records; the one place pixel buffers are sized.
#include "image/pixel_image.h"

#include <new>

namespace image {

std::optional<PixelImage> createImage(int width, int height, int bits) {
  if (!sizeAllowed(width, height)) return std::nullopt;
  PixelImage img;
  img.width = width;
  img.height = height;
  img.bits = bits;
  try {
    img.pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
  return img;
}

}  // namespace image
