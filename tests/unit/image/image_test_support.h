// Shared by the picture tests: fixture files and their expected pixels, and byte helpers.
#pragma once
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <span>
#include <string>
#include <vector>

#include "image/pixel_image.h"

namespace image_test {

using Bytes = std::vector<std::uint8_t>;

inline std::string fixturePath(const std::string& name) { return std::string(UTSUSHI_TEST_DATA) + "/image/" + name; }

inline Bytes readBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

inline std::span<const std::uint8_t> asSpan(const std::string& s) {
  return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

// NAME.expected: width, height, bits (little-endian 32-bit), then B, G, R, A rows.
struct Expected {
  int width = 0, height = 0, bits = 0;
  Bytes pixels;
};

inline Expected readExpected(const std::string& name) {
  Bytes raw = readBytes(fixturePath(name + ".expected"));
  Expected e;
  if (raw.size() < 12) return e;
  std::memcpy(&e.width, raw.data(), 4);
  std::memcpy(&e.height, raw.data() + 4, 4);
  std::memcpy(&e.bits, raw.data() + 8, 4);
  e.pixels.assign(raw.begin() + 12, raw.end());
  return e;
}

// The largest difference of any byte, or 256 when the sizes differ.
inline int maxDifference(const Bytes& a, const std::vector<std::uint8_t>& b) {
  if (a.size() != b.size()) return 256;
  int worst = 0;
  for (std::size_t i = 0; i < a.size(); ++i) worst = std::max(worst, std::abs(int{a[i]} - int{b[i]}));
  return worst;
}

}  // namespace image_test
