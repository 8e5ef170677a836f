// Upload cost of a 2000 x 1000 picture through the device: one texture, two tiles of 1024,
// the same-size refresh, and a raw upload into a sized RGBA8 texture for comparison; also
// frame read-back and presentation.
// Run under xvfb-run (or SDL_VIDEODRIVER=offscreen).
#include <benchmark/benchmark.h>
#include <epoxy/gl.h>

#include "gl_bench.h"
#include "graphics/device.h"

namespace {

image::PixelImage makePicture() {
  image::PixelImage p;
  p.width = 2000;
  p.height = 1000;
  p.pixels.resize(static_cast<std::size_t>(p.width) * p.height * 4);
  for (std::size_t i = 0; i < p.pixels.size(); ++i) p.pixels[i] = static_cast<std::uint8_t>(i * 2654435761u >> 24);
  return p;
}

const image::PixelImage& source() {
  static const image::PixelImage p = makePicture();
  return p;
}

image::PixelImage copyOfSource() {
  image::PixelImage p;
  p.width = source().width;
  p.height = source().height;
  p.pixels = source().pixels;
  return p;
}

void loadFresh(benchmark::State& state, int maxTextureSize) {
  graphics::setMaxTextureSize(maxTextureSize);
  for (auto _ : state) {
    state.PauseTiming();
    image::PixelImage p = copyOfSource();
    graphics::TextureHolder h;
    state.ResumeTiming();
    graphics::loadTexture(h, std::move(p));
    glFinish();
    state.PauseTiming();
    graphics::releaseTextureImage(h);
    glFinish();
    state.ResumeTiming();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * source().pixels.size());
  graphics::setMaxTextureSize(0);
}

void BM_LoadTextureOneTile(benchmark::State& state) { loadFresh(state, 0); }
void BM_LoadTextureTwoTiles1024(benchmark::State& state) { loadFresh(state, 1024); }

void BM_RefreshSameSize(benchmark::State& state) {
  graphics::TextureHolder h;
  graphics::loadTexture(h, copyOfSource());
  for (auto _ : state) {
    state.PauseTiming();
    image::PixelImage p = copyOfSource();
    state.ResumeTiming();
    graphics::loadTexture(h, std::move(p));
    glFinish();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * source().pixels.size());
  graphics::releaseTextureImage(h);
}

// What the device avoids: a sized GL_RGBA8 texture converts B,G,R,A bytes on every upload.
void BM_RawUploadSizedRgba8(benchmark::State& state) {
  GLuint t = 0;
  glGenTextures(1, &t);
  glBindTexture(GL_TEXTURE_2D, t);
  for (auto _ : state) {
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 2000, 1000, 0, GL_BGRA, GL_UNSIGNED_BYTE, source().pixels.data());
    glFinish();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * source().pixels.size());
  glDeleteTextures(1, &t);
}

void BM_ReadPresentedFrame(benchmark::State& state) {
  graphics::presentFrame();
  image::PixelImage frame;
  for (auto _ : state) benchmark::DoNotOptimize(graphics::readPresentedFrame(frame));
}

// Wall time includes the 1 ms pacing wait (LimitFPS 1000); the CPU column is the cost of
// keeping the presented copy, the blit to the window and the swap.
void BM_PresentFrame(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(graphics::presentFrame());
}

BENCHMARK(BM_LoadTextureOneTile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadTextureTwoTiles1024)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RefreshSameSize)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RawUploadSizedRgba8)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadPresentedFrame)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PresentFrame)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return gl_bench::run(argc, argv, "device_upload_bench"); }
