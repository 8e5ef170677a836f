// Picture composition for sprite loading. Integer arithmetic throughout; the blending rule
// is the one stand-picture and difference-picture authors expect of normal layers.
#include "graphics/picture_compose.h"

#include <algorithm>
#include <cstdint>

#include "image/savers.h"
#include "platform/cp932.h"

namespace graphics {
namespace {

// Normal blending of one pixel: overlay o with alpha s over base b with alpha d.
void blendNormal(std::uint8_t* b, const std::uint8_t* o) {
  const int s = o[3], d = b[3];
  if (s == 0) return;
  if (s == 255 || d == 0) {
    std::copy(o, o + 4, b);
    return;
  }
  if (d == 255) {
    for (int c = 0; c < 3; ++c) b[c] = static_cast<std::uint8_t>(((o[c] * s + b[c] * (255 - s) + 1) * 257) >> 16);
    return;
  }
  const int out = s + d * (255 - s) / 255;  // the union of the two coverages
  const int share = (s * 256 + out / 2) / out;
  for (int c = 0; c < 3; ++c) b[c] = static_cast<std::uint8_t>(b[c] + (((o[c] - b[c]) * share) >> 8));
  b[3] = static_cast<std::uint8_t>(out);
}

}  // namespace

void composePicture(image::PixelImage& base, const image::PixelImage& overlay, int x, int y, int mode) {
  const bool copyFamily = mode >= 0 && mode <= 3;
  if (!image::holdsPixels(base) || !image::holdsPixels(overlay)) {
    image::printImageMessage(platform::jp(copyFamily ? "-CMP: 画像データが読み込まれてません\n"
                                                     : "-BLD: 画像データが読み込まれてません\n"));
    return;
  }
  if (x >= base.width || y >= base.height) {
    image::printImageMessage(platform::jp(copyFamily ? "-CMP: 座標の指定が不正です\n" : "-BLD: 座標の指定が不正です\n"));
    return;
  }
  // A negative corner cuts the overlay's left or top part.
  const int sx = std::max(0, -x), sy = std::max(0, -y);
  const int dx = std::max(0, x), dy = std::max(0, y);
  const int w = std::min(overlay.width - sx, base.width - dx);
  const int h = std::min(overlay.height - sy, base.height - dy);
  for (int row = 0; row < h; ++row) {
    const std::uint8_t* o = overlay.row(sy + row) + sx * 4;
    std::uint8_t* b = base.row(dy + row) + dx * 4;
    for (int i = 0; i < w; ++i, o += 4, b += 4) {
      switch (mode) {
        case 0:
        case 3: std::copy(o, o + 4, b); break;
        case 1:
          if (o[3] != 0) std::copy(o, o + 4, b);
          break;
        case 2:
          for (int c = 0; c < 4; ++c) b[c] ^= o[c];
          break;
        case 4:
        case 25:
          std::copy(o, o + 3, b);
          b[3] = 255;
          break;
        default: blendNormal(b, o); break;
      }
    }
  }
}

}  // namespace graphics
