// The texture record without a device: tiling, texture sizes, tile quads, refusals, and the
// device's fixed tables.
#include <gtest/gtest.h>

#include <string>

#include "graphics/device.h"
#include "graphics/device_internal.h"
#include "platform/clock.h"
#include "platform/options.h"

namespace {

using graphics::TextureHolder;
using graphics::TextureImage;

image::PixelImage picture(int w, int h, std::uint8_t fill = 0x40) {
  image::PixelImage p;
  p.width = w;
  p.height = h;
  p.pixels.assign(static_cast<std::size_t>(w) * h * 4, fill);
  return p;
}

class TextureLayout : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::EngineOptions o;
    o.videoNone = true;
    o.noDialogs = true;
    platform::setOptions(o);
    graphics::setMaxTextureSize(0);
    graphics::setFixationTexturePow2(0);
    graphics::setFixationTextureSquare(0);
  }
  void TearDown() override {
    graphics::setMaxTextureSize(0);
    graphics::setFixationTexturePow2(0);
    graphics::setFixationTextureSquare(0);
    platform::setOptions(platform::EngineOptions{});
  }
};

TEST_F(TextureLayout, WidePictureTakesTwoTilesOfTheMaximum) {
  graphics::setMaxTextureSize(1024);
  TextureHolder h;
  ASSERT_TRUE(graphics::loadTexture(h, picture(2000, 1000)));
  EXPECT_EQ(h->tilesAcross, 2);
  EXPECT_EQ(h->tilesDown, 1);
  EXPECT_EQ(h->tileCount, 2);
  EXPECT_EQ(h->tileTexWidth[0], 1024);
  EXPECT_EQ(h->tileTexWidth[1], 1024);  // 976 rounded up
  EXPECT_EQ(h->tileTexHeight[0], 1024);
  EXPECT_EQ(h->tileTexHeight[1], 1024);
  EXPECT_EQ(h->pixels.size(), 2000u * 1000 * 4);  // the record keeps the buffer
  // Centre pivot: fx = 2 * 976 / 1024 = 1.90625, ox = 1.953125; fy = 2 * 1000 / 1024.
  const auto& t0 = h->vertices[0];
  const auto& t1 = h->vertices[1];
  EXPECT_FLOAT_EQ(t0[0].x, -1.953125f);
  EXPECT_FLOAT_EQ(t0[0].y, 0.9765625f);
  EXPECT_FLOAT_EQ(t0[2].x, 0.046875f);
  EXPECT_FLOAT_EQ(t1[0].x, 0.046875f);
  EXPECT_FLOAT_EQ(t1[2].x, 2.046875f);  // spans the whole texture, past the picture's edge
  EXPECT_FLOAT_EQ(t1[1].y, 0.9765625f - 2.0f);
  // Strip order and texture coordinates of the template.
  EXPECT_FLOAT_EQ(t1[1].x, t1[0].x);
  EXPECT_FLOAT_EQ(t1[3].y, t1[1].y);
  EXPECT_EQ(t0[3].u, 1.0f);
  EXPECT_EQ(t0[3].v, 1.0f);
  EXPECT_EQ(t0[1].u, 0.0f);
  EXPECT_EQ(t0[1].v, 1.0f);
  EXPECT_EQ(t0[0].diffuse, 0xFFFFFFFFu);
}

TEST_F(TextureLayout, SingleTileRoundingRules) {
  TextureHolder h;
  ASSERT_TRUE(graphics::loadTexture(h, picture(301, 200)));
  EXPECT_EQ(h->tileCount, 1);
  EXPECT_EQ(h->texWidth, 302);
  EXPECT_EQ(h->texHeight, 200);
  graphics::setFixationTexturePow2(1);
  ASSERT_TRUE(graphics::loadTexture(h, picture(301, 201)));
  EXPECT_EQ(h->texWidth, 512);
  EXPECT_EQ(h->texHeight, 256);
  graphics::setFixationTextureSquare(1);
  ASSERT_TRUE(graphics::loadTexture(h, picture(301, 200)));
  EXPECT_EQ(h->texWidth, 512);
  EXPECT_EQ(h->texHeight, 512);
  // rw = 302 / 512: with the centre pivot the picture spans -rw .. rw across.
  EXPECT_FLOAT_EQ(h->vertices[0][0].x, -302.0f / 512);
  EXPECT_FLOAT_EQ(h->vertices[0][2].x, 2 - 302.0f / 512);
  EXPECT_FLOAT_EQ(h->vertices[0][0].y, 200.0f / 512);
}

TEST_F(TextureLayout, SmallTileMaximumAndPivots) {
  graphics::setMaxTextureSize(256);
  TextureHolder h;
  ASSERT_TRUE(graphics::loadTexture(h, picture(600, 300)));
  EXPECT_EQ(h->tilesAcross, 3);
  EXPECT_EQ(h->tilesDown, 2);
  // Last column covers 88 pixels, last row 44: power-of-two textures however the flag is set.
  EXPECT_EQ(h->tileTexWidth[2], 128);
  EXPECT_EQ(h->tileTexHeight[2], 256);
  EXPECT_EQ(h->tileTexWidth[5], 128);
  EXPECT_EQ(h->tileTexHeight[5], 64);
  EXPECT_FLOAT_EQ(h->vertices[5][2].x - h->vertices[5][0].x, 1.0f);  // 128 texels at 2 units per 256
  EXPECT_FLOAT_EQ(h->vertices[5][0].y - h->vertices[5][1].y, 0.5f);
  auto rect = graphics::detail::tileRect(*h, 5);
  EXPECT_EQ(rect.x, 512);
  EXPECT_EQ(rect.y, 256);
  EXPECT_EQ(rect.width, 88);
  EXPECT_EQ(rect.height, 44);

  // Pivot 0 puts the origin on the left/top edge, 2 on the right/bottom edge; a new picture
  // of another size keeps the factors and zeroes everything else.
  h->pivotX = 0;
  h->pivotY = 2;
  h->alpha = 200;
  ASSERT_TRUE(graphics::loadTexture(h, picture(500, 300)));
  EXPECT_EQ(h->alpha, 0);
  EXPECT_FLOAT_EQ(h->vertices[0][0].x, 0.0f);
  const float pictureHeight = 2 + 2.0f * 44 / 256;
  EXPECT_FLOAT_EQ(h->vertices[0][0].y, pictureHeight * 2 / 2);  // oy = (1 + fy / 2) * 2
  EXPECT_FLOAT_EQ(h->vertices[h->tilesAcross][1].y, pictureHeight - 2 - 2 * 64.0f / 256);

  // A picture of the same size is a refresh: record and properties stay.
  TextureImage* before = h.get();
  h->alpha = 77;
  h->posX = 12;
  ASSERT_TRUE(graphics::loadTexture(h, picture(500, 300, 0x99)));
  EXPECT_EQ(h.get(), before);
  EXPECT_EQ(h->alpha, 77);
  EXPECT_EQ(h->posX, 12);
  EXPECT_EQ(h->pixels[0], 0x99);
}

TEST_F(TextureLayout, ThirtyFiveTilesAtMost) {
  graphics::setMaxTextureSize(256);
  TextureHolder h;
  ASSERT_TRUE(graphics::loadTexture(h, picture(256 * 5, 256 * 7)));
  EXPECT_EQ(h->tileCount, 35);
  testing::internal::CaptureStderr();
  EXPECT_FALSE(graphics::loadTexture(h, picture(256 * 6, 256 * 6)));
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("Image Size Over 6,6"), std::string::npos) << err;
  EXPECT_EQ(h, nullptr);
  // A one-pixel tile maximum counts every column.
  graphics::setMaxTextureSize(1);
  testing::internal::CaptureStderr();
  EXPECT_FALSE(graphics::loadTexture(h, picture(70000, 1, 0)));
  err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("Image Size Over 70000,1"), std::string::npos) << err;
}

TEST_F(TextureLayout, BadPicturesAndBlankTextures) {
  TextureHolder h;
  image::PixelImage shortBuffer = picture(10, 10);
  shortBuffer.pixels.resize(399);
  testing::internal::CaptureStderr();
  EXPECT_FALSE(graphics::loadTexture(h, std::move(shortBuffer)));
  EXPECT_FALSE(graphics::loadTexture(h, picture(0, 5)));
  EXPECT_FALSE(graphics::createBlankTexture(h, -1, 5, false));
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("CreateTexture loadTexture2 D3DERR_INVALIDCALL"), std::string::npos) << err;
  EXPECT_NE(err.find("CreateTexture crateTexture D3DERR_INVALIDCALL"), std::string::npos) << err;
  EXPECT_EQ(h, nullptr);

  ASSERT_TRUE(graphics::createBlankTexture(h, 101, 30, false));
  EXPECT_EQ(h->texWidth, 101);  // no even rounding
  EXPECT_EQ(h->texHeight, 30);
  EXPECT_TRUE(h->pixels.empty());
  ASSERT_TRUE(graphics::createBlankTexture(h, 101, 30, true));
  EXPECT_EQ(h->texWidth, 128);
  EXPECT_EQ(h->texHeight, 32);
  graphics::setFixationTextureSquare(1);
  ASSERT_TRUE(graphics::createBlankTexture(h, 101, 30, true));
  EXPECT_EQ(h->texHeight, 128);
  EXPECT_FLOAT_EQ(h->vertices[0][0].x, -101.0f / 128);
  graphics::releaseTextureImage(h);
  EXPECT_EQ(h, nullptr);
}

TEST_F(TextureLayout, WithoutVideoNothingIsDrawnAndNothingReported) {
  ASSERT_TRUE(graphics::startDevice());
  EXPECT_FALSE(graphics::hasDevice());
  TextureHolder h;
  ASSERT_TRUE(graphics::loadTexture(h, picture(64, 32)));
  h->alpha = 255;
  EXPECT_EQ(h->tiles[0], 0u);
  EXPECT_EQ(h->pixels.size(), 64u * 32 * 4);
  testing::internal::CaptureStderr();
  graphics::setBlendPreset(3);
  graphics::drawTextureImageAt(*h, 0, 0);
  graphics::drawPictureTiles(*h, *h, {});
  EXPECT_EQ(graphics::presentFrame(), 1);
  EXPECT_TRUE(graphics::changeScreenSize(1024, 768, false));
  EXPECT_EQ(graphics::createPlainTexture(8, 8), 0u);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  image::PixelImage frame;
  EXPECT_FALSE(graphics::readPresentedFrame(frame));
  graphics::shutDownDevice();
}

TEST(DeviceTables, ErrorNames) {
  EXPECT_EQ(graphics::d3dErrorName(0), "D3D_OK");
  EXPECT_EQ(graphics::d3dErrorName(0x8876086C), "D3DERR_INVALIDCALL");
  EXPECT_EQ(graphics::d3dErrorName(0x8007000E), "E_OUTOFMEMORY");
  EXPECT_EQ(graphics::d3dErrorName(0x0876086F), "D3DOK_NOAUTOGEN");
  EXPECT_EQ(graphics::d3dErrorName(0x88760899), "D3DERR_NOTFAUND 153");
  EXPECT_EQ(graphics::d3dErrorName(0x12345600), "D3DERR_NOTFAUND 0");
  EXPECT_EQ(graphics::detail::d3dCodeFromGlError(0x0505), 0x8007000Eu);  // out of memory
  EXPECT_EQ(graphics::detail::d3dCodeFromGlError(0x0502), 0x8876086Cu);  // invalid operation
}

TEST(DeviceTables, RuleThresholds) {
  const std::uint8_t* row0 = graphics::ruleThresholdRow(0);
  for (int k = 0; k < 1024; ++k) ASSERT_EQ(row0[k], 255);
  const std::uint8_t* row512 = graphics::ruleThresholdRow(512);
  EXPECT_EQ(row512[0], 0);     // -65025 / 512 = -127
  EXPECT_EQ(row512[255], 0);   // 0
  EXPECT_EQ(row512[258], 1);   // 765 / 512 = 1.49
  EXPECT_EQ(row512[512], 127); // 65535 / 512 = 127.99
  EXPECT_EQ(row512[765], 254); // 130050 / 512 = 254.00
  EXPECT_EQ(row512[766], 254); // 254.5 truncates to 254
  EXPECT_EQ(row512[767], 255); // 255
  const std::uint8_t* row1 = graphics::ruleThresholdRow(1);
  EXPECT_EQ(row1[255], 0);
  EXPECT_EQ(row1[256], 255);   // 255 / 1 = 255 > 254
  const std::uint8_t* row2 = graphics::ruleThresholdRow(2);
  EXPECT_EQ(row2[256], 127);   // 255 / 2
  EXPECT_EQ(row2[257], 255);   // 510 / 2 = 255 > 254
}

TEST(FramePacing, RatesAndSpacing) {
  graphics::detail::Pacing p;
  graphics::detail::setPacingRate(p, 60);
  EXPECT_EQ(p.periodMs, 50u);
  EXPECT_EQ(p.stepFrames, 3u);
  graphics::detail::setPacingRate(p, 75);
  EXPECT_EQ(p.periodMs, 40u);
  EXPECT_EQ(p.stepFrames, 3u);
  graphics::detail::setPacingRate(p, 0);  // unknown refresh rate
  EXPECT_EQ(p.periodMs, 50u);
  graphics::detail::setPacingRate(p, 1);  // the driver's default
  EXPECT_EQ(p.stepFrames, 3u);

  // 60 frames a second on the virtual clock: 16 and 17 ms apart, 60 presents per 1000 ms.
  platform::useVirtualClock(true);
  graphics::detail::setPacingRate(p, 60);
  const std::uint32_t before = platform::tickMs();
  graphics::detail::waitForFrame(p);
  EXPECT_EQ(platform::tickMs(), before);  // the first frame is presented at once
  EXPECT_EQ(graphics::detail::framesDueIn(p), 17);
  const std::uint32_t start = platform::tickMs();
  std::uint32_t last = start;
  for (int i = 0; i < 60; ++i) {
    graphics::detail::waitForFrame(p);
    const std::uint32_t now = platform::tickMs();
    EXPECT_TRUE(now - last == 16 || now - last == 17) << now - last;
    last = now;
  }
  EXPECT_GE(last - start, 999u);
  EXPECT_LE(last - start, 1001u);
  // A long stall does not buy a burst of frames: the next one is a full period later.
  platform::sleepMs(500);
  graphics::detail::waitForFrame(p);
  last = platform::tickMs();
  graphics::detail::waitForFrame(p);
  EXPECT_GE(platform::tickMs() - last, 16u);
  platform::useVirtualClock(false);
}

TEST(CapabilityReport, Layout) {
  graphics::detail::Capabilities c;
  c.deviceType = 2;
  c.maxTextureWidth = c.maxTextureHeight = 4096;
  c.vertexShaderMajor = 3;
  c.vertexShaderMinor = 30;
  const std::string r = graphics::detail::formatCapabilityReport(c);
  EXPECT_EQ(r.rfind("CheckDeviceType\n\tScreenColor 22\nGetDeviceCaps\n\tDeviceType D3DDEVTYPE_REF\n"
                    "\tCaps\n\t\tD3DCAPS_READ_SCANLINE 0\n\tCaps2\n",
                    0),
            0u);
  EXPECT_NE(r.find("\tMaxTextureWidth 4096\n\tMaxTextureHeight 4096\n"), std::string::npos);
  EXPECT_NE(r.find("\tVertexShaderVersion 3.30\n"), std::string::npos);
  EXPECT_NE(r.find("\t\tD3DPMISCCAPS_BLENDOP 1\n"), std::string::npos);
  EXPECT_EQ(r.substr(r.size() - 27), "\tVertexTextureFilterCaps 0\n");
}

}  // namespace
