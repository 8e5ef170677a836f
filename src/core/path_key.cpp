#include "core/path_key.h"

#include <array>

namespace core {
namespace {

constexpr std::array<std::uint32_t, 256> makeTable() {
  std::array<std::uint32_t, 256> t{};
  for (std::uint32_t i = 0; i < 256; ++i) {
    std::uint32_t c = i;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    t[i] = c;
  }
  return t;
}

constexpr auto kTable = makeTable();

}  // namespace

std::uint32_t pathKey(std::string_view text) {
  std::uint32_t key = 0xFFFFFFFFu;
  for (unsigned char b : text) key = (key >> 8) ^ kTable[(key ^ b) & 0xFF];
  return key;
}

std::string keyHex(std::uint32_t key) {
  static const char kDigits[] = "0123456789ABCDEF";
  if (key == 0) return "0";
  std::string out;
  while (key) {
    out.insert(out.begin(), kDigits[key & 15]);
    key >>= 4;
  }
  return out;
}

}  // namespace core
