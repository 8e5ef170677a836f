// The picture filters on an 800 x 600 picture with alpha, against a memcpy of the same
// bytes. Goals: blur and mosaic within 2 x the copy, the blur's cost the same at radius 1
// and 50, and the cross-fade faster with two worker threads than with one.
#include <benchmark/benchmark.h>

#include <cstring>

#include "image/compose_modes.h"
#include "image/crossfade.h"
#include "image/filters.h"
#include "image/resize.h"

namespace {

constexpr int kWidth = 800, kHeight = 600;

image::PixelImage makePicture(std::uint32_t seed) {
  image::PixelImage img = *image::createImage(kWidth, kHeight, 32);
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      std::uint8_t* p = img.row(y) + x * 4;
      seed = seed * 1664525u + 1013904223u;
      p[0] = static_cast<std::uint8_t>(x * 255 / kWidth);
      p[1] = static_cast<std::uint8_t>(y * 255 / kHeight);
      p[2] = static_cast<std::uint8_t>(seed >> 24);
      // Mostly opaque with transparent and half-covered regions, as stand pictures are.
      p[3] = static_cast<std::uint8_t>(x < 100 ? 0 : x < 200 ? (seed >> 16) & 0xFF : 255);
    }
  return img;
}

const image::PixelImage& source() {
  static const image::PixelImage img = makePicture(1);
  return img;
}

template <typename F>
void run(benchmark::State& state, F filter) {
  image::PixelImage img = source();
  for (auto _ : state) {
    state.PauseTiming();
    img.width = kWidth, img.height = kHeight;  // resize changes the record
    img.pixels.resize(source().pixels.size());
    std::memcpy(img.pixels.data(), source().pixels.data(), img.pixels.size());
    state.ResumeTiming();
    filter(img);
    benchmark::DoNotOptimize(img.pixels.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(source().pixels.size()));
}

void BM_MemcpyPass(benchmark::State& state) {
  std::vector<std::uint8_t> out(source().pixels.size());
  for (auto _ : state) {
    std::memcpy(out.data(), source().pixels.data(), out.size());
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(out.size()));
}
BENCHMARK(BM_MemcpyPass);

void BM_Negative(benchmark::State& s) { run(s, [](image::PixelImage& i) { image::filterNegative(&i); }); }
void BM_Grey(benchmark::State& s) { run(s, [](image::PixelImage& i) { image::filterGrey(&i); }); }
void BM_BrightnessContrast(benchmark::State& s) { run(s, [](image::PixelImage& i) { image::filterBrightnessContrast(&i, 20, 40); }); }
void BM_ColourCurves(benchmark::State& s) { run(s, [](image::PixelImage& i) { image::filterColour(&i, 30, 0, -40); }); }
void BM_Hsl(benchmark::State& s) { run(s, [](image::PixelImage& i) { image::filterHsl(&i, 40, 100, -30); }); }
void BM_Blur(benchmark::State& s) {
  const int r = static_cast<int>(s.range(0));
  run(s, [r](image::PixelImage& i) { image::filterBlur(&i, r, r); });
}
void BM_Mosaic(benchmark::State& s) {
  const int b = static_cast<int>(s.range(0));
  run(s, [b](image::PixelImage& i) { image::filterMosaic(&i, b, b); });
}
void BM_ComposeNormal(benchmark::State& s) {
  static const image::PixelImage top = makePicture(7);
  run(s, [](image::PixelImage& i) { image::compose(i, top, 0, 0, 5); });
}
void BM_ComposeOverlayMode(benchmark::State& s) {
  static const image::PixelImage top = makePicture(7);
  run(s, [](image::PixelImage& i) { image::compose(i, top, 0, 0, 18); });
}
void BM_ResizeHalf(benchmark::State& s) { run(s, [](image::PixelImage& i) { image::resize(&i, 50, 50, false); }); }
BENCHMARK(BM_Negative);
BENCHMARK(BM_Grey);
BENCHMARK(BM_BrightnessContrast);
BENCHMARK(BM_ColourCurves);
BENCHMARK(BM_Hsl);
BENCHMARK(BM_Blur)->Arg(1)->Arg(7)->Arg(50);
BENCHMARK(BM_Mosaic)->Arg(2)->Arg(8)->Arg(32);
BENCHMARK(BM_ComposeNormal);
BENCHMARK(BM_ComposeOverlayMode);
BENCHMARK(BM_ResizeHalf);

void BM_Crossfade(benchmark::State& state) {
  static const image::PixelImage b = makePicture(99);
  image::setWorkerThreads(static_cast<int>(state.range(0)));
  image::PixelImage out = source();
  int weight = 0;
  for (auto _ : state) {
    image::crossfade(out, source(), b, weight);
    weight = (weight + 37) % 257;
    benchmark::DoNotOptimize(out.pixels.data());
  }
  image::setWorkerThreads(0);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(out.pixels.size()));
}
BENCHMARK(BM_Crossfade)->Arg(1)->Arg(2)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
