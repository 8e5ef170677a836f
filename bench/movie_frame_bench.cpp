// Cost of one movie frame, 800 x 600: the player's own path (the chunk read, the decode
// straight into the locked picture texture, the quad and the present) against a plain decode
// of the same JPEG into a new picture plus one presented frame. The goal is within 1.2 x.
// Both presents pace at LimitFPS 1000, so each includes up to 1 ms of waiting alike.
// Run under xvfb-run (or SDL_VIDEODRIVER=offscreen).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>

#include "gl_bench.h"
#include "graphics/device.h"
#include "image/codecs.h"
#include "movie/movie_file.h"
#include "movie/movie_player.h"

namespace {

constexpr int kFramesInMovie = 64;

// Something like a photograph: smooth gradients with a little grain, quality 85.
const std::string& frameJpeg() {
  static const std::string jpeg = [] {
    auto img = image::createImage(800, 600, 24);
    unsigned seed = 1;
    for (int y = 0; y < 600; ++y)
      for (int x = 0; x < 800; ++x) {
        seed = seed * 1103515245u + 12345u;
        const int grain = static_cast<int>((seed >> 16) & 15) - 8;
        std::uint8_t* px = img->row(y) + x * 4;
        px[0] = static_cast<std::uint8_t>(std::clamp(static_cast<int>(128 + 100 * std::sin(x / 60.0)) + grain, 0, 255));
        px[1] = static_cast<std::uint8_t>(std::clamp(y * 255 / 600 + grain, 0, 255));
        px[2] = static_cast<std::uint8_t>(std::clamp(static_cast<int>(128 + 100 * std::cos((x + y) / 90.0)) + grain, 0, 255));
        px[3] = 255;
      }
    std::string out, why;
    image::encodeJpeg(*img, 24, 85, 0, out, why);
    return out;
  }();
  return jpeg;
}

void writeMovie() {
  movie::MovieHeader h;
  h.rate = 1;
  h.scale = 1000000;  // a period of 10^9 ms: no frame is ever late, each is due at once
  h.width = 800;
  h.height = 600;
  std::string file = movie::movieHeaderBytes(h);
  for (int i = 0; i < kFramesInMovie; ++i) movie::appendChunk(file, "00dc", 0, frameJpeg());
  movie::appendChunk(file, "EOF ", 0, "");
  std::ofstream("bench.mpg", std::ios::binary) << file;
}

void BM_PlainDecodeAndPresent(benchmark::State& state) {
  const auto& jpeg = frameJpeg();
  std::string why;
  for (auto _ : state) {
    auto img = image::decodeJpeg({reinterpret_cast<const std::uint8_t*>(jpeg.data()), jpeg.size()}, why);
    benchmark::DoNotOptimize(img);
    graphics::presentFrame();
  }
}

void BM_MovieFrame(benchmark::State& state) {
  auto player = std::make_unique<movie::MjpegPlayer>();
  player->open("bench.mpg");
  player->start();
  for (auto _ : state) {
    if (!player->showNextChunk()) {
      state.PauseTiming();
      player = std::make_unique<movie::MjpegPlayer>();
      player->open("bench.mpg");
      player->start();
      state.ResumeTiming();
      player->showNextChunk();
    }
    player->presentDue();
  }
}

// The same JPEG shown the way a script shows a picture: decoded, made a texture and drawn
// over the whole stage, then presented.
void BM_PictureDecodeDrawAndPresent(benchmark::State& state) {
  const auto& jpeg = frameJpeg();
  std::string why;
  graphics::TextureHolder picture;
  for (auto _ : state) {
    auto img = image::decodeJpeg({reinterpret_cast<const std::uint8_t*>(jpeg.data()), jpeg.size()}, why);
    graphics::loadTexture(picture, std::move(*img));
    picture->alpha = 255;
    graphics::bindRenderTarget(graphics::mainTarget());
    graphics::drawTextureImageAt(*picture, 0, 0);
    graphics::presentFrame();
  }
  graphics::releaseTextureImage(picture);
}

// The CPU column counts the whole process: llvmpipe draws, copies and presents on threads
// of its own, and on a busy machine the wall time says more about the neighbours.
BENCHMARK(BM_PlainDecodeAndPresent)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_PictureDecodeDrawAndPresent)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_MovieFrame)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

void prepare() {
  writeMovie();
  std::printf("frame: 800 x 600 JPEG of %zu bytes\n", frameJpeg().size());
}

}  // namespace

int main(int argc, char** argv) { return gl_bench::run(argc, argv, "movie_frame_bench", prepare); }
