// Box blur with running sums: a column sum per channel follows the window down the picture
// (a row enters at the bottom, one leaves at the top), and a running sum over those columns
// follows it across, so each pixel costs the same whatever the radii. The rows still needed
// as "leaving" rows are kept, alpha-weighted, in a ring of 2y + 2 rows, which lets the result
// be written back in place. Windows of fewer than 256 pixels keep 16-bit column sums and
// divide in single precision; larger ones keep 32-bit sums (64-bit from 2^23 pixels on) and
// divide in double precision. Every path gives exactly (sum + count/2) / count.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>
#include <vector>

#include "image/filters.h"
#include "image/pixel_lanes.h"

namespace image {
namespace {

using namespace lanes;

// Alpha-weighted colour of a 32-bit picture: c x (a + (a >= 128)) >> 8, alpha as it is.
void weightRow(const std::uint8_t* src, std::uint8_t* dst, int width, bool weighted) {
  if (!weighted) {
    std::memcpy(dst, src, static_cast<std::size_t>(width) * 4);
    return;
  }
  for (int x = 0; x < width; ++x, src += 4, dst += 4) storePixel(dst, weightedPixel(src));
}

// Column sums entering and leaving the running row sum, widened to the sum's lanes. By
// reference: a 32-byte vector passed by value would depend on the AVX calling convention.
template <typename Column, typename Narrow, typename Sum>
struct Lanes {
  static void add(Sum& sum, const Column* p) {
    Narrow v;
    std::memcpy(&v, p, sizeof v);
    sum += __builtin_convertvector(v, Sum);
  }
  static void subtract(Sum& sum, const Column* p) {
    Narrow v;
    std::memcpy(&v, p, sizeof v);
    sum -= __builtin_convertvector(v, Sum);
  }
};

// Windows of fewer than 256 pixels: n = sum + count/2 < 2^16 + 2^7, count < 256. Single
// precision gives floor(n / count) exactly once a margin larger than its error (< 2^-15)
// and smaller than any fraction (>= 1/255) is added.
struct SmallPath : Lanes<std::uint16_t, U16x4, U32x4> {
  using Column = std::uint16_t;
  using Sum = U32x4;
  using Real = F32x4;
  using Scalar = float;
  static constexpr float kMargin = 1.0f / 1024;
  static void toReal(Sum n, Real& out) { out = __builtin_convertvector(reinterpret_cast<I32x4>(n), Real); }
};
// Larger windows, up to 2^23 pixels: n < 2^31 still fits a signed lane; a double's error
// stays below 2^-43 while fractions are at least 2^-23.
struct LargePath : Lanes<std::uint32_t, U32x4, U32x4> {
  using Column = std::uint32_t;
  using Sum = U32x4;
  using Real = F64x4;
  using Scalar = double;
  static constexpr double kMargin = 1.0 / (1 << 30);
  static void toReal(Sum n, Real& out) { out = __builtin_convertvector(reinterpret_cast<I32x4>(n), Real); }
};
// Windows of 2^23 pixels or more (pictures of many millions of pixels): 64-bit sums.
struct HugePath : Lanes<std::uint32_t, U32x4, U64x4> {
  using Column = std::uint32_t;
  using Sum = U64x4;
  using Real = F64x4;
  using Scalar = double;
  static constexpr double kMargin = 1.0 / (1 << 30);
  static void toReal(const Sum& n, Real& out) { out = __builtin_convertvector(n, Real); }
};

template <typename Path>
void blurRows(PixelImage& img, int rx, int ry, bool weighted) {
  using Column = typename Path::Column;
  using Sum = typename Path::Sum;
  using Real = typename Path::Real;
  using Scalar = typename Path::Scalar;
  const int w = img.width, h = img.height;
  const std::size_t rowBytes = static_cast<std::size_t>(w) * 4;
  const int ringRows = static_cast<int>(std::min<std::int64_t>(2 * std::int64_t{ry} + 2, h));
  std::vector<std::uint8_t> ring(rowBytes * ringRows);
  std::vector<Column> columns(rowBytes, 0);
  Column* col = columns.data();
  auto ringRow = [&](int y) { return ring.data() + rowBytes * static_cast<std::size_t>(y % ringRows); };
  auto enter = [&](int y) {
    std::uint8_t* r = ringRow(y);
    weightRow(img.row(y), r, w, weighted);
    for (std::size_t i = 0; i < rowBytes; ++i) col[i] = static_cast<Column>(col[i] + r[i]);
  };
  auto leave = [&](int y) {
    const std::uint8_t* r = ringRow(y);
    for (std::size_t i = 0; i < rowBytes; ++i) col[i] = static_cast<Column>(col[i] - r[i]);
  };

  for (int y = 0; y <= std::min(ry, h - 1); ++y) enter(y);
  for (int y = 0; y < h; ++y) {
    if (y > 0) {
      if (y - ry - 1 >= 0) leave(y - ry - 1);
      if (y + ry < h) enter(y + ry);
    }
    const int rows = std::min(h - 1, y + ry) - std::max(0, y - ry) + 1;
    Sum sum = {};
    for (int x = 0; x <= std::min(rx, w - 1); ++x) Path::add(sum, col + x * 4);
    std::uint8_t* out = img.row(y);
    auto emit = [&](int x, Scalar inverse, std::uint64_t half) {
      Real q;
      Path::toReal(sum + static_cast<decltype(sum[0] + 0)>(half), q);
      q = q * inverse + Path::kMargin;
      storePixel(out + x * 4, reinterpret_cast<U32x4>(__builtin_convertvector(q, I32x4)));
    };
    // Windows cut by the left edge, whole windows, windows cut by the right edge: only the
    // first and last change their pixel count, so only they divide to find the inverse.
    const int wholeFirst = std::min(rx, w), wholeEnd = std::max(wholeFirst, w - rx);
    auto edge = [&](int x) {
      const std::int64_t count = std::int64_t{rows} * (std::min(w - 1, x + rx) - std::max(0, x - rx) + 1);
      emit(x, Scalar(1) / static_cast<Scalar>(count), static_cast<std::uint64_t>(count / 2));
    };
    for (int x = 0; x < wholeFirst; ++x) {
      edge(x);
      if (x + rx + 1 < w) Path::add(sum, col + (x + rx + 1) * 4);
    }
    const std::int64_t whole = std::int64_t{rows} * (2 * rx + 1);
    const Scalar inverse = Scalar(1) / static_cast<Scalar>(whole);
    const auto half = static_cast<std::uint64_t>(whole / 2);
    for (int x = wholeFirst; x < wholeEnd; ++x) {
      emit(x, inverse, half);
      if (x + rx + 1 < w) Path::add(sum, col + (x + rx + 1) * 4);
      Path::subtract(sum, col + (x - rx) * 4);
    }
    for (int x = wholeEnd; x < w; ++x) {
      edge(x);
      if (x - rx >= 0) Path::subtract(sum, col + (x - rx) * 4);
    }
  }
}

}  // namespace

namespace {

BlurPath pathFor(int rx, int ry) {
  const std::int64_t window = (2 * std::int64_t{rx} + 1) * (2 * std::int64_t{ry} + 1);
  return window < 256 ? BlurPath::Small : window < (std::int64_t{1} << 23) ? BlurPath::Large : BlurPath::Huge;
}

void blurOn(PixelImage& img, int rx, int ry, BlurPath path) {
  const bool weighted = img.bits == 32;
  switch (path) {
    case BlurPath::Small: blurRows<SmallPath>(img, rx, ry, weighted); break;
    case BlurPath::Large: blurRows<LargePath>(img, rx, ry, weighted); break;
    case BlurPath::Huge: blurRows<HugePath>(img, rx, ry, weighted); break;
  }
}

}  // namespace

bool filterBlur(PixelImage* img, int x, int y) {
  if (!isFilterTarget(img)) return false;
  // Radii beyond the picture change nothing more; negative ones (a damaged save) mean none.
  const int rx = std::clamp(x, 0, img->width), ry = std::clamp(y, 0, img->height);
  if (rx == 0 && ry == 0) return true;
  try {
    blurOn(*img, rx, ry, pathFor(rx, ry));
  } catch (const std::bad_alloc&) {
    return false;  // the buffers are made before any row is written: the picture is as it was
  }
  return true;
}

void blurWithPath(PixelImage& img, int x, int y, BlurPath path) {
  const int rx = std::clamp(x, 0, img.width), ry = std::clamp(y, 0, img.height);
  // A narrower path than the window needs would overflow: the window's own path then.
  blurOn(img, rx, ry, std::max(path, pathFor(rx, ry)));
}

}  // namespace image
