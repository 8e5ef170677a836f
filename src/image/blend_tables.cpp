#include "image/blend_tables.h"

#include <algorithm>
#include <cmath>
#include <memory>

namespace image {
namespace {

// "round" throughout these tables: add one half and truncate.
std::uint32_t roundedQuotient(std::uint32_t num, std::uint32_t den) { return (2 * num + den) / (2 * den); }

int vividLight(int i, int j) {
  if (j >= 128) return j == 255 ? 255 : std::min(i * 255 / (510 - 2 * j), 255);
  return j == 0 ? 0 : std::max(0, 255 - (255 - i) * 255 / (2 * j));
}

int softLight(int i, int j) {
  const double e = j >= 128 ? 127.5 / j : 2.0 - j / 127.5;
  return static_cast<int>(255.0 * std::pow(i / 255.0, e));
}

void fill(BlendTables& t) {
  for (int i = 0; i < 256; ++i) {
    for (int j = 0; j < 256; ++j) {
      auto set = [&](ByteTable& table, int v) { table[i][j] = static_cast<std::uint8_t>(v); };
      set(t.multiply, i * j / 255);
      set(t.baseWeight, (255 - i) * j / 255);
      set(t.alphaUnion, i + (255 - i) * j / 255);
      set(t.add, std::min(i + j, 255));
      set(t.subtract, std::max(i - j, 0));
      set(t.linearBurn, std::max(i + j - 255, 0));
      set(t.screen, i + j - i * j / 255);
      set(t.darken, std::min(i, j));
      set(t.lighten, std::max(i, j));
      set(t.difference, std::abs(i - j));
      // Rounded, so that the table is symmetric under inverting both layers, as the exact
      // operation is: exclusion(255 - i, 255 - j) = exclusion(i, j).
      set(t.exclusion, i + j - (2 * i * j + 127) / 255);
      set(t.colourDodge, j == 255 ? 255 : std::min(i * 255 / (255 - j), 255));
      set(t.colourBurn, j == 0 ? 0 : std::max(0, 255 - (255 - i) * 255 / j));
      set(t.overlay, i < 128 ? 2 * i * j / 255 : 255 - 2 * (255 - i) * (255 - j) / 255);
      set(t.hardLight, j < 128 ? 2 * i * j / 255 : 255 - 2 * (255 - i) * (255 - j) / 255);
      set(t.softLight, softLight(i, j));
      set(t.vividLight, vividLight(i, j));
      set(t.linearLight, std::clamp(i + 2 * j - 255, 0, 255));
      set(t.pinLight, j >= 128 ? std::max(i, 2 * j - 255) : std::min(i, 2 * j));
      set(t.hardMix, vividLight(i, j) >= 128 ? 255 : 0);
      t.mixFactor[i][j] = i == 0 ? 0 : roundedQuotient(static_cast<std::uint32_t>(j) * 256, static_cast<std::uint32_t>(i));
    }
    t.reciprocal[i] = i == 0 ? 0 : roundedQuotient(65535, static_cast<std::uint32_t>(i));
  }
}

}  // namespace

const BlendTables& blendTables() {
  // 1.5 MB: on the heap, built once.
  static const std::unique_ptr<BlendTables> tables = [] {
    auto t = std::make_unique<BlendTables>();
    fill(*t);
    return t;
  }();
  return *tables;
}

}  // namespace image
