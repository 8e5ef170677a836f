// Message glyph cells on the drawing device: each cell's pixels become a texture of their
// own, drawn as pre-transformed quads with alpha blending after the sprites. Without a
// device (--video=none) the cells keep their pixels and nothing is drawn.
#pragma once
#include "text/glyph_renderer.h"

namespace text {

// Makes the texture of a freshly drawn cell; false when the device refused it.
bool uploadGlyphCell(MessageGlyph& glyph);
void releaseGlyphCell(MessageGlyph& glyph);
void drawGlyphQuads(const MessageGlyph* glyphs, const GlyphQuad* quads, int count);

}  // namespace text
