// CP932 conversion through glibc iconv. The charset name must be "CP932": "SHIFT_JIS" reads
// 0x5C as a yen sign and lacks the NEC and IBM extension rows.
#include "platform/cp932.h"

#include <iconv.h>

#include <array>
#include <cerrno>
#include <memory>
#include <mutex>

namespace platform {
namespace {

std::string convert(std::string_view in, const char* to, const char* from, std::string_view bad) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(in);
  std::string out;
  out.resize(in.size() * 4 + 16);
  char* src = const_cast<char*>(in.data());
  size_t srcLeft = in.size();
  char* dst = out.data();
  size_t dstLeft = out.size();
  while (srcLeft > 0) {
    size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    if (r != static_cast<size_t>(-1)) break;
    if (errno == E2BIG) {
      size_t used = out.size() - dstLeft;
      out.resize(out.size() * 2);
      dst = out.data() + used;
      dstLeft = out.size() - used;
      continue;
    }
    // EILSEQ or EINVAL: replace one byte and go on.
    if (dstLeft < bad.size()) {
      size_t used = out.size() - dstLeft;
      out.resize(out.size() * 2);
      dst = out.data() + used;
      dstLeft = out.size() - used;
    }
    for (char c : bad) { *dst++ = c; --dstLeft; }
    ++src;
    --srcLeft;
  }
  iconv_close(cd);
  out.resize(out.size() - dstLeft);
  return out;
}

bool isAscii(std::string_view s) {
  for (unsigned char c : s)
    if (c >= 0x80) return false;
  return true;
}

// Strict UTF-8: no overlong forms, no surrogates, nothing past U+10FFFF.
bool isUtf8WithMultibyte(std::string_view s) {
  bool multibyte = false;
  for (std::size_t i = 0; i < s.size();) {
    auto b = static_cast<unsigned char>(s[i]);
    if (b < 0x80) {
      ++i;
      continue;
    }
    int extra = b >= 0xC2 && b <= 0xDF ? 1 : b >= 0xE0 && b <= 0xEF ? 2 : b >= 0xF0 && b <= 0xF4 ? 3 : -1;
    if (extra < 0 || i + static_cast<std::size_t>(extra) >= s.size()) return false;
    char32_t cp = b & (0x3F >> extra);
    for (int k = 1; k <= extra; ++k) {
      auto c = static_cast<unsigned char>(s[i + static_cast<std::size_t>(k)]);
      if ((c & 0xC0) != 0x80) return false;
      cp = cp << 6 | (c & 0x3F);
    }
    if ((extra == 2 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) || (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF)))
      return false;
    multibyte = true;
    i += static_cast<std::size_t>(extra) + 1;
  }
  return multibyte;
}

// Every character is one CP932 has (iconv refuses unassigned codes as well as broken pairs).
bool isValidCp932(std::string_view s) {
  if (isAscii(s)) return true;
  iconv_t cd = iconv_open("UTF-8", "CP932");
  if (cd == reinterpret_cast<iconv_t>(-1)) return true;
  char* src = const_cast<char*>(s.data());
  size_t srcLeft = s.size();
  char out[4096];
  bool ok = true;
  while (srcLeft > 0) {
    char* dst = out;
    size_t dstLeft = sizeof out;
    if (iconv(cd, &src, &srcLeft, &dst, &dstLeft) != static_cast<size_t>(-1)) break;
    if (errno != E2BIG) {
      ok = false;
      break;
    }
  }
  iconv_close(cd);
  return ok;
}

}  // namespace

bool looksLikeUtf8NotCp932(std::string_view bytes) { return isUtf8WithMultibyte(bytes) && !isValidCp932(bytes); }

std::string cp932ToUtf8(std::string_view cp932) {
  if (isAscii(cp932)) return std::string(cp932);
  return convert(cp932, "UTF-8", "CP932", "?");
}

std::string utf8ToCp932(std::string_view utf8) {
  if (isAscii(utf8)) return std::string(utf8);
  return convert(utf8, "CP932", "UTF-8", "?");
}

char32_t cp932CodeToUnicode(unsigned code) {
  // Built once: 64K code points, each converted through iconv. Glyph look-up calls this for
  // every character, so a table beats a conversion per call.
  static std::unique_ptr<std::array<char32_t, 65536>> table;
  static std::once_flag once;
  std::call_once(once, [] {
    table = std::make_unique<std::array<char32_t, 65536>>();
    table->fill(0);
    iconv_t cd = iconv_open("UTF-32LE", "CP932");
    if (cd == reinterpret_cast<iconv_t>(-1)) return;
    auto one = [&](const char* bytes, size_t n) -> char32_t {
      char in[2] = {bytes[0], n > 1 ? bytes[1] : '\0'};
      char out[8];
      char* src = in;
      size_t srcLeft = n;
      char* dst = out;
      size_t dstLeft = sizeof out;
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
      if (iconv(cd, &src, &srcLeft, &dst, &dstLeft) == static_cast<size_t>(-1) || dstLeft != 4) return 0;
      auto* u = reinterpret_cast<unsigned char*>(out);
      return static_cast<char32_t>(u[0] | u[1] << 8 | u[2] << 16 | u[3] << 24);
    };
    for (unsigned b = 0; b < 0x100; ++b) {
      if (isLeadByte(static_cast<unsigned char>(b)) && !(b >= 0xA1 && b <= 0xDF)) continue;
      char c = static_cast<char>(b);
      (*table)[b] = one(&c, 1);
    }
    for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
      if (lead >= 0xA0 && lead <= 0xDF) continue;
      for (unsigned trail = 0x40; trail <= 0xFC; ++trail) {
        char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
        (*table)[lead << 8 | trail] = one(pair, 2);
      }
    }
    iconv_close(cd);
  });
  return code < 65536 && table ? (*table)[code] : 0;
}

}  // namespace platform
