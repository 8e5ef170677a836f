// Mosaic: the picture cut into w x h blocks from the top-left corner, each block filled with
// its average pixel (alpha-weighted colours for 32-bit pictures, as the blur sums them). One
// pass sums a band of block rows into per-block sums, a second fills the band.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <type_traits>
#include <vector>

#include "image/filters.h"
#include "image/pixel_lanes.h"

namespace image {

namespace {

// Sums of one band of blocks (bh rows) and their averages. Blocks of fewer than 2^23 pixels
// keep 32-bit sums (n = sum + count/2 < 2^31) and divide through a double reciprocal, exact
// with a margin above its error (< 2^-43) and below any fraction (>= 2^-23); larger blocks
// keep 64-bit sums and divide outright.
template <typename Sum>
void mosaicRows(PixelImage& img, int bw, int bh) {
  using namespace lanes;
  const bool weighted = img.bits == 32;
  const int width = img.width, height = img.height;
  const int blocks = (width + bw - 1) / bw;
  std::vector<Sum> sums(static_cast<std::size_t>(blocks));
  std::vector<std::uint32_t> fill(static_cast<std::size_t>(blocks));
  for (int top = 0; top < height; top += bh) {
    const int rows = std::min(bh, height - top);
    std::fill(sums.begin(), sums.end(), Sum{});
    for (int y = top; y < top + rows; ++y) {
      const std::uint8_t* p = img.row(y);
      for (int b = 0; b < blocks; ++b) {
        const int cols = std::min(bw, width - b * bw);
        // 32-bit lanes hold the sum of 2^24 pixels; wider blocks add up in pieces.
        for (int start = 0; start < cols; start += 1 << 24) {
          const int n = std::min(cols - start, 1 << 24);
          U32x4 s = {};
          if (weighted)
            for (int i = 0; i < n; ++i, p += 4) s += weightedPixel(p);
          else
            for (int i = 0; i < n; ++i, p += 4) s += loadPixel(p);
          sums[static_cast<std::size_t>(b)] += __builtin_convertvector(s, Sum);
        }
      }
    }
    for (int b = 0; b < blocks; ++b) {
      const std::uint64_t count = static_cast<std::uint64_t>(rows) * static_cast<std::uint64_t>(std::min(bw, width - b * bw));
      const Sum n = sums[static_cast<std::size_t>(b)] + static_cast<decltype(Sum{}[0] + 0)>(count / 2);
      U32x4 average;
      if constexpr (std::is_same_v<Sum, U32x4>) {
        const F64x4 q = __builtin_convertvector(reinterpret_cast<I32x4>(n), F64x4) * (1.0 / static_cast<double>(count)) +
                        1.0 / (1 << 30);
        average = reinterpret_cast<U32x4>(__builtin_convertvector(q, I32x4));
      } else {
        average = __builtin_convertvector(n / count, U32x4);
      }
      storePixel(reinterpret_cast<std::uint8_t*>(&fill[static_cast<std::size_t>(b)]), average);
    }
    for (int y = top; y < top + rows; ++y) {
      std::uint8_t* p = img.row(y);
      for (int b = 0; b < blocks; ++b) {
        const int cols = std::min(bw, width - b * bw);
        for (int i = 0; i < cols; ++i, p += 4) std::memcpy(p, &fill[static_cast<std::size_t>(b)], 4);
      }
    }
  }
}

}  // namespace

bool filterMosaic(PixelImage* img, int w, int h) {
  if (!isFilterTarget(img)) return false;
  // A block below 1 pixel (a damaged save) is one pixel; larger than the picture is the picture.
  const int bw = std::clamp(w, 1, img->width), bh = std::clamp(h, 1, img->height);
  if (bw == 1 && bh == 1) return true;
  if (std::int64_t{bw} * bh < (std::int64_t{1} << 23))
    mosaicRows<lanes::U32x4>(*img, bw, bh);
  else
    mosaicRows<lanes::U64x4>(*img, bw, bh);
  return true;
}

}  // namespace image
