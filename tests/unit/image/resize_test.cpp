// The resize filter used for screen captures of another size.
#include <gtest/gtest.h>

#include "image/resize.h"
#include "image_test_support.h"

namespace {

image::PixelImage grey(int width, int height, std::initializer_list<int> values) {
  image::PixelImage img;
  img.width = width, img.height = height, img.bits = 24;
  for (int v : values) img.pixels.insert(img.pixels.end(), {std::uint8_t(v), std::uint8_t(v), std::uint8_t(v), 255});
  return img;
}

TEST(Resize, SameSizeIsACopyAndUpscaleInterpolates) {
  image::PixelImage src = image_test::patternImage(7, 5);
  image::PixelImage img = src;
  ASSERT_TRUE(image::resize(&img, 7, 5, true));
  EXPECT_EQ(img.pixels, src.pixels);
  EXPECT_EQ(img.bits, 32);

  // 2 x 2 to 3 x 3: the middle row and column fall half-way between source pixels.
  img = grey(2, 2, {0, 100, 200, 40});
  ASSERT_TRUE(image::resize(&img, 3, 3, true));
  const int want[9] = {0, 50, 100, 100, 85, 70, 200, 120, 40};
  for (int i = 0; i < 9; ++i) EXPECT_EQ(img.pixels[i * 4], want[i]) << i;
  EXPECT_EQ(img.pixels[4 * 4 + 3], 255);
}

TEST(Resize, DownscaleSmoothsBeforeSampling) {
  // A one-pixel checkerboard sampled without smoothing would stay black and white.
  image::PixelImage img;
  img.width = 64, img.height = 48;
  for (int y = 0; y < 48; ++y)
    for (int x = 0; x < 64; ++x) {
      const std::uint8_t v = (x + y) % 2 ? 255 : 0;
      img.pixels.insert(img.pixels.end(), {v, v, v, 255});
    }
  ASSERT_TRUE(image::resize(&img, 16, 12, true));
  ASSERT_EQ(img.width, 16);
  ASSERT_EQ(img.height, 12);
  for (int y = 1; y < 11; ++y)
    for (int x = 1; x < 15; ++x) ASSERT_NEAR(img.row(y)[x * 4], 128, 2) << x << "," << y;
  // The corners are the source's own.
  EXPECT_EQ(img.row(0)[0], 0);
  EXPECT_EQ(img.row(0)[15 * 4], 255);
  EXPECT_EQ(img.row(11)[0], 255);
  EXPECT_EQ(img.row(11)[15 * 4], 0);
}

TEST(Resize, PercentagesAndRefusals) {
  image::PixelImage img = image_test::patternImage(10, 6);
  ASSERT_TRUE(image::resize(&img, 50, 150, false));
  EXPECT_EQ(img.width, 5);
  EXPECT_EQ(img.height, 9);

  const image::PixelImage before = img;
  testing::internal::CaptureStdout();
  EXPECT_FALSE(image::resize(&img, 5, 0, false));
  EXPECT_FALSE(image::resize(&img, 100000, 100000, true));
  EXPECT_FALSE(image::resize(nullptr, 5, 5, true));
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "-RES: リサイズ値が不正です\n-RES: リサイズ値が不正です\n-RES: 画像データを読み込めませんでした\n");
  EXPECT_EQ(img.pixels, before.pixels);
  EXPECT_EQ(img.width, 5);
}

}  // namespace
