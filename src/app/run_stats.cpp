#include "app/run_stats.h"

#include <chrono>
#include <cstdint>
#include <cstdio>

#include "graphics/device.h"
#include "platform/clock.h"
#include "platform/options.h"
#include "sound/mixer.h"
#include "text/font_face.h"

namespace app {
namespace {

struct RunStats {
  std::FILE* file = nullptr;
  bool tried = false;
  std::uint64_t frames = 0;
  std::chrono::steady_clock::time_point start, lastLine;
} stats;

}  // namespace

void noteFramePresented() {
  const std::string& path = platform::options().statsFile;
  if (path.empty()) return;
  ++stats.frames;
  const auto now = std::chrono::steady_clock::now();
  if (!stats.tried) {
    stats.tried = true;
    stats.file = std::fopen(path.c_str(), "w");
    stats.start = now;
    stats.lastLine = now - std::chrono::seconds(1);
  }
  if (!stats.file || now - stats.lastLine < std::chrono::seconds(1)) return;
  stats.lastLine = now;
  const auto realMs = std::chrono::duration_cast<std::chrono::milliseconds>(now - stats.start).count();
  std::fprintf(stats.file, "real_ms=%lld clock_ms=%u frames=%llu textures=%zu buffers=%zu glyphs=%zu\n",
               static_cast<long long>(realMs), static_cast<unsigned>(platform::tickMs()),
               static_cast<unsigned long long>(stats.frames), graphics::liveTextureCount(),
               sound::liveBufferCount(), text::glyphCacheSize());
  std::fflush(stats.file);
}

}  // namespace app
