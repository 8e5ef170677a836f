// The per-pixel filters (negative, grey, brightness/contrast, colour curves, HSL) and the
// chain that runs all seven in their fixed order. Curves are 256-entry tables built per
// call; HSL works in the 0..256 integer scale its rounding rules were made for.
#include "image/filters.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

#include "image/gray_tables.h"
#include "image/savers.h"
#include "platform/cp932.h"

namespace image {

bool isFilterTarget(PixelImage* img) {
  if (img && holdsPixels(*img)) return true;
  printImageMessage(platform::jp("-FLT: 画像データを読み込めませんでした\n"));
  return false;
}

namespace {

using Curve = std::array<std::uint8_t, 256>;

void applyCurves(PixelImage& img, const Curve& blue, const Curve& green, const Curve& red) {
  std::uint8_t* p = img.pixels.data();
  const std::size_t n = img.pixels.size();
  for (std::size_t i = 0; i < n; i += 4) {
    p[i] = blue[p[i]];
    p[i + 1] = green[p[i + 1]];
    p[i + 2] = red[p[i + 2]];
  }
}

Curve powerCurve(int percent) {
  const double e = std::pow(0.5, percent / 100.0);
  Curve c{};
  for (int v = 0; v < 256; ++v) c[v] = static_cast<std::uint8_t>(255.0 * std::pow(v / 255.0, e));
  return c;
}

// One pixel through the integer HSL adjustment. x0, x1, x2 are the bytes in memory order
// (B, G, R) and the hue is measured as if x0 were red; the values run on a 0..256 scale
// until the lightness step brings them back to bytes.
void adjustHsl(std::uint8_t* px, int hue, int saturation, int lightness) {
  const int x0 = px[0], x1 = px[1], x2 = px[2];
  const int M = std::max({x0, x1, x2}), m = std::min({x0, x1, x2});
  const int L = (M + m) >> 1;
  int S = 0, H = 0;
  if (M != m) {
    S = (M - m) * 256 / (M + m < 256 ? M + m : 510 - M - m);
    if (x0 == M)
      H = (x1 - x2) * 60 / (M - m);
    else if (x1 == M)
      H = (x2 - x0) * 60 / (M - m) + 120;
    else
      H = (x0 - x1) * 60 / (M - m) + 240;
  }
  S += (saturation * (saturation < 1 ? S : 256 - S)) >> 8;
  int v[3];
  if (S == 0) {
    v[0] = v[1] = v[2] = L;
  } else {
    H -= hue;
    if (H < 0)
      H += 360;
    else if (H >= 360)
      H -= 360;
    if (H < 0 || H >= 360) H = ((H % 360) + 360) % 360;  // a hue beyond +-360 from a damaged save
    const int q = L >= 128 ? S + (((256 - S) * L) >> 8) : (L * (S + 256)) >> 8;
    const int p = 2 * L - q;
    const int k = H / 60, f = H - 60 * k;
    const int rise = p + (q - p) * f / 60, fall = q - (q - p) * f / 60;
    static constexpr int kOrder[6][3] = {{0, 1, 2}, {3, 0, 2}, {2, 0, 1}, {2, 3, 0}, {1, 2, 0}, {0, 2, 3}};
    const int pick[4] = {q, rise, p, fall};  // indexed by kOrder
    for (int c = 0; c < 3; ++c) v[c] = pick[kOrder[k][c]];
  }
  for (int c = 0; c < 3; ++c) {
    int out;
    if (lightness == 0)
      out = (v[c] * 255) >> 8;
    else if (lightness < 0)
      out = (v[c] * (255 + lightness)) >> 8;
    else
      out = lightness + ((v[c] * (255 - lightness)) >> 8);
    px[c] = static_cast<std::uint8_t>(std::clamp(out, 0, 255));
  }
}

}  // namespace

bool filterNegative(PixelImage* img) {
  if (!isFilterTarget(img)) return false;
  std::uint8_t* p = img->pixels.data();
  const std::size_t n = img->pixels.size();
  for (std::size_t i = 0; i < n; i += 4) {
    std::uint32_t px;
    std::memcpy(&px, p + i, 4);
    px ^= 0x00FFFFFFu;  // little-endian B, G, R, A: the three colour bytes
    std::memcpy(p + i, &px, 4);
  }
  return true;
}

bool filterGrey(PixelImage* img) {
  if (!isFilterTarget(img)) return false;
  const GrayTables& t = grayTables();
  std::uint8_t* p = img->pixels.data();
  const std::size_t n = img->pixels.size();
  for (std::size_t i = 0; i < n; i += 4) p[i] = p[i + 1] = p[i + 2] = grayOf(t, p + i);
  return true;
}

bool filterBrightnessContrast(PixelImage* img, int brightness, int contrast) {
  if (!isFilterTarget(img)) return false;
  Curve c{};
  // Integer product then a division that truncates toward zero: the exact truncation of
  // (contrast + 100)/100 x (v - 128), with no rounding error of a fraction in between.
  for (int v = 0; v < 256; ++v)
    c[v] = static_cast<std::uint8_t>(
        std::clamp(static_cast<int>(static_cast<std::int64_t>(contrast + 100) * (v - 128) / 100) + brightness + 128, 0, 255));
  applyCurves(*img, c, c, c);
  return true;
}

bool filterColour(PixelImage* img, int red, int green, int blue) {
  if (!isFilterTarget(img)) return false;
  applyCurves(*img, powerCurve(blue), powerCurve(green), powerCurve(red));
  return true;
}

bool filterHsl(PixelImage* img, int hue, int saturation, int lightness) {
  if (!isFilterTarget(img)) return false;
  std::uint8_t* p = img->pixels.data();
  const std::size_t n = img->pixels.size();
  for (std::size_t i = 0; i < n; i += 4) adjustHsl(p + i, hue, saturation, lightness);
  return true;
}

void applyFilters(PixelImage& img, const FilterSettings& f) {
  if (f.reverse) filterNegative(&img);
  if (f.grey) filterGrey(&img);
  if (f.bcOn) filterBrightnessContrast(&img, f.brightness, f.contrast);
  if (f.colourOn) filterColour(&img, f.redCyan, f.greenMagenta, f.blueYellow);
  if (f.hslOn) filterHsl(&img, f.hue, f.saturation, f.lightness);
  if (f.blurOn) filterBlur(&img, f.blurX, f.blurY);
  if (f.mosaicOn) filterMosaic(&img, f.mosaicX, f.mosaicY);
}

}  // namespace image
