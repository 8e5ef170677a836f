// The cost of one presented frame: the engine's whole frame (a full-stage picture drawn into
// the stage, the stage shown in the window, the swap) beside a minimal program that draws
// the same picture as one textured quad straight into the window and swaps. The measure is
// the process's CPU time a frame ("cpu_ms"), the software rasteriser's threads included; the
// virtual clock keeps the pacing's waits out of it.
// Run under xvfb-run (or SDL_VIDEODRIVER=offscreen).
#include <SDL.h>
#include <benchmark/benchmark.h>
#include <epoxy/gl.h>

#include <time.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "graphics/device.h"
#include "graphics/frame.h"
#include "graphics/sprites.h"
#include "platform/clock.h"
#include "platform/options.h"
#include "platform/window.h"

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

image::PixelImage stagePicture() {
  image::PixelImage p;
  p.width = platform::kStageWidth;
  p.height = platform::kStageHeight;
  p.pixels.resize(static_cast<std::size_t>(p.width) * p.height * 4);
  for (int y = 0; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x) {
      std::uint8_t* px = &p.pixels[(static_cast<std::size_t>(y) * p.width + x) * 4];
      px[0] = static_cast<std::uint8_t>(x);
      px[1] = static_cast<std::uint8_t>(y);
      px[2] = static_cast<std::uint8_t>(x ^ y);
      px[3] = 255;
    }
  return p;
}

void BM_EngineFrame(benchmark::State& state) {
  graphics::resetSprites();
  graphics::TextureHolder holder;
  graphics::loadTexture(holder, stagePicture());
  graphics::stageMadePicture(0, std::move(holder), "stage", 0);
  graphics::commitSprites();
  const double start = processCpuMs();
  for (auto _ : state) benchmark::DoNotOptimize(graphics::renderFrame());
  glFinish();
  reportCpu(state, start);
  graphics::releaseSprites();
}

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
BENCHMARK(BM_DirectQuad)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (!std::getenv("DISPLAY")) setenv("SDL_VIDEODRIVER", "offscreen", 0);
  const auto here = std::filesystem::current_path();
  const auto scratch = std::filesystem::temp_directory_path() / "utsushi_present_bench";
  std::filesystem::create_directories(scratch);
  std::filesystem::current_path(scratch);
  platform::EngineOptions o;
  o.noDialogs = true;
  platform::setOptions(o);
  platform::useVirtualClock(true);  // the pacing's waits cost nothing
  graphics::setVSyncWait(0);
  std::string why;
  if (!platform::createMainWindow("present bench", why) || !graphics::startDevice()) {
    std::fprintf(stderr, "present_bench: no drawing device: %s\n", why.c_str());
    return 1;
  }
  SDL_ShowWindow(platform::mainSdlWindow());
  benchmark::RunSpecifiedBenchmarks();
  graphics::shutDownDevice();
  platform::destroyMainWindow();
  std::filesystem::current_path(here);
  benchmark::Shutdown();
  return 0;
}
