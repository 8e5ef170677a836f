// The filter chain through the script on the GL device: sprites loaded with each filter
// switched on, with sp2 overlays and with a difference picture, drawn with the copy blend so
// that the screenshot shows the filtered colours, checked against values computed here.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "graphics/test_pictures.h"
#include "image/codecs.h"
#include "image/pixel_image.h"

namespace {

namespace fs = std::filesystem;
constexpr int kSide = 8;

struct Px {
  int b, g, r, a;
};
// Alpha 255 but for a transparent and a half-covered column, so the blur and the mosaic
// weigh colours by alpha.
Px picAt(int x, int y) { return {x * 30 + 5, y * 31, (x * y * 7) % 256, x == 2 ? 0 : x == 5 ? 128 : 255}; }

image::PixelImage makeImage(int w, int h, Px (*at)(int, int)) {
  image::PixelImage p;
  p.width = w, p.height = h, p.bits = 32;
  p.pixels.resize(static_cast<std::size_t>(w) * h * 4);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const Px c = at(x, y);
      std::uint8_t* q = p.row(y) + x * 4;
      q[0] = static_cast<std::uint8_t>(c.b), q[1] = static_cast<std::uint8_t>(c.g), q[2] = static_cast<std::uint8_t>(c.r),
      q[3] = static_cast<std::uint8_t>(c.a);
    }
  return p;
}

using test_pictures::readPng;
using test_pictures::writePng;

int weighted(int colour, int alpha) { return (colour * (alpha + (alpha >= 128 ? 1 : 0))) >> 8; }

// Average of the pixels of [x0, x1] x [y0, y1] as blur and mosaic take it, channel c.
int windowAverage(int x0, int x1, int y0, int y1, int c) {
  long sum = 0, count = 0;
  for (int y = y0; y <= y1; ++y)
    for (int x = x0; x <= x1; ++x) {
      const Px p = picAt(x, y);
      const int v[3] = {p.b, p.g, p.r};
      sum += weighted(v[c], p.a);
      ++count;
    }
  return static_cast<int>((sum + count / 2) / count);
}

class SpriteFilters : public ::testing::Test {
 protected:
  void SetUp() override {
    game = fs::temp_directory_path() / ("utsushi_sprite_filters_" + std::to_string(::getpid()));
    fs::create_directories(game / "script");
    fs::create_directories(game / "diff");
    writePng(game / "pic.png", makeImage(kSide, kSide, picAt));
    writePng(game / "diff" / "base.png", makeImage(kSide, kSide, [](int x, int y) { return Px{x * 20, y * 20, 90, 255}; }));
    image::PixelImage diff = makeImage(2, 2, [](int, int) { return Px{100, 100, 100, 255}; });
    diff.baseName = "base.png", diff.left = 3, diff.top = 4, diff.mode = 12;
    writePng(game / "diff" / "face.png", diff);
  }
  void TearDown() override { fs::remove_all(game); }

  int run(const std::string& script) {
    std::ofstream(game / "script" / "0.txt", std::ios::binary) << script;
    if (!std::getenv("DISPLAY")) setenv("SDL_VIDEODRIVER", "offscreen", 0);
    const std::string command = std::string(UTSUSHI_BINARY_DIR) +
                                "/utsushi --no-dialogs --virtual-clock --video=gl --audio=none --exit-after 60000 '" +
                                game.string() + "' 2>'" + (game / "stderr.txt").string() + "' >'" +
                                (game / "stdout.txt").string() + "'";
    return std::system(command.c_str());
  }
  std::string file(const char* name) {
    std::ifstream in(game / name);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }

  fs::path game;
};

// Slot n shows its 8 x 8 picture with the copy blend, centred on (100 + 50n, 100).
std::string show(int n, const std::string& load) {
  const std::string s = std::to_string(n);
  return load + "\nsp.b " + s + ", 0\nsp.xy " + s + ", " + std::to_string(100 + 50 * n) + ", 100\n";
}

TEST_F(SpriteFilters, EachFilterReachesTheScreen) {
  const std::string script = show(1, "sp 1, \"pic.png\"") +                                      // as it is
                             show(2, "sp.rev 2\nsp 2, \"pic.png\"") +                            // negative
                             show(3, "sp.gray 3, 1\nsp 3, \"pic.png\"") +                        // grey
                             show(4, "sp.bc 4, 20, -100\nsp 4, \"pic.png\"") +                   // flat 148
                             show(5, "sp.color 5, 50, 0, -100\nsp 5, \"pic.png\"") +             // curves
                             show(6, "sp.blur 6, 1, 2\nsp 6, \"pic.png\"") +                     // blur
                             show(7, "sp.mosaic 7, 3, 5\nsp 7, \"pic.png\"") +                   // mosaic
                             show(8, "sp2 8, \"pic.png\", \"diff/base.png\", 12, -2, 1") +        // difference
                             show(9, "sp 9, \"diff/face.png\"") +                                // Name rule
                             show(10, "sp.blur 10, 0, 0\nsp.mosaic 10, 1, 1\nsp.bc 10, 0, 0\nsp 10, \"pic.png\"") +
                             "print 1\ngetscreenshot 800, 600\nsavescreenshot \"shot.png\", 1\n";
  ASSERT_EQ(run(script), 0) << file("stderr.txt");
  EXPECT_EQ(file("stderr.txt"), "");
  auto shot = readPng(game / "shot.png");
  ASSERT_TRUE(shot);
  auto at = [&](int n, int x, int y, int c) { return int{shot->row(96 + y)[(100 + 50 * n - 4 + x) * 4 + c]}; };
  for (int y = 0; y < kSide; ++y)
    for (int x = 0; x < kSide; ++x) {
      const Px p = picAt(x, y);
      const int v[3] = {p.b, p.g, p.r};
      const int grey = static_cast<int>(p.r * 0.298912 + p.g * 0.586611 + p.b * 0.114477);
      for (int c = 0; c < 3; ++c) {
        const std::string where = std::to_string(x) + "," + std::to_string(y) + " channel " + std::to_string(c);
        ASSERT_EQ(at(1, x, y, c), v[c]) << where;
        ASSERT_EQ(at(2, x, y, c), 255 - v[c]) << where;
        ASSERT_EQ(at(3, x, y, c), grey) << where;
        ASSERT_EQ(at(4, x, y, c), 148) << where;
        const int percent[3] = {-100, 0, 50};
        ASSERT_EQ(at(5, x, y, c), static_cast<int>(255 * std::pow(v[c] / 255.0, std::pow(0.5, percent[c] / 100.0)))) << where;
        ASSERT_EQ(at(6, x, y, c), windowAverage(std::max(0, x - 1), std::min(7, x + 1), std::max(0, y - 2), std::min(7, y + 2), c))
            << where;
        ASSERT_EQ(at(7, x, y, c), windowAverage(x / 3 * 3, std::min(7, x / 3 * 3 + 2), y / 5 * 5, std::min(7, y / 5 * 5 + 4), c))
            << where;
        // sp2: the base picture drawn at (-2, 1) in difference mode; onto a transparent
        // pixel it replaces, elsewhere the base is opaque so the difference shows.
        const bool covered = y >= 1 && x < 6;
        const int over[3] = {(x + 2) * 20, (y - 1) * 20, 90};
        const int want = !covered ? v[c] : p.a == 0 ? over[c] : p.a == 255 ? std::abs(v[c] - over[c]) : -1;
        if (want >= 0) {
          ASSERT_EQ(at(8, x, y, c), want) << where;
        }
        const int base[3] = {x * 20, y * 20, 90};
        const bool inFace = x >= 3 && x < 5 && y >= 4 && y < 6;
        ASSERT_EQ(at(9, x, y, c), inFace ? std::abs(base[c] - 100) : base[c]) << where;
        ASSERT_EQ(at(10, x, y, c), v[c]) << where;
      }
    }
}

TEST_F(SpriteFilters, StandPictureCanvasAndComposeMessages) {
  const std::string script =
      "sp.gray 3, 1\nsp.st 3, \"pic.png\", 20, 10\nsp.b 3, 0\nsp.xy 3, 400, 300\n"
      "sp2 4, \"pic.png\", \"diff/base.png\", 5, 8, 0\n"
      "sp2 5, \"pic.png\", \"diff/base.png\", 1, 0, 99\n"
      "sp2 6, \"pic.png\", \"diff/base.png\", 40, 0, 0\n"
      "sp.af 255, 100, 0\nsp.set 3, 1, 0\nsp.exe 3, 0\nwait 300\n"
      "getscreenshot 800, 600\nsavescreenshot \"stand.png\", 1\n";
  ASSERT_EQ(run(script), 0) << file("stderr.txt");
  EXPECT_EQ(file("stdout.txt"),
            "-BLD: 座標の指定が不正です\n-CMP: 座標の指定が不正です\n-BLD: 合成モードが不正です\n");
  auto shot = readPng(game / "stand.png");
  ASSERT_TRUE(shot);
  // The grey picture stands centred on a 20 x 10 canvas: columns 6..13, rows 2..9.
  for (int y = 0; y < kSide; ++y)
    for (int x = 0; x < kSide; ++x) {
      const Px p = picAt(x, y);
      const int grey = static_cast<int>(p.r * 0.298912 + p.g * 0.586611 + p.b * 0.114477);
      ASSERT_EQ(shot->row(295 + 2 + y)[(390 + 6 + x) * 4 + 1], grey) << x << "," << y;
    }
}

TEST_F(SpriteFilters, DemoSceneRunsAndReturns) {
  // The demo's filter scene as a gallery calls it: grey and sepia girls on the screen
  // (their dresses, at 62% scale, below the centre of slots 151 and 152), and the
  // subroutine returns to the caller.
  const fs::path demo = fs::path(UTSUSHI_TEST_DATA) / ".." / ".." / "demo";
  fs::copy(demo / "pic", game / "pic");
  fs::copy(demo / "script" / "scene_filters.txt", game / "script" / "scene_filters.txt");
  std::ofstream(game / "input.txt") << "2000 screenshot " << (game / "scene.png").string() << "\n";
  const std::string script = "gosub *scene_filters\nerror \"back\"\n";
  std::ofstream(game / "script" / "0.txt", std::ios::binary) << script;
  if (!std::getenv("DISPLAY")) setenv("SDL_VIDEODRIVER", "offscreen", 0);
  const std::string command = std::string(UTSUSHI_BINARY_DIR) +
                              "/utsushi --no-dialogs --virtual-clock --video=gl --audio=none --exit-after 60000 --input '" +
                              (game / "input.txt").string() + "' '" + game.string() + "' 2>'" +
                              (game / "stderr.txt").string() + "'";
  ASSERT_EQ(std::system(command.c_str()), 0);
  EXPECT_EQ(file("stderr.txt"), "Error: script/0.txt[2] error ※back\n");
  auto shot = readPng(game / "scene.png");
  ASSERT_TRUE(shot);
  const std::uint8_t* grey = shot->row(340) + 84 * 4;
  EXPECT_TRUE(grey[0] == grey[1] && grey[1] == grey[2]) << int{grey[0]} << " " << int{grey[1]} << " " << int{grey[2]};
  const std::uint8_t* sepia = shot->row(340) + 242 * 4;
  EXPECT_TRUE(sepia[2] > sepia[1] && sepia[1] > sepia[0]) << int{sepia[0]} << " " << int{sepia[1]} << " " << int{sepia[2]};
}

}  // namespace
