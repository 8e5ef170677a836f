#include "image/resize.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "image/pixel_lanes.h"
#include "image/savers.h"
#include "platform/cp932.h"

namespace image {
namespace {

// The window of a box of `size` pixels around position i, cut at the edges: [first, last].
struct Span {
  int first, last;
};
Span boxAround(int i, int size, int limit) {
  const int first = i - size / 2;
  return {std::max(first, 0), std::min(first + size - 1, limit - 1)};
}

// Horizontal box sums of one row, all four channels: out[x * 4 + c]. The window of x is
// [x - box/2, x - box/2 + box - 1] cut at the edges; moving one pixel right adds the pixel
// entering on the right and takes away the one leaving on the left.
void rowBoxSums(const std::uint8_t* row, int width, int box, std::uint32_t* out) {
  lanes::U32x4 sum = {};
  const Span first = boxAround(0, box, width);
  for (int x = first.first; x <= first.last; ++x) sum += lanes::loadPixel(row + x * 4);
  for (int x = 0; x < width; ++x) {
    std::memcpy(out + x * 4, &sum, sizeof sum);
    const int entering = x + box - box / 2, leaving = x - box / 2;
    if (entering < width) sum += lanes::loadPixel(row + entering * 4);
    if (leaving >= 0) sum -= lanes::loadPixel(row + leaving * 4);
  }
}

// Every pixel becomes the rounded average of the boxW x boxH window around it, the window cut
// at the edges. Running sums over rows and columns keep the cost linear in the picture size.
std::vector<std::uint8_t> boxSmooth(const PixelImage& src, int boxW, int boxH) {
  const int w = src.width, h = src.height;
  std::vector<std::uint8_t> out(src.pixels.size());
  std::vector<std::uint64_t> columns(static_cast<std::size_t>(w) * 4, 0);  // sums over the rows in the window
  std::vector<std::uint32_t> rowSums(static_cast<std::size_t>(w) * 4);
  auto addRow = [&](int y, bool add) {
    rowBoxSums(src.row(y), w, boxW, rowSums.data());
    for (std::size_t i = 0; i < columns.size(); ++i) columns[i] = add ? columns[i] + rowSums[i] : columns[i] - rowSums[i];
  };
  Span window = boxAround(0, boxH, h);
  for (int y = window.first; y <= window.last; ++y) addRow(y, true);
  for (int y = 0; y < h; ++y) {
    const std::uint64_t rows = static_cast<std::uint64_t>(window.last - window.first + 1);
    std::uint8_t* dst = out.data() + static_cast<std::size_t>(y) * w * 4;
    std::uint64_t lastCount = 0;
    double inverse = 0;
    for (int x = 0; x < w; ++x) {
      const Span across = boxAround(x, boxW, w);
      const std::uint64_t count = rows * static_cast<std::uint64_t>(across.last - across.first + 1);
      if (count != lastCount) lastCount = count, inverse = 1.0 / static_cast<double>(count);
      // (sum + count/2) / count without a division a channel: sums stay below 2^35 and
      // counts at most 2^26, so the double's error (< 2^-42) is far below the margin, and the
      // margin (2^-30) below any fraction (>= 2^-26).
      for (int c = 0; c < 4; ++c)
        dst[x * 4 + c] = static_cast<std::uint8_t>(static_cast<double>(columns[x * 4 + c] + count / 2) * inverse + 0x1p-30);
    }
    const Span next = boxAround(y + 1, boxH, h);
    if (next.last > window.last && next.last < h) addRow(next.last, true);
    if (next.first > window.first) addRow(window.first, false);
    window = next;
  }
  return out;
}

// Source position of output coordinate i in eighths of a pixel: the first and last output
// pixels land on the first and last source pixels.
std::int64_t sourceEighths(int i, int newSize, int oldSize) {
  if (newSize <= 1) return 0;
  return static_cast<std::int64_t>(i) * (oldSize - 1) * 8 / (newSize - 1);
}

}  // namespace

bool resize(PixelImage* img, int width, int height, bool absolute) {
  if (!img || !holdsPixels(*img)) {
    printImageMessage(platform::jp("-RES: 画像データを読み込めませんでした\n"));
    return false;
  }
  const std::int64_t newW = absolute ? width : std::int64_t{img->width} * width / 100;
  const std::int64_t newH = absolute ? height : std::int64_t{img->height} * height / 100;
  if (!sizeAllowed(newW, newH)) {
    printImageMessage(platform::jp("-RES: リサイズ値が不正です\n"));
    return false;
  }
  const int srcW = img->width, srcH = img->height;
  auto result = createImage(static_cast<int>(newW), static_cast<int>(newH), 32);
  if (!result) {
    printImageMessage(platform::jp("-RES: リサイズ値が不正です\n"));
    return false;
  }
  const int boxW = std::max<std::int64_t>(1, srcW / newW);
  const int boxH = std::max<std::int64_t>(1, srcH / newH);
  std::vector<std::uint8_t> smoothed;
  try {
    if (boxW > 1 || boxH > 1) smoothed = boxSmooth(*img, boxW, boxH);
  } catch (const std::bad_alloc&) {
    printImageMessage(platform::jp("-RES: リサイズ値が不正です\n"));
    return false;
  }
  const std::uint8_t* base = smoothed.empty() ? img->pixels.data() : smoothed.data();
  const std::size_t stride = static_cast<std::size_t>(srcW) * 4;

  // Each output column's source position, worked out once rather than once a row.
  struct Column {
    int fx, x0, x1;
  };
  std::vector<Column> across;
  try {
    across.resize(static_cast<std::size_t>(result->width));
  } catch (const std::bad_alloc&) {
    printImageMessage(platform::jp("-RES: リサイズ値が不正です\n"));
    return false;
  }
  for (int x = 0; x < result->width; ++x) {
    const std::int64_t sx = sourceEighths(x, result->width, srcW);
    const int x0 = static_cast<int>(sx >> 3);
    across[static_cast<std::size_t>(x)] = {static_cast<int>(sx & 7), x0, std::min(x0 + 1, srcW - 1)};
  }
  for (int y = 0; y < result->height; ++y) {
    const std::int64_t sy = sourceEighths(y, result->height, srcH);
    const int fy = static_cast<int>(sy & 7), y0 = static_cast<int>(sy >> 3), y1 = std::min(y0 + 1, srcH - 1);
    std::uint8_t* dst = result->row(y);
    for (int x = 0; x < result->width; ++x) {
      const auto [fx, x0, x1] = across[static_cast<std::size_t>(x)];
      const std::uint8_t* p00 = base + y0 * stride + x0 * 4;
      const std::uint8_t* p10 = base + y0 * stride + x1 * 4;
      const std::uint8_t* p01 = base + y1 * stride + x0 * 4;
      const std::uint8_t* p11 = base + y1 * stride + x1 * 4;
      const int w00 = (8 - fx) * (8 - fy), w10 = fx * (8 - fy), w01 = (8 - fx) * fy, w11 = fx * fy;
      for (int c = 0; c < 4; ++c)
        dst[x * 4 + c] = static_cast<std::uint8_t>((p00[c] * w00 + p10[c] * w10 + p01[c] * w01 + p11[c] * w11) >> 6);
    }
  }
  // The corners keep the source's own corner pixels, unsmoothed.
  auto copyCorner = [&](int dx, int dy, int sx, int sy) { std::memcpy(result->row(dy) + dx * 4, img->row(sy) + sx * 4, 4); };
  copyCorner(0, 0, 0, 0);
  copyCorner(result->width - 1, 0, srcW - 1, 0);
  copyCorner(0, result->height - 1, 0, srcH - 1);
  copyCorner(result->width - 1, result->height - 1, srcW - 1, srcH - 1);

  result->baseName = img->baseName;
  result->left = img->left, result->top = img->top, result->mode = img->mode;
  *img = std::move(*result);
  return true;
}

}  // namespace image
