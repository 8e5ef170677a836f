// Picture composition checked against the blend formulas computed here pixel by pixel,
// with no table: every mode over pictures whose alphas run through transparent, barely
// covered, half covered and opaque on both sides; clipping and the printed messages.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "image/blend_tables.h"
#include "image/compose_modes.h"

namespace {

using image::PixelImage;

constexpr int kAlphas[] = {0, 1, 64, 128, 200, 254, 255};
constexpr int kSide = 7;  // one row and one column per alpha

// Base: row r has alpha kAlphas[r]; overlay: column c has alpha kAlphas[c], so every pair
// of alphas meets once. Colours spread over the range, including 0 and 255.
PixelImage picture(bool overlay) {
  PixelImage p;
  p.width = p.height = kSide;
  p.bits = 32;
  p.pixels.resize(kSide * kSide * 4);
  for (int y = 0; y < kSide; ++y)
    for (int x = 0; x < kSide; ++x) {
      std::uint8_t* px = p.row(y) + x * 4;
      const int k = y * kSide + x;
      px[0] = static_cast<std::uint8_t>(overlay ? (k * 41 + 7) % 256 : (k * 29) % 256);
      px[1] = static_cast<std::uint8_t>(overlay ? 255 - (k * 13) % 256 : (k * 67 + 100) % 256);
      px[2] = static_cast<std::uint8_t>(overlay ? (k % 3 == 0 ? 255 : k * 5) : (k % 4 == 0 ? 0 : 255 - k * 3));
      px[3] = static_cast<std::uint8_t>(overlay ? kAlphas[x] : kAlphas[y]);
    }
  return p;
}

// The blend of one channel for each mode, straight from the formulas (i base, j overlay).
int vivid(int i, int j) {
  if (j >= 128) return j == 255 ? 255 : std::min(i * 255 / (510 - 2 * j), 255);
  return j == 0 ? 0 : std::max(0, 255 - (255 - i) * 255 / (2 * j));
}
int modeBlend(int mode, int i, int j) {
  switch (mode) {
    case 6: case 14: return std::min(i + j, 255);
    case 7: return std::max(i - j, 0);
    case 8: return i * j / 255;
    case 9: return i + j - i * j / 255;
    case 10: return std::max(i, j);
    case 11: return std::min(i, j);
    case 12: return std::abs(i - j);
    case 13: return static_cast<int>(i + j - std::floor(2.0 * i * j / 255 + 0.5));
    case 15: return j == 255 ? 255 : std::min(i * 255 / (255 - j), 255);
    case 16: return std::max(i + j - 255, 0);
    case 17: return j == 0 ? 0 : std::max(0, 255 - (255 - i) * 255 / j);
    case 18: return i < 128 ? 2 * i * j / 255 : 255 - 2 * (255 - i) * (255 - j) / 255;
    case 19: return j < 128 ? 2 * i * j / 255 : 255 - 2 * (255 - i) * (255 - j) / 255;
    case 20: return static_cast<int>(255 * std::pow(i / 255.0, j >= 128 ? 127.5 / j : 2 - j / 127.5));
    case 21: return vivid(i, j);
    case 22: return std::clamp(i + 2 * j - 255, 0, 255);
    case 23: return j >= 128 ? std::max(i, 2 * j - 255) : std::min(i, 2 * j);
    case 24: return vivid(i, j) >= 128 ? 255 : 0;
  }
  return -1;
}

int roundDiv(int num, int den) { return static_cast<int>(std::floor(static_cast<double>(num) / den + 0.5)); }

// One pixel of the composed result for the mode, from the Part's case list.
void expectedPixel(int mode, const std::uint8_t* o, std::uint8_t* b) {
  const int s = o[3], d = b[3];
  switch (mode) {
    case 0: case 3: std::copy(o, o + 4, b); return;
    case 1: if (s != 0) std::copy(o, o + 4, b); return;
    case 2: for (int c = 0; c < 4; ++c) b[c] ^= o[c]; return;
    case 4: case 25: std::copy(o, o + 3, b); b[3] = 255; return;
  }
  if (s == 0) return;
  if (mode == 5) {
    if (s == 255 || d == 0) { std::copy(o, o + 4, b); return; }
    if (d == 255) {
      for (int c = 0; c < 3; ++c) b[c] = static_cast<std::uint8_t>(((o[c] * s + b[c] * (255 - s) + 1) * 257) >> 16);
      return;
    }
    const int out = s + (255 - s) * d / 255;
    const int share = roundDiv(s * 256, out);
    for (int c = 0; c < 3; ++c) b[c] = static_cast<std::uint8_t>(b[c] + (((o[c] - b[c]) * share) >> 8));
    b[3] = static_cast<std::uint8_t>(out);
    return;
  }
  if (d == 0) { std::copy(o, o + 4, b); return; }
  int B[3];
  for (int c = 0; c < 3; ++c) B[c] = modeBlend(mode, b[c], o[c]);
  if (d == 255 && s == 255) { for (int c = 0; c < 3; ++c) b[c] = static_cast<std::uint8_t>(B[c]); return; }
  if (d == 255) {
    for (int c = 0; c < 3; ++c) b[c] = static_cast<std::uint8_t>(((B[c] * s + b[c] * (255 - s) + 1) * 257) >> 16);
    return;
  }
  if (s == 255) {
    for (int c = 0; c < 3; ++c) b[c] = static_cast<std::uint8_t>(((B[c] * d + o[c] * (255 - d) + 1) * 257) >> 16);
    b[3] = 255;
    return;
  }
  const long t = (255 - s) * d / 255, u = s * d / 255;
  const long recip = roundDiv(65535, static_cast<int>(s + t));
  for (int c = 0; c < 3; ++c) b[c] = static_cast<std::uint8_t>(((t * b[c] + (s - u) * o[c] + u * B[c] + 1) * recip) >> 16);
  b[3] = static_cast<std::uint8_t>(s + t);
}

std::string captured(void (*what)()) {
  testing::internal::CaptureStdout();
  what();
  return testing::internal::GetCapturedStdout();
}

TEST(Compose, EveryModeFollowsItsFormulaForEveryPairOfAlphas) {
  const PixelImage overlay = picture(true);
  for (int mode = 0; mode < image::kComposeModes; ++mode) {
    PixelImage got = picture(false), want = picture(false);
    ASSERT_TRUE(image::compose(got, overlay, 0, 0, mode)) << mode;
    for (int k = 0; k < kSide * kSide; ++k) expectedPixel(mode, overlay.pixels.data() + k * 4, want.pixels.data() + k * 4);
    for (int k = 0; k < kSide * kSide * 4; ++k)
      ASSERT_EQ(got.pixels[k], want.pixels[k]) << "mode " << mode << " pixel " << k / 4 << " byte " << k % 4;
  }
}

TEST(Compose, TablesHoldTheirFormulasAtEveryIndex) {
  const image::BlendTables& t = image::blendTables();
  for (int i = 0; i < 256; ++i) {
    for (int j = 0; j < 256; ++j) {
      for (int mode = 6; mode <= 24; ++mode) {
        const image::ByteTable* tables[] = {&t.add, &t.subtract, &t.multiply, &t.screen, &t.lighten, &t.darken,
                                            &t.difference, &t.exclusion, &t.add, &t.colourDodge, &t.linearBurn,
                                            &t.colourBurn, &t.overlay, &t.hardLight, &t.softLight, &t.vividLight,
                                            &t.linearLight, &t.pinLight, &t.hardMix};
        ASSERT_EQ((*tables[mode - 6])[i][j], modeBlend(mode, i, j)) << mode << " " << i << " " << j;
      }
      ASSERT_EQ(t.alphaUnion[i][j], i + (255 - i) * j / 255);
      ASSERT_EQ(t.baseWeight[i][j], (255 - i) * j / 255);
      ASSERT_EQ(t.mixFactor[i][j], i == 0 ? 0u : static_cast<unsigned>(roundDiv(j * 256, i)));
    }
    ASSERT_EQ(t.reciprocal[i], i == 0 ? 0u : static_cast<unsigned>(roundDiv(65535, i)));
  }
}

TEST(Compose, PartialOpacityScalesTheOverlayAlpha) {
  const PixelImage overlay = picture(true);
  PixelImage got = picture(false), want = picture(false);
  image::compose(got, overlay, 0, 0, 8, 128);
  PixelImage scaled = overlay;
  for (std::size_t k = 3; k < scaled.pixels.size(); k += 4) scaled.pixels[k] = static_cast<std::uint8_t>((128 * scaled.pixels[k]) >> 8);
  for (int k = 0; k < kSide * kSide; ++k) expectedPixel(8, scaled.pixels.data() + k * 4, want.pixels.data() + k * 4);
  EXPECT_EQ(got.pixels, want.pixels);
}

TEST(Compose, NegativeCornersClipTheOverlayAndTheBaseClipsTheRest) {
  // x = -10 draws the overlay's columns 10 onward at column 0.
  PixelImage base = picture(false);
  PixelImage wide;
  wide.width = 20, wide.height = 3, wide.bits = 32;
  wide.pixels.resize(20 * 3 * 4);
  for (int x = 0; x < 20; ++x)
    for (int y = 0; y < 3; ++y) {
      std::uint8_t* p = wide.row(y) + x * 4;
      p[0] = static_cast<std::uint8_t>(x), p[1] = static_cast<std::uint8_t>(y), p[2] = 9, p[3] = 255;
    }
  const PixelImage before = base;
  ASSERT_TRUE(image::compose(base, wide, -10, 5, 0));
  for (int y = 0; y < kSide; ++y)
    for (int x = 0; x < kSide; ++x) {
      const std::uint8_t* p = base.row(y) + x * 4;
      if (y < 5) {
        EXPECT_TRUE(std::equal(p, p + 4, before.row(y) + x * 4)) << x << "," << y;
      } else {
        EXPECT_EQ(p[0], x + 10) << x << "," << y;
        EXPECT_EQ(p[1], y - 5);
      }
    }
  // Wholly left of or above the base: nothing drawn and nothing to say.
  EXPECT_EQ(captured([] {
              PixelImage b = picture(false);
              image::compose(b, picture(true), -kSide, 0, 5);
              image::compose(b, picture(true), INT32_MIN, INT32_MIN, 0);
              EXPECT_EQ(b.pixels, picture(false).pixels);
            }),
            "");
}

TEST(Compose, EdgeCasesOfTheBlends) {
  // Mode 5 onto an opaque base leaves it opaque; mode 8 with white leaves the base as it was.
  PixelImage base = picture(false);
  for (std::size_t k = 3; k < base.pixels.size(); k += 4) base.pixels[k] = 255;
  const PixelImage opaque = base;
  image::compose(base, picture(true), 0, 0, 5);
  for (std::size_t k = 3; k < base.pixels.size(); k += 4) EXPECT_EQ(base.pixels[k], 255);
  PixelImage white = picture(true);
  for (std::size_t k = 0; k < white.pixels.size(); ++k) white.pixels[k] = k % 4 == 3 ? white.pixels[k] : 255;
  PixelImage multiplied = opaque;
  image::compose(multiplied, white, 0, 0, 8);
  EXPECT_EQ(multiplied.pixels, opaque.pixels);
}

TEST(Compose, RefusalsPrintTheirMessagesAndLeaveTheBase) {
  EXPECT_EQ(captured([] {
              PixelImage b = picture(false);
              EXPECT_FALSE(image::compose(b, picture(true), kSide, 0, 2));
              EXPECT_FALSE(image::compose(b, picture(true), 0, kSide, 9));
              EXPECT_EQ(b.pixels, picture(false).pixels);
            }),
            "-CMP: 座標の指定が不正です\n-BLD: 座標の指定が不正です\n");
  EXPECT_EQ(captured([] {
              PixelImage b = picture(false), none;
              EXPECT_FALSE(image::compose(b, none, 0, 0, 1));
              EXPECT_FALSE(image::compose(none, b, 0, 0, 4));
            }),
            "-CMP: 画像データが読み込まれてません\n-BLD: 画像データが読み込まれてません\n");
  EXPECT_EQ(captured([] {
              PixelImage b = picture(false);
              EXPECT_FALSE(image::compose(b, picture(true), 0, 0, 26));
              EXPECT_FALSE(image::compose(b, picture(true), 0, 0, -1));
              EXPECT_EQ(b.pixels, picture(false).pixels);
            }),
            "-BLD: 合成モードが不正です\n-BLD: 合成モードが不正です\n");
}

}  // namespace
