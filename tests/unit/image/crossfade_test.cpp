// The cross-fade against its per-pixel cases computed here, on one thread and split over
// several (the parts must join without a seam); the alpha masks; the chain's loading rules
// (overlay files, the folder of a difference picture's base, stand-picture canvases).
#include <gtest/gtest.h>

#include <cmath>

#include "core/archive.h"
#include "image/alpha_mask.h"
#include "image/crossfade.h"
#include "image/filter_chain.h"
#include "image/savers.h"
#include "image_test_support.h"
#include "platform/options.h"

namespace {

using image::PixelImage;

PixelImage fadeSide(bool second) {
  static constexpr int kAlpha[] = {0, 255, 90, 255, 0, 170, 1, 128};
  PixelImage p;
  p.width = 37, p.height = 5, p.bits = 32;  // 185 pixels: parts of unequal length
  p.pixels.resize(37 * 5 * 4);
  for (int k = 0; k < 37 * 5; ++k) {
    std::uint8_t* px = &p.pixels[k * 4];
    px[0] = static_cast<std::uint8_t>(second ? 255 - k : k * 3);
    px[1] = static_cast<std::uint8_t>(second ? k * 7 : 200);
    px[2] = static_cast<std::uint8_t>(second ? 0 : 255 - k);
    px[3] = static_cast<std::uint8_t>(kAlpha[(k + (second ? k / 8 : 0)) % 8]);
  }
  // A few equal pixels, copied as they are.
  if (second) {
    const PixelImage first = fadeSide(false);
    std::copy(first.pixels.begin() + 40, first.pixels.begin() + 60, p.pixels.begin() + 40);
  }
  return p;
}

void fadeReference(const std::uint8_t* a, const std::uint8_t* b, std::uint8_t* o, int w) {
  if (std::equal(a, a + 4, b)) {
    std::copy(a, a + 4, o);
    return;
  }
  if (b[3] == 0) {
    std::copy(a, a + 3, o);
    o[3] = static_cast<std::uint8_t>(((256 - w) * a[3]) >> 8);
  } else if (a[3] == 0) {
    std::copy(b, b + 3, o);
    o[3] = static_cast<std::uint8_t>((w * b[3]) >> 8);
  } else if (a[3] == 255 && b[3] == 255) {
    for (int c = 0; c < 3; ++c) o[c] = static_cast<std::uint8_t>(a[c] + (((b[c] - a[c]) * ((w * 255) >> 8)) >> 8));
    o[3] = 255;
  } else {
    const int wa = ((256 - w) * a[3]) >> 8, wb = (w * b[3]) >> 8;
    const int cover = wb + (255 - wb) * wa / 255;
    const int share = cover == 0 ? 0 : static_cast<int>(std::floor(wb * 256.0 / cover + 0.5));
    for (int c = 0; c < 3; ++c) o[c] = static_cast<std::uint8_t>(a[c] + (((b[c] - a[c]) * share) >> 8));
    o[3] = static_cast<std::uint8_t>(cover);
  }
}

TEST(Crossfade, EveryCaseOnOneAndOnSeveralThreads) {
  const PixelImage a = fadeSide(false), b = fadeSide(true);
  for (int threads : {1, 2, 3, 7, 0}) {
    image::setWorkerThreads(threads);
    for (int w : {0, 1, 77, 128, 200, 255, 256}) {
      PixelImage out;
      ASSERT_TRUE(image::crossfade(out, a, b, w));
      std::vector<std::uint8_t> want(a.pixels.size());
      for (std::size_t k = 0; k < a.pixels.size(); k += 4) fadeReference(&a.pixels[k], &b.pixels[k], &want[k], w);
      EXPECT_EQ(out.pixels, want) << threads << " threads, weight " << w;
    }
  }
  image::setWorkerThreads(0);
  EXPECT_GE(image::workerThreads(), 1);
  PixelImage out, small = fadeSide(false);
  small.width = 36;
  small.pixels.resize(36 * 5 * 4);
  EXPECT_FALSE(image::crossfade(out, a, small, 100));
}

TEST(AlphaMask, AlphaFromBlueOfAMaskOrOfTheRightHalf) {
  PixelImage img = image_test::patternImage(6, 3), mask = image_test::patternImage(6, 3);
  ASSERT_TRUE(image::maskFromImage(&img, &mask, true));
  for (std::size_t k = 0; k < img.pixels.size(); k += 4) EXPECT_EQ(img.pixels[k + 3], 255 - mask.pixels[k]);
  const PixelImage both = image_test::patternImage(8, 3);
  auto half = image::maskFromRightHalf(&both, false);
  ASSERT_TRUE(half);
  ASSERT_EQ(half->width, 4);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x) {
      EXPECT_TRUE(std::equal(half->row(y) + x * 4, half->row(y) + x * 4 + 3, both.row(y) + x * 4));
      EXPECT_EQ(half->row(y)[x * 4 + 3], both.row(y)[(x + 4) * 4]);
    }
  testing::internal::CaptureStdout();
  PixelImage other = image_test::patternImage(5, 3);
  EXPECT_FALSE(image::maskFromImage(&img, &other, false));
  EXPECT_FALSE(image::maskFromImage(nullptr, &other, false));
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "-M2A: 二つの画像サイズが違います\n-M2A: 画像データを読み込めませんでした\n");
}

struct QuietGame {
  QuietGame() {
    platform::EngineOptions o = platform::options();
    o.noDialogs = true;
    platform::setOptions(o);
    core::loadArchiveIndex();
  }
  image_test::TempFolder folder;
};

PixelImage solid(int w, int h, std::uint8_t b, std::uint8_t g, std::uint8_t r, std::uint8_t a) {
  PixelImage p = *image::createImage(w, h, 32);
  for (std::size_t k = 0; k < p.pixels.size(); k += 4) p.pixels[k] = b, p.pixels[k + 1] = g, p.pixels[k + 2] = r, p.pixels[k + 3] = a;
  return p;
}

TEST(FilterChain, DifferencePicturesFindTheirBaseBesideThem) {
  QuietGame game;
  std::filesystem::create_directory("image");
  PixelImage base = solid(6, 4, 10, 20, 30, 255), otherBase = solid(6, 4, 200, 200, 200, 255);
  ASSERT_TRUE(image::savePng("image/base.png", &base, 32, 6, 0));
  ASSERT_TRUE(image::savePng("base.png", &otherBase, 32, 6, 0));
  PixelImage diff = solid(2, 2, 100, 100, 100, 255);
  diff.baseName = "base.png", diff.left = 3, diff.top = 1, diff.mode = 12;
  ASSERT_TRUE(image::savePng("image/diff.png", &diff, 32, 6, 0));
  ASSERT_TRUE(image::savePng("diff.png", &diff, 32, 6, 0));

  auto inFolder = image::loadFiltered("image/diff.png", {});
  ASSERT_TRUE(inFolder);
  ASSERT_EQ(inFolder->width, 6);
  EXPECT_EQ(inFolder->row(1)[3 * 4 + 0], 90);  // |10 - 100|, difference
  EXPECT_EQ(inFolder->row(1)[3 * 4 + 2], 70);
  EXPECT_EQ(inFolder->row(0)[3 * 4 + 0], 10);  // outside the difference picture
  auto bare = image::loadFiltered("diff.png", {});
  ASSERT_TRUE(bare);
  EXPECT_EQ(bare->row(2)[4 * 4 + 0], 100);  // |200 - 100| onto the bare name's base
  EXPECT_EQ(image::folderOf("a\\b/c.png"), "a\\b/");
  EXPECT_EQ(image::folderOf("\x95\x5c.png"), "");  // a trail byte 0x5C is no separator

  // The filters run on the composed picture; an overlay file replaces the base rule.
  image::FilterSettings negative;
  negative.reverse = 1;
  auto overlaid = image::loadFiltered("image/base.png", negative, {"DIFF.PNG", -1, 3, 0});
  ASSERT_TRUE(overlaid);
  EXPECT_EQ(overlaid->row(3)[0], 255 - 100);
  EXPECT_EQ(overlaid->row(2)[0], 255 - 10);

  testing::internal::CaptureStderr();
  EXPECT_FALSE(image::loadFiltered("image/base.png", {}, {"missing.png", 0, 0, 0}));
  EXPECT_NE(testing::internal::GetCapturedStderr().find("missing.png"), std::string::npos);
}

TEST(FilterChain, StandPicturesStandCentredOnTheCanvasBottom) {
  QuietGame game;
  PixelImage girl = solid(3, 2, 1, 2, 3, 255);
  ASSERT_TRUE(image::savePng("girl.png", &girl, 32, 6, 0));
  auto canvas = image::loadCanvas("girl.png", {}, 8, 5);
  ASSERT_TRUE(canvas);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 8; ++x) EXPECT_EQ(canvas->row(y)[x * 4 + 3], (x >= 2 && x < 5 && y >= 3) ? 255 : 0) << x << "," << y;
  // Wider than the canvas: the centre still lines up ((2 - 3) >> 1 = -1).
  auto narrow = image::loadCanvas("girl.png", {}, 2, 2);
  ASSERT_TRUE(narrow);
  EXPECT_EQ(narrow->row(0)[3], 255);
}

}  // namespace
