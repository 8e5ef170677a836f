// Cross-fade per pixel: equal pixels are copied; a pixel with one side transparent keeps
// the other side's colour under its weighted alpha; opaque pairs mix colours directly; in
// between, the coverage is the union of the two weighted alphas and colours move toward b
// by b's share of it (both read from the blend tables).
#include "image/crossfade.h"

#include <sched.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

#include "image/blend_tables.h"

namespace image {
namespace {

struct CrossfadeConfig {
  int threads = 0;  // as set; 0 = the processors available
} config;

int processorsAvailable() {
  cpu_set_t set;
  CPU_ZERO(&set);
  if (sched_getaffinity(0, sizeof set, &set) == 0) return std::max(1, CPU_COUNT(&set));
  return std::max(1u, std::thread::hardware_concurrency());
}

std::uint32_t load(const std::uint8_t* p) {
  std::uint32_t v;
  std::memcpy(&v, p, 4);
  return v;
}

void fadeRange(std::uint8_t* out, const std::uint8_t* a, const std::uint8_t* b, std::size_t first, std::size_t last,
               int weight, const BlendTables& t) {
  const int opaqueShare = (weight * 255) >> 8;
  for (std::size_t i = first; i < last; ++i) {
    const std::uint8_t* pa = a + i * 4;
    const std::uint8_t* pb = b + i * 4;
    std::uint8_t* po = out + i * 4;
    if (load(pa) == load(pb)) {
      std::memcpy(po, pa, 4);
      continue;
    }
    const int aa = pa[3], ab = pb[3];
    if (ab == 0) {
      std::memcpy(po, pa, 3);
      po[3] = static_cast<std::uint8_t>(((256 - weight) * aa) >> 8);
    } else if (aa == 0) {
      std::memcpy(po, pb, 3);
      po[3] = static_cast<std::uint8_t>((weight * ab) >> 8);
    } else if (aa == 255 && ab == 255) {
      for (int c = 0; c < 3; ++c) po[c] = static_cast<std::uint8_t>(pa[c] + (((pb[c] - pa[c]) * opaqueShare) >> 8));
      po[3] = 255;
    } else {
      const int wa = ((256 - weight) * aa) >> 8, wb = (weight * ab) >> 8;
      const int cover = t.alphaUnion[wb][wa];
      const int share = static_cast<int>(t.mixFactor[cover][wb]);
      for (int c = 0; c < 3; ++c) po[c] = static_cast<std::uint8_t>(pa[c] + (((pb[c] - pa[c]) * share) >> 8));
      po[3] = static_cast<std::uint8_t>(cover);
    }
  }
}

}  // namespace

void setWorkerThreads(int count) { config.threads = std::max(0, count); }

int workerThreads() { return config.threads > 0 ? config.threads : processorsAvailable(); }

bool crossfade(PixelImage& out, const PixelImage& a, const PixelImage& b, int weight) {
  if (!holdsPixels(a) || !holdsPixels(b) || a.width != b.width || a.height != b.height) return false;
  if (out.width != a.width || out.height != a.height || out.pixels.size() != a.pixels.size()) {
    std::optional<PixelImage> made = createImage(a.width, a.height, 32);
    if (!made) return false;
    out = std::move(*made);
  }
  out.bits = 32;
  weight = std::clamp(weight, 0, 256);
  const BlendTables& t = blendTables();
  const std::size_t count = a.pixels.size() / 4;
  const std::size_t parts = std::clamp<std::size_t>(static_cast<std::size_t>(workerThreads()), 1, count);
  const std::size_t part = count / parts;
  std::vector<std::thread> workers;
  workers.reserve(parts - 1);
  for (std::size_t k = 0; k + 1 < parts; ++k) {
    const std::size_t first = k * part, last = first + part;
    try {
      workers.emplace_back(fadeRange, out.pixels.data(), a.pixels.data(), b.pixels.data(), first, last, weight, std::cref(t));
    } catch (const std::system_error&) {
      fadeRange(out.pixels.data(), a.pixels.data(), b.pixels.data(), first, last, weight, t);  // no thread to be had
    }
  }
  fadeRange(out.pixels.data(), a.pixels.data(), b.pixels.data(), (parts - 1) * part, count, weight, t);
  for (std::thread& w : workers) w.join();
  return true;
}

}  // namespace image
