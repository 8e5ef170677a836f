// Text sprites: ssp draws a line of text with the string renderer into a picture of its
// own and stages it like a loaded file; ssp.set chooses the face, size, style and colours
// that later ssp use.
#include "core/command_registry.h"
#include "core/command_support.h"
#include "core/error_report.h"
#include "graphics/device.h"
#include "graphics/sprite_commands.h"
#include "graphics/sprites.h"
#include "image/pixel_image.h"
#include "platform/cp932.h"
#include "text/glyph_renderer.h"
#include "text/text_commands.h"

namespace graphics {

namespace {
constexpr std::size_t kTextSpriteNameLimit = 127;  // the slot's name holds 128 bytes
}  // namespace

void applyTextSpriteSettings() {
  const TextSpriteSettings& s = textSpriteSettings();
  text::GlyphRenderer& r = text::stringRenderer();
  text::setFont(r, s.face, s.height, s.style);
  text::setColours(r, s.colour1, s.colour2, s.colour3);
}

bool stageTextSprite(int n, std::string_view line, std::uint32_t layer) {
  SpriteSlot* slot = spriteSlot(n);
  if (!slot) return false;
  const text::GlyphRenderer& r = text::stringRenderer();
  // Half a font height a byte, two pixels of margin on each side for the outline.
  const std::int64_t height = std::max(1, r.fontHeight) + 4;
  const std::int64_t width = static_cast<std::int64_t>(line.size()) * std::max(1, r.fontHeight) / 2 + 4;
  if (!image::sizeAllowed(width, height)) {  // a line no texture could hold
    core::reportCommandError(platform::jp("メモリを確保出来ませんでした"));
    return false;
  }
  TextureHolder holder;
  if (!createBlankTexture(holder, static_cast<int>(width), static_cast<int>(height), true)) return false;  // reported
  text::drawString(r, *holder, line);
  // A text staged over a staged picture keeps the property changes made to that picture.
  settleStagedPicture(*slot);
  stageMadePicture(n, std::move(holder), line.substr(0, kTextSpriteNameLimit), layer);
  const TextSpriteSettings& s = textSpriteSettings();
  slot->fontName = s.face;
  slot->textSettings = {s.style, s.height, static_cast<std::int32_t>(s.colour1), static_cast<std::int32_t>(s.colour2),
                        static_cast<std::int32_t>(s.colour3)};
  return true;
}

}  // namespace graphics

namespace text {
namespace {

using namespace graphics;

constexpr std::size_t kTextSpriteFaceLimit = 32;

void cmdSspSet(const core::Arguments& v) {
  TextSpriteSettings& s = textSpriteSettings();
  s.face = v.string(0).substr(0, kTextSpriteFaceLimit);
  s.height = v.number(1);
  s.style = v.number(2);
  s.colour1 = static_cast<std::uint32_t>(v.number(3));
  s.colour2 = static_cast<std::uint32_t>(v.number(4));
  s.colour3 = static_cast<std::uint32_t>(v.number(5));
  applyTextSpriteSettings();
}

void cmdSsp(const core::Arguments& v) {
  const std::int32_t n = v.number(0);
  if (!slotArgument(n)) return;
  const auto layer = static_cast<std::uint32_t>(v.number(2));
  stageTextSprite(n, v.string(1), layer);
}

constexpr core::CommandEntry kTextSpriteCommands[] = {{"ssp", cmdSsp, nullptr, "n s [n]"}, {"ssp.set", cmdSspSet, nullptr, "F n n n n n"}};

}  // namespace

std::span<const core::CommandEntry> textSpriteCommands() { return kTextSpriteCommands; }

}  // namespace text
