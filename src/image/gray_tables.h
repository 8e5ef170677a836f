// The grey weights every saver and the grey filter share: a pixel's grey value is the sum
// of its three weighted entries truncated toward zero (not rounded).
#pragma once
#include <array>
#include <cstdint>

namespace image {

struct GrayTables {
  std::array<double, 256> red;    // i * 0.298912
  std::array<double, 256> green;  // i * 0.586611
  std::array<double, 256> blue;   // i * 0.114477
};

// Built on first use (start-up calls it once so that no picture waits for it).
const GrayTables& grayTables();

// Grey of one B, G, R, A pixel.
inline std::uint8_t grayOf(const GrayTables& t, const std::uint8_t* bgra) {
  return static_cast<std::uint8_t>(t.red[bgra[2]] + t.green[bgra[1]] + t.blue[bgra[0]]);
}

}  // namespace image
