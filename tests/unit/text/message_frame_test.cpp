// Message text on the stage: the frame draws the page's glyphs over the sprites while the
// window is shown, hides them with it, and a page clear takes them away.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "core/interpreter.h"
#include "graphics/device.h"
#include "graphics/frame.h"
#include "graphics/sprites.h"
#include "image/pixel_image.h"
#include "platform/cp932.h"
#include "platform/options.h"
#include "platform/window.h"
#include "text/backlog.h"
#include "text/glyph_renderer.h"
#include "text/message_layout.h"
#include "text/message_state.h"
#include "text/message_window.h"

namespace {

// Pixels in the rectangle that differ from the pixel at its top-left corner.
int inkIn(const image::PixelImage& frame, int left, int top, int width, int height) {
  const std::uint8_t* corner = frame.row(top) + left * 4;
  int n = 0;
  for (int y = top; y < top + height; ++y)
    for (int x = left; x < left + width; ++x) {
      const std::uint8_t* p = frame.row(y) + x * 4;
      n += p[0] != corner[0] || p[1] != corner[1] || p[2] != corner[2];
    }
  return n;
}

TEST(MessageFrame, GlyphsShownWithTheWindowAndGoneWithThePage) {
  if (!std::getenv("DISPLAY")) GTEST_SKIP() << "needs a display (xvfb-run)";
  platform::EngineOptions o = platform::options();
  o.noDialogs = true;
  platform::setOptions(o);
  std::string why;
  ASSERT_TRUE(platform::createMainWindow("message test", why)) << why;
  ASSERT_TRUE(graphics::startDevice());
  graphics::resetSprites();
  {  // the stage is never cleared between frames: a backdrop sprite covers it
    image::PixelImage backdrop;
    backdrop.width = 800;
    backdrop.height = 600;
    backdrop.pixels.assign(800 * 600 * 4, 0);
    for (std::size_t i = 0; i < backdrop.pixels.size(); i += 4) {
      backdrop.pixels[i] = 0x60;
      backdrop.pixels[i + 3] = 0xFF;
    }
    graphics::TextureHolder holder;
    ASSERT_TRUE(graphics::loadTexture(holder, std::move(backdrop)));
    graphics::stageMadePicture(0, std::move(holder), "backdrop", 0);
    graphics::commitSprites();
  }
  ASSERT_TRUE(text::createGlyphRenderers());
  text::MessageState& ms = text::messageState();
  ms = text::MessageState{};
  ms.textSpeed = 0;
  ms.originX = 100;
  ms.originY = 200;
  text::resetBacklog();
  platform::WindowMessage msg;
  ASSERT_FALSE(text::showMessageLine(platform::jp("(文字/もじ)"), 1, {}, msg).quit);

  image::PixelImage frame;
  ASSERT_EQ(graphics::renderFrame(), 1);
  ASSERT_TRUE(graphics::readPresentedFrame(frame));
  ASSERT_GE(frame.width, 800);
  EXPECT_GT(inkIn(frame, 100, 200, 52, 30), 100) << "the base at the window's origin";
  EXPECT_GT(inkIn(frame, 100, 187, 52, 13), 20) << "the ruby half a line above";
  EXPECT_EQ(inkIn(frame, 160, 187, 200, 60), 0) << "nothing beside them";

  ms.windowShown = false;
  ASSERT_EQ(graphics::renderFrame(), 1);
  ASSERT_TRUE(graphics::readPresentedFrame(frame));
  EXPECT_EQ(inkIn(frame, 100, 187, 60, 43), 0) << "a hidden window hides its text";

  ms.windowShown = true;
  text::clearPage();
  ASSERT_TRUE(graphics::readPresentedFrame(frame));
  EXPECT_EQ(inkIn(frame, 100, 187, 60, 43), 0) << "a new page starts empty";
  EXPECT_EQ(text::messageRenderer().glyphCount, 0);

  text::destroyGlyphRenderers();
  graphics::releaseSprites();
  graphics::shutDownDevice();
  platform::destroyMainWindow();
}

}  // namespace
