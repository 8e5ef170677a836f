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
#include <cstddef>

#include "text/glyph_renderer.h"

namespace text {

namespace {

struct BlendTables {
  std::array<std::array<int, 256>, 256> share{};
  std::array<std::array<int, 256>, 256> alpha{};
  BlendTables() {
    for (int a = 0; a < 256; ++a) {
      for (int b = 1; b < 256; ++b) share[a][b] = static_cast<int>(255.0 * a / b);
    }
    for (int d = 0; d < 256; ++d) {
      for (int s = 1; s < 256; ++s) alpha[d][s] = s + d * (255 - s) / 255;
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
  return {static_cast<int>(colour >> 16 & 0xFF), static_cast<int>(colour >> 8 & 0xFF),
          static_cast<int>(colour & 0xFF)};
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

// Outline step for one glyph pixel: its 8 neighbours at dx, dy in {-1, 0, 1 + s}.
void outlineAround(const Painter& paint, int row, int col, int g, int s) {
  const int offsets[3] = {-1, 0, 1 + s};
  int a = alphaOfCoverage(g);
  for (int dy : offsets) {
    for (int dx : offsets) {
      if (dx == 0 && dy == 0) continue;
      std::uint8_t* p = paint.at(row + dy, col + dx);
      if (!p) continue;
      int d = p[3];
      if (g == kGreyLevels) {
        if (d != 255) Painter::put(p, paint.outline, 255);
      } else if (d == 0) {
        Painter::put(p, paint.outline, a);
      } else if (d != 255) {
        p[3] = static_cast<std::uint8_t>(tables().alpha[d][a]);
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
    alpha = tables().alpha[d][a];
    f = tables().share[a][alpha];
  }
  switch (form) {
    case ShortForm::WhiteOverBlack: Painter::put(p, {f, f, f}, alpha); return;
    case ShortForm::BlackOverWhite: Painter::put(p, {255 - f, 255 - f, 255 - f}, alpha); return;
    case ShortForm::None: break;
  }
  const Rgb& o = paint.outline;
  Painter::put(p, {mixChannel(o.red, c.red, f), mixChannel(o.green, c.green, f), mixChannel(o.blue, c.blue, f)},
               alpha);
}

}  // namespace

int shareTable(int a, int b) { return tables().share[a & 0xFF][b & 0xFF]; }

int alphaTable(int d, int s) { return tables().alpha[d & 0xFF][s & 0xFF]; }

void drawGlyph(const GlyphRenderer& r, const GlyphTarget& target, unsigned code, int x, int y) {
  if (!target.pixels || !r.font) return;
  const GreyGlyph& glyph = glyphBitmap(r.font, code);
  int bh = glyph.blackBoxY;
  int bwr = glyph.rowBytes;
  if (bh <= 0 || bwr <= 0) return;
  int r0 = y + r.ascent - glyph.originY + 1;
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
    int s = r.shadowOn ? 1 : 0;
    for (int i = 0; i < bh; ++i) {
      for (int j = 0; j < bwr; ++j) {
        if (int g = coverage(i, j); g > 0) outlineAround(paint, r0 + i, c0 + j, g, s);
      }
    }
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
