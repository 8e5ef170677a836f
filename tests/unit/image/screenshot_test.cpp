// getscreenshot and savescreenshot: argument and range rules with their messages, then a
// capture of a frame drawn and presented by the real OpenGL device.
#include <gtest/gtest.h>

#include <cstdlib>

#include "image/screenshot.h"
#include "graphics/device.h"
#include "image/image_loader.h"
#include "image_test_support.h"
#include "platform/options.h"
#include "platform/window.h"
#include "platform/window_internal.h"

namespace {

void run(std::string_view name, std::string_view args) {
  for (const core::CommandEntry& e : image::screenshotCommands())
    if (e.name == name) return core::runCommand(e, args);
  FAIL() << "no command " << name;
}

void setVideo(bool video) {
  platform::EngineOptions o = platform::options();
  o.noDialogs = true;
  o.videoNone = !video;
  platform::setOptions(o);
}

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::size_t start = 0;
  for (std::size_t nl; (nl = text.find('\n', start)) != std::string::npos; start = nl + 1)
    out.push_back(text.substr(start, nl - start));
  return out;
}

// IHDR colour type and interlace method; the zlib level class of the first IDAT.
struct PngFacts {
  int colourType = -1, interlace = -1, levelClass = -1;
};
PngFacts pngFacts(const image_test::Bytes& png) {
  PngFacts f;
  if (png.size() < 33) return f;
  f.colourType = png[25];
  f.interlace = png[28];
  for (std::size_t i = 8; i + 10 < png.size();) {
    const std::uint32_t length = std::uint32_t{png[i]} << 24 | png[i + 1] << 16 | png[i + 2] << 8 | png[i + 3];
    if (std::memcmp(&png[i + 4], "IDAT", 4) == 0) {
      f.levelClass = png[i + 9] >> 6;
      break;
    }
    i += 12 + length;
  }
  return f;
}

// Start-of-frame marker and component count.
std::pair<int, int> jpegFrame(const image_test::Bytes& jpeg) {
  for (std::size_t i = 2; i + 9 < jpeg.size(); ++i)
    if (jpeg[i] == 0xFF && (jpeg[i + 1] == 0xC0 || jpeg[i + 1] == 0xC2)) return {jpeg[i + 1], jpeg[i + 9]};
  return {-1, -1};
}

TEST(ScreenshotCommands, ArgumentAndRangeRules) {
  setVideo(false);
  image_test::TempFolder folder;
  testing::internal::CaptureStderr();
  run("savescreenshot", " \"early.bmp\"");  // nothing captured yet
  run("getscreenshot", " 0, 5");
  run("getscreenshot", " 5");
  run("getscreenshot", " \"a\", 5");
  run("getscreenshot", " 5, \"b\"");
  run("getscreenshot", " 10, 10");  // no device
  run("getscreenshot", " 100000, 100000");  // 40 GB: refused before anything is read
  image::PixelImage shot = image_test::patternImage(16, 8);
  shot.bits = 24;
  image::replaceScreenshot(shot);
  run("savescreenshot", "");
  run("savescreenshot", " 5");
  run("savescreenshot", " \"g.png\", 1, \"x\"");
  run("savescreenshot", " \"a.bmp\"");
  run("savescreenshot", " \"b.png\", 1, 24, 12");
  run("savescreenshot", " \"c.jpg\", 2, 32");
  run("savescreenshot", " \"d.x\", 7");
  run("savescreenshot", " \"e.png\", 1, 8, 9, 3");
  run("savescreenshot", " \"f.jpg\", 2, 24, 101, 5");
  run("savescreenshot", " \"h.bmp\", 0, 16, 55, 9");
  run("savescreenshot", " \"i.png\", 1, 24, 0, 1");
  run("savescreenshot", " \"j.jpg\", 2, 8, 0, 2");
  const std::string p = "Error: script/0.txt[1] ";
  const std::vector<std::string> want = {
      p + "saveScreenShot ※スクリーンショットがメモリに存在しません",
      p + "getScreenShot ※幅値が不正です",
      p + "getScreenShot ※引数の数が不正です",
      p + "getScreenShot ※第一引数が数値ではありません",
      p + "getScreenShot ※第二引数が数値ではありません",
      p + "getScreenShot ※描画デバイスが無いため画面を取り込めません (--video=none)",
      p + "getScreenShot ※メモリの確保に失敗しました",
      p + "saveScreenShot ※引数の数が不正です",
      p + "saveScreenShot ※第一引数が文字列ではありません",
      p + "saveScreenShot ※第三引数が数値ではありません",
      p + "saveScreenShot ※対応していない圧縮値です",
      p + "saveScreenShot ※対応していない深度です",
      p + "saveScreenShot ※保存形式が不正です",
      p + "saveScreenShot ※対応していないPNG-OPです",
      p + "saveScreenShot ※対応していない品質値です",
      p + "saveScreenShot ※-FMT: 対応していないJPEG-OPです",
      p + "saveScreenShot ※対応していない深度です",
  };
  EXPECT_EQ(lines(testing::internal::GetCapturedStderr()), want);

  EXPECT_FALSE(std::filesystem::exists("early.bmp"));
  EXPECT_FALSE(std::filesystem::exists("g.png"));
  using image_test::readBytes;
  const auto bmp = readBytes("a.bmp");  // defaults: BMP, depth 24
  ASSERT_GT(bmp.size(), 30u);
  EXPECT_EQ(bmp[28], 24);
  const PngFacts b = pngFacts(readBytes("b.png"));  // level 12 replaced by 9
  EXPECT_EQ(b.colourType, 2);
  EXPECT_EQ(b.levelClass, 3);
  EXPECT_EQ(jpegFrame(readBytes("c.jpg")), std::make_pair(0xC0, 3));  // depth 0: colour
  EXPECT_EQ(image::detectFormat(readBytes("d.x")), image::ImageFormat::Bmp);
  const PngFacts e = pngFacts(readBytes("e.png"));  // option 3 replaced by 0
  EXPECT_EQ(e.colourType, 0);
  EXPECT_EQ(e.interlace, 0);
  EXPECT_EQ(jpegFrame(readBytes("f.jpg")), std::make_pair(0xC0, 3));
  EXPECT_EQ(readBytes("h.bmp")[28], 24);  // depth 16 replaced by 0: the shot's own 24
  const PngFacts i = pngFacts(readBytes("i.png"));
  EXPECT_EQ(i.interlace, 1);
  EXPECT_EQ(i.levelClass, 0);
  EXPECT_EQ(jpegFrame(readBytes("j.jpg")), std::make_pair(0xC2, 1));
}

std::uint32_t pixelAt(const image::PixelImage& img, int x, int y) {
  const std::uint8_t* p = img.row(y) + x * 4;
  return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24;
}

// Runs under Xvfb in the test suite; without an X display the offscreen (EGL) driver serves.
TEST(ScreenshotCapture, FrameAsPresentedByTheDevice) {
  if (!std::getenv("DISPLAY")) setenv("SDL_VIDEODRIVER", "offscreen", 1);
  setVideo(true);
  image_test::TempFolder folder;
  std::string why;
  ASSERT_TRUE(platform::createMainWindow("screenshot test", why)) << why;
  ASSERT_TRUE(graphics::startDevice());

  // A dark blue-green stage with a 100 x 50 picture at (100, 80): left half red, right half white.
  graphics::bindRenderTarget(graphics::mainTarget());
  graphics::clearRenderTarget(0xFF204060);
  std::vector<std::uint8_t> picture(100 * 50 * 4);
  for (int y = 0; y < 50; ++y)
    for (int x = 0; x < 100; ++x) {
      std::uint8_t* p = picture.data() + (y * 100 + x) * 4;
      p[0] = x < 50 ? 0 : 255, p[1] = x < 50 ? 0 : 255, p[2] = 255, p[3] = 255;
    }
  graphics::TextureHandle texture = graphics::createPlainTexture(100, 50);
  ASSERT_NE(texture, 0u);
  ASSERT_TRUE(graphics::uploadPlainTexture(texture, 100, 50, picture.data(), 400));
  graphics::setBlendPreset(0);
  graphics::drawScreenQuad(texture, 100, 80, 200, 130, 0xFFFFFFFF);
  ASSERT_EQ(graphics::presentFrame(), 1);
  // Drawing after the present must not show in the capture.
  graphics::clearRenderTarget(0xFFFFFF00);

  ASSERT_TRUE(image::captureScreenshot(800, 600));
  const image::PixelImage* shot = image::screenshotImage();
  ASSERT_TRUE(shot);
  ASSERT_EQ(shot->width, 800);
  ASSERT_EQ(shot->height, 600);
  EXPECT_EQ(shot->bits, 24);
  EXPECT_EQ(pixelAt(*shot, 5, 5), 0xFF204060u);
  EXPECT_EQ(pixelAt(*shot, 120, 82), 0xFFFF0000u);   // red, near the picture's top
  EXPECT_EQ(pixelAt(*shot, 180, 127), 0xFFFFFFFFu);  // white, near its bottom
  EXPECT_EQ(pixelAt(*shot, 99, 82), 0xFF204060u);
  EXPECT_EQ(pixelAt(*shot, 120, 130), 0xFF204060u);

  // Half size through the command, then saved with the shot's own depth.
  testing::internal::CaptureStderr();
  run("getscreenshot", " 400, 300");
  run("savescreenshot", " \"shot.png\", 1, 0");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  shot = image::screenshotImage();
  ASSERT_EQ(shot->width, 400);
  EXPECT_EQ(shot->bits, 32);
  auto back = image::decodeImage(image_test::readBytes("shot.png"), why);
  ASSERT_TRUE(back) << why;
  EXPECT_EQ(back->width, 400);
  EXPECT_EQ(back->height, 300);
  EXPECT_EQ(back->bits, 32);
  EXPECT_EQ(pixelAt(*back, 10, 200), 0xFF204060u);
  EXPECT_EQ(pixelAt(*back, 60, 50), 0xFFFF0000u);
  EXPECT_EQ(pixelAt(*back, 90, 50), 0xFFFFFFFFu);
  for (std::size_t a = 3; a < back->pixels.size(); a += 4) ASSERT_EQ(back->pixels[a], 255);

  // Scripted input's "screenshot FILE" saves the same presented frame at full size.
  image::initImages();
  platform::ScriptedEvent event;
  event.action = platform::ScriptedAction::Screenshot;
  event.text = (folder.path() / "scripted.png").string();
  platform::startScriptedInput({event});
  platform::WindowMessage message;
  while (platform::pollMessage(message)) {
  }
  back = image::decodeImage(image_test::readBytes(event.text), why);
  ASSERT_TRUE(back) << why;
  EXPECT_EQ(back->width, 800);
  EXPECT_EQ(back->bits, 24);
  EXPECT_EQ(pixelAt(*back, 120, 82), 0xFFFF0000u);
  EXPECT_EQ(pixelAt(*back, 5, 595), 0xFF204060u);

  graphics::releasePlainTexture(texture);
  graphics::shutDownDevice();
  platform::destroyMainWindow();
  setVideo(false);
}

}  // namespace
