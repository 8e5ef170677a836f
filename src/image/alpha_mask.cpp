#include "image/alpha_mask.h"

#include <cstring>

#include "image/savers.h"
#include "platform/cp932.h"

namespace image {
namespace {

bool present(const PixelImage* img) {
  if (img && holdsPixels(*img)) return true;
  printImageMessage(platform::jp("-M2A: 画像データを読み込めませんでした\n"));
  return false;
}

}  // namespace

bool maskFromImage(PixelImage* img, const PixelImage* mask, bool invert) {
  if (!present(img) || !present(mask)) return false;
  if (img->width != mask->width || img->height != mask->height) {
    printImageMessage(platform::jp("-M2A: 二つの画像サイズが違います\n"));
    return false;
  }
  const std::uint8_t flip = invert ? 0xFF : 0x00;
  const std::size_t n = img->pixels.size();
  for (std::size_t i = 0; i < n; i += 4) img->pixels[i + 3] = mask->pixels[i] ^ flip;
  img->bits = 32;
  return true;
}

std::optional<PixelImage> maskFromRightHalf(const PixelImage* img, bool invert) {
  if (!present(img)) return std::nullopt;
  const int half = img->width / 2;
  std::optional<PixelImage> out = createImage(half, img->height, 32);
  if (!out) {
    printImageMessage(platform::jp("-M2A: メモリを確保出来ませんでした\n"));
    return std::nullopt;
  }
  const std::uint8_t flip = invert ? 0xFF : 0x00;
  for (int y = 0; y < img->height; ++y) {
    const std::uint8_t* src = img->row(y);
    std::uint8_t* dst = out->row(y);
    for (int x = 0; x < half; ++x) {
      std::memcpy(dst + x * 4, src + x * 4, 3);
      dst[x * 4 + 3] = src[(x + half) * 4] ^ flip;
    }
  }
  return out;
}

}  // namespace image
