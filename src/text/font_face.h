// Fonts as the glyph renderers see them: a face name (CP932) with a pixel height and a weight
// becomes an open font that answers its ascent and the 65-level grey bitmap of a character.
// FreeType rasterises, fontconfig finds installed faces; a face name that is a font file
// (.ttf, .otf, .ttc) is read from arc.dat or the game folder. Main thread only.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace text {

constexpr int kGreyLevels = 64;  // coverage runs 0..64, as the blending expects

// One character's grey bitmap with the metrics the placement needs.
struct GreyGlyph {
  int blackBoxX = 0;                   // width of the inked box in pixels (bw)
  int blackBoxY = 0;                   // height (bh)
  int originX = 0;                     // left edge of the box right of the pen position (ox)
  int originY = 0;                     // top edge of the box above the baseline (oy)
  int rowBytes = 0;                    // bw rounded up to a multiple of 4: padding columns hold coverage 0
  std::vector<std::uint8_t> coverage;  // rowBytes * bh levels, 0..64, rows top to bottom
};

struct OpenFont;  // the face at one size and weight; private to font_face.cpp

struct FontHandle {
  std::shared_ptr<OpenFont> font;
  explicit operator bool() const { return font != nullptr; }
};

// Asks for `face` at cell height `height` (ascent + descent in pixels; a negative height asks
// for that em size instead, 0 for a default size) with weight 400 or 700. A face file is
// read at once; an installed face is looked up with fontconfig at the font's first use (any
// function below). A face that cannot be found falls back
// to the default Japanese face, and the font is unusable only when no usable font exists
// on the machine at all; it then draws nothing and has ascent 0.
FontHandle openFont(std::string_view faceCp932, int height, int weight);

// True when the font can draw. `firstFailure` is set on the first false answer for this
// font only, so that the one who draws reports a missing font once.
bool fontUsable(const FontHandle& font, bool& firstFailure);

// The font's ascent in pixels (baseline below the top of the cell).
int fontAscent(const FontHandle& font);

// The file the face resolved to ("arc.dat:" + name for a face read from the archive), for
// the author's information and for tests.
std::string fontFileName(const FontHandle& font);
std::string fontFamilyName(const FontHandle& font);  // UTF-8

// The grey bitmap of `code` (one byte, or lead << 8 | trail of a CP932 character). A code
// CP932 does not know, or the font lacks, gives the font's missing-glyph box as GDI did.
// Bitmaps are cached per face, size, weight and code: the reference stays valid until the
// cache is cleared by clearGlyphCache.
const GreyGlyph& glyphBitmap(const FontHandle& font, unsigned code);

void clearGlyphCache();
std::size_t glyphCacheSize();

// 256 FreeType levels to 65: rounded to nearest, so 0 stays 0 and 255 becomes 64.
constexpr std::uint8_t reduceCoverage(std::uint8_t level) {
  return static_cast<std::uint8_t>((level * kGreyLevels + 127) / 255);
}

}  // namespace text
