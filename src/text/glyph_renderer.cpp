// The renderer record: its font request and the rules for when a font is made again, its
// colours, the message glyphs of the current page, and the program's three renderers.
#include "text/glyph_renderer.h"

#include <algorithm>
#include <cassert>

#include "core/error_report.h"
#include "graphics/frame.h"
#include "text/font_settings.h"
#include "text/glyph_textures.h"
#include "text/message_state.h"

namespace text {

namespace {

struct Renderers {
  GlyphRenderer message;
  GlyphRenderer ruby;
  GlyphRenderer string;
} renderers;

void setStyleBits(GlyphRenderer& r, int style) {
  r.shadowOn = style >> 1 & 1;
  r.outlineOn = style >> 2 & 1;
  r.gradientOn = style >> 3 & 1;
}

std::string truncatedFace(std::string_view face) {
  return std::string(face.substr(0, std::min<std::size_t>(face.size(), kFaceNameLimit)));
}

// The face is looked up when the first character is drawn (fontReady).
void makeFont(GlyphRenderer& r) {
  r.font = openFont(r.request.face, r.request.height, r.request.weight);
  ++r.fontCreations;
}

GlyphQuad quadAt(float left, float top, float side) {
  GlyphQuad q;
  const float xs[4] = {left, left + side, left, left + side};
  const float ys[4] = {top, top, top + side, top + side};
  for (int i = 0; i < 4; ++i) {
    q.v[i].x = xs[i];
    q.v[i].y = ys[i];
    q.v[i].u = static_cast<float>(i & 1);
    q.v[i].v = static_cast<float>(i >> 1);
  }
  return q;
}

}  // namespace

bool create(GlyphRenderer& r, std::string_view face, int height, int style, int capacity) {
  r.request.face = truncatedFace(face);
  r.request.height = height;
  r.request.weight = r.weights[style & 1];
  r.fontHeight = height;
  r.cellSize = height + 4;
  setStyleBits(r, style);
  setColours(r, 0xFFFFFF, 0xFFFFFF, 0x000000);
  r.capacity = std::max(capacity, 0);
  r.glyphTextures.assign(static_cast<std::size_t>(r.capacity), MessageGlyph{});
  r.glyphQuads.assign(static_cast<std::size_t>(r.capacity), quadAt(0, 0, 0));
  r.glyphCount = 0;
  ++r.glyphChanges;
  shareTable(0, 0);  // the tables are built once, here rather than during the first page
  makeFont(r);
  return true;
}

bool fontReady(const GlyphRenderer& r) {
  bool firstFailure = false;
  if (fontUsable(r.font, firstFailure)) return true;
  if (firstFailure) core::showErrorBox("CreateFontIndirect");
  return false;
}

void setFont(GlyphRenderer& r, std::string_view face, int height, int style) {
  setStyleBits(r, style);
  std::string kept = truncatedFace(face);
  int weight = r.weights[style & 1];
  if (r.font && kept == r.request.face && height == r.request.height && weight == r.request.weight) return;
  r.request.face = std::move(kept);
  r.request.weight = weight;
  r.request.height = height;
  r.fontHeight = height;
  r.cellSize = height + 4;
  r.font = {};
  makeFont(r);
}

void setColours(GlyphRenderer& r, std::uint32_t colour1, std::uint32_t colour2, std::uint32_t colour3) {
  r.colour1 = colour1 & 0xFFFFFF;
  r.colour2 = colour2 & 0xFFFFFF;
  r.colour3 = colour3 & 0xFFFFFF;
  r.c1Blue = static_cast<int>(r.colour1 & 0xFF);
  r.c1Green = static_cast<int>(r.colour1 >> 8 & 0xFF);
  r.c1Red = static_cast<int>(r.colour1 >> 16 & 0xFF);
  r.dBlue = r.c1Blue - static_cast<int>(r.colour2 & 0xFF);
  r.dGreen = r.c1Green - static_cast<int>(r.colour2 >> 8 & 0xFF);
  r.dRed = r.c1Red - static_cast<int>(r.colour2 >> 16 & 0xFF);
  r.c3RedBlue = static_cast<int>(r.colour3 & 0xFF00FF);
  r.c3Green = static_cast<int>(r.colour3 >> 8 & 0xFF);
  r.dRedBlue = static_cast<int>(r.colour1 & 0xFF00FF) - r.c3RedBlue;
  r.dGreen13 = r.c1Green - r.c3Green;
}

void destroy(GlyphRenderer& r) {
  releaseMessageGlyphs(r);
  r.glyphTextures.clear();
  r.glyphQuads.clear();
  r.capacity = 0;
  r.font = {};
}

// A page holds at most `capacity` glyphs; the layout clears the page long before (23 x 16
// characters against 1024 slots), so a glyph beyond is simply not shown.
void addMessageGlyph(GlyphRenderer& r, int x, int y, unsigned char leadByte, unsigned char trailByte) {
  unsigned code = static_cast<unsigned>(leadByte) << 8 | trailByte;
  if (code == 0 || code == 0x8140) return;
  if (r.glyphCount >= r.capacity || r.cellSize <= 0 || r.cellSize > kLargestGlyphCell) return;
  assert(r.glyphTextures.size() == static_cast<std::size_t>(r.capacity) &&
         "create sized the slots to the capacity, so the count checked above indexes a slot that exists");
  MessageGlyph& glyph = r.glyphTextures[static_cast<std::size_t>(r.glyphCount)];
  glyph.cell.width = r.cellSize;
  glyph.cell.height = r.cellSize;
  glyph.cell.pixels.assign(static_cast<std::size_t>(r.cellSize) * r.cellSize * 4, 0);
  drawGlyph(r, targetOf(glyph.cell), code, 0, 0);
  if (!uploadGlyphCell(glyph)) {
    core::showErrorBox("CreateMassageTexture");
    return;
  }
  // One texel covers one stage pixel with the quad on whole pixels: the half-pixel shift a
  // Direct3D 9 quad needs has no counterpart in GL.
  r.glyphQuads[static_cast<std::size_t>(r.glyphCount)] =
      quadAt(static_cast<float>(x), static_cast<float>(y), static_cast<float>(r.cellSize));
  ++r.glyphCount;
  ++r.glyphChanges;
}

void drawMessageGlyphs(const GlyphRenderer& r) {
  if (r.glyphCount == 0) return;
  drawGlyphQuads(r.glyphTextures.data(), r.glyphQuads.data(), r.glyphCount);
}

void releaseMessageGlyphs(GlyphRenderer& r) {
  for (int i = 0; i < r.glyphCount; ++i) releaseGlyphCell(r.glyphTextures[static_cast<std::size_t>(i)]);
  r.glyphCount = 0;
  ++r.glyphChanges;
}

GlyphRenderer& messageRenderer() { return renderers.message; }
GlyphRenderer& rubyRenderer() { return renderers.ruby; }
GlyphRenderer& stringRenderer() { return renderers.string; }

namespace {

// The message layer of every frame: the message and ruby glyphs, while the window is up.
void drawMessageLayer() {
  drawMessageGlyphs(renderers.message);
  drawMessageGlyphs(renderers.ruby);
}

bool messageWindowShown() { return messageState().windowShown; }

std::uint64_t messageLayerRevision() { return renderers.message.glyphChanges + renderers.ruby.glyphChanges; }

}  // namespace

bool createGlyphRenderers() {
  graphics::setMessageLayer({messageWindowShown, drawMessageLayer, messageLayerRevision});
  const MessageFontSettings& font = messageFont();
  int pitchX = messagePitchX();
  bool ok = create(renderers.message, font.face, pitchX, font.style, kMessageGlyphSlots);
  ok = create(renderers.ruby, font.face, pitchX / 2, font.style, kRubyGlyphSlots) && ok;
  ok = create(renderers.string, font.face, pitchX, font.style, 0) && ok;
  return ok;
}

void destroyGlyphRenderers() {
  graphics::setMessageLayer({});
  destroy(renderers.string);
  destroy(renderers.ruby);
  destroy(renderers.message);
}

}  // namespace text
