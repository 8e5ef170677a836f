// Movie frames in the scaled full-screen modes: the frame is drawn into the intermediate
// surface, which is stretched onto the back buffer, and the stage as presented holds the
// frame at its centred place. Runs the player in this process on the real GL device.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "graphics/device.h"
#include "image/codecs.h"
#include "movie/movie_file.h"
#include "movie/movie_player.h"
#include "platform/display_modes.h"
#include "platform/options.h"
#include "platform/window.h"

namespace {

namespace fs = std::filesystem;

std::string solidJpeg(int w, int h, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  auto img = image::createImage(w, h, 24);
  for (std::size_t i = 0; i < img->pixels.size(); i += 4) img->pixels[i] = b, img->pixels[i + 1] = g, img->pixels[i + 2] = r, img->pixels[i + 3] = 255;
  std::string out, why;
  EXPECT_TRUE(image::encodeJpeg(*img, 24, 95, 0, out, why)) << why;
  return out;
}

TEST(MovieFullScreen, ScaledModesDrawThroughTheIntermediateSurface) {
  if (!std::getenv("DISPLAY")) setenv("SDL_VIDEODRIVER", "offscreen", 0);
  const fs::path home = fs::current_path();
  const fs::path work = fs::temp_directory_path() / ("utsushi_movie_fs_" + std::to_string(::getpid()));
  fs::create_directories(work);
  fs::current_path(work);
  platform::EngineOptions o;
  o.noDialogs = true;
  platform::setOptions(o);
  graphics::setLimitFps(1000);
  std::string why;
  ASSERT_TRUE(platform::createMainWindow("movie test", why)) << why;
  platform::initDisplay();
  ASSERT_TRUE(graphics::startDevice());
  platform::setScreenSizeHandler(graphics::changeScreenSize);

  movie::MovieHeader h;
  h.rate = 1, h.scale = 100, h.width = 400, h.height = 300;  // a period of 100 s: never late here
  std::string file = movie::movieHeaderBytes(h);
  movie::appendChunk(file, "00dc", 0, solidJpeg(400, 300, 20, 200, 40));
  movie::appendChunk(file, "00dc", 0, solidJpeg(400, 300, 230, 20, 20));
  movie::appendChunk(file, "EOF ", 0, "");
  std::ofstream("m.mpg", std::ios::binary) << file;

  auto greenAt = [](const image::PixelImage& p, int x, int y) {
    const std::uint8_t* px = p.row(y) + x * 4;
    return std::abs(px[2] - 20) < 8 && std::abs(px[1] - 200) < 8 && std::abs(px[0] - 40) < 8;
  };
  auto redAt = [](const image::PixelImage& p, int x, int y) {
    const std::uint8_t* px = p.row(y) + x * 4;
    return std::abs(px[2] - 230) < 8 && std::abs(px[1] - 20) < 8 && std::abs(px[0] - 20) < 8;
  };
  {
    movie::MjpegPlayer player;
    player.open("m.mpg");
    player.start();
    // Window mode: straight into the back buffer.
    ASSERT_TRUE(player.showNextChunk());
    player.presentDue();
    EXPECT_EQ(graphics::mainTarget(), graphics::RenderTarget::BackBuffer);
    image::PixelImage shown;
    ASSERT_TRUE(graphics::readPresentedFrame(shown));
    EXPECT_TRUE(greenAt(shown, 200, 150));
    EXPECT_TRUE(greenAt(shown, 599, 449));
    EXPECT_FALSE(greenAt(shown, 199, 150));

    // Full screen, no enlarging (fit mode 1): through g_pBackSurface.
    platform::setFitMode(platform::kFitNoEnlarge);
    platform::setFullScreen(true);
    ASSERT_TRUE(player.showNextChunk());
    player.presentDue();
    EXPECT_EQ(graphics::mainTarget(), graphics::RenderTarget::BackSurface);
    ASSERT_TRUE(graphics::readPresentedFrame(shown));
    EXPECT_TRUE(redAt(shown, 200, 150));
    EXPECT_TRUE(redAt(shown, 599, 449));
    EXPECT_FALSE(player.showNextChunk());
  }
  platform::setFullScreen(false);
  graphics::shutDownDevice();
  platform::destroyMainWindow();
  fs::current_path(home);
  fs::remove_all(work);
}

}  // namespace
