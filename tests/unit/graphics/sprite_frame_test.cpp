// Sprites drawn by renderFrame on real OpenGL (Mesa under Xvfb or the offscreen driver):
// placement through the camera, alpha and every blend mode, tint, layer 2 with the message
// window hidden, staged changes against commits, rotation and scale, and motion blur; each
// frame read back and compared with values computed here. Frames under a picture that hides
// the stage go straight into the window: what the window shows, what reads back and what
// the next frame builds on are checked to be the same frame. Frames that draw only what
// changed are checked against full redraws of the same scenes, bit for bit.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

#include "core/internal_limits.h"
#include "graphics/device.h"
#include "graphics/frame.h"
#include "graphics/sprites.h"
#include "graphics/test_pictures.h"
#include "platform/display_modes.h"
#include "platform/options.h"
#include "platform/window.h"

// Xlib last: its macros (None, Bool, Status) would rename what other headers declare.
#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xutil.h>

namespace {

namespace fs = std::filesystem;
using graphics::TextureHolder;

using namespace test_pictures;

Bgra opaqueAt(int x, int y) { return {(x * 5) & 255, 200, (y * 3) & 255, 255}; }

class SpriteFrame : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (!std::getenv("DISPLAY")) setenv("SDL_VIDEODRIVER", "offscreen", 0);
    oldDir = fs::current_path();
    workDir = fs::temp_directory_path() / ("utsushi_sprites_" + std::to_string(::getpid()));
    fs::create_directories(workDir);
    fs::current_path(workDir);
    platform::EngineOptions o;
    o.noDialogs = true;
    platform::setOptions(o);
    graphics::setLimitFps(1000);
    std::string why;
    windowUp = platform::createMainWindow("sprite test", why);
    ASSERT_TRUE(windowUp) << why;
    deviceUp = graphics::startDevice();
  }
  static void TearDownTestSuite() {
    graphics::releaseSprites();
    graphics::shutDownDevice();
    if (windowUp) platform::destroyMainWindow();
    graphics::setLimitFps(0);
    graphics::setMaxTextureSize(0);
    platform::setOptions(platform::EngineOptions{});
    fs::current_path(oldDir);
    fs::remove_all(workDir);
  }
  void SetUp() override {
    ASSERT_TRUE(deviceUp && graphics::hasDevice());
    graphics::resetSprites();
  }
  void TearDown() override { graphics::resetSprites(); }

  // Stages a picture into slot n as sp does and returns the staged record.
  static graphics::TextureImage* stage(int n, image::PixelImage picture, std::uint32_t layer = 0) {
    TextureHolder holder;
    EXPECT_TRUE(graphics::loadTexture(holder, std::move(picture)));
    graphics::stageMadePicture(n, std::move(holder), "test", layer);
    return graphics::spriteSlot(n)->staged();
  }
  // An opaque copy of the background pattern over the whole stage in slot 0, committed.
  static void stageBackground() {
    graphics::TextureImage* bg = stage(0, makePicture(800, 600, backgroundAt));
    bg->blendMode = 0;
  }
  static image::PixelImage frame() {
    EXPECT_EQ(graphics::renderFrame(), 1);
    image::PixelImage f;
    EXPECT_TRUE(graphics::readPresentedFrame(f));
    return f;
  }
  static Bgra at(const image::PixelImage& f, int x, int y) {
    const std::uint8_t* p = f.row(y) + x * 4;
    return {p[0], p[1], p[2], p[3]};
  }
  static bool isBackground(const image::PixelImage& f, int x, int y) {
    const Bgra got = at(f, x, y), want = backgroundAt(x, y);
    return std::abs(got.b - want.b) <= 1 && std::abs(got.g - want.g) <= 1 && std::abs(got.r - want.r) <= 1;
  }
  // The bounding box of pixels that differ from the background.
  static void changedBox(const image::PixelImage& f, int& left, int& top, int& right, int& bottom) {
    left = top = 1 << 20;
    right = bottom = -1;
    for (int y = 0; y < 600; ++y)
      for (int x = 0; x < 800; ++x)
        if (!isBackground(f, x, y)) {
          left = std::min(left, x), right = std::max(right, x);
          top = std::min(top, y), bottom = std::max(bottom, y);
        }
  }

  static inline fs::path oldDir, workDir;
  static inline bool windowUp = false, deviceUp = false;
};

TEST_F(SpriteFrame, PlacementIsOneTexelPerPixelAtThePivot) {
  stageBackground();
  stage(5, makePicture(200, 100, opaqueAt));
  graphics::commitSprites();
  image::PixelImage f = frame();
  int l, t, r, b;
  changedBox(f, l, t, r, b);
  EXPECT_EQ(l, 300);
  EXPECT_EQ(r, 499);
  EXPECT_EQ(t, 250);
  EXPECT_EQ(b, 349);
  int bad = 0;
  for (int y = 250; y < 350; ++y)
    for (int x = 300; x < 500; ++x) {
      const Bgra got = at(f, x, y), want = opaqueAt(x - 300, y - 250);
      bad += got.b != want.b || got.g != want.g || got.r != want.r;
    }
  EXPECT_EQ(bad, 0);

  // Pivot at the top-left corner and a tiled picture (tile maximum 256): 600 x 300 in 3 x 2
  // tiles still lands texel for pixel with its corner on (posX, posY).
  graphics::setMaxTextureSize(256);
  graphics::resetSprites();
  stageBackground();
  graphics::TextureImage* tiled = stage(7, makePicture(600, 300, opaqueAt));
  ASSERT_EQ(tiled->tileCount, 6);
  graphics::setPivot(*tiled, 0, 0);
  tiled->posX = 101;
  tiled->posY = 57;
  graphics::commitSprites();
  f = frame();
  graphics::setMaxTextureSize(0);
  changedBox(f, l, t, r, b);
  EXPECT_EQ(l, 101);
  EXPECT_EQ(t, 57);
  EXPECT_EQ(r, 700);
  EXPECT_EQ(b, 356);
  bad = 0;
  for (int y = 57; y < 357; y += 3)
    for (int x = 101; x < 701; x += 3) {
      const Bgra got = at(f, x, y), want = opaqueAt(x - 101, y - 57);
      bad += got.b != want.b || got.g != want.g || got.r != want.r;
    }
  EXPECT_EQ(bad, 0);
}

TEST_F(SpriteFrame, AlphaAndEveryBlendMode) {
  for (int preset = 0; preset <= 8; ++preset) {
    graphics::resetSprites();
    stageBackground();
    graphics::TextureImage* pic = stage(3, makePicture(100, 60, pictureAt));
    pic->blendMode = static_cast<std::uint32_t>(preset);
    pic->alpha = 160;
    graphics::applyAlphaToVertices(*pic);
    graphics::commitSprites();
    const image::PixelImage f = frame();
    int bad = 0;
    std::string first;
    for (int y = 270; y < 330; ++y)
      for (int x = 350; x < 450; ++x) {
        const Bgra s = pictureAt(x - 350, y - 270), d = backgroundAt(x, y), got = at(f, x, y);
        // Copy (0) writes the vertex-modulated alpha but no blending: colour is the source.
        const double a = s.a * 160.0 / 255;
        const int want[3] = {static_cast<int>(std::lround(blendChannel(preset, false, s.b, a, d.b))),
                             static_cast<int>(std::lround(blendChannel(preset, false, s.g, a, d.g))),
                             static_cast<int>(std::lround(blendChannel(preset, false, s.r, a, d.r)))};
        const int have[3] = {got.b, got.g, got.r};
        for (int c = 0; c < 3; ++c)
          if (std::abs(have[c] - want[c]) > 2 && bad++ == 0)
            first = "(" + std::to_string(x) + "," + std::to_string(y) + ") channel " + std::to_string(c) + " got " +
                    std::to_string(have[c]) + " want " + std::to_string(want[c]);
      }
    EXPECT_EQ(bad, 0) << "blend mode " << preset << ": " << first;
  }

  // Alpha 0 is not drawn at all, whatever the blend mode (copy would otherwise paint).
  graphics::resetSprites();
  stageBackground();
  graphics::TextureImage* hidden = stage(3, makePicture(100, 60, opaqueAt));
  hidden->blendMode = 0;
  hidden->alpha = 0;
  graphics::commitSprites();
  const image::PixelImage f = frame();
  int l, t, r, b;
  changedBox(f, l, t, r, b);
  EXPECT_EQ(r, -1);
}

TEST_F(SpriteFrame, TintModulatesByTheFactor) {
  stageBackground();
  graphics::TextureImage* pic = stage(2, makePicture(40, 40, opaqueAt));
  pic->colourOp = 4;  // modulate
  pic->colourFactor = 0xFF80FF40;
  graphics::commitSprites();
  const image::PixelImage f = frame();
  for (int y = 285; y < 315; y += 7)
    for (int x = 385; x < 415; x += 7) {
      const Bgra s = opaqueAt(x - 380, y - 280), got = at(f, x, y);
      EXPECT_NEAR(got.r, s.r * 0x80 / 255.0, 1.5);
      EXPECT_NEAR(got.g, s.g, 1.5);
      EXPECT_NEAR(got.b, s.b * 0x40 / 255.0, 1.5);
    }
}

TEST_F(SpriteFrame, LayerTwoFollowsTheMessageWindow) {
  stageBackground();
  stage(9, makePicture(50, 50, opaqueAt), 2);
  graphics::commitSprites();
  EXPECT_FALSE(isBackground(frame(), 400, 300));
  // The message layer text registers tells whether the window is up.
  static bool shown = true;
  graphics::setMessageLayer({[] { return shown; }, nullptr});
  shown = false;
  EXPECT_TRUE(isBackground(frame(), 400, 300));
  shown = true;
  EXPECT_FALSE(isBackground(frame(), 400, 300));
  graphics::setMessageLayer({});
}

TEST_F(SpriteFrame, WhatTheFrameShowsOfAPicture) {
  using graphics::SpriteSight;
  // A 50 x 50 picture centred at (400, 300): (375, 275)-(425, 325).
  stage(9, makePicture(50, 50, opaqueAt), 2);
  graphics::commitSprites();
  EXPECT_EQ(graphics::spriteSight(9), SpriteSight::Seen);
  EXPECT_EQ(graphics::spriteSight(8), SpriteSight::Hidden);  // no picture
  static bool shown = true;
  graphics::setMessageLayer({[] { return shown; }, nullptr});
  shown = false;
  EXPECT_EQ(graphics::spriteSight(9), SpriteSight::Hidden);
  shown = true;
  graphics::setMessageLayer({});

  graphics::TextureImage* pic = graphics::spriteSlot(9)->shown();
  pic->alpha = 0;
  EXPECT_EQ(graphics::spriteSight(9), SpriteSight::Transparent);
  pic->alpha = 255;
  pic->posX = 900;
  EXPECT_EQ(graphics::spriteSight(9), SpriteSight::Covered);  // off the stage
  pic->posX = 400;

  // An opaque 100 x 100 picture above it, centred on it, covers it; moved 30 px to the
  // side it leaves a strip of it showing; nothing covers a picture in a higher slot.
  stage(20, makePicture(100, 100, opaqueAt));
  graphics::commitSprites();
  graphics::TextureImage* cover = graphics::spriteSlot(20)->shown();
  EXPECT_EQ(graphics::spriteSight(9), SpriteSight::Covered);
  cover->posX = 430;
  EXPECT_EQ(graphics::spriteSight(9), SpriteSight::Seen);
  cover->posX = 400;
  cover->alpha = 254;  // lets what is under it through
  graphics::applyAlphaToVertices(*cover);
  EXPECT_EQ(graphics::spriteSight(9), SpriteSight::Seen);
  cover->alpha = 255;
  graphics::applyAlphaToVertices(*cover);
  pic->rotZ = 10;  // a turned picture is not followed through the camera: taken as reaching everywhere
  EXPECT_EQ(graphics::spriteSight(9), SpriteSight::Seen);
  pic->rotZ = 0;
  EXPECT_EQ(graphics::spriteSight(9), SpriteSight::Covered);
  stage(25, makePicture(50, 50, opaqueAt));
  graphics::commitSprites();
  EXPECT_EQ(graphics::spriteSight(25), SpriteSight::Seen);
  // A picture with transparent pixels covers nothing.
  stage(21, makePicture(100, 100, pictureAt));
  graphics::commitSprites();
  EXPECT_EQ(graphics::spriteSight(20), SpriteSight::Seen);
}

TEST_F(SpriteFrame, StagedChangesWaitForTheCommit) {
  stageBackground();
  graphics::commitSprites();
  // Nothing of a staged picture shows before the commit.
  stage(5, makePicture(200, 100, opaqueAt));
  EXPECT_TRUE(isBackground(frame(), 400, 300));
  graphics::commitSprites();
  EXPECT_FALSE(isBackground(frame(), 400, 300));

  // A property change (flag 0x1) on the texture-less staged copy: seen only after commit.
  graphics::SpriteSlot& slot = *graphics::spriteSlot(5);
  EXPECT_EQ(slot.flags, 0u);
  slot.staged()->posX = 100;
  slot.flags |= graphics::kStagedProperties;
  image::PixelImage f = frame();
  EXPECT_FALSE(isBackground(f, 400, 300));
  EXPECT_TRUE(isBackground(f, 100, 300));
  graphics::commitSprites();
  f = frame();
  EXPECT_TRUE(isBackground(f, 400, 300));
  EXPECT_FALSE(isBackground(f, 100, 300));
  EXPECT_FALSE(isBackground(f, 199, 300));
  EXPECT_TRUE(isBackground(f, 200, 300));

  // A new picture replaces the old one at the commit and keeps the properties.
  stage(5, makePicture(20, 20, opaqueAt));
  f = frame();
  EXPECT_FALSE(isBackground(f, 195, 300));
  graphics::commitSprites();
  f = frame();
  EXPECT_TRUE(isBackground(f, 195, 300));
  EXPECT_FALSE(isBackground(f, 105, 305));
  EXPECT_EQ(graphics::spriteSlot(5)->shown()->posX, 100);

  // Marked for clearing: still drawn until the commit, then gone from the draw set.
  slot.flags |= graphics::kClearAtCommit;
  EXPECT_FALSE(isBackground(frame(), 105, 305));
  graphics::commitSprites();
  EXPECT_TRUE(isBackground(frame(), 105, 305));
  EXPECT_EQ(graphics::drawOrder().count(5), 0u);
  EXPECT_FALSE(graphics::spritePictureInfo(5).exists);
}

TEST_F(SpriteFrame, ScaleAndRotation) {
  stageBackground();
  graphics::TextureImage* pic = stage(4, makePicture(200, 100, opaqueAt));
  pic->scaleX = 2.0f;
  pic->scaleY = 0.5f;
  graphics::commitSprites();
  int l, t, r, b;
  changedBox(frame(), l, t, r, b);
  EXPECT_EQ(l, 200);
  EXPECT_EQ(r, 599);
  EXPECT_EQ(t, 275);
  EXPECT_EQ(b, 324);

  // A quarter turn about z stands the picture upright: 100 wide, 200 high.
  graphics::SpriteSlot& slot = *graphics::spriteSlot(4);
  graphics::TextureImage* staged = slot.staged();
  staged->scaleX = staged->scaleY = 1.0f;
  staged->rotZ = -90;
  slot.flags |= graphics::kStagedProperties;
  graphics::commitSprites();
  changedBox(frame(), l, t, r, b);
  EXPECT_NEAR(l, 350, 1);
  EXPECT_NEAR(r, 449, 1);
  EXPECT_NEAR(t, 200, 1);
  EXPECT_NEAR(b, 399, 1);

  // Tilted about x, the picture shows perspective: its near edge is wider than its far edge.
  staged = slot.staged();
  staged->rotZ = 0;
  staged->rotX = 50;
  slot.flags |= graphics::kStagedProperties;
  graphics::commitSprites();
  const image::PixelImage f = frame();
  changedBox(f, l, t, r, b);
  ASSERT_GT(b, t + 10);
  auto rowWidth = [&](int y) {
    int n = 0;
    for (int x = 0; x < 800; ++x) n += !isBackground(f, x, y);
    return n;
  };
  EXPECT_NE(rowWidth(t + 2), rowWidth(b - 2));
  EXPECT_LT(b - t + 1, 100);  // foreshortened
}

TEST_F(SpriteFrame, MotionBlurAtFullStrengthEqualsThePlainFrame) {
  stageBackground();
  stage(6, makePicture(120, 80, opaqueAt));
  graphics::commitSprites();
  const image::PixelImage plain = frame();
  graphics::setMotionBlur(true, 255);
  const image::PixelImage blurred = frame();
  EXPECT_EQ(plain.pixels, blurred.pixels);

  // At strength 64 a moved sprite leaves a trail of its old place that fades.
  graphics::setMotionBlur(true, 64);
  graphics::SpriteSlot& slot = *graphics::spriteSlot(6);
  for (auto& holder : slot.images) holder->posX = 150;
  const image::PixelImage first = frame();
  const image::PixelImage second = frame();
  const Bgra plainAt = at(plain, 400, 300);
  const Bgra bg = backgroundAt(400, 300);
  // Old place: the picture fades toward the background frame by frame.
  const int d0 = std::abs(plainAt.g - bg.g), d1 = std::abs(at(first, 400, 300).g - bg.g),
            d2 = std::abs(at(second, 400, 300).g - bg.g);
  ASSERT_GT(d0, 100);
  EXPECT_NEAR(d1, d0 * 191 / 255, 2);
  EXPECT_NEAR(d2, d0 * 191 / 255 * 191 / 255, 3);
  graphics::setMotionBlur(false, 0);
  EXPECT_TRUE(isBackground(frame(), 400, 300));
}

TEST_F(SpriteFrame, StretchedFullScreenDrawsTheStageIntoTheBackSurface) {
  // A 1024 x 768 screen in fit mode 1: the stage goes to the top-left 800 x 600 of the back
  // surface and is copied from there, placed exactly as in a window.
  platform::DisplayState& d = platform::displayState();
  const platform::DisplayState saved = d;
  d.fullScreen = true;
  d.fitMode = platform::kFitNoEnlarge;
  d.source[1] = {0, 0, 800, 600};
  d.destination[1] = {112, 84, 912, 684};
  ASSERT_TRUE(graphics::changeScreenSize(1024, 768, false));
  stageBackground();
  stage(5, makePicture(200, 100, opaqueAt));
  graphics::commitSprites();
  const image::PixelImage f = frame();
  EXPECT_EQ(graphics::mainTarget(), graphics::RenderTarget::BackSurface);
  int l, t, r, b;
  changedBox(f, l, t, r, b);
  EXPECT_EQ(l, 300);
  EXPECT_EQ(r, 499);
  EXPECT_EQ(t, 250);
  EXPECT_EQ(b, 349);
  // Motion blur at full strength through the screen-sized render texture: the same frame.
  graphics::setMotionBlur(true, 255);
  EXPECT_EQ(frame().pixels, f.pixels);
  graphics::setMotionBlur(false, 0);
  d = saved;
  ASSERT_TRUE(graphics::changeScreenSize(800, 600, false));
  graphics::setStretchedMainTarget(false);
  EXPECT_TRUE(isBackground(frame(), 10, 10));
}

// The stage as the X server shows it in the window; empty without an X display (SDL's
// offscreen driver has no window to look at).
image::PixelImage windowStage() {
  image::PixelImage out;
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!SDL_GetWindowWMInfo(platform::mainSdlWindow(), &info) || info.subsystem != SDL_SYSWM_X11) return out;
  const platform::Rect r = platform::stageRectInWindow();
  XImage* shown = XGetImage(info.info.x11.display, info.info.x11.window, r.left, r.top, 800, 600, AllPlanes, ZPixmap);
  if (!shown) return out;
  out.width = 800;
  out.height = 600;
  out.pixels.resize(800 * 600 * 4);
  for (int y = 0; y < 600; ++y)
    for (int x = 0; x < 800; ++x) {
      const unsigned long p = XGetPixel(shown, x, y);
      std::uint8_t* px = out.row(y) + x * 4;
      px[0] = static_cast<std::uint8_t>(p & 0xFF);
      px[1] = static_cast<std::uint8_t>((p >> 8) & 0xFF);
      px[2] = static_cast<std::uint8_t>((p >> 16) & 0xFF);
      px[3] = 255;
    }
  XDestroyImage(shown);
  return out;
}

// Pixels of two stages that differ (alpha aside); none when the window cannot be seen.
int differences(const image::PixelImage& a, const image::PixelImage& b) {
  if (a.pixels.empty() || b.pixels.empty()) return 0;
  int n = 0;
  for (std::size_t i = 0; i < a.pixels.size() && i < b.pixels.size(); ++i) n += i % 4 != 3 && a.pixels[i] != b.pixels[i];
  return n;
}

// The message layer of the last test: draws one picture, then rewrites its texture within
// the same frame, which leaves the frame's draws unable to give it again.
graphics::TextureImage* rewrittenInFrame = nullptr;
void drawThenRewrite() {
  graphics::drawTextureImageAt(*rewrittenInFrame, 40, 30);
  image::PixelImage other = makePicture(rewrittenInFrame->width, rewrittenInFrame->height, backgroundAt);
  graphics::TextureHolder holder(rewrittenInFrame);
  EXPECT_TRUE(graphics::loadTexture(holder, std::move(other)));  // same size: rewritten in place
  holder.release();
}

TEST_F(SpriteFrame, FrameDrawnIntoTheWindowIsTheFrameEveryReaderSees) {
  SDL_ShowWindow(platform::mainSdlWindow());
  // A background with full alpha under normal blending hides the stage; over it a
  // translucent picture of odd size and a turned additive one, linearly filtered.
  stage(0, makePicture(800, 600, backgroundAt));
  stage(5, makePicture(201, 101, pictureAt));
  graphics::TextureImage* turned = stage(6, makePicture(120, 80, opaqueAt));
  turned->rotZ = 30;
  turned->blendMode = 2;
  turned->posX = 613.5f;
  graphics::commitSprites();
  const image::PixelImage shown = frame();
  if (std::getenv("DISPLAY")) {
    ASSERT_EQ(windowStage().pixels.size(), shown.pixels.size());  // the window can be looked at
  }
  EXPECT_EQ(differences(windowStage(), shown), 0);
  // The same stage drawn off screen (motion blur at full strength draws through the render
  // texture) is the same to the last bit.
  graphics::setMotionBlur(true, 255);
  const image::PixelImage offScreen = frame();
  graphics::setMotionBlur(false, 0);
  EXPECT_EQ(differences(offScreen, shown), 0);
  EXPECT_EQ(differences(frame(), shown), 0);

  // A texture the presented frame read changes: the read-back is still that frame.
  ASSERT_TRUE(graphics::loadTexture(graphics::spriteSlot(5)->shownHolder(), makePicture(201, 101, opaqueAt)));
  image::PixelImage f;
  ASSERT_TRUE(graphics::readPresentedFrame(f));
  EXPECT_EQ(differences(f, shown), 0);
  const image::PixelImage rewritten = frame();
  EXPECT_GT(differences(rewritten, shown), 10000);
  EXPECT_EQ(differences(windowStage(), rewritten), 0);

  // The background goes: the next frame is drawn over what the last one left, as ever.
  graphics::spriteSlot(0)->shown()->alpha = 0;
  graphics::spriteSlot(5)->shown()->posX = 100;
  const image::PixelImage over = frame();
  EXPECT_EQ(differences(windowStage(), over), 0);
  // Away from the two sprites (the additive one has just been laid on itself once more).
  int kept = 0;
  for (int y = 380; y < 600; y += 7)
    for (int x = 200; x < 800; x += 7)
      kept += at(over, x, y).g == at(rewritten, x, y).g && at(over, x, y).r == at(rewritten, x, y).r;
  EXPECT_EQ(kept, 32 * 86);
  EXPECT_GT(differences(over, rewritten), 10000);
  graphics::spriteSlot(0)->shown()->alpha = 255;

  // Textures the presented frame read go, and the screen changes: it still reads back.
  const image::PixelImage again = frame();
  graphics::clearSpriteSlot(6);
  ASSERT_TRUE(graphics::readPresentedFrame(f));
  EXPECT_EQ(differences(f, again), 0);
  const image::PixelImage without = frame();
  ASSERT_TRUE(graphics::changeScreenSize(800, 600, false));
  ASSERT_TRUE(graphics::readPresentedFrame(f));
  EXPECT_EQ(differences(f, without), 0);

  // A picture rewritten after the frame drew it: the frame is taken from the window
  // before the swap, so the read-back still shows the picture as drawn.
  graphics::TextureHolder layerPicture;
  ASSERT_TRUE(graphics::loadTexture(layerPicture, makePicture(64, 48, opaqueAt)));
  layerPicture->alpha = 255;
  layerPicture->blendMode = 0;
  rewrittenInFrame = layerPicture.get();
  graphics::setMessageLayer({nullptr, drawThenRewrite});
  const image::PixelImage layered = frame();
  graphics::setMessageLayer({});
  EXPECT_EQ(differences(windowStage(), layered), 0);
  const Bgra corner = at(layered, 40 + 10, 30 + 10), want = opaqueAt(10, 10);
  EXPECT_EQ(corner.g, want.g);
  EXPECT_EQ(corner.b, want.b);
  graphics::releaseTextureImage(layerPicture);
}

// Random scenes over a background that hides the stage: pictures move (to whole and to
// fractional pixels), fade, turn, scale, take a tint or a blend mode, change picture, have
// their texture rewritten, come and go, and a layer-2 picture follows the message window.
// Each frame, drawn only where it changed, must equal a full redraw of the same scene in the
// read-back and in the window, and the full redraws (straight into the window) must leave a
// stage the next frame in part builds on correctly.
TEST_F(SpriteFrame, FramesDrawnInPartEqualFullRedraws) {
  SDL_ShowWindow(platform::mainSdlWindow());
  static bool windowShown = true;
  graphics::setMessageLayer({[] { return windowShown; }, nullptr});
  stage(0, makePicture(800, 600, backgroundAt));
  std::mt19937 random(27);
  const auto pick = [&random](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
  constexpr int kFirst = 3, kLast = 12;
  const auto newPicture = [&](int n) {
    const int w = pick(1, 260), h = pick(1, 200);
    graphics::TextureImage* p = stage(n, makePicture(w, h, pick(0, 1) ? pictureAt : opaqueAt), n == kLast ? 2 : 0);
    p->posX = static_cast<float>(pick(-100, 900));
    p->posY = static_cast<float>(pick(-100, 700));
    p->blendMode = static_cast<std::uint32_t>(pick(0, 1));
  };
  for (int n = kFirst; n <= kLast; ++n) newPicture(n);
  graphics::commitSprites();
  frame();
  const std::uint64_t partsBefore = graphics::framesDrawnInPart();
  int steps = 0, unchangedFrames = 0;
  bool anyPlacement = false;
  // One to three changes; now and then none.
  const auto changeScene = [&] {
    const int changes = pick(0, 9) == 0 ? 0 : pick(1, 3);
    unchangedFrames += changes == 0;
    for (int c = 0; c < changes; ++c) {
      const int n = pick(kFirst, kLast);
      graphics::TextureImage* p = graphics::spriteSlot(n)->shown();
      if (!p) {
        newPicture(n);
        graphics::commitSprites();
        continue;
      }
      const int change = pick(0, 9);
      switch (!anyPlacement && (change == 1 || change == 3 || change == 4) ? 0 : change) {
        case 0: p->posX += static_cast<float>(pick(-40, 40)); break;
        case 1: p->posY += static_cast<float>(pick(-40, 40)) + 0.5f; break;
        case 2: p->alpha = pick(0, 255); break;
        case 3: p->rotZ = static_cast<float>(pick(-180, 180)); break;
        case 4: p->scaleX = p->scaleY = static_cast<float>(pick(5, 20)) / 10; break;
        case 5:
          p->colourOp = pick(0, 1) ? 4 : 0;
          p->colourFactor = 0xFF000000 | static_cast<std::uint32_t>(pick(0, 0xFFFFFF));
          break;
        case 6: p->blendMode = static_cast<std::uint32_t>(pick(0, 8)); break;
        case 7: {  // the same picture and properties, the pixels of its first tile rewritten
          const image::PixelImage pixels = makePicture(p->width, p->height, pick(0, 1) ? opaqueAt : backgroundAt);
          const int w = std::min(p->width, p->texWidth), h = std::min(p->height, p->texHeight);
          ASSERT_TRUE(graphics::uploadPlainTexture(p->tiles[0], w, h, pixels.pixels.data(), p->width * 4));
          break;
        }
        case 8: graphics::clearSpriteSlot(n); break;
        default: windowShown = !windowShown; break;
      }
    }
  };
  for (int step = 0; step < 100; ++step) {
    // At first every picture stays texel for pixel, so that the full redraws go straight
    // into the window; then pictures are turned, scaled and put between pixels as well.
    anyPlacement = step >= 50;
    if (pick(0, 2) == 0) {
      // A frame drawn whole and not read back: the window alone may hold it when the next
      // one, drawn in part, builds on it.
      changeScene();
      graphics::drawWholeNextFrame();
      ASSERT_EQ(graphics::renderFrame(), 1);
    }
    changeScene();
    const image::PixelImage inPart = frame();
    const image::PixelImage shownInPart = windowStage();
    graphics::drawWholeNextFrame();
    const image::PixelImage whole = frame();
    ASSERT_EQ(differences(inPart, whole), 0) << "step " << step;
    ASSERT_EQ(differences(shownInPart, whole), 0) << "step " << step;
    ASSERT_EQ(differences(windowStage(), whole), 0) << "step " << step;
    ++steps;
  }
  windowShown = true;
  graphics::setMessageLayer({});
  // Most frames were drawn in part (the window toggling and pictures over the whole stage
  // draw whole), the unchanged ones among them. With tiles capped below the stage's size (the
  // stress build) the background is several tiles, no single picture hides the stage, and
  // every frame is drawn whole: the comparisons above still had to hold.
  if (core::kTileSideCap == 0 || core::kTileSideCap >= 800) {
    EXPECT_GT(graphics::framesDrawnInPart() - partsBefore, static_cast<std::uint64_t>(steps / 2));
  }
  EXPECT_GT(unchangedFrames, 0);
}

}  // namespace
