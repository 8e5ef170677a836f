// Frames drawn by renderFrame with 1000 sprites of 64 x 64 over a full-screen background:
// still (every sprite at rest) and moving (every sprite animated by its queue), and the
// scene alone without presentation. Run under xvfb-run (or SDL_VIDEODRIVER=offscreen).
#include <benchmark/benchmark.h>
#include <epoxy/gl.h>

#include "gl_bench.h"
#include "graphics/device.h"
#include "graphics/frame.h"
#include "graphics/sprites.h"

namespace {

using gl_bench::stage;

image::PixelImage makePicture(int w, int h, unsigned seed) { return gl_bench::noisePicture(w, h, seed); }

// Slot 0 the 800 x 600 background, slots 1..999 the sprites of 64 x 64: 1000 pictures, every
// sprite partly transparent so blending cannot be skipped.
void buildStage() {
  graphics::resetSprites();
  stage(0, makePicture(800, 600, 7));
  graphics::spriteSlot(0)->staged()->blendMode = 0;
  for (int n = 1; n < graphics::kSpriteSlots; ++n) {
    stage(n, makePicture(64, 64, static_cast<unsigned>(n)));
    graphics::TextureImage* s = graphics::spriteSlot(n)->staged();
    s->posX = static_cast<float>(32 + (n * 37) % 736);
    s->posY = static_cast<float>(32 + (n * 53) % 536);
  }
  graphics::commitSprites();
}

void BM_RenderFrameStill(benchmark::State& state) {
  buildStage();
  for (auto _ : state) graphics::renderFrame();
  glFinish();
  state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_RenderFrameMoving(benchmark::State& state) {
  buildStage();
  for (int n = 1; n < graphics::kSpriteSlots; ++n) {
    graphics::AnimationStep& t = graphics::animationTemplate();
    t.tracks[graphics::kTrackPosX] = {0, 400, 100000, 0};
    t.tracks[graphics::kTrackRotZ] = {0, 360, 100000, 0};
    graphics::AnimationQueue& q = graphics::createAnimationQueue(n);
    graphics::AnimationStep step = t;
    step.tracks[graphics::kTrackPosX].from = static_cast<int>(graphics::spriteSlot(n)->shown()->posX);
    step.startTime = 1;
    q.push_back(step);
    t = graphics::AnimationStep{};
  }
  for (auto _ : state) graphics::renderFrame();
  glFinish();
  state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_DrawSceneOnly(benchmark::State& state) {
  buildStage();
  graphics::bindRenderTarget(graphics::mainTarget());
  for (auto _ : state) {
    graphics::drawScene(false);
    glFinish();
  }
  state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

BENCHMARK(BM_RenderFrameStill)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_RenderFrameMoving)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
BENCHMARK(BM_DrawSceneOnly)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();

}  // namespace

int main(int argc, char** argv) { return gl_bench::run(argc, argv, "sprites_bench"); }
