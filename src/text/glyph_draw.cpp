// Drawing one glyph into B,G,R,A memory: the plain, shadowed and outlined styles, the
// vertical gradient and the blending of partly covered pixels over what the outline or the
// shadow left. Coverage is 0..64; its alpha is g * 255 / 64.
//
// Order of work for a styled glyph: the shadow (or the outline) is laid down first in
// colour3, then the glyph itself is blended over it. A partly covered glyph pixel over an
// opaque outline pixel mixes glyph colour and colour3 by its own alpha; over a translucent
// one both alphas combine (alphaTable) and the colour mixes by the glyph's share of the
// combined alpha (shareTable).
#include <array>
#include <bit>
#include <cstddef>
#include <cstring>

#include "text/glyph_renderer.h"

namespace text {

namespace {

// Kept small and ordered by the glyph's own alpha, the index that stays fixed while a pixel's
// neighbours are treated: the lookups then stay in the first-level cache.
struct BlendTables {
  std::array<std::array<std::uint16_t, 256>, 256> share{};         // [a][b]; up to 65025 when a > b
  std::array<std::array<std::uint8_t, 256>, 256> alphaBySource{};  // [s][d] = alphaTable(d, s)
  BlendTables() {
    for (int a = 0; a < 256; ++a) {
      for (int b = 1; b < 256; ++b) share[a][b] = static_cast<std::uint16_t>(255.0 * a / b);
    }
    for (int d = 0; d < 256; ++d) {
      for (int s = 1; s < 256; ++s) alphaBySource[s][d] = static_cast<std::uint8_t>(s + d * (255 - s) / 255);
    }
  }
};

const BlendTables& tables() {
  static const BlendTables made;
  return made;
}

struct Rgb {
  int red, green, blue;
};

Rgb channelsOf(std::uint32_t colour) {
  return {static_cast<int>(colour >> 16 & 0xFF), static_cast<int>(colour >> 8 & 0xFF), static_cast<int>(colour & 0xFF)};
}

// What a glyph needs while it is drawn: the target with its bounds and the colours.
struct Painter {
  const GlyphTarget& target;
  Rgb outline;

  std::uint8_t* at(int row, int col) const {
    if (row < 0 || col < 0 || row >= target.height || col >= target.width) return nullptr;
    return target.pixels + static_cast<std::ptrdiff_t>(row) * target.pitch + static_cast<std::ptrdiff_t>(col) * 4;
  }
  static void put(std::uint8_t* p, const Rgb& c, int alpha) {
    p[0] = static_cast<std::uint8_t>(c.blue);
    p[1] = static_cast<std::uint8_t>(c.green);
    p[2] = static_cast<std::uint8_t>(c.red);
    p[3] = static_cast<std::uint8_t>(alpha);
  }
};

int alphaOfCoverage(int g) { return g * 255 / kGreyLevels; }

// The floor division by 256 that the packed red-and-blue form computes.
int mixChannel(int c3, int c, int f) { return c3 + ((c - c3) * f >> 8); }

enum class ShortForm { None, WhiteOverBlack, BlackOverWhite };

// Outline pass: each covered glyph pixel treats its 8 neighbours at dx, dy in {-1, 0, 1 + s},
// in row order. For a neighbour of alpha d:
//   g = 64: alpha 255, and colour3 unless d was already 255;
//   g < 64: alpha alphaTable(d, A), which is A for d = 0 and 255 for d = 255, and colour3
//           only when d was 0.
// Written that way the step needs no branch per neighbour inside the target.
void outlinePass(const Painter& paint, const GreyGlyph& glyph, int r0, int c0, int s) {
  static_assert(std::endian::native == std::endian::little, "pixels are read as 0xAARRGGBB words");
  static const std::array<std::uint8_t, 256> kOpaque = [] {
    std::array<std::uint8_t, 256> t{};
    t.fill(255);
    return t;
  }();
  const int bh = glyph.blackBoxY;
  const int bwr = glyph.rowBytes;
  const std::uint32_t outline = static_cast<std::uint32_t>(paint.outline.red) << 16 |
                                static_cast<std::uint32_t>(paint.outline.green) << 8 |
                                static_cast<std::uint32_t>(paint.outline.blue);
  int dys[8], dxs[8];
  std::ptrdiff_t pixelStep[8];
  int n = 0;
  for (int dy : {-1, 0, 1 + s}) {
    for (int dx : {-1, 0, 1 + s}) {
      if (dx == 0 && dy == 0) continue;
      dys[n] = dy;
      dxs[n] = dx;
      pixelStep[n] = static_cast<std::ptrdiff_t>(dy) * paint.target.pitch + dx * 4;
      ++n;
    }
  }
  const bool inside =
      r0 >= 1 && c0 >= 1 && r0 + bh + 1 + s <= paint.target.height && c0 + bwr + 1 + s <= paint.target.width;
  for (int i = 0; i < bh; ++i) {
    for (int j = 0; j < bwr; ++j) {
      const int g = glyph.coverage[static_cast<std::size_t>(i) * bwr + j];
      if (g == 0) continue;
      const bool full = g == kGreyLevels;
      const std::uint8_t* combine = full ? kOpaque.data() : tables().alphaBySource[alphaOfCoverage(g)].data();
      const std::uint32_t recolourWhen = full ? 255 : 0;  // d == 255 keeps, or d == 0 takes colour3
      std::uint8_t* here = inside ? paint.target.pixels + static_cast<std::ptrdiff_t>(r0 + i) * paint.target.pitch +
                                        static_cast<std::ptrdiff_t>(c0 + j) * 4
                                  : nullptr;
      for (int k = 0; k < 8; ++k) {
        std::uint8_t* p = inside ? here + pixelStep[k] : paint.at(r0 + i + dys[k], c0 + j + dxs[k]);
        if (!p) continue;
        std::uint32_t v;
        std::memcpy(&v, p, 4);
        const std::uint32_t d = v >> 24;
        const std::uint32_t takeOutline = full ? (d != recolourWhen) : (d == recolourWhen);
        const std::uint32_t mask = 0u - takeOutline;
        v = ((v & 0xFFFFFF & ~mask) | (outline & mask)) | static_cast<std::uint32_t>(combine[d]) << 24;
        std::memcpy(p, &v, 4);
      }
    }
  }
}

// Main pass over a shadow or outline already in place.
void blendOver(const Painter& paint, std::uint8_t* p, int g, const Rgb& c, ShortForm form) {
  if (g == kGreyLevels) {
    Painter::put(p, c, 255);
    return;
  }
  int a = alphaOfCoverage(g);
  int d = p[3];
  if (d == 0) {
    Painter::put(p, c, a);
    return;
  }
  int alpha = 255;
  int f = a;
  if (d != 255) {
    alpha = tables().alphaBySource[a][d];
    f = tables().share[a][alpha];
  }
  switch (form) {
    case ShortForm::WhiteOverBlack:
      Painter::put(p, {f, f, f}, alpha);
      return;
    case ShortForm::BlackOverWhite:
      Painter::put(p, {255 - f, 255 - f, 255 - f}, alpha);
      return;
    case ShortForm::None:
      break;
  }
  const Rgb& o = paint.outline;
  Painter::put(p, {mixChannel(o.red, c.red, f), mixChannel(o.green, c.green, f), mixChannel(o.blue, c.blue, f)}, alpha);
}

}  // namespace

int shareTable(int a, int b) { return tables().share[a & 0xFF][b & 0xFF]; }

int alphaTable(int d, int s) { return tables().alphaBySource[s & 0xFF][d & 0xFF]; }

void drawGlyph(const GlyphRenderer& r, const GlyphTarget& target, unsigned code, int x, int y) {
  if (!target.pixels || !fontReady(r)) return;
  const GreyGlyph& glyph = glyphBitmap(r.font, code);
  int bh = glyph.blackBoxY;
  int bwr = glyph.rowBytes;
  if (bh <= 0 || bwr <= 0) return;
  int r0 = y + fontAscent(r.font) - glyph.originY + 1;
  int c0 = x + glyph.originX + 1;
  Painter paint{target, channelsOf(r.colour3)};

  // The gradient runs from row 0 of the target to one past the glyph's last row.
  bool gradient = r.gradientOn && r.colour1 != r.colour2;
  Rgb top = channelsOf(r.colour1);
  Rgb bottom = channelsOf(r.colour2);
  int rowEnd = r0 + bh;
  auto colourOfRow = [&](int row) -> Rgb {
    if (!gradient || rowEnd == 0) return top;
    return {top.red - row * (top.red - bottom.red) / rowEnd, top.green - row * (top.green - bottom.green) / rowEnd,
            top.blue - row * (top.blue - bottom.blue) / rowEnd};
  };
  auto coverage = [&](int i, int j) { return static_cast<int>(glyph.coverage[static_cast<std::size_t>(i) * bwr + j]); };

  if (!r.shadowOn && !r.outlineOn) {
    for (int i = 0; i < bh; ++i) {
      Rgb c = colourOfRow(r0 + i);
      for (int j = 0; j < bwr; ++j) {
        if (std::uint8_t* p = paint.at(r0 + i, c0 + j)) Painter::put(p, c, alphaOfCoverage(coverage(i, j)));
      }
    }
    return;
  }

  if (r.outlineOn) {
    outlinePass(paint, glyph, r0, c0, r.shadowOn ? 1 : 0);
  } else {
    for (int i = 0; i < bh; ++i) {
      for (int j = 0; j < bwr; ++j) {
        if (std::uint8_t* p = paint.at(r0 + i + 2, c0 + j + 2)) {
          Painter::put(p, paint.outline, alphaOfCoverage(coverage(i, j)));
        }
      }
    }
  }

  ShortForm form = ShortForm::None;
  if (!gradient && r.colour1 == 0xFFFFFF && r.colour3 == 0) form = ShortForm::WhiteOverBlack;
  if (!gradient && r.colour1 == 0 && r.colour3 == 0xFFFFFF) form = ShortForm::BlackOverWhite;
  for (int i = 0; i < bh; ++i) {
    Rgb c = colourOfRow(r0 + i);
    for (int j = 0; j < bwr; ++j) {
      int g = coverage(i, j);
      if (g == 0) continue;
      if (std::uint8_t* p = paint.at(r0 + i, c0 + j)) blendOver(paint, p, g, c, form);
    }
  }
}

}  // namespace text
