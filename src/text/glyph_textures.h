// Message glyph cells on the drawing device: each cell's pixels become a texture of their
// own, drawn as pre-transformed quads with alpha blending after the sprites. Without a
// device (--video=none) the cells keep their pixels and nothing is drawn.
#pragma once
#include <cstdint>
#include <vector>

#include "text/glyph_renderer.h"

namespace text {

// Makes the texture of a freshly drawn cell; false when the device refused it.
bool uploadGlyphCell(MessageGlyph& glyph);
void releaseGlyphCell(MessageGlyph& glyph);
void drawGlyphQuads(const MessageGlyph* glyphs, const GlyphQuad* quads, int count);

// The top level of a one-tile picture as memory to draw into: texture-sized, starting from
// what the record holds. commit() keeps the picture-sized part in the record and writes the
// whole into the texture.
class TextureCanvas {
 public:
  explicit TextureCanvas(graphics::TextureImage& image);
  GlyphTarget target();
  bool commit();

 private:
  graphics::TextureImage& image_;
  std::vector<std::uint8_t> pixels_;
  int width_ = 0;
  int height_ = 0;
};

}  // namespace text
