// The device on real OpenGL (Mesa under Xvfb, or SDL's offscreen driver): a tiled picture
// drawn through every blend preset onto a known background, read back and compared with
// values computed here; refreshes, blank textures, tint, read-back and the report.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "graphics/device.h"
#include "graphics/test_pictures.h"
#include "graphics/device_internal.h"
#include "platform/options.h"
#include "platform/window.h"

namespace {

namespace fs = std::filesystem;
constexpr int kW = 800, kH = 600;

using namespace test_pictures;

class Device : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    // Without an X display the offscreen driver gives the same Mesa rasteriser.
    if (!std::getenv("DISPLAY")) setenv("SDL_VIDEODRIVER", "offscreen", 0);
    oldDir = fs::current_path();
    workDir = fs::temp_directory_path() / ("utsushi_device_" + std::to_string(::getpid()));
    fs::create_directories(workDir);
    fs::current_path(workDir);  // Information.txt is written here
    platform::EngineOptions o;
    o.noDialogs = true;
    platform::setOptions(o);
    graphics::setMaxTextureSize(256);
    graphics::setLimitFps(1000);  // pacing costs a millisecond a frame
    std::string why;
    windowUp = platform::createMainWindow("device test", why);
    ASSERT_TRUE(windowUp) << why;
    deviceUp = graphics::startDevice();
  }
  static void TearDownTestSuite() {
    graphics::releaseTextureImage(background);  // textures go before their device
    graphics::shutDownDevice();
    if (windowUp) platform::destroyMainWindow();
    graphics::setMaxTextureSize(0);
    graphics::setLimitFps(0);
    platform::setOptions(platform::EngineOptions{});
    fs::current_path(oldDir);
    fs::remove_all(workDir);
  }
  void SetUp() override { ASSERT_TRUE(deviceUp && graphics::hasDevice()); }

  // The background picture copied onto the whole stage.
  static void drawBackground() {
    if (!background) {
      ASSERT_TRUE(graphics::loadTexture(background, makePicture(kW, kH, backgroundAt)));
      background->alpha = 255;
      background->blendMode = 0;
    }
    graphics::bindRenderTarget(graphics::mainTarget());
    graphics::drawTextureImageAt(*background, 0, 0);
  }

  static image::PixelImage presentAndRead() {
    EXPECT_EQ(graphics::presentFrame(), 1);
    image::PixelImage frame;
    EXPECT_TRUE(graphics::readPresentedFrame(frame));
    EXPECT_EQ(frame.width, kW);
    EXPECT_EQ(frame.height, kH);
    return frame;
  }

  static inline fs::path oldDir, workDir;
  static inline bool windowUp = false, deviceUp = false;
  static inline graphics::TextureHolder background;
};

// Compares the whole frame with the background plus the picture at (left, top) in `preset`;
// the picture's textures reach `texRight`/`texBottom` beyond it with transparent black.
int countMismatches(const image::PixelImage& frame, int preset, bool fallback, int left, int top, int w, int h,
                    int texRight, int texBottom, std::string& first) {
  int bad = 0;
  for (int y = 0; y < kH; ++y)
    for (int x = 0; x < kW; ++x) {
      Bgra d = backgroundAt(x, y);
      Bgra want = d;
      const bool inPicture = x >= left && x < left + w && y >= top && y < top + h;
      const bool inTexture = x >= left && x < texRight && y >= top && y < texBottom;
      if (inTexture) {
        Bgra s = inPicture ? pictureAt(x - left, y - top) : Bgra{0, 0, 0, 0};
        want.b = static_cast<int>(std::lround(blendChannel(preset, fallback, s.b, s.a, d.b)));
        want.g = static_cast<int>(std::lround(blendChannel(preset, fallback, s.g, s.a, d.g)));
        want.r = static_cast<int>(std::lround(blendChannel(preset, fallback, s.r, s.a, d.r)));
      }
      const std::uint8_t* px = frame.row(y) + x * 4;
      const bool ok = std::abs(px[0] - want.b) <= 2 && std::abs(px[1] - want.g) <= 2 &&
                      std::abs(px[2] - want.r) <= 2 && px[3] == 255;
      if (!ok && bad++ == 0) {
        std::ostringstream m;
        m << "preset " << preset << " at (" << x << "," << y << ") got " << int(px[0]) << "," << int(px[1]) << ","
          << int(px[2]) << "," << int(px[3]) << " want " << want.b << "," << want.g << "," << want.r;
        first = m.str();
      }
    }
  return bad;
}

TEST_F(Device, TiledPictureThroughEveryBlendPreset) {
  // 600 x 300 with tile maximum 256: 3 x 2 tiles, the last column 88 wide in a 128 texture,
  // the last row 44 high in a 64 texture.
  graphics::TextureHolder pic;
  ASSERT_TRUE(graphics::loadTexture(pic, makePicture(600, 300, pictureAt)));
  ASSERT_EQ(pic->tileCount, 6);
  pic->alpha = 255;
  const int left = 37, top = 41;
  const int texRight = left + 512 + 128, texBottom = top + 256 + 64;
  for (bool fallback : {false, true}) {
    graphics::detail::overrideBlendOpCapability(!fallback);
    for (int preset = 0; preset <= 8; ++preset) {
      if (fallback && preset != 3) continue;
      drawBackground();
      pic->blendMode = static_cast<std::uint32_t>(preset);
      graphics::drawTextureImageAt(*pic, left, top);
      image::PixelImage frame = presentAndRead();
      std::string first;
      EXPECT_EQ(countMismatches(frame, preset, fallback, left, top, 600, 300, texRight, texBottom, first), 0)
          << first << (fallback ? " (without a subtracting blend)" : "");
    }
  }
  graphics::detail::overrideBlendOpCapability(true);
}

TEST_F(Device, TileMaximumThatIsNoPowerOfTwoKeepsOneTexelAPixel) {
  // Tiles of 300 in textures of 512: each quad spans its whole texture, the part past the
  // tile's 300 columns transparent and covered by the next tile.
  graphics::setMaxTextureSize(300);
  graphics::TextureHolder pic;
  ASSERT_TRUE(graphics::loadTexture(pic, makePicture(600, 280, pictureAt)));
  graphics::setMaxTextureSize(256);
  ASSERT_EQ(pic->tileCount, 2);
  ASSERT_EQ(pic->tileTexWidth[1], 512);
  pic->alpha = 255;
  for (int preset : {0, 1}) {
    drawBackground();
    pic->blendMode = static_cast<std::uint32_t>(preset);
    graphics::drawTextureImageAt(*pic, 20, 30);
    image::PixelImage frame = presentAndRead();
    std::string first;
    EXPECT_EQ(countMismatches(frame, preset, false, 20, 30, 600, 280, 20 + 300 + 512, 30 + 512, first), 0) << first;
  }
}

TEST_F(Device, SameSizeRefreshRewritesTheTextures) {
  graphics::TextureHolder pic;
  ASSERT_TRUE(graphics::loadTexture(pic, makePicture(300, 270, backgroundAt)));
  graphics::TextureImage* record = pic.get();
  const graphics::TextureHandle firstTile = pic->tiles[0];
  pic->alpha = 255;
  pic->blendMode = 1;
  ASSERT_TRUE(graphics::loadTexture(pic, makePicture(300, 270, pictureAt)));
  EXPECT_EQ(pic.get(), record);
  EXPECT_EQ(pic->tiles[0], firstTile);
  EXPECT_EQ(pic->alpha, 255);
  drawBackground();
  graphics::drawTextureImageAt(*pic, 10, 20);
  image::PixelImage frame = presentAndRead();
  std::string first;
  // 300 x 270 in tiles of 256: the textures reach 256 + 64 across and 256 + 16 down.
  EXPECT_EQ(countMismatches(frame, 1, false, 10, 20, 300, 270, 10 + 320, 20 + 272, first), 0) << first;
}

TEST_F(Device, BlankTextureTintAndReadBack) {
  // A blank texture drawn by the program: the left half opaque red, the right transparent.
  graphics::TextureHolder blank;
  ASSERT_TRUE(graphics::createBlankTexture(blank, 40, 20, false));
  blank->alpha = 255;
  blank->blendMode = 1;
  std::vector<std::uint8_t> cells(static_cast<std::size_t>(blank->texWidth) * blank->texHeight * 4, 0);
  for (int y = 0; y < blank->texHeight; ++y)
    for (int x = 0; x < 20; ++x) {
      std::uint8_t* px = &cells[(static_cast<std::size_t>(y) * blank->texWidth + x) * 4];
      px[2] = 200;
      px[1] = 100;
      px[3] = 255;
    }
  ASSERT_TRUE(graphics::writeTextureTile(*blank, 0, cells.data(), blank->texWidth * 4));
  // Tint: modulate with the factor (R 0x80, G 0xFF, B 0x40).
  blank->colourOp = 4;
  blank->colourFactor = 0xFF80FF40;
  drawBackground();
  graphics::drawTextureImageAt(*blank, 100, 50);
  image::PixelImage frame = presentAndRead();
  const std::uint8_t* red = frame.row(55) + 105 * 4;
  EXPECT_NEAR(red[2], 200 * 0x80 / 255, 1);
  EXPECT_NEAR(red[1], 100, 1);
  EXPECT_NEAR(red[0], 0, 1);
  const std::uint8_t* clear = frame.row(55) + 130 * 4;
  Bgra bg = backgroundAt(130, 55);
  EXPECT_NEAR(clear[0], bg.b, 1);
  EXPECT_NEAR(clear[2], bg.r, 1);

  // Drawing after a present does not change the frame read back until the next present.
  graphics::clearRenderTarget(0xFF0000FF);
  image::PixelImage again;
  ASSERT_TRUE(graphics::readPresentedFrame(again));
  EXPECT_EQ(again.pixels, frame.pixels);
  frame = presentAndRead();
  EXPECT_EQ(frame.row(300)[400 * 4 + 0], 255);
  EXPECT_EQ(frame.row(300)[400 * 4 + 2], 0);
}

TEST_F(Device, ScreenSizeChangeKeepsDrawing) {
  EXPECT_TRUE(graphics::changeScreenSize(800, 600, true));
  EXPECT_TRUE(graphics::changeScreenSize(1024, 768, false));
  EXPECT_TRUE(graphics::changeScreenSize(800, 600, false));
  graphics::bindRenderTarget(graphics::mainTarget());
  graphics::clearRenderTarget(0xFF102030);
  image::PixelImage frame = presentAndRead();
  EXPECT_EQ(frame.row(599)[799 * 4 + 0], 0x30);
  EXPECT_EQ(frame.row(0)[0 * 4 + 2], 0x10);
}

TEST_F(Device, CapabilityReportTakesGlValues) {
  std::ifstream in("Information.txt");
  std::stringstream text;
  text << in.rdbuf();
  const std::string report = text.str();
  ASSERT_EQ(report.rfind("CheckDeviceType\n\tScreenColor 22\nGetDeviceCaps\n", 0), 0u) << report;
  int width = 0, height = 0;
  const auto at = report.find("\tMaxTextureWidth ");
  ASSERT_NE(at, std::string::npos);
  std::sscanf(report.c_str() + at, "\tMaxTextureWidth %d\n\tMaxTextureHeight %d", &width, &height);
  EXPECT_GE(width, 1024);  // GL 3.3 guarantees at least this
  EXPECT_EQ(width, height);
  const bool software = report.find("\tDeviceType D3DDEVTYPE_REF\n") != std::string::npos;
  const std::string deviceLine = software ? "D3DDEVTYPE_REF D3DCREATE_SOFTWARE_VERTEXPROCESSING\n"
                                          : "D3DDEVTYPE_HAL D3DCREATE_HARDWARE_VERTEXPROCESSING\n";
  EXPECT_EQ(report.substr(report.size() - deviceLine.size()), deviceLine);
}

}  // namespace

namespace {

using Matrix = std::array<float, 16>;  // Direct3D layout: row vectors, rows in memory

Matrix multiply(const Matrix& a, const Matrix& b) {
  Matrix m{};
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c)
      for (int k = 0; k < 4; ++k) m[r * 4 + c] += a[r * 4 + k] * b[k * 4 + c];
  return m;
}

Bgra halves(int x, int) { return x < 32 ? Bgra{0, 0, 255, 255} : Bgra{0, 255, 0, 255}; }

TEST_F(Device, PictureTilesThroughADirect3DStyleMatrix) {
  graphics::TextureHolder pic;
  ASSERT_TRUE(graphics::loadTexture(pic, makePicture(64, 64, halves)));
  // One model unit = 32 stage pixels, the origin at stage (200, 150).
  const Matrix toStage = {32.0f / 400, 0, 0, 0, 0, 32.0f / 300, 0, 0, 0, 0, 1, 0, -0.5f, 0.5f, 0, 1};
  const Matrix quarterTurn = {0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};  // 90 degrees about z
  for (bool turned : {false, true}) {
    drawBackground();
    graphics::setBlendPreset(0);
    graphics::drawPictureTiles(*pic, *pic, turned ? multiply(quarterTurn, toStage) : toStage);
    image::PixelImage frame = presentAndRead();
    auto px = [&](int x, int y) { return frame.row(y) + x * 4; };
    // Unturned: red on the left, green on the right. Turned a quarter counter-clockwise (y
    // up), the right half comes on top.
    const std::uint8_t* red = turned ? px(200, 170) : px(180, 150);
    const std::uint8_t* green = turned ? px(200, 130) : px(220, 150);
    EXPECT_EQ(red[2], 255) << turned;
    EXPECT_EQ(red[1], 0) << turned;
    EXPECT_EQ(green[1], 255) << turned;
    EXPECT_EQ(green[2], 0) << turned;
    Bgra bg = backgroundAt(160, 110);
    EXPECT_EQ(px(160, 110)[0], bg.b);  // outside the 64 x 64 square
  }
}

}  // namespace
