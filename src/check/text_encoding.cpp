#include "check/text_encoding.h"

#include "platform/cp932.h"

namespace check {

std::optional<std::size_t> firstInvalidCp932(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    unsigned char b = static_cast<unsigned char>(text[i]);
    if (b < 0x80 || (b >= 0xA1 && b <= 0xDF)) {  // ASCII, half-width katakana
      ++i;
      continue;
    }
    bool lead = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
    if (!lead || i + 1 >= text.size()) return i;
    unsigned char t = static_cast<unsigned char>(text[i + 1]);
    if (t < 0x40 || t == 0x7F || t > 0xFC) return i;
    if (platform::cp932CodeToUnicode(static_cast<unsigned>(b) << 8 | t) == 0) return i;
    i += 2;
  }
  return std::nullopt;
}

bool looksLikeUtf8(std::string_view text) {
  if (text.size() >= 3 && text.substr(0, 3) == "\xEF\xBB\xBF") return true;
  bool multiByte = false;
  std::size_t i = 0;
  while (i < text.size()) {
    unsigned char b = static_cast<unsigned char>(text[i]);
    std::size_t more;
    if (b < 0x80) {
      ++i;
      continue;
    }
    if (b >= 0xC2 && b <= 0xDF) more = 1;
    else if (b >= 0xE0 && b <= 0xEF) more = 2;
    else if (b >= 0xF0 && b <= 0xF4) more = 3;
    else return false;
    for (std::size_t k = 1; k <= more; ++k) {
      if (i + k >= text.size()) return false;
      unsigned char c = static_cast<unsigned char>(text[i + k]);
      if (c < 0x80 || c > 0xBF) return false;
    }
    multiByte = true;
    i += more + 1;
  }
  return multiByte;
}

}  // namespace check
