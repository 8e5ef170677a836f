// Glyphs on the device: message glyph cells drawn as screen quads over the stage, read back
// after presenting; text pictures drawn into blank textures, with and without a device.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "graphics/device.h"
#include "platform/cp932.h"
#include "platform/window.h"
#include "text/glyph_renderer.h"

namespace {

using text::GlyphRenderer;

TEST(GlyphTextures, MessageGlyphsBlendOverTheStagePixelForPixel) {
  if (!std::getenv("DISPLAY")) GTEST_SKIP() << "needs a display (xvfb-run)";
  std::string why;
  ASSERT_TRUE(platform::createMainWindow("glyph test", why)) << why;
  ASSERT_TRUE(graphics::startDevice());
  GlyphRenderer r;
  ASSERT_TRUE(text::create(r, platform::jp("ＭＳ ゴシック"), 26, 14, 8));
  text::setColours(r, 0xFFFF00, 0xFF0000, 0x000040);
  text::addMessageGlyph(r, 100, 50, 0x89, 0x69);
  text::addMessageGlyph(r, 126, 50, 0, 'W');
  ASSERT_EQ(r.glyphCount, 2);
  EXPECT_NE(r.glyphTextures[0].texture, 0u);

  const std::uint32_t background = 0x204060;
  graphics::bindRenderTarget(graphics::mainTarget());
  graphics::clearRenderTarget(0xFF000000 | background);
  text::drawMessageGlyphs(r);
  ASSERT_EQ(graphics::presentFrame(), 1);
  image::PixelImage frame;
  ASSERT_TRUE(graphics::readPresentedFrame(frame));

  // The expected stage: both cells blended in creation order (the second overlaps the
  // first, as neighbouring glyph cells do) over the background.
  const int left = 90, top = 40, width = 80, height = 50;
  std::vector<int> want(static_cast<std::size_t>(width) * height * 3);
  for (int i = 0; i < width * height; ++i) {
    for (int k = 0; k < 3; ++k)
      want[static_cast<std::size_t>(i) * 3 + k] = static_cast<int>(background >> (8 * k) & 0xFF);
  }
  int inked = 0;
  for (int g = 0; g < 2; ++g) {
    const image::PixelImage& cell = r.glyphTextures[static_cast<std::size_t>(g)].cell;
    int x0 = g == 0 ? 100 : 126;
    for (int row = 0; row < cell.height; ++row) {
      for (int col = 0; col < cell.width; ++col) {
        const std::uint8_t* src = cell.row(row) + col * 4;
        int* dst = &want[(static_cast<std::size_t>(50 + row - top) * width + (x0 + col - left)) * 3];
        for (int k = 0; k < 3; ++k) dst[k] = (src[k] * src[3] + dst[k] * (255 - src[3]) + 127) / 255;
        inked += src[3] == 255;
      }
    }
  }
  int worst = 0;
  for (int row = 0; row < height; ++row) {
    for (int col = 0; col < width; ++col) {
      const std::uint8_t* got = frame.row(top + row) + (left + col) * 4;
      for (int k = 0; k < 3; ++k) {
        worst = std::max(worst, std::abs(got[k] - want[(static_cast<std::size_t>(row) * width + col) * 3 + k]));
      }
    }
  }
  EXPECT_LE(worst, 1) << "one texel lands on one stage pixel";
  EXPECT_GT(inked, 50);
  // Outside the cells the stage is untouched.
  const std::uint8_t* outside = frame.row(40) + 100 * 4;
  EXPECT_EQ(outside[0] | outside[1] << 8 | outside[2] << 16, static_cast<int>(background));

  text::releaseMessageGlyphs(r);
  EXPECT_EQ(r.glyphTextures[0].texture, 0u);
  text::destroy(r);
  graphics::shutDownDevice();
  platform::destroyMainWindow();
}

TEST(GlyphTextures, StringsDrawIntoBlankPicturesWithoutADevice) {
  ASSERT_FALSE(graphics::hasDevice());
  GlyphRenderer r;
  ASSERT_TRUE(text::create(r, platform::jp("ＭＳ ゴシック"), 26, 14, 0));
  graphics::TextureHolder holder;
  std::string line = platform::jp("テキスト");
  int width = static_cast<int>(line.size()) * 26 / 2 + 4;
  ASSERT_TRUE(graphics::createBlankTexture(holder, width, 30, true));
  text::drawString(r, *holder, line);
  ASSERT_EQ(holder->pixels.size(), static_cast<std::size_t>(width) * 30 * 4);

  image::PixelImage want;
  want.width = holder->texWidth;
  want.height = holder->texHeight;
  want.pixels.assign(static_cast<std::size_t>(want.width) * want.height * 4, 0);
  text::drawString(r, text::targetOf(want), line);
  int inked = 0;
  for (int row = 0; row < 30; ++row) {
    for (int col = 0; col < width; ++col) {
      ASSERT_EQ(std::memcmp(holder->pixels.data() + (row * width + col) * 4, want.row(row) + col * 4, 4), 0);
      inked += want.row(row)[col * 4 + 3] != 0;
    }
  }
  EXPECT_GT(inked, 100);
  // A second string is drawn over the first, as into the kept texture.
  text::drawString(r, *holder, "-");
  text::drawString(r, text::targetOf(want), "-");
  for (int row = 0; row < 30; ++row) {
    ASSERT_EQ(std::memcmp(holder->pixels.data() + row * width * 4, want.row(row), static_cast<std::size_t>(width) * 4),
              0);
  }
}

}  // namespace
