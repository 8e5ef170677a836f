// The cost of a transition frame against a plain frame of the same stage: a full-screen
// background and three partly transparent stand pictures, with a different background
// staged as the new stage. Cross-fade and rule frames draw the stage twice and combine the
// two; the rule frame's threshold runs in the fragment shader. A named rectangle transition
// and a turned card are measured too. Run under xvfb-run (or SDL_VIDEODRIVER=offscreen).
#include <benchmark/benchmark.h>
#include <epoxy/gl.h>

#include <fstream>
#include <string>

#include "gl_bench.h"
#include "graphics/device.h"
#include "graphics/frame.h"
#include "graphics/sprites.h"
#include "graphics/transitions.h"
#include "image/codecs.h"

namespace {

constexpr int kDuration = 1000;

using gl_bench::noisePicture;
using gl_bench::stage;

void buildStage() {
  graphics::resetSprites();
  stage(0, noisePicture(800, 600, 7, false));
  graphics::spriteSlot(0)->staged()->blendMode = 0;
  for (int n = 1; n <= 3; ++n) {
    stage(n, noisePicture(300, 500, static_cast<unsigned>(n), true));
    graphics::spriteSlot(n)->staged()->posX = static_cast<float>(n * 200);
    graphics::spriteSlot(n)->staged()->posY = 330;
  }
  graphics::commitSprites();
  stage(0, noisePicture(800, 600, 99, false));  // the new stage: another background
}

// Frames at moments spread over the transition, so every size of the moving parts is met.
void frames(benchmark::State& state, int drawer) {
  int t = 0;
  for (auto _ : state) {
    graphics::renderFrame(drawer, t, kDuration, 0);
    t = (t + 37) % kDuration;
  }
  glFinish();
  state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_PlainFrame(benchmark::State& state) {
  buildStage();
  frames(state, graphics::kDrawPlain);
}

void BM_CrossFadeFrame(benchmark::State& state) {
  buildStage();
  graphics::startTransition(3, "", 1);
  frames(state, graphics::kDrawFade);
}

void BM_RuleFrame(benchmark::State& state) {
  buildStage();
  graphics::startTransition(4, "rule.png", static_cast<int>(state.range(0)));
  frames(state, graphics::kDrawRule);
}

void BM_NamedFrame(benchmark::State& state, const char* name) {
  buildStage();
  graphics::startTransition(2, name, 1);
  frames(state, graphics::kDrawNamedTransition);
}

// The combining step alone (both stages already drawn), finished on the device each time.
void BM_FadeCombineOnly(benchmark::State& state) {
  buildStage();
  graphics::bindRenderTarget(graphics::mainTarget());
  for (auto _ : state) {
    graphics::drawFullScreenQuad(graphics::renderTexture(), 128);
    glFinish();
  }
}

void BM_RuleCombineOnly(benchmark::State& state) {
  buildStage();
  graphics::startTransition(4, "rule.png", 64);
  graphics::bindRenderTarget(graphics::mainTarget());
  for (auto _ : state) {
    graphics::drawRuleQuad(graphics::renderTexture(), static_cast<int>(state.range(0)), 64);
    glFinish();
  }
}

BENCHMARK(BM_FadeCombineOnly)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();
// Levels: nothing changed yet, half way, everything changed.
BENCHMARK(BM_RuleCombineOnly)->Arg(0)->Arg(160)->Arg(319)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime();
BENCHMARK(BM_PlainFrame)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_CrossFadeFrame)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_RuleFrame)->Arg(1)->Arg(256)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK_CAPTURE(BM_NamedFrame, shutterup, "shutterup")->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK_CAPTURE(BM_NamedFrame, rotateinplusccy, "rotateinplusccy")
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0)
    ->UseRealTime();

void writeRulePicture() {
  image::PixelImage rule = noisePicture(800, 600, 3, false);
  std::string data, why;
  if (!image::encodePng(rule, 32, 1, false, data, why)) return;
  std::ofstream("rule.png", std::ios::binary) << data;
}

}  // namespace

int main(int argc, char** argv) { return gl_bench::run(argc, argv, "transitions_bench", writeRulePicture); }
