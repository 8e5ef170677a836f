// Picture composition. Per-pixel quotients come from the blend tables; the cases of the
// blending modes (transparent, opaque or partly covered layers) each keep their own exact
// integer rule, because authors' difference pictures are made to match them pixel for pixel.
#include "image/compose_modes.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "image/blend_tables.h"
#include "image/savers.h"
#include "platform/cp932.h"

namespace image {
namespace {

// The table of each blending mode 6..24, by mode.
const ByteTable* modeTable(const BlendTables& t, int mode) {
  switch (mode) {
    case 6:
    case 14: return &t.add;
    case 7: return &t.subtract;
    case 8: return &t.multiply;
    case 9: return &t.screen;
    case 10: return &t.lighten;
    case 11: return &t.darken;
    case 12: return &t.difference;
    case 13: return &t.exclusion;
    case 15: return &t.colourDodge;
    case 16: return &t.linearBurn;
    case 17: return &t.colourBurn;
    case 18: return &t.overlay;
    case 19: return &t.hardLight;
    case 20: return &t.softLight;
    case 21: return &t.vividLight;
    case 22: return &t.linearLight;
    case 23: return &t.pinLight;
    case 24: return &t.hardMix;
    default: return nullptr;
  }
}

std::uint8_t byte(std::uint32_t v) { return static_cast<std::uint8_t>(v); }

// The overlay's alpha under a partial opacity: a product of 255 or less is transparent.
int coverage(int alpha, int opacity) { return opacity >= kFullOpacity ? alpha : (opacity * alpha) >> 8; }

void blendNormalRow(std::uint8_t* b, const std::uint8_t* o, int count, int opacity, const BlendTables& t) {
  for (int i = 0; i < count; ++i, b += 4, o += 4) {
    const int s = coverage(o[3], opacity), d = b[3];
    if (s == 0) continue;
    if (s == 255 || d == 0) {
      std::memcpy(b, o, 3);
      b[3] = static_cast<std::uint8_t>(s);
      continue;
    }
    if (d == 255) {
      for (int c = 0; c < 3; ++c) b[c] = byte(((o[c] * s + b[c] * (255 - s) + 1) * 257) >> 16);
      continue;
    }
    const int out = t.alphaUnion[s][d];
    const int share = static_cast<int>(t.mixFactor[out][s]);
    for (int c = 0; c < 3; ++c) b[c] = byte(b[c] + (((o[c] - b[c]) * share) >> 8));
    b[3] = static_cast<std::uint8_t>(out);
  }
}

void blendModeRow(std::uint8_t* b, const std::uint8_t* o, int count, int opacity, const ByteTable& mode,
                  const BlendTables& t) {
  for (int i = 0; i < count; ++i, b += 4, o += 4) {
    const int s = coverage(o[3], opacity), d = b[3];
    if (s == 0) continue;
    if (d == 0) {
      std::memcpy(b, o, 3);
      b[3] = static_cast<std::uint8_t>(s);
      continue;
    }
    if (d == 255 && s == 255) {
      for (int c = 0; c < 3; ++c) b[c] = mode[b[c]][o[c]];
      continue;
    }
    if (d == 255) {
      for (int c = 0; c < 3; ++c) b[c] = byte(((mode[b[c]][o[c]] * s + b[c] * (255 - s) + 1) * 257) >> 16);
      continue;
    }
    if (s == 255) {
      for (int c = 0; c < 3; ++c) b[c] = byte(((mode[b[c]][o[c]] * d + o[c] * (255 - d) + 1) * 257) >> 16);
      b[3] = 255;
      continue;
    }
    // Both partly covered: the base alone where the overlay misses it (t), the overlay alone
    // where it misses the base (s - u), the blend where both cover (u).
    const std::uint32_t tb = static_cast<std::uint32_t>((255 - s) * d / 255), u = static_cast<std::uint32_t>(s * d / 255);
    const std::uint32_t alpha = static_cast<std::uint32_t>(s) + tb;
    const std::uint32_t inverse = t.reciprocal[alpha];
    for (int c = 0; c < 3; ++c) {
      const std::uint32_t sum = tb * b[c] + (static_cast<std::uint32_t>(s) - u) * o[c] + u * mode[b[c]][o[c]] + 1;
      b[c] = byte(std::min<std::uint32_t>((sum * inverse) >> 16, 255));
    }
    b[3] = byte(alpha);
  }
}

}  // namespace

bool compose(PixelImage& base, const PixelImage& overlay, int x, int y, int mode, int opacity) {
  const bool copyFamily = mode >= 0 && mode <= 3;
  auto fail = [&](const char* cmp, const char* bld) {
    printImageMessage(platform::jp(copyFamily ? cmp : bld));
    return false;
  };
  if (!holdsPixels(base) || !holdsPixels(overlay))
    return fail("-CMP: 画像データが読み込まれてません\n", "-BLD: 画像データが読み込まれてません\n");
  if (mode < 0 || mode >= kComposeModes) return fail("", "-BLD: 合成モードが不正です\n");
  if (x >= base.width || y >= base.height) return fail("-CMP: 座標の指定が不正です\n", "-BLD: 座標の指定が不正です\n");

  // In 64 bits: a corner of -2^31 (from a script or a PNG's Left) has no 32-bit negation.
  const std::int64_t sx = std::max<std::int64_t>(0, -std::int64_t{x}), sy = std::max<std::int64_t>(0, -std::int64_t{y});
  const int dx = std::max(0, x), dy = std::max(0, y);
  const std::int64_t cutW = std::min<std::int64_t>(overlay.width - sx, base.width - dx);
  const std::int64_t cutH = std::min<std::int64_t>(overlay.height - sy, base.height - dy);
  if (cutW <= 0 || cutH <= 0) return true;  // the overlay lies wholly above or left of the base
  const int w = static_cast<int>(cutW), h = static_cast<int>(cutH);
  const BlendTables& t = blendTables();
  const ByteTable* table = modeTable(t, mode);
  for (int row = 0; row < h; ++row) {
    const std::uint8_t* o = overlay.row(static_cast<int>(sy) + row) + sx * 4;
    std::uint8_t* b = base.row(dy + row) + dx * 4;
    switch (mode) {
      case 0:
      case 3: std::memcpy(b, o, static_cast<std::size_t>(w) * 4); break;
      case 1:
        for (int i = 0; i < w; ++i)
          if (o[i * 4 + 3] != 0) std::memcpy(b + i * 4, o + i * 4, 4);
        break;
      case 2:
        for (int i = 0; i < w * 4; ++i) b[i] ^= o[i];
        break;
      case 4:
      case 25:
        for (int i = 0; i < w; ++i) {
          std::memcpy(b + i * 4, o + i * 4, 3);
          b[i * 4 + 3] = 255;
        }
        break;
      case 5: blendNormalRow(b, o, w, opacity, t); break;
      default: blendModeRow(b, o, w, opacity, *table, t); break;
    }
  }
  return true;
}

}  // namespace image
