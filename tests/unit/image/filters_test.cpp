// The seven filters checked against their formulas computed here per pixel (the blur and
// the mosaic by summing every window outright), on small pictures whose alphas include
// transparent, half-covered and opaque pixels and whose colours reach 0 and 255.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "image/filters.h"

namespace {

using image::PixelImage;

// Colours that touch both ends of the range and every hue sector; alpha cycles through
// 0, 1, 127, 128, 200, 255.
PixelImage testPicture(int w, int h, int bits) {
  static constexpr int kAlpha[] = {0, 1, 127, 128, 200, 255};
  PixelImage p;
  p.width = w, p.height = h, p.bits = bits;
  p.pixels.resize(static_cast<std::size_t>(w) * h * 4);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      std::uint8_t* px = p.row(y) + x * 4;
      const int k = y * w + x;
      px[0] = static_cast<std::uint8_t>(k % 5 == 0 ? 255 : (k * 47) % 256);
      px[1] = static_cast<std::uint8_t>(k % 7 == 0 ? 0 : (k * 89 + 30) % 256);
      px[2] = static_cast<std::uint8_t>(k % 3 == 0 ? (k % 2 ? 0 : 255) : (k * 23 + 200) % 256);
      px[3] = static_cast<std::uint8_t>(bits == 32 ? kAlpha[k % 6] : 255);
    }
  return p;
}

// Greys, pure hues at each sector boundary, and the extremes, for the HSL arithmetic.
PixelImage hslPicture() {
  static constexpr std::uint8_t kPixels[][3] = {
      {0, 0, 0},       {255, 255, 255}, {128, 128, 128}, {255, 0, 0},   {0, 255, 0},     {0, 0, 255},
      {255, 255, 0},   {0, 255, 255},   {255, 0, 255},   {10, 200, 90}, {200, 10, 90},   {90, 10, 200},
      {250, 251, 252}, {3, 1, 2},       {128, 127, 129}, {40, 80, 160}, {160, 80, 40},   {255, 128, 0}};
  PixelImage p;
  p.width = static_cast<int>(std::size(kPixels)), p.height = 1, p.bits = 24;
  for (const auto& c : kPixels) p.pixels.insert(p.pixels.end(), {c[0], c[1], c[2], 77});
  return p;
}

template <typename F>
PixelImage perPixel(PixelImage p, F f) {
  for (std::size_t i = 0; i < p.pixels.size(); i += 4) f(&p.pixels[i]);
  return p;
}

TEST(Filters, NegativeAndGreyKeepAlpha) {
  const PixelImage src = testPicture(9, 4, 32);
  PixelImage img = src;
  ASSERT_TRUE(image::filterNegative(&img));
  EXPECT_EQ(img.pixels, perPixel(src, [](std::uint8_t* p) { p[0] = 255 - p[0], p[1] = 255 - p[1], p[2] = 255 - p[2]; }).pixels);
  img = src;
  ASSERT_TRUE(image::filterGrey(&img));
  EXPECT_EQ(img.pixels, perPixel(src, [](std::uint8_t* p) {
              const auto g = static_cast<std::uint8_t>(p[2] * 0.298912 + p[1] * 0.586611 + p[0] * 0.114477);
              p[0] = p[1] = p[2] = g;
            }).pixels);
}

TEST(Filters, BrightnessContrastTruncatesTheScaledDistanceFromTheMiddle) {
  const PixelImage src = testPicture(9, 4, 32);
  for (auto [b, c] : {std::pair{0, 0}, {30, 50}, {-20, -70}, {100, 100}, {-100, -99}, {15, -100}}) {
    PixelImage img = src;
    ASSERT_TRUE(image::filterBrightnessContrast(&img, b, c));
    const PixelImage want = perPixel(src, [b, c](std::uint8_t* p) {
      for (int k = 0; k < 3; ++k) {
        const double scaled = (c + 100) / 100.0 * (p[k] - 128);
        // Truncation toward zero of the exact product (the product is a multiple of 1/100).
        const int t = static_cast<int>(scaled + (scaled > 0 ? 1e-9 : -1e-9));
        p[k] = static_cast<std::uint8_t>(std::clamp(t + b + 128, 0, 255));
      }
    });
    EXPECT_EQ(img.pixels, want.pixels) << b << " " << c;
  }
  // Neutral settings leave the picture as it was; contrast -100 flattens to 128 + brightness.
  PixelImage neutral = src;
  image::filterBrightnessContrast(&neutral, 0, 0);
  EXPECT_EQ(neutral.pixels, src.pixels);
  PixelImage flat = src;
  image::filterBrightnessContrast(&flat, 15, -100);
  for (std::size_t i = 0; i < flat.pixels.size(); ++i) EXPECT_EQ(flat.pixels[i], i % 4 == 3 ? src.pixels[i] : 143);
}

TEST(Filters, ColourCurvesRaiseEachChannelToItsOwnPower) {
  const PixelImage src = testPicture(9, 4, 24);
  for (auto [r, g, b] : {std::tuple{100, 0, -100}, {-35, 60, 0}, {1, -1, 99}}) {
    PixelImage img = src;
    ASSERT_TRUE(image::filterColour(&img, r, g, b));
    const int percent[3] = {b, g, r};
    const PixelImage want = perPixel(src, [&](std::uint8_t* p) {
      for (int k = 0; k < 3; ++k)
        p[k] = static_cast<std::uint8_t>(255 * std::pow(p[k] / 255.0, std::pow(0.5, percent[k] / 100.0)));
    });
    EXPECT_EQ(img.pixels, want.pixels) << r << " " << g << " " << b;
  }
}

// The HSL steps as the Part writes them, one pixel at a time.
void hslReference(std::uint8_t* px, int hue, int sat, int light) {
  const int x0 = px[0], x1 = px[1], x2 = px[2];
  const int M = std::max({x0, x1, x2}), m = std::min({x0, x1, x2});
  const int L = (M + m) >> 1;
  int S = 0, H = 0;
  if (M != m) {
    const int den = M + m < 256 ? M + m : 510 - M - m;
    S = (M - m) * 256 / den;
    if (x0 == M) H = (x1 - x2) * 60 / (M - m);
    else if (x1 == M) H = (x2 - x0) * 60 / (M - m) + 120;
    else H = (x0 - x1) * 60 / (M - m) + 240;
  }
  if (sat < 1) S += (sat * S) >> 8;
  else S += (sat * (256 - S)) >> 8;
  int out[3] = {L, L, L};
  if (S != 0) {
    H -= hue;
    if (H < 0) H += 360;
    if (H >= 360) H -= 360;
    const int q = L >= 128 ? S + (((256 - S) * L) >> 8) : (L * (S + 256)) >> 8;
    const int p = 2 * L - q;
    const int k = H / 60;
    const int rise = p + (q - p) * (H - 60 * k) / 60, fall = q - (q - p) * (H - 60 * k) / 60;
    switch (k) {
      case 0: out[0] = q, out[1] = rise, out[2] = p; break;
      case 1: out[0] = fall, out[1] = q, out[2] = p; break;
      case 2: out[0] = p, out[1] = q, out[2] = rise; break;
      case 3: out[0] = p, out[1] = fall, out[2] = q; break;
      case 4: out[0] = rise, out[1] = p, out[2] = q; break;
      default: out[0] = q, out[1] = p, out[2] = fall; break;
    }
  }
  for (int c = 0; c < 3; ++c) {
    const int v = out[c];
    px[c] = static_cast<std::uint8_t>(light == 0 ? (v * 255) >> 8
                                      : light < 0 ? (v * (255 + light)) >> 8
                                                  : light + ((v * (255 - light)) >> 8));
  }
}

TEST(Filters, HslFollowsItsIntegerSteps) {
  PixelImage src = hslPicture();
  // And a spread of colours meeting every difference of maximum and minimum.
  for (int k = 0; k < 4096; ++k)
    src.pixels.insert(src.pixels.end(), {static_cast<std::uint8_t>(k * 37 % 256), static_cast<std::uint8_t>(k * 101 % 256),
                                         static_cast<std::uint8_t>(k / 16), 255});
  src.width = static_cast<int>(src.pixels.size() / 4);
  for (auto [h, s, l] : {std::tuple{0, 0, 0}, {30, 256, 0}, {-120, -256, 127}, {180, 100, -255}, {-180, -40, 255},
                         {90, 0, -60}, {1, 255, 1}}) {
    PixelImage img = src;
    ASSERT_TRUE(image::filterHsl(&img, h, s, l));
    const PixelImage want = perPixel(src, [&](std::uint8_t* p) { hslReference(p, h, s, l); });
    EXPECT_EQ(img.pixels, want.pixels) << h << " " << s << " " << l;
  }
  // Pure blue in memory order (x0 = 255) is hue 0; turning the hue by -120 moves it to x1.
  PixelImage one = src;
  image::filterHsl(&one, -120, 0, 0);
  EXPECT_EQ(one.pixels[3 * 4 + 1], 253);  // {255, 0, 0} -> {0, 254, 0}, then the 255/256 scale
  EXPECT_EQ(one.pixels[3 * 4 + 0], 0);
}

// Every window summed outright.
PixelImage naiveBlur(const PixelImage& src, int rx, int ry) {
  PixelImage out = src;
  for (int y = 0; y < src.height; ++y)
    for (int x = 0; x < src.width; ++x) {
      std::uint64_t sum[4] = {}, count = 0;
      for (int v = std::max(0, y - ry); v <= std::min(src.height - 1, y + ry); ++v)
        for (int u = std::max(0, x - rx); u <= std::min(src.width - 1, x + rx); ++u) {
          const std::uint8_t* p = src.row(v) + u * 4;
          const int f = p[3] + (p[3] >= 128 ? 1 : 0);
          for (int c = 0; c < 3; ++c) sum[c] += src.bits == 32 ? (p[c] * f) >> 8 : p[c];
          sum[3] += p[3];
          ++count;
        }
      for (int c = 0; c < 4; ++c) out.row(y)[x * 4 + c] = static_cast<std::uint8_t>((sum[c] + count / 2) / count);
    }
  return out;
}

TEST(Filters, BlurAveragesEachWindowCutAtTheEdgesOnBothPaths) {
  for (int bits : {24, 32}) {
    const PixelImage src = testPicture(13, 11, bits);
    for (auto [rx, ry] : {std::pair{1, 1}, {0, 3}, {4, 0}, {2, 5}, {7, 7}, {20, 1}, {6, 30}}) {
      const PixelImage want = naiveBlur(src, rx, ry);
      PixelImage chosen = src;
      ASSERT_TRUE(image::filterBlur(&chosen, rx, ry));
      EXPECT_EQ(chosen.pixels, want.pixels) << bits << ": " << rx << "," << ry;
      for (auto path : {image::BlurPath::Small, image::BlurPath::Large, image::BlurPath::Huge}) {
        PixelImage img = src;
        image::blurWithPath(img, rx, ry, path);
        EXPECT_EQ(img.pixels, want.pixels) << "path " << static_cast<int>(path) << ": " << rx << "," << ry;
      }
    }
  }
  PixelImage still = testPicture(5, 5, 32);
  image::filterBlur(&still, 0, 0);
  EXPECT_EQ(still.pixels, testPicture(5, 5, 32).pixels);
}

PixelImage naiveMosaic(const PixelImage& src, int bw, int bh) {
  PixelImage out = src;
  for (int top = 0; top < src.height; top += bh)
    for (int left = 0; left < src.width; left += bw) {
      std::uint64_t sum[4] = {}, count = 0;
      for (int y = top; y < std::min(src.height, top + bh); ++y)
        for (int x = left; x < std::min(src.width, left + bw); ++x) {
          const std::uint8_t* p = src.row(y) + x * 4;
          const int f = p[3] + (p[3] >= 128 ? 1 : 0);
          for (int c = 0; c < 3; ++c) sum[c] += src.bits == 32 ? (p[c] * f) >> 8 : p[c];
          sum[3] += p[3];
          ++count;
        }
      for (int y = top; y < std::min(src.height, top + bh); ++y)
        for (int x = left; x < std::min(src.width, left + bw); ++x)
          for (int c = 0; c < 4; ++c) out.row(y)[x * 4 + c] = static_cast<std::uint8_t>((sum[c] + count / 2) / count);
    }
  return out;
}

TEST(Filters, MosaicFillsBlocksFromTheTopLeftWithTheirAverage) {
  for (int bits : {24, 32}) {
    const PixelImage src = testPicture(13, 11, bits);
    for (auto [w, h] : {std::pair{2, 2}, {3, 4}, {1, 5}, {6, 1}, {13, 11}, {50, 3}}) {
      PixelImage img = src;
      ASSERT_TRUE(image::filterMosaic(&img, w, h));
      EXPECT_EQ(img.pixels, naiveMosaic(src, w, h).pixels) << bits << ": " << w << "x" << h;
    }
  }
  // A block of 2^23 pixels or more takes the 64-bit sums: one block over the whole picture.
  const PixelImage big = testPicture(4096, 2049, 32);
  PixelImage one = big;
  ASSERT_TRUE(image::filterMosaic(&one, 4096, 2049));
  const PixelImage want = naiveMosaic(big, 4096, 2049);
  EXPECT_TRUE(std::equal(want.pixels.begin(), want.pixels.begin() + 8, one.pixels.begin()));
  EXPECT_TRUE(std::equal(want.pixels.end() - 8, want.pixels.end(), one.pixels.end() - 8));
  PixelImage still = testPicture(5, 5, 32);
  image::filterMosaic(&still, 1, 1);
  EXPECT_EQ(still.pixels, testPicture(5, 5, 32).pixels);
}

TEST(Filters, ChainRunsOnlyTheSwitchedOnFiltersInOrder) {
  const PixelImage src = testPicture(9, 7, 32);
  image::FilterSettings f;
  f.reverse = 1, f.grey = 1, f.bcOn = 1, f.brightness = 10, f.contrast = 20, f.mosaicOn = 1, f.mosaicX = 2, f.mosaicY = 3;
  f.blurX = 3;  // stored, but switched off
  PixelImage chained = src, stepwise = src;
  image::applyFilters(chained, f);
  image::filterNegative(&stepwise);
  image::filterGrey(&stepwise);
  image::filterBrightnessContrast(&stepwise, 10, 20);
  image::filterMosaic(&stepwise, 2, 3);
  EXPECT_EQ(chained.pixels, stepwise.pixels);
}

TEST(Filters, MissingPicturesAreReportedAndSkipped) {
  PixelImage empty;
  testing::internal::CaptureStdout();
  EXPECT_FALSE(image::filterNegative(nullptr));
  EXPECT_FALSE(image::filterBlur(&empty, 2, 2));
  EXPECT_FALSE(image::filterMosaic(&empty, 2, 2));
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "-FLT: 画像データを読み込めませんでした\n-FLT: 画像データを読み込めませんでした\n"
            "-FLT: 画像データを読み込めませんでした\n");
}

}  // namespace
