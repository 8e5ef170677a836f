// The sprite table without a device: easing, animation values at known clock times, the
// sp.set modes and sp.exe repeat modes, the stand-picture cross-fade, stored property and
// filter values. Commands run through the registry, as the interpreter calls them.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "app/command_tables.h"
#include "core/command_registry.h"
#include "graphics/frame.h"
#include "graphics/sprites.h"
#include "image/codecs.h"
#include "platform/clock.h"
#include "platform/options.h"

namespace {

namespace fs = std::filesystem;
using graphics::easeValue;

void run(std::string_view name, std::string_view args) {
  const core::CommandEntry* e = core::findCommandEntry(name);
  ASSERT_NE(e, nullptr) << name;
  core::runCommand(*e, args);
}

image::PixelImage solid(int w, int h, std::uint8_t b, std::uint8_t g, std::uint8_t r, std::uint8_t a) {
  image::PixelImage p;
  p.width = w;
  p.height = h;
  p.pixels.resize(static_cast<std::size_t>(w) * h * 4);
  for (std::size_t i = 0; i < p.pixels.size(); i += 4) {
    p.pixels[i] = b;
    p.pixels[i + 1] = g;
    p.pixels[i + 2] = r;
    p.pixels[i + 3] = a;
  }
  return p;
}

class SpriteAnimation : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    platform::EngineOptions o;
    o.noDialogs = true;
    o.videoNone = true;
    platform::setOptions(o);
    platform::useVirtualClock(true);
    if (core::commandCount() == 0) app::registerCommands();
  }
  static void TearDownTestSuite() {
    graphics::resetSprites();
    platform::useVirtualClock(false);
    platform::setOptions(platform::EngineOptions{});
  }
  void SetUp() override { graphics::resetSprites(); }

  // A committed w x h picture in slot n at the stage centre.
  static void showPicture(int n, int w = 64, int h = 32) {
    graphics::TextureHolder holder;
    ASSERT_TRUE(graphics::loadTexture(holder, solid(w, h, 10, 20, 30, 255)));
    graphics::stageMadePicture(n, std::move(holder), "pic", 0);
    graphics::commitSprites();
  }
  static graphics::SpriteSlot& slot(int n) { return *graphics::spriteSlot(n); }
  static void advance(std::uint32_t ms) {
    platform::sleepMs(ms);
    graphics::updateAnimations();
  }
};

TEST(Easing, WholeNumberAndFloatingForms) {
  EXPECT_EQ(easeValue(100, 500, 1000, 0), 50);
  EXPECT_EQ(easeValue(100, 500, 1000, 2), 75);   // ease out
  EXPECT_EQ(easeValue(100, 500, 1000, -2), 25);  // ease in
  EXPECT_EQ(easeValue(255, 1, 3, 0), 85);
  EXPECT_EQ(easeValue(-100, 500, 1000, 2), -75);  // truncated toward zero
  EXPECT_EQ(easeValue(100, 333, 1000, 3), 70);    // 100 x (1 - 0.667^3) = 70.3
  EXPECT_EQ(easeValue(100, 1000, 1000, -5), 100);
  EXPECT_EQ(easeValue(100, 0, 0, 0), 100);  // no time to spread over: the end value
  EXPECT_FLOAT_EQ(graphics::easeValueFloat(90.0f, 250.0f, 1000.0f, 0), 22.5f);
  EXPECT_FLOAT_EQ(graphics::easeValueFloat(90.0f, 500.0f, 1000.0f, -2), 22.5f);
}

TEST_F(SpriteAnimation, TrackValuesAtKnownClockTimes) {
  showPicture(5);
  run("sp.ax", " 600, 1000, 0");
  run("sp.aa", " 55, 500, 2");
  run("sp.set", " 5, 1, 0");
  run("sp.exe", " 5, 0");
  advance(250);
  for (auto& image : slot(5).images) {
    EXPECT_EQ(image->posX, 450.0f);
    EXPECT_EQ(image->alpha, 255 - 200 * 3 / 4);  // ease out: 75% of the way at half time
    EXPECT_EQ(image->vertices[0][0].diffuse >> 24, static_cast<std::uint32_t>(image->alpha));
  }
  advance(750);
  EXPECT_EQ(slot(5).shown()->posX, 600.0f);
  EXPECT_EQ(slot(5).shown()->alpha, 55);
  // Repeat mode 0: the finished queue is emptied, but it still exists.
  ASSERT_NE(graphics::animationQueue(5), nullptr);
  EXPECT_TRUE(graphics::animationQueue(5)->empty());
  EXPECT_EQ(slot(5).shown()->posY, 300.0f);  // a track that did not run leaves its property
}

TEST_F(SpriteAnimation, RepeatModesAndQueueModes) {
  showPicture(4);
  run("sp.ax", " 500, 100, 0");
  run("sp.set", " 4, 1, 0");
  run("sp.ax", " 400, 100, 0");
  run("sp.set", " 4, 1, 0");
  const graphics::AnimationQueue& q = *graphics::animationQueue(4);
  ASSERT_EQ(q.size(), 2u);
  EXPECT_EQ(q[1].tracks[graphics::kTrackPosX].from, 500);  // starts where the last step ends
  EXPECT_EQ(q[1].tracks[graphics::kTrackPosY].to, 300);    // idle tracks keep their value
  run("sp.exe", " 4, 1");
  advance(100);  // step 0 done: step 1 begins 16 ms later
  EXPECT_EQ(slot(4).animationCursor, 1u);
  advance(16 + 50);
  EXPECT_EQ(slot(4).shown()->posX, 450.0f);
  advance(50);  // last step done: back to the first
  EXPECT_EQ(slot(4).animationCursor, 0u);
  advance(16 + 50);
  EXPECT_EQ(slot(4).shown()->posX, 450.0f);  // 400 -> 500, half way

  // Mode 0 with a queue: its end values at once, the queue emptied.
  run("sp.ay", " 100, 100, 0");
  run("sp.set", " 4, 0, 0");
  EXPECT_EQ(slot(4).shown()->posX, 400.0f);
  EXPECT_EQ(slot(4).staged()->posX, 400.0f);
  ASSERT_EQ(graphics::animationQueue(4)->size(), 1u);

  // Mode 2: the running steps get their delete flag and play out once.
  run("sp.exe", " 4, 0");
  run("sp.ax", " 0, 100, 0");
  run("sp.set", " 4, 2, 0");
  const graphics::AnimationQueue& q2 = *graphics::animationQueue(4);
  ASSERT_EQ(q2.size(), 2u);
  EXPECT_EQ(q2[0].deleteFlag, 1);
  EXPECT_EQ(q2[1].deleteFlag, 0);
  advance(100);
  advance(16);
  ASSERT_EQ(graphics::animationQueue(4)->size(), 1u);  // the flagged step is gone
  advance(100);
  EXPECT_EQ(slot(4).shown()->posX, 0.0f);
  EXPECT_EQ(slot(4).shown()->posY, 100.0f);

  // Repeat mode 2: the slot is cleared by the next commit once the queue has run.
  run("sp.aa", " 0, 50, 0");
  run("sp.set", " 4, 1, 0");
  run("sp.exe", " 4, 2");
  advance(60);
  EXPECT_TRUE(slot(4).flags & graphics::kClearAtCommit);
  graphics::commitSprites();
  EXPECT_EQ(graphics::drawOrder().count(4), 0u);
  EXPECT_EQ(graphics::animationQueue(4), nullptr);
}

TEST_F(SpriteAnimation, StoredPropertiesAndFilters) {
  showPicture(5, 200, 100);
  run("sp.a", " 5, 300");
  EXPECT_EQ(slot(5).staged()->alpha, 44);
  EXPECT_EQ(slot(5).shown()->alpha, 255);  // staged until the commit
  run("sp.rxyz", " 5, 0, 0, 90");
  EXPECT_EQ(slot(5).staged()->rotZ, -90.0f);
  run("sp.c", " 5, 4, 0x102030");
  EXPECT_EQ(slot(5).staged()->colourFactor, 0xFF102030u);
  run("sp.cxy", " 5, 0, 2");
  // Pivot at the left and bottom edges: the origin is the bottom-left corner, so the
  // top-left vertex sits at x 0 and one picture height (2 model units) above it.
  EXPECT_FLOAT_EQ(slot(5).staged()->vertices[0][0].x, 0.0f);
  EXPECT_FLOAT_EQ(slot(5).staged()->vertices[0][0].y, 2.0f);
  EXPECT_EQ(slot(5).flags, graphics::kStagedProperties);
  graphics::commitSprites();
  EXPECT_EQ(slot(5).shown()->alpha, 44);
  EXPECT_EQ(slot(5).shown()->vertices[0][3].diffuse, 0x2CFFFFFFu);
  EXPECT_EQ(slot(5).flags, 0u);

  run("sp.rev", " 3");
  run("sp.rev", " 3");
  EXPECT_EQ(slot(3).filters.reverse, 0);
  run("sp.gray", " 3");
  EXPECT_EQ(slot(3).filters.grey, 1);
  run("sp.hsl", " 3, -180, 50, -100");
  EXPECT_EQ(slot(3).filters.hslOn, 1);
  EXPECT_EQ(slot(3).filters.saturation, 128);
  EXPECT_EQ(slot(3).filters.lightness, -255);
  run("sp.hsl", " 3, 0, 0, 0");
  EXPECT_EQ(slot(3).filters.hslOn, 0);
  run("sp.bc", " 3, 0, 0");
  EXPECT_EQ(slot(3).filters.bcOn, 0);
  run("sp.mosaic", " 3, 4, 0");
  EXPECT_EQ(slot(3).filters.mosaicOn, 1);
  EXPECT_EQ(slot(3).filters.mosaicX, 4);

  // sp.d waits for the commit. A picture staged over a staged one keeps the property changes
  // made to the first; one staged over a shown picture takes the shown properties.
  graphics::TextureHolder first, second;
  ASSERT_TRUE(graphics::loadTexture(first, solid(8, 8, 1, 2, 3, 255)));
  ASSERT_TRUE(graphics::loadTexture(second, solid(6, 6, 1, 2, 3, 255)));
  run("sp.x", " 5, 10");
  graphics::stageMadePicture(5, std::move(first), "first", 0);
  EXPECT_EQ(slot(5).staged()->posX, 400.0f);
  run("sp.x", " 5, 20");
  graphics::settleStagedPicture(slot(5));
  graphics::stageMadePicture(5, std::move(second), "second", 0);
  EXPECT_EQ(slot(5).staged()->posX, 20.0f);
  graphics::commitSprites();
  EXPECT_EQ(slot(5).shown()->width, 6);
  EXPECT_EQ(slot(5).shown()->posX, 20.0f);
  run("sp.d", " 5");
  EXPECT_EQ(graphics::drawOrder().count(5), 1u);
  graphics::commitSprites();
  EXPECT_EQ(graphics::drawOrder().count(5), 0u);
}

TEST_F(SpriteAnimation, StandPictureCrossFades) {
  const fs::path dir = fs::temp_directory_path() / ("utsushi_stand_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  const fs::path old = fs::current_path();
  fs::current_path(dir);
  std::string png, why;
  ASSERT_TRUE(image::encodePng(solid(60, 100, 0, 200, 0, 255), 32, 6, false, png, why)) << why;
  std::ofstream("stand.png", std::ios::binary) << png;

  run("sp.st", " 3, \"stand.png\", 100, 120");
  graphics::SpriteSlot& s = slot(3);
  EXPECT_EQ(s.flags, graphics::kDirectMode);
  EXPECT_EQ(s.fontName, "\x01");
  ASSERT_TRUE(graphics::hasPicture(s.shown()));
  const graphics::TextureImage& stand = *s.staged();
  // Centred across ((100 - 60) / 2 = 20), standing on the bottom edge (120 - 100 = 20).
  auto green = [](const graphics::TextureImage& img, int x, int y) {
    return img.pixels[(static_cast<std::size_t>(y) * img.width + x) * 4 + 1];
  };
  EXPECT_EQ(green(stand, 20, 20), 200);
  EXPECT_EQ(green(stand, 19, 20), 0);
  EXPECT_EQ(green(stand, 79, 119), 200);
  EXPECT_EQ(green(stand, 80, 119), 0);
  EXPECT_EQ(green(stand, 50, 19), 0);

  run("sp.x", " 3, 150");  // direct mode: the shown picture moves at once
  EXPECT_EQ(s.shown()->posX, 150.0f);
  run("sp.af", " 255, 100, 0");
  run("sp.set", " 3, 1, 0");
  run("sp.exe", " 3, 0");
  advance(40);
  // Fading in over a transparent picture keeps the stand's colour and raises its alpha:
  // level 102 is weight 102, alpha 102 x 255 >> 8; level 153 is weight 154.
  auto alpha = [](const graphics::TextureImage& img, int x, int y) {
    return img.pixels[(static_cast<std::size_t>(y) * img.width + x) * 4 + 3];
  };
  EXPECT_EQ(s.fadeLevel, 102);  // 255 x 40 / 100
  EXPECT_EQ(green(*s.shown(), 50, 50), 200);
  EXPECT_EQ(alpha(*s.shown(), 50, 50), 102 * 255 >> 8);
  EXPECT_EQ(alpha(*s.shown(), 10, 10), 0);
  advance(20);
  EXPECT_EQ(s.fadeLevel, 153);
  EXPECT_EQ(alpha(*s.shown(), 50, 50), 154 * 255 >> 8);  // blended from the original, not the last level
  advance(50);
  EXPECT_EQ(s.fadeLevel, 0);
  EXPECT_EQ(s.flags & graphics::kDirectMode, 0u);
  EXPECT_EQ(green(*s.shown(), 50, 50), 200);
  EXPECT_EQ(s.shown()->posX, 150.0f);  // the stand keeps what was done to the shown picture
  EXPECT_FALSE(graphics::hasPicture(s.staged()));

  fs::current_path(old);
  fs::remove_all(dir);
}

}  // namespace
