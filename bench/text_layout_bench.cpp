// A message page laid out by showMessageLine at text speed 0 (no reveal delay): 16 lines of
// 23 full-width characters with a ruby group on each, glyphs made for every character, the
// backlog page filled, then the page cleared. Without a display (no texture uploads), so
// the figure is layout plus rasterising.
#include <benchmark/benchmark.h>

#include <string>

#include "core/interpreter.h"
#include "platform/cp932.h"
#include "platform/window.h"
#include "text/backlog.h"
#include "text/glyph_renderer.h"
#include "text/message_layout.h"
#include "text/message_state.h"
#include "text/message_window.h"

namespace {

void BM_InstantPage(benchmark::State& state) {
  if (!text::createGlyphRenderers()) {
    state.SkipWithError("no message font");
    return;
  }
  text::MessageState& ms = text::messageState();
  ms.textSpeed = 0;
  const std::string line = platform::jp("吾輩は(猫/ねこ)である。名前はまだ無い。どこで生れたかとんと見当がつかぬ");
  platform::WindowMessage msg;
  std::size_t characters = 0;
  for (auto _ : state) {
    for (int i = 0; i < 16; ++i) text::showMessageLine(line, 1, {}, msg);
    characters += static_cast<std::size_t>(text::messageRenderer().glyphCount + text::rubyRenderer().glyphCount);
    benchmark::DoNotOptimize(text::currentBacklogPage().text.size());
    text::clearPage();
  }
  state.counters["glyphs/s"] = benchmark::Counter(static_cast<double>(characters), benchmark::Counter::kIsRate);
  text::destroyGlyphRenderers();
}
BENCHMARK(BM_InstantPage)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
