// A full message page: 23 x 16 Japanese characters rasterised, drawn into their cells with
// the default style (shadow, outline, gradient) and, when a display is available, uploaded
// as one texture each. Cold runs rasterise every glyph with FreeType; warm runs find the
// grey bitmaps in the cache, as a page of already-seen characters does.
#include <benchmark/benchmark.h>

#include <vector>

#include "graphics/device.h"
#include "platform/cp932.h"
#include "platform/options.h"
#include "platform/window.h"
#include "text/glyph_renderer.h"

namespace {

constexpr int kColumns = 23;
constexpr int kLines = 16;

// 368 distinct kanji from the first level of JIS X 0208 (亜 onward).
std::vector<unsigned> pageCodes() {
  std::vector<unsigned> codes;
  for (unsigned lead = 0x88; codes.size() < kColumns * kLines; ++lead) {
    for (unsigned trail = lead == 0x88 ? 0x9F : 0x40; trail <= 0xFC && codes.size() < kColumns * kLines; ++trail) {
      if (trail != 0x7F) codes.push_back(lead << 8 | trail);
    }
  }
  return codes;
}

void layOutPage(text::GlyphRenderer& r, const std::vector<unsigned>& codes) {
  for (int i = 0; i < kColumns * kLines; ++i) {
    unsigned code = codes[static_cast<std::size_t>(i)];
    text::addMessageGlyph(r, 8 + (i % kColumns) * 26, 16 + (i / kColumns) * 28, static_cast<unsigned char>(code >> 8),
                          static_cast<unsigned char>(code & 0xFF));
  }
}

void runPage(benchmark::State& state, bool cold) {
  text::GlyphRenderer r;
  if (!text::create(r, platform::jp("ＭＳ ゴシック"), 26, 14, text::kMessageGlyphSlots)) {
    state.SkipWithError("no font");
    return;
  }
  std::vector<unsigned> codes = pageCodes();
  for (auto _ : state) {
    if (cold) text::clearGlyphCache();
    layOutPage(r, codes);
    benchmark::DoNotOptimize(r.glyphTextures[0].cell.pixels.data());
    state.PauseTiming();
    text::releaseMessageGlyphs(r);
    state.ResumeTiming();
  }
  state.counters["glyphs"] = static_cast<double>(codes.size());
  state.counters["uploaded"] = graphics::hasDevice() ? 1 : 0;
  text::destroy(r);
}

// FreeType alone: the share of a cold page spent turning outlines into grey bitmaps.
void BM_RasteriseOnly(benchmark::State& state) {
  text::GlyphRenderer r;
  if (!text::create(r, platform::jp("ＭＳ ゴシック"), 26, 14, 0)) {
    state.SkipWithError("no font");
    return;
  }
  std::vector<unsigned> codes = pageCodes();
  for (auto _ : state) {
    text::clearGlyphCache();
    for (unsigned code : codes) benchmark::DoNotOptimize(text::glyphBitmap(r.font, code).blackBoxY);
  }
}
BENCHMARK(BM_RasteriseOnly)->Unit(benchmark::kMillisecond);

void BM_PageCold(benchmark::State& state) { runPage(state, true); }
void BM_PageWarm(benchmark::State& state) { runPage(state, false); }
BENCHMARK(BM_PageCold)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PageWarm)->Unit(benchmark::kMillisecond);

}  // namespace

// With a display (xvfb-run) the device is made so that uploads are part of the figures.
int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  std::string why;
  bool window = platform::createMainWindow("utsushi glyph bench", why) && graphics::startDevice();
  if (!window) std::fprintf(stderr, "no display: measuring rasterising and drawing only (%s)\n", why.c_str());
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  if (window) graphics::shutDownDevice();
  platform::destroyMainWindow();
  return 0;
}
