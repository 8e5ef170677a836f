// The three writers: what they write read back by the decoders (and checked byte by byte
// where the format is simple), their depth and option rules and their stdout messages.
#include <gtest/gtest.h>

#include <cmath>

#include "image/codecs.h"
#include "image/image_loader.h"
#include "image/savers.h"
#include "image_test_support.h"
#include "platform/cp932.h"

namespace {

using image_test::Bytes;

// The grey weights, computed here rather than taken from the engine's tables.
std::uint8_t expectedGrey(const std::uint8_t* bgra) {
  return static_cast<std::uint8_t>(std::trunc(bgra[2] * 0.298912 + bgra[1] * 0.586611 + bgra[0] * 0.114477));
}

std::optional<image::PixelImage> decodeFile(const std::filesystem::path& path) {
  std::string why;
  auto img = image::decodeImage(image_test::readBytes(path.string()), why);
  EXPECT_TRUE(img) << path << ": " << why;
  return img;
}

void expectSameColours(const image::PixelImage& a, const image::PixelImage& b, bool compareAlpha) {
  ASSERT_EQ(a.width, b.width);
  ASSERT_EQ(a.height, b.height);
  for (std::size_t i = 0; i < a.pixels.size(); ++i) {
    if (i % 4 == 3 && !compareAlpha) continue;
    ASSERT_EQ(a.pixels[i], b.pixels[i]) << "byte " << i;
  }
}

TEST(PngSaver, RoundTripsAtEveryDepthInterlacedOrNot) {
  image_test::TempFolder folder;
  const image::PixelImage src = image_test::patternImage(13, 9);
  for (int option : {0, 1}) {
    SCOPED_TRACE(option ? "interlaced" : "progressive rows");
    ASSERT_TRUE(image::savePng("a32.png", &src, 32, 6, option));
    auto back = decodeFile("a32.png");
    ASSERT_TRUE(back);
    EXPECT_EQ(back->bits, 32);
    expectSameColours(src, *back, true);
    Bytes file = image_test::readBytes("a32.png");
    EXPECT_EQ(file[28], option);  // IHDR interlace method

    ASSERT_TRUE(image::savePng("a24.png", &src, 24, 6, option));
    back = decodeFile("a24.png");
    ASSERT_TRUE(back);
    EXPECT_EQ(back->bits, 24);
    expectSameColours(src, *back, false);
    EXPECT_EQ(back->pixels[3], 255);

    ASSERT_TRUE(image::savePng("a8.png", &src, 8, 6, option));
    back = decodeFile("a8.png");
    ASSERT_TRUE(back);
    for (int y = 0; y < src.height; ++y)
      for (int x = 0; x < src.width; ++x) {
        const std::uint8_t* p = back->row(y) + x * 4;
        const std::uint8_t g = expectedGrey(src.row(y) + x * 4);
        ASSERT_TRUE(p[0] == g && p[1] == g && p[2] == g && p[3] == 255) << x << "," << y;
      }
  }
}

TEST(PngSaver, DepthZeroLevelAndDifferenceEntries) {
  image_test::TempFolder folder;
  image::PixelImage src = image_test::patternImage(5, 4);
  src.bits = 24;
  src.baseName = platform::jp("立ち絵/base.png");
  src.left = -7, src.top = 300, src.mode = 21;
  ASSERT_TRUE(image::savePng("d.png", &src, 0, 9, 0));
  auto back = decodeFile("d.png");
  ASSERT_TRUE(back);
  EXPECT_EQ(back->bits, 24);  // depth 0: the picture's own
  EXPECT_EQ(back->baseName, src.baseName);
  EXPECT_EQ(back->left, -7);
  EXPECT_EQ(back->top, 300);
  EXPECT_EQ(back->mode, 21);

  // The top two bits of zlib's second header byte name the level class: 3 for 9, 0 for 0.
  auto levelClass = [](const Bytes& png) {
    for (std::size_t i = 8; i + 10 < png.size();) {
      const std::uint32_t length = std::uint32_t{png[i]} << 24 | png[i + 1] << 16 | png[i + 2] << 8 | png[i + 3];
      if (std::memcmp(&png[i + 4], "IDAT", 4) == 0) return png[i + 9] >> 6;
      i += 12 + length;
    }
    return -1;
  };
  EXPECT_EQ(levelClass(image_test::readBytes("d.png")), 3);
  ASSERT_TRUE(image::savePng("d0.png", &src, 0, 0, 0));
  EXPECT_EQ(levelClass(image_test::readBytes("d0.png")), 0);
}

TEST(BmpSaver, LayoutAndRoundTrips) {
  image_test::TempFolder folder;
  const image::PixelImage src = image_test::patternImage(3, 2);
  ASSERT_TRUE(image::saveBmp("a24.bmp", &src, 24, 0, 0));
  Bytes file = image_test::readBytes("a24.bmp");
  // 3 pixels x 3 bytes = 9, padded to 12 a row.
  ASSERT_EQ(file.size(), 54u + 24u);
  auto u32 = [&](std::size_t p) { return std::uint32_t{file[p]} | file[p + 1] << 8 | file[p + 2] << 16 | std::uint32_t{file[p + 3]} << 24; };
  EXPECT_EQ(u32(2), 78u);
  EXPECT_EQ(u32(10), 54u);
  EXPECT_EQ(u32(14), 40u);
  EXPECT_EQ(u32(22), 2u);  // positive height: bottom-up
  EXPECT_EQ(u32(34), 24u);
  // The first stored row is the bottom one; padding bytes are zero.
  EXPECT_EQ(file[54], src.row(1)[0]);
  EXPECT_EQ(file[54 + 9], 0);
  EXPECT_EQ(file[54 + 12], src.row(0)[0]);
  auto back = decodeFile("a24.bmp");
  ASSERT_TRUE(back);
  expectSameColours(src, *back, false);

  ASSERT_TRUE(image::saveBmp("a32.bmp", &src, 0, 0, 0));  // depth 0: the picture's 32 bits
  back = decodeFile("a32.bmp");
  ASSERT_TRUE(back);
  EXPECT_EQ(back->bits, 32);
  expectSameColours(src, *back, true);

  ASSERT_TRUE(image::saveBmp("a8.bmp", &src, 8, 0, 0));
  file = image_test::readBytes("a8.bmp");
  ASSERT_EQ(file.size(), 54u + 1024u + 8u);
  EXPECT_EQ(u32(10), 1078u);
  EXPECT_EQ(u32(54 + 4 * 200), 0x00C8C8C8u);  // grey palette entry 200
  back = decodeFile("a8.bmp");
  ASSERT_TRUE(back);
  EXPECT_EQ(back->row(0)[0], expectedGrey(src.row(0)));
  EXPECT_EQ(back->row(1)[8], expectedGrey(src.row(1) + 8));
}

// Start-of-frame marker and component count of a JPEG file.
std::pair<int, int> frameKind(const Bytes& jpeg) {
  for (std::size_t i = 2; i + 9 < jpeg.size(); ++i)
    if (jpeg[i] == 0xFF && (jpeg[i + 1] == 0xC0 || jpeg[i + 1] == 0xC1 || jpeg[i + 1] == 0xC2))
      return {jpeg[i + 1], jpeg[i + 9]};
  return {-1, -1};
}

TEST(JpegSaver, CodingsDepthsAndQuality) {
  image_test::TempFolder folder;
  // Flat 16 x 16 blocks: coded almost exactly.
  image::PixelImage src = image_test::patternImage(32, 32);
  src.bits = 24;
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) {
      std::uint8_t* p = src.row(y) + x * 4;
      p[0] = x < 16 ? 200 : 30, p[1] = y < 16 ? 40 : 180, p[2] = 90, p[3] = 0;
    }
  ASSERT_TRUE(image::saveJpeg("base.jpg", &src, 0, 95, 0));
  EXPECT_EQ(frameKind(image_test::readBytes("base.jpg")), std::make_pair(0xC0, 3));
  auto back = decodeFile("base.jpg");
  ASSERT_TRUE(back);
  EXPECT_EQ(back->bits, 24);
  // Colour is subsampled 2 x 2 by default: compare away from the block edges.
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) {
      const std::uint8_t* p = back->row(y) + x * 4;
      ASSERT_EQ(p[3], 255);
      if (x % 16 < 2 || x % 16 > 13 || y % 16 < 2 || y % 16 > 13) continue;
      for (int c = 0; c < 3; ++c) ASSERT_NEAR(p[c], src.row(y)[x * 4 + c], 4) << x << "," << y;
    }

  ASSERT_TRUE(image::saveJpeg("opt.jpg", &src, 24, 95, 1));
  EXPECT_EQ(frameKind(image_test::readBytes("opt.jpg")), std::make_pair(0xC0, 3));
  ASSERT_TRUE(image::saveJpeg("prog.jpg", &src, 24, 95, 2));
  EXPECT_EQ(frameKind(image_test::readBytes("prog.jpg")), std::make_pair(0xC2, 3));
  EXPECT_TRUE(decodeFile("prog.jpg"));

  ASSERT_TRUE(image::saveJpeg("grey.jpg", &src, 8, 95, 0));
  EXPECT_EQ(frameKind(image_test::readBytes("grey.jpg")), std::make_pair(0xC0, 1));
  back = decodeFile("grey.jpg");
  ASSERT_TRUE(back);
  EXPECT_NEAR(back->row(3)[0], expectedGrey(src.row(3)), 3);
  EXPECT_NEAR(back->row(20)[100], expectedGrey(src.row(20) + 100), 3);

  // Noise at quality 100 codes to more than the fixed-size buffer of width x height x depth/8
  // + 1024 bytes would hold; the writer must still produce the whole file.
  image::PixelImage noise = image_test::patternImage(64, 64);
  std::uint32_t seed = 12345;
  for (auto& b : noise.pixels) b = static_cast<std::uint8_t>((seed = seed * 1103515245u + 12345u) >> 24);
  ASSERT_TRUE(image::saveJpeg("noise.jpg", &noise, 8, 100, 0));
  EXPECT_GT(image_test::readBytes("noise.jpg").size(), 64u * 64u + 1024u);
  EXPECT_TRUE(decodeFile("noise.jpg"));
  ASSERT_TRUE(image::saveJpeg("low.jpg", &noise, 0, 10, 0));
  EXPECT_LT(image_test::readBytes("low.jpg").size(), image_test::readBytes("noise.jpg").size());
}

TEST(Savers, MessagesOnStdoutAndNoFileOnFailure) {
  image_test::TempFolder folder;
  const image::PixelImage src = image_test::patternImage(4, 4);
  testing::internal::CaptureStdout();
  EXPECT_FALSE(image::savePng("x.png", nullptr, 0, 9, 0));
  EXPECT_FALSE(image::saveJpeg("x.jpg", nullptr, 0, 80, 0));
  EXPECT_FALSE(image::saveBmp("missing/x.bmp", &src, 24, 0, 0));
  EXPECT_FALSE(image::savePng("missing/x.png", &src, 24, 9, 0));
  EXPECT_FALSE(image::saveJpeg("missing/x.jpg", &src, 24, 80, 0));
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(out,
            "PNG: \"x.png\" 画像データを読み込めませんでした\n"
            "JPEG: \"x.jpg\" 画像データを読み込めませんでした\n"
            "BMP: \"missing/x.bmp\" 画像を保存出来ませんでした\n"
            "PNG: \"missing/x.png\" 画像を保存出来ませんでした\n"
            "JPEG: \"missing/x.jpg\" 画像を保存出来ませんでした\n");
  EXPECT_FALSE(std::filesystem::exists("x.png"));
  EXPECT_TRUE(std::filesystem::is_empty(folder.path()));
}

}  // namespace
