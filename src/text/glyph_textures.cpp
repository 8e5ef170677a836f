// Glyph cells and text pictures on the device. Without one (--video=none) the pixels are
// drawn all the same and stay in their records; only the upload and the drawing are left out.
#include "text/glyph_textures.h"

#include <algorithm>
#include <cstring>

namespace text {

bool uploadGlyphCell(MessageGlyph& glyph) {
  if (!graphics::hasDevice()) return true;
  const image::PixelImage& cell = glyph.cell;
  glyph.texture = graphics::createPlainTexture(cell.width, cell.height);
  if (glyph.texture == 0) return false;
  if (!graphics::uploadPlainTexture(glyph.texture, cell.width, cell.height, cell.pixels.data(), cell.width * 4)) {
    graphics::releasePlainTexture(glyph.texture);
    return false;
  }
  return true;
}

void releaseGlyphCell(MessageGlyph& glyph) {
  if (glyph.texture != 0) graphics::releasePlainTexture(glyph.texture);
  glyph.texture = 0;
}

// Point sampling and plain alpha blending: each texel lands on one stage pixel.
void drawGlyphQuads(const MessageGlyph* glyphs, const GlyphQuad* quads, int count) {
  if (!graphics::hasDevice()) return;
  graphics::setBlendPreset(1);
  graphics::setLinearFiltering(false);
  for (int i = 0; i < count; ++i) {
    if (glyphs[i].texture == 0) continue;
    const GlyphQuad& q = quads[i];
    graphics::drawScreenQuad(glyphs[i].texture, q.v[0].x, q.v[0].y, q.v[3].x, q.v[3].y, q.v[0].diffuse);
  }
}

TextureCanvas::TextureCanvas(graphics::TextureImage& image) : image_(image) {
  width_ = std::max(image.texWidth, image.width);
  height_ = std::max(image.texHeight, image.height);
  if (width_ <= 0 || height_ <= 0) {
    width_ = height_ = 0;
    return;
  }
  pixels_.assign(static_cast<std::size_t>(width_) * height_ * 4, 0);
  // What was drawn before stays, as the texture kept it.
  if (image.pixels.size() == static_cast<std::size_t>(image.width) * image.height * 4) {
    for (int row = 0; row < image.height; ++row) {
      std::memcpy(pixels_.data() + static_cast<std::size_t>(row) * width_ * 4,
                  image.pixels.data() + static_cast<std::size_t>(row) * image.width * 4,
                  static_cast<std::size_t>(image.width) * 4);
    }
  }
}

GlyphTarget TextureCanvas::target() { return {pixels_.data(), width_ * 4, width_, height_}; }

bool TextureCanvas::commit() {
  if (width_ == 0) return false;
  image_.pixels.assign(static_cast<std::size_t>(image_.width) * image_.height * 4, 0);
  for (int row = 0; row < image_.height; ++row) {
    std::memcpy(image_.pixels.data() + static_cast<std::size_t>(row) * image_.width * 4,
                pixels_.data() + static_cast<std::size_t>(row) * width_ * 4,
                static_cast<std::size_t>(image_.width) * 4);
  }
  if (image_.tileCount < 1 || image_.texWidth != width_ || image_.texHeight != height_) return true;
  return graphics::writeTextureTile(image_, 0, pixels_.data(), width_ * 4);
}

void drawString(const GlyphRenderer& r, graphics::TextureImage& texture, std::string_view text) {
  TextureCanvas canvas(texture);
  drawString(r, canvas.target(), text);
  canvas.commit();
}

void drawTextBlock(const GlyphRenderer& r, graphics::TextureImage& texture, std::string_view text, int extraX,
                   int extraY, int lineSpacing, const GlyphRenderer& ruby) {
  TextureCanvas canvas(texture);
  drawTextBlock(r, canvas.target(), text, extraX, extraY, lineSpacing, ruby);
  canvas.commit();
}

}  // namespace text
