// Pictures into sprite slots: sp and sp2 load a file through the slot's filter chain (with
// its overlay, or onto the base of a difference picture) into the staged holder; sp.st makes
// a stand picture on a canvas and hands it to the fade track. A failed load leaves the slot
// as it was.
#include <optional>
#include <string>

#include "core/command_support.h"
#include "graphics/sprite_commands.h"
#include "image/filter_chain.h"
#include "platform/cp932.h"

namespace graphics {

bool loadSpritePicture(int n, std::string_view file, std::string_view overlay, int mode, int x, int y,
                       std::uint32_t layer) {
  SpriteSlot* slot = spriteSlot(n);
  if (!slot) return false;
  std::optional<image::PixelImage> picture = image::loadFiltered(file, slot->filters, {overlay, x, y, mode});
  if (!picture) return false;
  TextureHolder holder;
  if (!loadTexture(holder, std::move(*picture))) return false;
  // A picture staged before keeps the property changes made to it.
  settleStagedPicture(*slot);
  stageMadePicture(n, std::move(holder), file, layer);
  slot->fontName.clear();
  slot->textSettings = {};
  return true;
}

namespace {

// sp n, file [, layer] and sp2 n, file, overlay, mode, x, y [, layer].
void spriteLoad(const core::Arguments& v, bool withOverlay) {
  const std::size_t fixed = withOverlay ? 6 : 2;
  const std::int32_t n = v.number(0);
  if (!slotArgument(n)) return;
  const auto layer = static_cast<std::uint32_t>(v.number(fixed));
  if (withOverlay)
    loadSpritePicture(n, v.string(1), v.string(2), v.number(3), v.number(4), v.number(5), layer);
  else
    loadSpritePicture(n, v.string(1), {}, 0, 0, 0, layer);
}

void cmdSp(const core::Arguments& args) { spriteLoad(args, false); }
void cmdSp2(const core::Arguments& args) { spriteLoad(args, true); }

void cmdSpSt(const core::Arguments& v) {
  const std::int32_t n = v.number(0), width = v.number(2), height = v.number(3);
  SpriteSlot* slot = slotArgument(n);
  if (!slot) return;
  if (!image::sizeAllowed(width, height)) {
    core::reportArgumentFault(core::ArgumentFault::BadValue, width > 0 && width <= image::kMaxPixels ? 4 : 3);
    return;
  }
  if (slot->repeatMode == 2) clearSpriteSlot(n);
  if (slot->fadeLevel != 0) finishCrossFade(*slot);

  std::optional<image::PixelImage> canvas = image::loadCanvas(v.string(1), slot->filters, width, height);
  if (!canvas) return;
  TextureHolder stand;
  if (!loadTexture(stand, std::move(*canvas))) return;

  if (!hasPicture(slot->shown())) {
    // Nothing shown yet: the fade starts from a transparent picture of the canvas size.
    std::optional<image::PixelImage> blank = image::createImage(width, height, 32);
    TextureHolder shown;
    if (!blank || !loadTexture(shown, std::move(*blank))) return;
    if (!slot->shown()) {
      setDefaultProperties(*shown, 0);
      slot->shownHolder() = std::move(shown);
    } else {
      copyProperties(*shown, *slot->shown());
      shown->layer = slot->shown()->layer;
      slot->shownHolder() = std::move(shown);
    }
    registerInDrawSet(n);
  }
  TextureImage& from = *slot->shown();
  copyProperties(*stand, from);
  stand->layer = from.layer;
  slot->stagedHolder() = std::move(stand);
  slot->flags = kDirectMode;
  slot->fontName.assign(1, '\x01');
  slot->name.assign(v.string(1).substr(0, kSpriteNameLimit));
}

constexpr core::CommandEntry kSpriteLoadCommands[] = {
    {"sp", cmdSp, nullptr, "n P [n]"},
    {"sp2", cmdSp2, nullptr, "n P P n n n [n]"},
    {"sp.st", cmdSpSt, nullptr, "n P n n"},
};

}  // namespace

std::span<const core::CommandEntry> spriteLoadCommands() { return kSpriteLoadCommands; }

}  // namespace graphics
