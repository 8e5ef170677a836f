// What the benchmarks that draw share: pictures of noise staged into sprite slots, and a
// main() that brings up a window and the GL device in a scratch folder (Information.txt
// goes there), runs the benchmarks and shuts down. Run under xvfb-run (or
// SDL_VIDEODRIVER=offscreen).
#pragma once
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "graphics/device.h"
#include "graphics/sprites.h"
#include "platform/options.h"
#include "platform/window.h"

namespace gl_bench {

// Noise in every channel; opaque, or with every seventh byte's pixel at alpha 128.
inline image::PixelImage noisePicture(int w, int h, unsigned seed, bool translucent = true) {
  image::PixelImage p;
  p.width = w;
  p.height = h;
  p.bits = 32;
  p.pixels.resize(static_cast<std::size_t>(w) * h * 4);
  for (std::size_t i = 0; i < p.pixels.size(); ++i) p.pixels[i] = static_cast<std::uint8_t>((i + seed) * 2654435761u >> 24);
  for (std::size_t i = 3; i < p.pixels.size(); i += 4)
    p.pixels[i] = static_cast<std::uint8_t>(translucent && i % 7 == 0 ? 128 : 255);
  return p;
}

inline void stage(int n, image::PixelImage picture) {
  graphics::TextureHolder h;
  graphics::loadTexture(h, std::move(picture));
  graphics::stageMadePicture(n, std::move(h), "bench", 0);
}

// The whole main(): `prepare` runs in the scratch folder before the device starts.
inline int run(int argc, char** argv, const char* name, void (*prepare)() = nullptr) {
  benchmark::Initialize(&argc, argv);
  if (!std::getenv("DISPLAY")) setenv("SDL_VIDEODRIVER", "offscreen", 0);
  const auto here = std::filesystem::current_path();
  const auto scratch = std::filesystem::temp_directory_path() / (std::string("utsushi_") + name);
  std::filesystem::create_directories(scratch);
  std::filesystem::current_path(scratch);
  if (prepare) prepare();
  platform::EngineOptions o;
  o.noDialogs = true;
  platform::setOptions(o);
  graphics::setLimitFps(1000);  // measure drawing, not pacing
  std::string why;
  if (!platform::createMainWindow(name, why) || !graphics::startDevice()) {
    std::fprintf(stderr, "%s: no drawing device: %s\n", name, why.c_str());
    return 1;
  }
  benchmark::RunSpecifiedBenchmarks();
  graphics::releaseSprites();
  graphics::shutDownDevice();
  platform::destroyMainWindow();
  std::filesystem::current_path(here);
  benchmark::Shutdown();
  return 0;
}

}  // namespace gl_bench
