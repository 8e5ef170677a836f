// Glyph renderers: one font with its colours and style that draws characters into 32-bit
// B,G,R,A memory with an optional outline, drop shadow and vertical gradient. Three exist
// for the program (message text, ruby, text sprites); message glyphs get a texture each and
// are drawn after the sprites every frame until the page is cleared. Main thread only.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "graphics/device.h"
#include "image/pixel_image.h"
#include "text/font_face.h"

namespace text {

constexpr int kMessageGlyphSlots = 1024;
constexpr int kRubyGlyphSlots = 128;
constexpr int kFaceNameLimit = 31;  // bytes of a face name the font request keeps
// Message glyph cells above this side are not made: the stage is 800 x 600, and a script's
// font height of 100000 must not ask for a 40-gigabyte cell.
constexpr int kLargestGlyphCell = 1028;

// Pre-transformed vertex of a glyph quad: position in stage pixels, then colour and texture
// coordinates, as the glyph pass draws it.
struct GlyphVertex {
  float x = 0, y = 0, z = 0, rhw = 1.0f;
  std::uint32_t diffuse = 0xFFFFFFFF;
  float u = 0, v = 0;
};

struct GlyphQuad {
  GlyphVertex v[4];  // triangle-strip order: top-left, top-right, bottom-left, bottom-right
};

struct MessageGlyph {
  image::PixelImage cell;               // cellSize square, what the texture holds
  graphics::TextureHandle texture = 0;  // 0 without a device (--video=none)
};

struct FontRequest {
  std::string face;  // CP932, at most kFaceNameLimit bytes
  int height = 0;
  int weight = 400;
};

struct GlyphRenderer {
  std::uint32_t colour1 = 0xFFFFFF;  // main colour (top of the gradient)
  std::uint32_t colour2 = 0xFFFFFF;  // bottom of the gradient
  std::uint32_t colour3 = 0x000000;  // outline and shadow
  int c1Blue = 255, c1Green = 255, c1Red = 255;
  int dBlue = 0, dGreen = 0, dRed = 0;  // colour1 channel minus colour2 channel
  int c3RedBlue = 0;                    // colour3 & 0xFF00FF
  int c3Green = 0;
  int dRedBlue = 0xFF00FF;  // (colour1 & 0xFF00FF) - c3RedBlue
  int dGreen13 = 255;       // green of colour1 minus green of colour3
  int cellSize = 0;         // font height + 4: side of a message glyph cell
  int shadowOn = 0, outlineOn = 0, gradientOn = 0;
  int weights[2] = {400, 700};
  FontRequest request;
  FontHandle font;   // the current request, looked up at its first character
  int capacity = 0;  // message glyph slots
  std::vector<MessageGlyph> glyphTextures;
  std::vector<GlyphQuad> glyphQuads;
  int fontHeight = 0;
  int glyphCount = 0;     // message glyphs in use on the current page
  int fontCreations = 0;  // how often a font was asked for anew: observable in tests
  std::uint64_t glyphChanges = 0;  // counts every glyph added and every page cleared
};

// The blending tables, shared by every renderer (they do not depend on it).
// shareTable(a, b) = 255 * a / b, 0 for b = 0; alphaTable(d, s) = s + d * (255 - s) / 255,
// 0 for s = 0.
int shareTable(int a, int b);
int alphaTable(int d, int s);

bool create(GlyphRenderer& r, std::string_view face, int height, int style, int capacity);
// Looks the font up if this is its first use. False when no usable font exists; the first
// such answer for a request shows "CreateFontIndirect".
bool fontReady(const GlyphRenderer& r);
void setFont(GlyphRenderer& r, std::string_view face, int height, int style);
void setColours(GlyphRenderer& r, std::uint32_t colour1, std::uint32_t colour2, std::uint32_t colour3);
// Releases the glyph textures and the font (shut-down).
void destroy(GlyphRenderer& r);

// Memory a glyph is drawn into: B,G,R,A pixels, `pitch` bytes a row. Writes outside
// width x height are dropped.
struct GlyphTarget {
  std::uint8_t* pixels = nullptr;
  int pitch = 0;
  int width = 0;
  int height = 0;
};

inline GlyphTarget targetOf(image::PixelImage& image) {
  return {image.pixels.data(), image.width * 4, image.width, image.height};
}

// One character, its cell's top-left corner at (x, y). `code` is one byte or lead * 256 + trail.
void drawGlyph(const GlyphRenderer& r, const GlyphTarget& target, unsigned code, int x, int y);

// Message glyphs of the current page.
void addMessageGlyph(GlyphRenderer& r, int x, int y, unsigned char leadByte, unsigned char trailByte);
void drawMessageGlyphs(const GlyphRenderer& r);
void releaseMessageGlyphs(GlyphRenderer& r);

// A string on one line from (0, 0): a full-width character advances fontHeight, a byte half of it.
void drawString(const GlyphRenderer& r, const GlyphTarget& target, std::string_view text);
// Into a picture made by createBlankTexture: drawn over its texture-sized pixels, which the
// record keeps (cut to the picture size) and the texture receives.
void drawString(const GlyphRenderer& r, graphics::TextureImage& texture, std::string_view text);

// Backlog text with form-feed line breaks and "(base/ruby)" groups; see the .cpp for the layout.
void drawTextBlock(const GlyphRenderer& r, const GlyphTarget& target, std::string_view text, int extraX, int extraY,
                   int lineSpacing, const GlyphRenderer& ruby);
void drawTextBlock(const GlyphRenderer& r, graphics::TextureImage& texture, std::string_view text, int extraX,
                   int extraY, int lineSpacing, const GlyphRenderer& ruby);

// The program's three renderers, made at start-up in this order.
GlyphRenderer& messageRenderer();
GlyphRenderer& rubyRenderer();
GlyphRenderer& stringRenderer();
// Creates the three from the message font settings; false after reporting when the message
// font cannot be made.
bool createGlyphRenderers();
void destroyGlyphRenderers();

}  // namespace text
