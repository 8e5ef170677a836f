// The three decoders against files made outside the engine: PNG and BMP fixtures written by
// tests/data/image/make_fixtures.py (Python's zlib, ImageMagick), BMPs built byte by byte
// here, JPEGs from ImageMagick. Damaged files of each format must fail cleanly.
#include <gtest/gtest.h>

#include "image/codecs.h"
#include "image/image_loader.h"
#include "image_test_support.h"

namespace {

using image_test::Bytes;

std::optional<image::PixelImage> decodeFile(const std::string& name, std::string& why) {
  Bytes file = image_test::readBytes(image_test::fixturePath(name));
  EXPECT_FALSE(file.empty()) << name;
  return image::decodeImage(file, why);
}

void expectDecodesAsExpected(const std::string& name, int tolerance) {
  SCOPED_TRACE(name);
  std::string why;
  auto img = decodeFile(name, why);
  ASSERT_TRUE(img) << why;
  image_test::Expected e = image_test::readExpected(name);
  EXPECT_EQ(img->width, e.width);
  EXPECT_EQ(img->height, e.height);
  EXPECT_EQ(img->bits, e.bits);
  EXPECT_LE(image_test::maxDifference(e.pixels, img->pixels), tolerance);
}

TEST(PngDecoder, EveryLayoutBecomesBgra) {
  for (const char* name : {"palette_trns.png", "grey1.png", "grey2.png", "grey_alpha.png", "grey_trns.png",
                           "rgb16.png", "rgb_trns.png", "rgba16_interlaced.png", "rgb_interlaced_filters.png",
                           "rgb_filters.png", "difference.png"})
    expectDecodesAsExpected(name, 0);
}

TEST(PngDecoder, DifferenceEntriesBeforeAndAfterTheRows) {
  std::string why;
  auto img = decodeFile("difference.png", why);
  ASSERT_TRUE(img) << why;
  EXPECT_EQ(img->baseName, "\x8d\xb7\x95\xaa/\x83\x78\x81\x5b\x83\x58.png");  // 差分/ベース.png in CP932
  EXPECT_EQ(img->left, -12);
  EXPECT_EQ(img->top, 34);  // " 34px" reads as 34, as atoi would
  EXPECT_EQ(img->mode, 5);

  auto plain = decodeFile("rgb16.png", why);
  ASSERT_TRUE(plain);
  EXPECT_TRUE(plain->baseName.empty());
  EXPECT_EQ(plain->left, 0);
  EXPECT_EQ(plain->mode, 0);
}

TEST(JpegDecoder, BaselineProgressiveAndGreyscale) {
  expectDecodesAsExpected("baseline.jpg", 6);
  expectDecodesAsExpected("progressive.jpg", 6);
  expectDecodesAsExpected("grey.jpg", 3);
  std::string why;
  auto grey = decodeFile("grey.jpg", why);
  ASSERT_TRUE(grey);
  for (std::size_t i = 0; i < grey->pixels.size(); i += 4) {
    ASSERT_EQ(grey->pixels[i], grey->pixels[i + 1]);
    ASSERT_EQ(grey->pixels[i], grey->pixels[i + 2]);
    ASSERT_EQ(grey->pixels[i + 3], 255);
  }
}

TEST(BmpDecoder, FilesWrittenByImageMagick) {
  for (const char* name : {"bilevel.bmp", "palette4.bmp", "palette8.bmp", "truecolor24.bmp"})
    expectDecodesAsExpected(name, 0);
}

// Builds a BMP from rows given top to bottom. Each row holds one value a pixel: a palette
// index for depths up to 8, else the pixel's bytes B,G,R(,A) packed little-endian.
struct BmpBuild {
  int width = 0;
  int height = 0;  // as stored: negative for top-down
  int bitCount = 8;
  bool coreHeader = false;
  std::vector<std::uint32_t> palette;  // 0x00RRGGBB
  std::vector<std::vector<std::uint32_t>> rows;
  std::uint32_t compression = 0;
  std::uint32_t colorsUsed = 0;
};

void put(Bytes& b, std::uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

Bytes buildBmp(const BmpBuild& s) {
  Bytes header, body;
  for (std::uint32_t c : s.palette) {
    put(body, c & 0xFFFFFF, 3);
    if (!s.coreHeader) body.push_back(0);
  }
  const std::size_t dataOffset = 14 + (s.coreHeader ? 12 : 40) + body.size();
  const int rows = static_cast<int>(s.rows.size());
  for (int i = 0; i < rows; ++i) {
    const auto& row = s.rows[s.height < 0 ? i : rows - 1 - i];
    Bytes packed;
    int bitsUsed = 0;
    for (std::uint32_t v : row) {
      if (s.bitCount >= 8) {
        put(packed, v, s.bitCount / 8);
      } else {
        if (bitsUsed % 8 == 0) packed.push_back(0);
        packed.back() |= static_cast<std::uint8_t>(v << (8 - s.bitCount - bitsUsed % 8));
        bitsUsed += s.bitCount;
      }
    }
    while (packed.size() % 4) packed.push_back(0);
    body.insert(body.end(), packed.begin(), packed.end());
  }
  header = {'B', 'M'};
  put(header, static_cast<std::uint32_t>(14 + (s.coreHeader ? 12 : 40) + body.size()), 4);
  put(header, 0, 4);
  put(header, static_cast<std::uint32_t>(dataOffset), 4);
  if (s.coreHeader) {
    put(header, 12, 4);
    put(header, static_cast<std::uint32_t>(s.width), 2);
    put(header, static_cast<std::uint32_t>(s.height), 2);
    put(header, 1, 2);
    put(header, static_cast<std::uint32_t>(s.bitCount), 2);
  } else {
    put(header, 40, 4);
    put(header, static_cast<std::uint32_t>(s.width), 4);
    put(header, static_cast<std::uint32_t>(s.height), 4);
    put(header, 1, 2);
    put(header, static_cast<std::uint32_t>(s.bitCount), 2);
    put(header, s.compression, 4);
    put(header, 0, 4);  // image size
    put(header, 0, 4);
    put(header, 0, 4);
    put(header, s.colorsUsed, 4);
    put(header, 0, 4);
  }
  header.insert(header.end(), body.begin(), body.end());
  return header;
}

std::uint32_t pixelAt(const image::PixelImage& img, int x, int y) {
  const std::uint8_t* p = img.row(y) + x * 4;
  return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24;
}

// Rows of indices where pixel (x, y) is (x * 3 + y) mod `colours`.
std::vector<std::vector<std::uint32_t>> indexRows(int width, int height, int colours) {
  std::vector<std::vector<std::uint32_t>> rows(height, std::vector<std::uint32_t>(width));
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) rows[y][x] = static_cast<std::uint32_t>((x * 3 + y) % colours);
  return rows;
}

void expectIndexed(const image::PixelImage& img, const BmpBuild& s, int colours) {
  ASSERT_EQ(img.width, s.width);
  ASSERT_EQ(img.height, std::abs(s.height));
  EXPECT_EQ(img.bits, 24);
  for (int y = 0; y < img.height; ++y)
    for (int x = 0; x < img.width; ++x)
      ASSERT_EQ(pixelAt(img, x, y), 0xFF000000u | s.palette[(x * 3 + y) % colours]) << x << "," << y;
}

TEST(BmpDecoder, IndexedDepthsWithOddWidthsBothWaysUp) {
  for (int bitCount : {1, 4, 8}) {
    for (int width : {1, 7, 33, 45}) {
      for (bool topDown : {false, true}) {
        SCOPED_TRACE(testing::Message() << bitCount << " bits, width " << width << (topDown ? " top-down" : ""));
        const int colours = 1 << bitCount;
        BmpBuild s;
        s.width = width;
        s.height = topDown ? -5 : 5;
        s.bitCount = bitCount;
        for (int i = 0; i < colours; ++i) s.palette.push_back(static_cast<std::uint32_t>(i * 0x010203 + 0x100000));
        s.rows = indexRows(width, 5, colours);
        std::string why;
        auto img = image::decodeBmp(buildBmp(s), why);
        ASSERT_TRUE(img) << why;
        expectIndexed(*img, s, colours);
      }
    }
  }
}

TEST(BmpDecoder, CoreHeaderWithThreeBytePalette) {
  BmpBuild s;
  s.coreHeader = true;
  s.width = 6;
  s.height = 3;
  s.bitCount = 4;
  for (int i = 0; i < 16; ++i) s.palette.push_back(static_cast<std::uint32_t>(0x0F0E0D * i));
  s.rows = indexRows(6, 3, 16);
  std::string why;
  auto img = image::decodeBmp(buildBmp(s), why);
  ASSERT_TRUE(img) << why;
  expectIndexed(*img, s, 16);
}

TEST(BmpDecoder, ShortPaletteGivesBlackForMissingEntries) {
  BmpBuild s;
  s.width = 3;
  s.height = 1;
  s.bitCount = 8;
  s.colorsUsed = 2;
  s.palette = {0x112233, 0x445566};
  s.rows = {{0, 1, 200}};
  std::string why;
  auto img = image::decodeBmp(buildBmp(s), why);
  ASSERT_TRUE(img) << why;
  EXPECT_EQ(pixelAt(*img, 0, 0), 0xFF112233u);
  EXPECT_EQ(pixelAt(*img, 1, 0), 0xFF445566u);
  EXPECT_EQ(pixelAt(*img, 2, 0), 0xFF000000u);
}

TEST(BmpDecoder, TrueColourAndAlpha) {
  BmpBuild s24;
  s24.width = 3;  // 9 bytes a row, padded to 12
  s24.height = -2;
  s24.bitCount = 24;
  s24.rows = {{0x010203, 0x040506, 0x070809}, {0xA0B0C0, 0xD0E0F0, 0x000000}};
  std::string why;
  auto img = image::decodeBmp(buildBmp(s24), why);
  ASSERT_TRUE(img) << why;
  EXPECT_EQ(img->bits, 24);
  EXPECT_EQ(pixelAt(*img, 0, 0), 0xFF010203u);
  EXPECT_EQ(pixelAt(*img, 1, 1), 0xFFD0E0F0u);

  BmpBuild s32 = s24;
  s32.bitCount = 32;
  s32.height = 2;  // bottom-up
  s32.rows = {{0x00102030, 0x80405060, 0xFF708090}, {0x00000000, 0x01010101, 0x7F7F7F7F}};
  img = image::decodeBmp(buildBmp(s32), why);
  ASSERT_TRUE(img) << why;
  EXPECT_EQ(img->bits, 32);
  EXPECT_EQ(pixelAt(*img, 0, 0), 0x00102030u);  // fourth byte 0: fully transparent
  EXPECT_EQ(pixelAt(*img, 1, 0), 0x80405060u);
  EXPECT_EQ(pixelAt(*img, 2, 1), 0x7F7F7F7Fu);
}

TEST(BmpDecoder, RefusesWhatItCannotShow) {
  BmpBuild s;
  s.width = 2;
  s.height = 2;
  s.bitCount = 16;
  s.rows = {{1, 2}, {3, 4}};
  std::string why;
  EXPECT_FALSE(image::decodeBmp(buildBmp(s), why)) << "16 bits";
  s.bitCount = 24;
  s.compression = 1;
  EXPECT_FALSE(image::decodeBmp(buildBmp(s), why)) << "compressed";
  s.compression = 0;
  EXPECT_TRUE(image::decodeBmp(buildBmp(s), why)) << why;

  Bytes file = buildBmp(s);
  auto setI32 = [&](std::size_t pos, std::uint32_t v) { for (int i = 0; i < 4; ++i) file[pos + i] = std::uint8_t(v >> (8 * i)); };
  setI32(22, 0x80000000u);  // height INT_MIN has no absolute value
  EXPECT_FALSE(image::decodeBmp(file, why));
  setI32(22, 2);
  setI32(18, 0);  // width 0
  EXPECT_FALSE(image::decodeBmp(file, why));
  setI32(18, 100000);  // rows that are not there
  EXPECT_FALSE(image::decodeBmp(file, why));
  setI32(18, 2);
  setI32(10, 0xFFFFFFF0u);  // pixel data beyond the end
  EXPECT_FALSE(image::decodeBmp(file, why));
}

// Every proper prefix of a well-formed file fails, whatever the format.
TEST(Decoders, EveryTruncationFails) {
  BmpBuild s;
  s.width = 5;
  s.height = 3;
  s.bitCount = 4;
  for (int i = 0; i < 16; ++i) s.palette.push_back(static_cast<std::uint32_t>(i));
  s.rows = indexRows(5, 3, 16);
  std::vector<std::pair<std::string, Bytes>> files = {{"hand-built BMP", buildBmp(s)}};
  for (const char* name : {"bilevel.bmp", "palette_trns.png", "rgba16_interlaced.png", "difference.png",
                           "baseline.jpg", "progressive.jpg", "grey.jpg"})
    files.emplace_back(name, image_test::readBytes(image_test::fixturePath(name)));
  for (const auto& [name, file] : files) {
    std::string why;
    ASSERT_TRUE(image::decodeImage(file, why)) << name << ": " << why;
    for (std::size_t n = 0; n < file.size(); ++n) {
      std::span<const std::uint8_t> prefix(file.data(), n);
      ASSERT_FALSE(image::decodeImage(prefix, why)) << name << " cut to " << n << " bytes";
    }
  }
}

std::size_t findMarker(const Bytes& file, std::uint8_t marker) {
  for (std::size_t i = 0; i + 1 < file.size(); ++i)
    if (file[i] == 0xFF && file[i + 1] == marker) return i;
  return file.size();
}

TEST(Decoders, CorruptDataFails) {
  std::string why;
  // PNG: one changed byte inside the compressed rows breaks the chunk's CRC.
  Bytes png = image_test::readBytes(image_test::fixturePath("rgb_filters.png"));
  png[png.size() / 2] ^= 0x55;
  EXPECT_FALSE(image::decodeImage(png, why));

  // PNG whose IHDR claims far more rows than its data could hold.
  png = image_test::readBytes(image_test::fixturePath("grey1.png"));
  png[16] = 0x00, png[17] = 0x00, png[18] = 0x7F, png[19] = 0xFF;  // width 32767
  png[20] = 0x00, png[21] = 0x00, png[22] = 0x7F, png[23] = 0xFF;
  EXPECT_FALSE(image::decodeImage(png, why));

  // JPEG: the entropy-coded data of the scan overwritten with a restart marker it does not
  // expect, and in a second copy with an end-of-image in the middle of the scan.
  const Bytes jpeg = image_test::readBytes(image_test::fixturePath("baseline.jpg"));
  const std::size_t sos = findMarker(jpeg, 0xDA);
  ASSERT_LT(sos + 40, jpeg.size());
  Bytes damaged = jpeg;
  damaged[sos + 20] = 0xFF, damaged[sos + 21] = 0xD3;
  EXPECT_FALSE(image::decodeImage(damaged, why));
  damaged = jpeg;
  damaged[sos + 20] = 0xFF, damaged[sos + 21] = 0xD9;
  EXPECT_FALSE(image::decodeImage(damaged, why));

  // JPEG with a 12-bit sample precision, which this build does not decode.
  damaged = jpeg;
  const std::size_t sof = findMarker(jpeg, 0xC0);
  ASSERT_LT(sof + 4, jpeg.size());
  damaged[sof + 4] = 12;
  EXPECT_FALSE(image::decodeImage(damaged, why));

  // Not a picture at all.
  const Bytes text = {'G', 'I', 'F', '8', '9', 'a'};
  EXPECT_FALSE(image::decodeImage(text, why));
  EXPECT_EQ(image::detectFormat(text), image::ImageFormat::Unknown);
}

}  // namespace
