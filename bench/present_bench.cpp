// The cost of one presented frame: the engine's whole frame (a full-stage picture, the stage
// shown in the window, the swap) beside a minimal program that draws the same picture as one
// textured quad straight into the window and swaps. A picture that hides the stage sends the
// frame straight into the window (BM_EngineFrame); one that lets the last frame show through
// is drawn over the stage surface, which is then copied into the window
// (BM_EngineFrameOverLastFrame). A small picture moving over the full-stage one draws only
// where it was and is (BM_EngineFrameSmallChange/0) or the whole stage (/1). The measure is the process's CPU time a frame ("cpu_ms"),
// the software rasteriser's threads included; the virtual clock keeps the pacing's waits
// out of it.
// Run under xvfb-run (or SDL_VIDEODRIVER=offscreen).
#include <SDL.h>
#include <benchmark/benchmark.h>
#include <epoxy/gl.h>

#include <time.h>

#include "gl_bench.h"
#include "graphics/frame.h"
#include "platform/clock.h"

namespace {

double processCpuMs() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

void reportCpu(benchmark::State& state, double startMs) {
  state.counters["cpu_ms"] =
      benchmark::Counter((processCpuMs() - startMs) / static_cast<double>(state.iterations()));
}

image::PixelImage stagePicture() { return gl_bench::noisePicture(platform::kStageWidth, platform::kStageHeight, 7, false); }

// Shown, so that every swap reaches the X server as it does in a game.
void showWindow() { SDL_ShowWindow(platform::mainSdlWindow()); }

void engineFrames(benchmark::State& state, int alpha) {
  showWindow();
  graphics::resetSprites();
  gl_bench::stage(0, stagePicture());
  graphics::commitSprites();
  graphics::spriteSlot(0)->shown()->alpha = alpha;
  const double start = processCpuMs();
  for (auto _ : state) {
    graphics::drawWholeNextFrame();  // the same scene each time: it would draw nothing
    benchmark::DoNotOptimize(graphics::renderFrame());
  }
  glFinish();
  reportCpu(state, start);
  graphics::releaseSprites();
}

void BM_EngineFrame(benchmark::State& state) { engineFrames(state, 255); }

// A 64 x 64 picture moving a pixel a frame over the full-stage one: the frame draws the
// rectangle it left and the one it reached. Argument 1: every frame drawn whole instead.
void BM_EngineFrameSmallChange(benchmark::State& state) {
  showWindow();
  graphics::resetSprites();
  gl_bench::stage(0, stagePicture());
  gl_bench::stage(1, gl_bench::noisePicture(64, 64, 3, true));
  graphics::commitSprites();
  graphics::TextureImage& moving = *graphics::spriteSlot(1)->shown();
  graphics::renderFrame();
  const double start = processCpuMs();
  int step = 0;
  for (auto _ : state) {
    moving.posX = static_cast<float>(300 + step++ % 200);
    if (state.range(0) == 1) graphics::drawWholeNextFrame();
    benchmark::DoNotOptimize(graphics::renderFrame());
  }
  glFinish();
  reportCpu(state, start);
  graphics::releaseSprites();
}
// Alpha 254 in the record alone (the vertices keep 255, so the pixels are the same): the
// picture no longer counts as hiding the stage.
void BM_EngineFrameOverLastFrame(benchmark::State& state) { engineFrames(state, 254); }

GLuint compile(GLenum kind, const char* text) {
  GLuint s = glCreateShader(kind);
  glShaderSource(s, 1, &text, nullptr);
  glCompileShader(s);
  return s;
}

// What a minimal program does: one quad, one texture, straight into the window.
void BM_DirectQuad(benchmark::State& state) {
  const char* vs =
      "#version 330 core\nlayout(location=0) in vec2 p;out vec2 t;"
      "void main(){t=vec2((p.x+1.0)*0.5,(1.0-p.y)*0.5);gl_Position=vec4(p,0.0,1.0);}";
  const char* fs = "#version 330 core\nin vec2 t;out vec4 c;uniform sampler2D s;void main(){c=texture(s,t);}";
  GLuint program = glCreateProgram();
  glAttachShader(program, compile(GL_VERTEX_SHADER, vs));
  glAttachShader(program, compile(GL_FRAGMENT_SHADER, fs));
  glLinkProgram(program);
  const float quad[] = {-1, -1, 1, -1, -1, 1, 1, 1};
  GLuint vao = 0, vbo = 0, texture = 0;
  glGenVertexArrays(1, &vao);
  glBindVertexArray(vao);
  glGenBuffers(1, &vbo);
  glBindBuffer(GL_ARRAY_BUFFER, vbo);
  glBufferData(GL_ARRAY_BUFFER, sizeof quad, quad, GL_STATIC_DRAW);
  glEnableVertexAttribArray(0);
  glVertexAttribPointer(0, 2, GL_FLOAT, GL_FALSE, 0, nullptr);
  const image::PixelImage picture = stagePicture();
  glGenTextures(1, &texture);
  glBindTexture(GL_TEXTURE_2D, texture);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, picture.width, picture.height, 0, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV,
               picture.pixels.data());
  showWindow();
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  glDisable(GL_BLEND);
  glUseProgram(program);
  SDL_Window* window = platform::mainSdlWindow();
  int w = 0, h = 0;
  SDL_GL_GetDrawableSize(window, &w, &h);
  glViewport(0, 0, w, h);
  const double start = processCpuMs();
  for (auto _ : state) {
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
    SDL_GL_SwapWindow(window);
    glFlush();
  }
  glFinish();
  reportCpu(state, start);
  glDeleteTextures(1, &texture);
  glDeleteBuffers(1, &vbo);
  glDeleteVertexArrays(1, &vao);
  glDeleteProgram(program);
}

BENCHMARK(BM_EngineFrame)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_EngineFrameOverLastFrame)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_EngineFrameSmallChange)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DirectQuad)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  return gl_bench::run(argc, argv, "present_bench", [] {
    platform::useVirtualClock(true);  // the pacing's waits cost nothing
    graphics::setVSyncWait(0);
  });
}
