// Bounds-checked reading of the big-endian integers of script.sbx and arc.dat.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace core {

inline std::uint32_t readU32be(const char* p) {
  auto b = reinterpret_cast<const unsigned char*>(p);
  return std::uint32_t(b[0]) << 24 | std::uint32_t(b[1]) << 16 | std::uint32_t(b[2]) << 8 | b[3];
}

inline void appendU32be(std::string& out, std::uint32_t v) {
  out += static_cast<char>(v >> 24);
  out += static_cast<char>(v >> 16);
  out += static_cast<char>(v >> 8);
  out += static_cast<char>(v);
}

struct ByteReader {
  std::string_view bytes;
  std::size_t pos = 0;
  bool u32(std::uint32_t& v) {
    if (bytes.size() - pos < 4) return false;
    v = readU32be(bytes.data() + pos);
    pos += 4;
    return true;
  }
  bool u8(std::uint8_t& v) {
    if (pos >= bytes.size()) return false;
    v = static_cast<std::uint8_t>(bytes[pos++]);
    return true;
  }
};

}  // namespace core
