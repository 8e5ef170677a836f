// Mosaic: the picture cut into w x h blocks from the top-left corner, each block filled with
// its average pixel (alpha-weighted colours for 32-bit pictures, as the blur sums them). One
// pass sums a band of block rows into per-block sums, a second fills the band.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "image/filters.h"

namespace image {

bool filterMosaic(PixelImage* img, int w, int h) {
  if (!isFilterTarget(img)) return false;
  // A block below 1 pixel (a damaged save) is one pixel; larger than the picture is the picture.
  const int bw = std::clamp(w, 1, img->width), bh = std::clamp(h, 1, img->height);
  if (bw == 1 && bh == 1) return true;
  const bool weighted = img->bits == 32;
  const int width = img->width, height = img->height;
  const int blocks = (width + bw - 1) / bw;
  std::vector<std::uint64_t> sums(static_cast<std::size_t>(blocks) * 4);
  std::vector<std::uint32_t> fill(static_cast<std::size_t>(blocks));
  for (int top = 0; top < height; top += bh) {
    const int rows = std::min(bh, height - top);
    std::fill(sums.begin(), sums.end(), 0);
    for (int y = top; y < top + rows; ++y) {
      const std::uint8_t* p = img->row(y);
      for (int b = 0; b < blocks; ++b) {
        const int cols = std::min(bw, width - b * bw);
        std::uint32_t s0 = 0, s1 = 0, s2 = 0, s3 = 0;
        if (weighted) {
          for (int i = 0; i < cols; ++i, p += 4) {
            const unsigned f = p[3] + (p[3] >= 128 ? 1u : 0u);
            s0 += (p[0] * f) >> 8, s1 += (p[1] * f) >> 8, s2 += (p[2] * f) >> 8, s3 += p[3];
          }
        } else {
          for (int i = 0; i < cols; ++i, p += 4) s0 += p[0], s1 += p[1], s2 += p[2], s3 += p[3];
        }
        std::uint64_t* s = &sums[static_cast<std::size_t>(b) * 4];
        s[0] += s0, s[1] += s1, s[2] += s2, s[3] += s3;
      }
    }
    for (int b = 0; b < blocks; ++b) {
      const std::uint64_t count = static_cast<std::uint64_t>(rows) * static_cast<std::uint64_t>(std::min(bw, width - b * bw));
      const std::uint64_t* s = &sums[static_cast<std::size_t>(b) * 4];
      std::uint8_t px[4];
      for (int c = 0; c < 4; ++c) px[c] = static_cast<std::uint8_t>((s[c] + count / 2) / count);
      std::memcpy(&fill[static_cast<std::size_t>(b)], px, 4);
    }
    for (int y = top; y < top + rows; ++y) {
      std::uint8_t* p = img->row(y);
      for (int b = 0; b < blocks; ++b) {
        const int cols = std::min(bw, width - b * bw);
        for (int i = 0; i < cols; ++i, p += 4) std::memcpy(p, &fill[static_cast<std::size_t>(b)], 4);
      }
    }
  }
  return true;
}

}  // namespace image
