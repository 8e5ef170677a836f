// Glyph drawing: the pixels of each style, checked against the glyph's own grey bitmap and
// the blending rules computed here from their definitions.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "platform/cp932.h"
#include "text/glyph_renderer.h"

namespace {

using text::GlyphRenderer;

constexpr unsigned kKanjiEi = 0x8969;  // 永: strokes in every direction, thin and thick

struct Canvas {
  image::PixelImage image;
  Canvas(int w, int h, std::uint32_t fill = 0) {
    image.width = w;
    image.height = h;
    image.pixels.resize(static_cast<std::size_t>(w) * h * 4);
    for (int i = 0; i < w * h; ++i) {
      for (int k = 0; k < 4; ++k) image.pixels[i * 4 + k] = static_cast<std::uint8_t>(fill >> (8 * k));
    }
  }
  text::GlyphTarget target() { return text::targetOf(image); }
  const std::uint8_t* at(int row, int col) const { return image.row(row) + col * 4; }
  int alpha(int row, int col) const { return at(row, col)[3]; }
  std::uint32_t rgb(int row, int col) const {
    const std::uint8_t* p = at(row, col);
    return static_cast<std::uint32_t>(p[2]) << 16 | p[1] << 8 | p[0];
  }
};

struct Box {
  int top = 1 << 20, left = 1 << 20, bottom = -1, right = -1;  // inclusive
  void add(int r, int c) {
    top = std::min(top, r);
    left = std::min(left, c);
    bottom = std::max(bottom, r);
    right = std::max(right, c);
  }
};

GlyphRenderer makeRenderer(int height, int style, std::uint32_t c1, std::uint32_t c2, std::uint32_t c3) {
  GlyphRenderer r;
  EXPECT_TRUE(text::create(r, platform::jp("ＭＳ ゴシック"), height, style, 0));
  text::setColours(r, c1, c2, c3);
  return r;
}

// Where the glyph's bitmap lands when its cell is at (x, y).
struct Placement {
  const text::GreyGlyph& glyph;
  int r0, c0;
  int g(int i, int j) const { return glyph.coverage[static_cast<std::size_t>(i) * glyph.rowBytes + j]; }
};

Placement placementOf(const GlyphRenderer& r, unsigned code, int x, int y) {
  const text::GreyGlyph& glyph = text::glyphBitmap(r.font, code);
  return {glyph, y + text::fontAscent(r.font) - glyph.originY + 1, x + glyph.originX + 1};
}

Box inkedBox(const Placement& p) {
  Box b;
  for (int i = 0; i < p.glyph.blackBoxY; ++i) {
    for (int j = 0; j < p.glyph.rowBytes; ++j) {
      if (p.g(i, j) > 0) b.add(p.r0 + i, p.c0 + j);
    }
  }
  return b;
}

Box drawnBox(const Canvas& c) {
  Box b;
  for (int r = 0; r < c.image.height; ++r) {
    for (int col = 0; col < c.image.width; ++col) {
      if (c.alpha(r, col) > 0) b.add(r, col);
    }
  }
  return b;
}

int alphaOf(int g) { return g * 255 / 64; }

TEST(GreyBitmaps, CoverageStaysWithin65LevelsAndUsesTheRange) {
  EXPECT_EQ(text::reduceCoverage(0), 0);
  EXPECT_EQ(text::reduceCoverage(255), 64);
  for (int v = 1; v < 256; ++v) EXPECT_LE(text::reduceCoverage(v - 1), text::reduceCoverage(v));
  for (int height : {9, 13, 26, 40}) {
    for (int style : {0, 1}) {
      GlyphRenderer r = makeRenderer(height, style, 0xFFFFFF, 0xFFFFFF, 0);
      bool full = false, partial = false;
      for (unsigned code : {kKanjiEi, 0x82A0u, unsigned('A'), unsigned('g'), 0x8160u}) {
        const text::GreyGlyph& g = text::glyphBitmap(r.font, code);
        ASSERT_GT(g.blackBoxY, 0);
        EXPECT_EQ(g.rowBytes % 4, 0);
        EXPECT_GE(g.rowBytes, g.blackBoxX);
        ASSERT_EQ(g.coverage.size(), static_cast<std::size_t>(g.rowBytes) * g.blackBoxY);
        for (int i = 0; i < g.blackBoxY; ++i) {
          for (int j = 0; j < g.rowBytes; ++j) {
            int v = g.coverage[static_cast<std::size_t>(i) * g.rowBytes + j];
            EXPECT_LE(v, 64);
            if (j >= g.blackBoxX) {
              EXPECT_EQ(v, 0) << "padding column";
            }
            full = full || v == 64;
            partial = partial || (v > 0 && v < 64);
          }
        }
      }
      EXPECT_TRUE(full && partial) << "height " << height;
    }
  }
}

TEST(GreyBitmaps, MetricsPlaceTheGlyphInsideItsCell) {
  GlyphRenderer r = makeRenderer(26, 0, 0xFFFFFF, 0xFFFFFF, 0);
  EXPECT_GT(text::fontAscent(r.font), 13);
  EXPECT_LT(text::fontAscent(r.font), 26);
  for (unsigned code : {kKanjiEi, 0x82A0u, unsigned('A'), unsigned('g')}) {
    Placement p = placementOf(r, code, 0, 0);
    Box ink = inkedBox(p);
    EXPECT_GE(ink.top, 0);
    EXPECT_GE(ink.left, 0);
    EXPECT_LT(ink.bottom, r.cellSize);
    EXPECT_LT(ink.right, r.cellSize);
  }
  // A letter with a descender reaches below the baseline, one without does not.
  Placement g = placementOf(r, 'g', 0, 0);
  Placement a = placementOf(r, 'a', 0, 0);
  EXPECT_GT(inkedBox(g).bottom, inkedBox(a).bottom);
}

TEST(DrawGlyph, PlainStyleOverwritesTheBoxWithColourAndCoverageAlpha) {
  GlyphRenderer r = makeRenderer(26, 0, 0x336699, 0x336699, 0);
  Canvas canvas(60, 40, 0x80FFFFFF);
  text::drawGlyph(r, canvas.target(), kKanjiEi, 5, 3);
  Placement p = placementOf(r, kKanjiEi, 5, 3);
  for (int row = 0; row < 40; ++row) {
    for (int col = 0; col < 60; ++col) {
      int i = row - p.r0, j = col - p.c0;
      bool inBox = i >= 0 && j >= 0 && i < p.glyph.blackBoxY && j < p.glyph.rowBytes;
      if (inBox) {
        ASSERT_EQ(canvas.alpha(row, col), alphaOf(p.g(i, j)));
        ASSERT_EQ(canvas.rgb(row, col), 0x336699u);
      } else {
        ASSERT_EQ(canvas.alpha(row, col), 0x80) << "outside the box stays";
      }
    }
  }
}

TEST(DrawGlyph, OutlineReachesOneBeyondAndTwoWithTheShadow) {
  Canvas clear(60, 60);
  GlyphRenderer outline = makeRenderer(26, 4, 0xFFFFFF, 0xFFFFFF, 0x000000);
  Box ink = inkedBox(placementOf(outline, kKanjiEi, 10, 10));
  Canvas a = clear;
  text::drawGlyph(outline, a.target(), kKanjiEi, 10, 10);
  Box drawn = drawnBox(a);
  EXPECT_EQ(drawn.top, ink.top - 1);
  EXPECT_EQ(drawn.left, ink.left - 1);
  EXPECT_EQ(drawn.bottom, ink.bottom + 1);
  EXPECT_EQ(drawn.right, ink.right + 1);

  GlyphRenderer both = makeRenderer(26, 6, 0xFFFFFF, 0xFFFFFF, 0x000000);
  Canvas b = clear;
  text::drawGlyph(both, b.target(), kKanjiEi, 10, 10);
  drawn = drawnBox(b);
  EXPECT_EQ(drawn.top, ink.top - 1);
  EXPECT_EQ(drawn.left, ink.left - 1);
  EXPECT_EQ(drawn.bottom, ink.bottom + 2);
  EXPECT_EQ(drawn.right, ink.right + 2);
  // Every pixel the outline added is colour3; fully covered glyph pixels are colour1, opaque.
  Placement p = placementOf(both, kKanjiEi, 10, 10);
  for (int i = 0; i < p.glyph.blackBoxY; ++i) {
    for (int j = 0; j < p.glyph.rowBytes; ++j) {
      if (p.g(i, j) == 64) {
        EXPECT_EQ(b.rgb(p.r0 + i, p.c0 + j), 0xFFFFFFu);
        EXPECT_EQ(b.alpha(p.r0 + i, p.c0 + j), 255);
      }
    }
  }
  EXPECT_EQ(b.rgb(drawn.bottom, drawn.right) & 0xFFFFFF, 0u);
}

TEST(DrawGlyph, ShadowAloneIsTheCoverageTwoPixelsDownAndRight) {
  // Black under white takes the short form: the grey level f itself, which is also what
  // c3 + (c - c3) * f / 256 would nearly give.
  for (std::uint32_t shadowColour : {0x102030u, 0x000000u}) {
    GlyphRenderer r = makeRenderer(26, 2, 0xFFFFFF, 0xFFFFFF, shadowColour);
    Canvas canvas(60, 60);
    text::drawGlyph(r, canvas.target(), kKanjiEi, 10, 10);
    Placement p = placementOf(r, kKanjiEi, 10, 10);
    Box ink = inkedBox(p);
    Box drawn = drawnBox(canvas);
    EXPECT_EQ(drawn.top, ink.top);
    EXPECT_EQ(drawn.left, ink.left);
    EXPECT_EQ(drawn.bottom, ink.bottom + 2);
    EXPECT_EQ(drawn.right, ink.right + 2);
    // Glyph pixels blend over the shadow by the two alphas; shadow-only pixels keep colour3.
    for (int i = 0; i < p.glyph.blackBoxY + 2; ++i) {
      for (int j = 0; j < p.glyph.rowBytes + 2; ++j) {
        auto g = [&](int ii, int jj) {
          return ii >= 0 && jj >= 0 && ii < p.glyph.blackBoxY && jj < p.glyph.rowBytes ? p.g(ii, jj) : 0;
        };
        int own = g(i, j), shade = alphaOf(g(i - 2, j - 2));
        int row = p.r0 + i, col = p.c0 + j;
        if (own == 0) {
          ASSERT_EQ(canvas.alpha(row, col), shade);
          if (shade > 0) {
            ASSERT_EQ(canvas.rgb(row, col), shadowColour);
          }
          continue;
        }
        int a = alphaOf(own);
        if (own == 64 || shade == 0) {
          ASSERT_EQ(canvas.alpha(row, col), own == 64 ? 255 : a);
          ASSERT_EQ(canvas.rgb(row, col), 0xFFFFFFu);
          continue;
        }
        // Over the shadow: the colour mixes by the glyph's share of the combined alpha.
        int combined = shade == 255 ? 255 : a + shade * (255 - a) / 255;
        int f = shade == 255 ? a : static_cast<int>(255.0 * a / combined);
        ASSERT_EQ(canvas.alpha(row, col), combined);
        std::uint32_t want = 0;
        for (int shift : {16, 8, 0}) {
          int c3 = static_cast<int>(shadowColour >> shift & 0xFF);
          want |= static_cast<std::uint32_t>(c3 + static_cast<int>(std::floor((255 - c3) * f / 256.0))) << shift;
        }
        if (shadowColour == 0) want = static_cast<std::uint32_t>(f) * 0x010101;
        ASSERT_EQ(canvas.rgb(row, col), want);
      }
    }
  }
}

TEST(DrawGlyph, PartialCoverageOverOpaquePixelsMixesColourWithColour3) {
  // An opaque background leaves the outline pass nothing to change, so every glyph pixel
  // meets alpha 255: colour = c3 + (c - c3) * A / 256 per channel (rounded down), or the
  // grey level itself for the two short forms.
  struct Case {
    std::uint32_t c1, c3;
  } cases[] = {{0x00FF00, 0x0000FF}, {0x204080, 0xC0A020}, {0xFFFFFF, 0x000000}, {0x000000, 0xFFFFFF}};
  for (const Case& k : cases) {
    GlyphRenderer r = makeRenderer(26, 4, k.c1, k.c1, k.c3);
    Canvas canvas(40, 40, 0xFF777777);
    text::drawGlyph(r, canvas.target(), kKanjiEi, 2, 2);
    Placement p = placementOf(r, kKanjiEi, 2, 2);
    for (int i = 0; i < p.glyph.blackBoxY; ++i) {
      for (int j = 0; j < p.glyph.rowBytes; ++j) {
        int g = p.g(i, j);
        if (g == 0) continue;
        int a = alphaOf(g);
        std::uint32_t want = 0;
        if (g == 64) {
          want = k.c1;
        } else if (k.c1 == 0xFFFFFF && k.c3 == 0) {
          want = static_cast<std::uint32_t>(a) * 0x010101;
        } else if (k.c1 == 0 && k.c3 == 0xFFFFFF) {
          want = static_cast<std::uint32_t>(255 - a) * 0x010101;
        } else {
          for (int shift : {16, 8, 0}) {
            int c = static_cast<int>(k.c1 >> shift & 0xFF), c3 = static_cast<int>(k.c3 >> shift & 0xFF);
            int v = c3 + static_cast<int>(std::floor((c - c3) * a / 256.0));
            want |= static_cast<std::uint32_t>(v) << shift;
          }
        }
        ASSERT_EQ(canvas.alpha(p.r0 + i, p.c0 + j), 255);
        ASSERT_EQ(canvas.rgb(p.r0 + i, p.c0 + j), want) << std::hex << k.c1 << " g " << std::dec << g;
      }
    }
  }
}

// The outline and main-pass rules transcribed pixel by pixel, to hold the drawing code to
// them over a background that has every kind of alpha (0, 255 and between).
void referenceOutlined(const GlyphRenderer& r, Canvas& c, unsigned code, int x, int y) {
  Placement p = placementOf(r, code, x, y);
  int s = r.shadowOn;
  auto inside = [&](int row, int col) { return row >= 0 && col >= 0 && row < c.image.height && col < c.image.width; };
  auto px = [&](int row, int col) { return c.image.row(row) + col * 4; };
  auto put = [](std::uint8_t* q, std::uint32_t rgb, int a) {
    q[0] = rgb & 0xFF;
    q[1] = rgb >> 8 & 0xFF;
    q[2] = rgb >> 16 & 0xFF;
    q[3] = static_cast<std::uint8_t>(a);
  };
  for (int i = 0; i < p.glyph.blackBoxY; ++i) {
    for (int j = 0; j < p.glyph.rowBytes; ++j) {
      int g = p.g(i, j);
      if (g == 0) continue;
      for (int dy : {-1, 0, 1 + s}) {
        for (int dx : {-1, 0, 1 + s}) {
          if ((dx == 0 && dy == 0) || !inside(p.r0 + i + dy, p.c0 + j + dx)) continue;
          std::uint8_t* q = px(p.r0 + i + dy, p.c0 + j + dx);
          if (g == 64) {
            if (q[3] != 255) put(q, r.colour3, 255);
          } else if (q[3] == 0) {
            put(q, r.colour3, alphaOf(g));
          } else if (q[3] != 255) {
            q[3] = static_cast<std::uint8_t>(text::alphaTable(q[3], alphaOf(g)));
          }
        }
      }
    }
  }
  for (int i = 0; i < p.glyph.blackBoxY; ++i) {
    for (int j = 0; j < p.glyph.rowBytes; ++j) {
      int g = p.g(i, j);
      if (g == 0 || !inside(p.r0 + i, p.c0 + j)) continue;
      std::uint8_t* q = px(p.r0 + i, p.c0 + j);
      int a = alphaOf(g), d = q[3];
      if (g == 64 || d == 0) {
        put(q, r.colour1, g == 64 ? 255 : a);
        continue;
      }
      int combined = d == 255 ? 255 : text::alphaTable(d, a);
      int f = d == 255 ? a : text::shareTable(a, combined);
      std::uint32_t rgb = 0;
      for (int shift : {16, 8, 0}) {
        int c1 = static_cast<int>(r.colour1 >> shift & 0xFF), c3 = static_cast<int>(r.colour3 >> shift & 0xFF);
        rgb |= static_cast<std::uint32_t>(c3 + static_cast<int>(std::floor((c1 - c3) * f / 256.0))) << shift;
      }
      put(q, rgb, combined);
    }
  }
}

TEST(DrawGlyph, OutlineOverMixedAlphaFollowsTheRulesInOrder) {
  Canvas background(48, 48);
  const int alphas[] = {0, 255, 37, 128, 200, 0, 1};
  for (int row = 0; row < 48; ++row) {
    for (int col = 0; col < 48; ++col) {
      std::uint8_t* q = background.image.row(row) + col * 4;
      q[0] = static_cast<std::uint8_t>(row * 5);
      q[1] = static_cast<std::uint8_t>(col * 5);
      q[2] = 0x99;
      q[3] = static_cast<std::uint8_t>(alphas[(row * 3 + col) % 7]);
    }
  }
  for (int style : {4, 6}) {
    GlyphRenderer r = makeRenderer(26, style, 0xE0C040, 0xE0C040, 0x203080);
    for (unsigned code : {kKanjiEi, 0x82A0u, unsigned('W')}) {
      for (int at : {-4, 0, 10, 30}) {
        Canvas got = background, want = background;
        text::drawGlyph(r, got.target(), code, at, at / 2);
        referenceOutlined(r, want, code, at, at / 2);
        ASSERT_EQ(got.image.pixels, want.image.pixels) << "style " << style << " code " << code << " at " << at;
      }
    }
  }
}

TEST(DrawGlyph, GradientRunsFromTargetTopToTheGlyphBottom) {
  GlyphRenderer same = makeRenderer(26, 14, 0x4080C0, 0x4080C0, 0x000000);
  GlyphRenderer flat = makeRenderer(26, 6, 0x4080C0, 0x4080C0, 0x000000);
  Canvas a(40, 40), b(40, 40);
  text::drawGlyph(same, a.target(), kKanjiEi, 3, 4);
  text::drawGlyph(flat, b.target(), kKanjiEi, 3, 4);
  EXPECT_EQ(a.image.pixels, b.image.pixels) << "equal colours draw as no gradient";

  // Plain style makes the row colour visible directly on fully covered pixels.
  GlyphRenderer ramp = makeRenderer(26, 8, 0xFF0000, 0x0000FF, 0x000000);
  Canvas c(40, 40);
  text::drawGlyph(ramp, c.target(), kKanjiEi, 3, 4);
  Placement p = placementOf(ramp, kKanjiEi, 3, 4);
  int rowEnd = p.r0 + p.glyph.blackBoxY;
  int checked = 0;
  for (int i = 0; i < p.glyph.blackBoxY; ++i) {
    int row = p.r0 + i;
    std::uint32_t want = static_cast<std::uint32_t>(255 - row * 255 / rowEnd) << 16 | (row * 255 / rowEnd);
    for (int j = 0; j < p.glyph.rowBytes; ++j) {
      if (p.g(i, j) != 64) continue;
      ASSERT_EQ(c.rgb(row, p.c0 + j), want) << "row " << row;
      ++checked;
    }
  }
  EXPECT_GT(checked, 20);
}

TEST(DrawGlyph, WritesOutsideTheTargetAreDropped) {
  GlyphRenderer r = makeRenderer(26, 6, 0xFFFFFF, 0xFFFFFF, 0);
  // A 30 x 30 target inside a larger buffer: the guard rows and columns must stay untouched.
  Canvas big(50, 50, 0x11223344);
  text::GlyphTarget inner{big.image.row(10) + 10 * 4, big.image.width * 4, 30, 30};
  for (int x : {-20, -5, 0, 15, 28}) {
    for (int y : {-20, -5, 0, 15, 28}) text::drawGlyph(r, inner, kKanjiEi, x, y);
  }
  for (int row = 0; row < 50; ++row) {
    for (int col = 0; col < 50; ++col) {
      bool inside = row >= 10 && row < 40 && col >= 10 && col < 40;
      if (!inside) {
        ASSERT_EQ(big.alpha(row, col), 0x11) << row << "," << col;
      }
    }
  }
}

TEST(BlendTables, FollowTheirDefinitions) {
  for (int a = 0; a < 256; a += 5) {
    EXPECT_EQ(text::shareTable(a, 0), 0);
    EXPECT_EQ(text::alphaTable(a, 0), 0);
    for (int b = 1; b < 256; b += 7) EXPECT_EQ(text::shareTable(a, b), static_cast<int>(255.0 * a / b));
    for (int s = 1; s < 256; s += 3) {
      int combined = text::alphaTable(a, s);
      EXPECT_EQ(combined, s + a * (255 - s) / 255);
      EXPECT_GE(combined, s);
      EXPECT_LE(text::shareTable(s, combined), 255) << "a glyph's share never exceeds the whole";
    }
  }
}

}  // namespace
