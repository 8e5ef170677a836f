// The resize filter used for screen captures of another size.
#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

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

// The box smoothing summed outright, then the bilinear sample of each output pixel with the
// first and last output pixels on the first and last source pixels, corners copied.
image::PixelImage referenceResize(const image::PixelImage& src, int w, int h) {
  const int boxW = std::max(1, src.width / w), boxH = std::max(1, src.height / h);
  image::PixelImage smooth = src;
  for (int y = 0; y < src.height; ++y)
    for (int x = 0; x < src.width; ++x)
      for (int c = 0; c < 4; ++c) {
        long sum = 0, count = 0;
        for (int v = std::max(0, y - boxH / 2); v <= std::min(src.height - 1, y - boxH / 2 + boxH - 1); ++v)
          for (int u = std::max(0, x - boxW / 2); u <= std::min(src.width - 1, x - boxW / 2 + boxW - 1); ++u)
            sum += src.row(v)[u * 4 + c], ++count;
        smooth.row(y)[x * 4 + c] = static_cast<std::uint8_t>((sum + count / 2) / count);
      }
  image::PixelImage out;
  out.width = w, out.height = h, out.bits = 32;
  out.pixels.resize(static_cast<std::size_t>(w) * h * 4);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const long sx = static_cast<long>(x) * (src.width - 1) * 8 / (w - 1), sy = static_cast<long>(y) * (src.height - 1) * 8 / (h - 1);
      const int fx = sx % 8, fy = sy % 8, x0 = static_cast<int>(sx / 8), y0 = static_cast<int>(sy / 8);
      const int x1 = std::min(x0 + 1, src.width - 1), y1 = std::min(y0 + 1, src.height - 1);
      for (int c = 0; c < 4; ++c)
        out.row(y)[x * 4 + c] = static_cast<std::uint8_t>(
            (smooth.row(y0)[x0 * 4 + c] * (8 - fx) * (8 - fy) + smooth.row(y0)[x1 * 4 + c] * fx * (8 - fy) +
             smooth.row(y1)[x0 * 4 + c] * (8 - fx) * fy + smooth.row(y1)[x1 * 4 + c] * fx * fy) >> 6);
    }
  for (auto [x, y] : {std::pair{0, 0}, {w - 1, 0}, {0, h - 1}, {w - 1, h - 1}}) {
    const int sx = x ? src.width - 1 : 0, sy = y ? src.height - 1 : 0;
    std::copy(src.row(sy) + sx * 4, src.row(sy) + sx * 4 + 4, out.row(y) + x * 4);
  }
  return out;
}

TEST(Resize, DownscaleIsTheBoxAverageSampledInEighths) {
  for (auto [w, h, nw, nh] : {std::tuple{37, 23, 10, 7}, {30, 20, 7, 9}, {16, 40, 15, 3}}) {
    image::PixelImage img = image_test::patternImage(w, h);
    const image::PixelImage want = referenceResize(img, nw, nh);
    ASSERT_TRUE(image::resize(&img, nw, nh, true));
    EXPECT_EQ(img.pixels, want.pixels) << w << "x" << h << " to " << nw << "x" << nh;
  }
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
