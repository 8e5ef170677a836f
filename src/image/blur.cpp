// Box blur with running sums: a column sum per channel follows the window down the picture
// (a row enters at the bottom, one leaves at the top), and a running sum over those columns
// follows it across, so each pixel costs the same whatever the radii. The rows still needed
// as "leaving" rows are kept, alpha-weighted, in a ring of 2y + 2 rows, which lets the result
// be written back in place. Windows of fewer than 256 pixels keep 16-bit column sums and
// divide in single precision; larger ones keep 32-bit columns, 64-bit row sums and divide in
// double precision. Both give exactly (sum + count/2) / count.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>
#include <vector>

#include "image/filters.h"

namespace image {
namespace {

// Alpha-weighted colour of a 32-bit picture: c x (a + (a >= 128)) >> 8, alpha as it is.
void weightRow(const std::uint8_t* src, std::uint8_t* dst, int width, bool weighted) {
  if (!weighted) {
    std::memcpy(dst, src, static_cast<std::size_t>(width) * 4);
    return;
  }
  for (int x = 0; x < width; ++x, src += 4, dst += 4) {
    const unsigned f = src[3] + (src[3] >= 128 ? 1u : 0u);
    dst[0] = static_cast<std::uint8_t>((src[0] * f) >> 8);
    dst[1] = static_cast<std::uint8_t>((src[1] * f) >> 8);
    dst[2] = static_cast<std::uint8_t>((src[2] * f) >> 8);
    dst[3] = src[3];
  }
}

// floor(n / count) for n < 2^16 + 2^7 and count < 256: single precision is exact once a
// margin larger than its error (< 2^-15) and smaller than any fraction (>= 1/255) is added.
struct SmallPath {
  using Column = std::uint16_t;
  using Sum = std::uint32_t;
  using Real = float;
  static constexpr Real kMargin = 1.0f / 1024;
};
// n < 2^35 and count <= 2^26: the double's error is below 2^-42, fractions are >= 2^-26.
struct LargePath {
  using Column = std::uint32_t;
  using Sum = std::uint64_t;
  using Real = double;
  static constexpr Real kMargin = 1.0 / (1 << 30);
};

template <typename Path>
void blurRows(PixelImage& img, int rx, int ry, bool weighted) {
  using Column = typename Path::Column;
  using Sum = typename Path::Sum;
  using Real = typename Path::Real;
  const int w = img.width, h = img.height;
  const std::size_t rowBytes = static_cast<std::size_t>(w) * 4;
  const int ringRows = static_cast<int>(std::min<std::int64_t>(2 * std::int64_t{ry} + 2, h));
  std::vector<std::uint8_t> ring(rowBytes * ringRows);
  std::vector<Column> columns(rowBytes, 0);
  auto ringRow = [&](int y) { return ring.data() + rowBytes * static_cast<std::size_t>(y % ringRows); };
  auto enter = [&](int y) {
    std::uint8_t* r = ringRow(y);
    weightRow(img.row(y), r, w, weighted);
    for (std::size_t i = 0; i < rowBytes; ++i) columns[i] = static_cast<Column>(columns[i] + r[i]);
  };
  auto leave = [&](int y) {
    const std::uint8_t* r = ringRow(y);
    for (std::size_t i = 0; i < rowBytes; ++i) columns[i] = static_cast<Column>(columns[i] - r[i]);
  };

  for (int y = 0; y <= std::min(ry, h - 1); ++y) enter(y);
  for (int y = 0; y < h; ++y) {
    if (y > 0) {
      if (y - ry - 1 >= 0) leave(y - ry - 1);
      if (y + ry < h) enter(y + ry);
    }
    const Sum rows = static_cast<Sum>(std::min(h - 1, y + ry) - std::max(0, y - ry) + 1);
    Sum sum[4] = {};
    for (int x = 0; x <= std::min(rx, w - 1); ++x)
      for (int c = 0; c < 4; ++c) sum[c] += columns[x * 4 + c];
    std::uint8_t* out = img.row(y);
    Sum lastCount = 0;
    Real inverse = 0;
    for (int x = 0; x < w; ++x) {
      const Sum count = rows * static_cast<Sum>(std::min(w - 1, x + rx) - std::max(0, x - rx) + 1);
      if (count != lastCount) {
        lastCount = count;
        inverse = Real(1) / static_cast<Real>(count);
      }
      const Sum half = count / 2;
      for (int c = 0; c < 4; ++c)
        out[x * 4 + c] = static_cast<std::uint8_t>(static_cast<Real>(sum[c] + half) * inverse + Path::kMargin);
      if (x + rx + 1 < w)
        for (int c = 0; c < 4; ++c) sum[c] += columns[(x + rx + 1) * 4 + c];
      if (x - rx >= 0)
        for (int c = 0; c < 4; ++c) sum[c] -= columns[(x - rx) * 4 + c];
    }
  }
}

}  // namespace

bool filterBlur(PixelImage* img, int x, int y) {
  if (!isFilterTarget(img)) return false;
  // Radii beyond the picture change nothing more; negative ones (a damaged save) mean none.
  const int rx = std::clamp(x, 0, img->width), ry = std::clamp(y, 0, img->height);
  if (rx == 0 && ry == 0) return true;
  const bool weighted = img->bits == 32;
  try {
    if ((2 * std::int64_t{rx} + 1) * (2 * std::int64_t{ry} + 1) < 256)
      blurRows<SmallPath>(*img, rx, ry, weighted);
    else
      blurRows<LargePath>(*img, rx, ry, weighted);
  } catch (const std::bad_alloc&) {
    return false;  // the picture stays as it was: rows are only written once computed
  }
  return true;
}

// Both paths, chosen by the caller: tests check that they agree on the same window.
void blurWithPath(PixelImage& img, int rx, int ry, bool large) {
  if (large || (2 * std::int64_t{rx} + 1) * (2 * std::int64_t{ry} + 1) >= 256)
    blurRows<LargePath>(img, rx, ry, img.bits == 32);
  else
    blurRows<SmallPath>(img, rx, ry, img.bits == 32);
}

}  // namespace image
