// What the benchmarks that draw share: a window and the drawing device, made in a scratch
// folder of their own (the device appends to Information.txt there), with pacing at 1000
// frames a second so that presentation costs at most a millisecond of waiting.
// Run under xvfb-run; without a display SDL's offscreen driver is used.
#pragma once
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "graphics/device.h"
#include "platform/options.h"
#include "platform/window.h"

namespace benchdevice {

class Session {
 public:
  // `name` names the scratch folder and the window; check ok() before benchmarking.
  explicit Session(const std::string& name) : home_(std::filesystem::current_path()) {
    if (!std::getenv("DISPLAY")) setenv("SDL_VIDEODRIVER", "offscreen", 0);
    const auto scratch = std::filesystem::temp_directory_path() / ("utsushi_" + name);
    std::filesystem::create_directories(scratch);
    std::filesystem::current_path(scratch);
    platform::EngineOptions o;
    o.noDialogs = true;
    platform::setOptions(o);
    graphics::setLimitFps(1000);
    std::string why;
    ok_ = platform::createMainWindow(name, why) && graphics::startDevice();
    if (!ok_) std::fprintf(stderr, "%s: no drawing device: %s\n", name.c_str(), why.c_str());
  }
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;
  ~Session() {
    if (ok_) {
      graphics::shutDownDevice();
      platform::destroyMainWindow();
    }
    std::filesystem::current_path(home_);
  }
  bool ok() const { return ok_; }

 private:
  std::filesystem::path home_;
  bool ok_ = false;
};

}  // namespace benchdevice
