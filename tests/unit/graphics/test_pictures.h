// Pictures the GL tests draw and the blend arithmetic they check the frames against.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

#include "image/codecs.h"
#include "image/pixel_image.h"

namespace test_pictures {

struct Bgra {
  int b, g, r, a;
};

inline Bgra backgroundAt(int x, int y) { return {(x * 3) & 255, (y * 2) & 255, (x + y) & 255, 255}; }
// Alpha steps through 0, 63, 127, 191, 255 so every blend sees transparent, partial and opaque.
inline Bgra pictureAt(int x, int y) {
  return {(x * 7 + y * 3) & 255, (x * 5 ^ y * 11) & 255, (x + y * 13) & 255, ((x * 3 + y * 5) % 5) * 255 / 4};
}

inline image::PixelImage makePicture(int w, int h, Bgra (*at)(int, int)) {
  image::PixelImage p;
  p.width = w;
  p.height = h;
  p.pixels.resize(static_cast<std::size_t>(w) * h * 4);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const Bgra c = at(x, y);
      std::uint8_t* px = p.row(y) + x * 4;
      px[0] = static_cast<std::uint8_t>(c.b);
      px[1] = static_cast<std::uint8_t>(c.g);
      px[2] = static_cast<std::uint8_t>(c.r);
      px[3] = static_cast<std::uint8_t>(c.a);
    }
  return p;
}

// One colour channel after blend preset `preset`: s source, a effective source alpha,
// d destination, all 0..255, with the vertex colour white. `subtractFallback`: preset 3
// as drawn without a subtracting blend.
inline double blendChannel(int preset, bool subtractFallback, double s, double a, double d) {
  s /= 255, a /= 255, d /= 255;
  double out = 0;
  switch (preset) {
    case 0: out = s; break;
    case 1: out = s * a + d * (1 - a); break;
    case 2: out = s * a + d; break;
    case 3: out = subtractFallback ? d * (1 - s * a) : d - s * a; break;
    case 4: out = d * (s * a + (1 - a)); break;
    case 5: out = s * a * (1 - d) + d; break;
    case 6: out = std::max(s * a, d); break;
    case 7: out = std::min(s * a + (1 - a), d); break;
    case 8: out = s * a * (1 - d) + d * (1 - s * a); break;
  }
  return std::clamp(out, 0.0, 1.0) * 255;
}

// Pictures handed to and screenshots read back from engine runs.
inline void writePng(const std::filesystem::path& path, const image::PixelImage& img) {
  std::string data, why;
  ASSERT_TRUE(image::encodePng(img, 32, 6, false, data, why)) << why;
  std::ofstream(path, std::ios::binary) << data;
}

inline std::optional<image::PixelImage> readPng(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  const std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::string why;
  return image::decodePng({reinterpret_cast<const std::uint8_t*>(data.data()), data.size()}, why);
}

}  // namespace test_pictures
