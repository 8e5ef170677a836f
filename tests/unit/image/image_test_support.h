// Shared by the picture tests: fixture files and their expected pixels, and byte helpers.
#pragma once
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdlib.h>  // mkdtemp
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

// A fresh folder made the working folder (the game folder) for one test, removed after.
class TempFolder {
 public:
  TempFolder() : previous_(std::filesystem::current_path()) {
    std::string pattern = (std::filesystem::temp_directory_path() / "utsushi-image-XXXXXX").string();
    path_ = mkdtemp(pattern.data());
    std::filesystem::current_path(path_);
  }
  ~TempFolder() {
    std::filesystem::current_path(previous_);
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path previous_, path_;
};

inline void writeBytes(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// A picture whose every byte differs from its neighbours: B = x*37+y, G = y*53+x, R = x*y,
// A = (x+y)*29 (all mod 256), bits 32.
inline image::PixelImage patternImage(int width, int height) {
  image::PixelImage img;
  img.width = width;
  img.height = height;
  img.bits = 32;
  img.pixels.resize(static_cast<std::size_t>(width) * height * 4);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      std::uint8_t* p = img.row(y) + x * 4;
      p[0] = std::uint8_t(x * 37 + y), p[1] = std::uint8_t(y * 53 + x), p[2] = std::uint8_t(x * y), p[3] = std::uint8_t((x + y) * 29);
    }
  return img;
}

}  // namespace image_test
