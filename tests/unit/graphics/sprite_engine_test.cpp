// The whole engine on the GL device: a script stages sprites, prints them and takes
// screenshots; the saved frames are decoded here and checked against placement, alpha,
// additive blending, tint and the staging rule computed by the test.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "graphics/engine_game.h"
#include "image/pixel_image.h"

namespace {

int bgBlue(int x, int y) { return (x + y) & 255; }
int bgGreen(int, int y) { return (y * 2) & 255; }
int bgRed(int x, int) { return (x * 3) & 255; }
int picBlue(int x, int) { return (x * 5) & 255; }
constexpr int kPicGreen = 200, kPicRed = 40;

image::PixelImage makeImage(int w, int h, bool background) {
  image::PixelImage p;
  p.width = w;
  p.height = h;
  p.pixels.resize(static_cast<std::size_t>(w) * h * 4);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      std::uint8_t* px = p.row(y) + x * 4;
      px[0] = static_cast<std::uint8_t>(background ? bgBlue(x, y) : picBlue(x, y));
      px[1] = static_cast<std::uint8_t>(background ? bgGreen(x, y) : kPicGreen);
      px[2] = static_cast<std::uint8_t>(background ? bgRed(x, y) : kPicRed);
      px[3] = 255;
    }
  return p;
}

class SpriteEngine : public engine_game::EngineGame {
 protected:
  void SetUp() override {
    EngineGame::SetUp();
    engine_game::writePng(game / "bg.png", makeImage(800, 600, true));
    engine_game::writePng(game / "pic.png", makeImage(200, 100, false));
  }
};

using engine_game::readPng;

TEST_F(SpriteEngine, PrintShowsStagedSpritesOnTheStage) {
  const std::string script =
      "sp 0, \"bg.png\", 1\n"
      "sp.b 0, 0\n"
      "sp 5, \"pic.png\", 1\n"
      "print 1\n"
      "getscreenshot 800, 600\n"
      "savescreenshot \"placed.png\", 1\n"
      // staged only: the frame keeps the printed stage
      "sp.x 5, 100\n"
      "wait 50\n"
      "getscreenshot 800, 600\n"
      "savescreenshot \"staged.png\", 1\n"
      "sp.x 5, 400\n"
      "sp.a 5, 128\n"
      "sp.b 5, 2\n"
      "print\n"
      "wait 50\n"
      "getscreenshot 800, 600\n"
      "savescreenshot \"additive.png\", 1\n"
      "sp.a 5, 255\n"
      "sp.b 5, 1\n"
      "sp.c 5, 4, 0x8080FF\n"
      "print 1\n"
      "getscreenshot 800, 600\n"
      "savescreenshot \"tinted.png\", 1\n";
  ASSERT_EQ(run(script), 0) << errors();
  EXPECT_EQ(errors(), "");

  auto placed = readPng(game / "placed.png");
  ASSERT_TRUE(placed);
  for (int y = 240; y < 360; ++y)
    for (int x = 290; x < 510; ++x) {
      const std::uint8_t* px = placed->row(y) + x * 4;
      const bool inside = x >= 300 && x < 500 && y >= 250 && y < 350;
      const int b = inside ? picBlue(x - 300, y - 250) : bgBlue(x, y);
      const int g = inside ? kPicGreen : bgGreen(x, y);
      const int r = inside ? kPicRed : bgRed(x, y);
      ASSERT_TRUE(px[0] == b && px[1] == g && px[2] == r) << "at " << x << "," << y;
    }

  auto staged = readPng(game / "staged.png");
  ASSERT_TRUE(staged);
  EXPECT_EQ(staged->pixels, placed->pixels);

  auto additive = readPng(game / "additive.png");
  ASSERT_TRUE(additive);
  for (int y = 250; y < 350; y += 9)
    for (int x = 300; x < 500; x += 7) {
      const std::uint8_t* px = additive->row(y) + x * 4;
      EXPECT_NEAR(px[0], std::min(255.0, bgBlue(x, y) + picBlue(x - 300, y - 250) * 128 / 255.0), 1.5);
      EXPECT_NEAR(px[1], std::min(255.0, bgGreen(x, y) + kPicGreen * 128 / 255.0), 1.5);
      EXPECT_NEAR(px[2], std::min(255.0, bgRed(x, y) + kPicRed * 128 / 255.0), 1.5);
    }

  auto tinted = readPng(game / "tinted.png");
  ASSERT_TRUE(tinted);
  const std::uint8_t* px = tinted->row(300) + 400 * 4;
  EXPECT_NEAR(px[2], kPicRed * 0x80 / 255.0, 1.5);
  EXPECT_NEAR(px[1], kPicGreen * 0x80 / 255.0, 1.5);
  EXPECT_NEAR(px[0], picBlue(100, 50), 1.5);
}

TEST_F(SpriteEngine, QuakeShiftsLayerZeroPictures) {
  // quake.x 50, 400: a quarter period of 100 ms eases the offset up to +50; a screenshot at
  // 100 ms meets the picture 40 to 50 pixels right of its place, and at the end it is back.
  const std::string script =
      "sp 0, \"bg.png\"\n"
      "sp.b 0, 0\n"
      "sp 5, \"pic.png\"\n"
      "print 1\n"
      "quake.x 50, 400, 1\n"
      "wait 100\n";
  const std::string input = "100 screenshot " + (game / "shake.png").string() + "\n" + "450 screenshot " +
                            (game / "after.png").string() + "\n";
  ASSERT_EQ(run(script, input), 0) << errors();
  auto leftEdge = [](const image::PixelImage& img) {
    for (int x = 0; x < 800; ++x) {
      const std::uint8_t* px = img.row(300) + x * 4;
      if (px[1] == kPicGreen && px[2] == kPicRed) return x;
    }
    return -1;
  };
  auto shake = readPng(game / "shake.png");
  auto after = readPng(game / "after.png");
  ASSERT_TRUE(shake && after);
  EXPECT_GE(leftEdge(*shake), 340);
  EXPECT_LE(leftEdge(*shake), 351);
  EXPECT_EQ(leftEdge(*after), 300);
}

}  // namespace
