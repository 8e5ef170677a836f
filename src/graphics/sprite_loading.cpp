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
void spriteLoad(std::string_view args, bool withOverlay) {
  const std::vector<core::ScriptValue> v = core::evaluateArguments(args);
  const std::size_t fixed = withOverlay ? 6 : 2;
  if (!core::checkArgumentCount(v)) return;
  if (!core::needNumber(v, 0) || !core::needString(v, 1)) return;
  if (withOverlay && (!core::needString(v, 2) || !core::needNumber(v, 3) || !core::needNumber(v, 4) ||
                      !core::needNumber(v, 5)))
    return;
  if (v.size() > fixed && !core::needNumber(v, fixed)) return;
  const std::int32_t n = v[0].toInt();
  if (!slotArgument(n)) return;
  const auto layer = static_cast<std::uint32_t>(v.size() > fixed ? v[fixed].toInt() : 0);
  if (withOverlay)
    loadSpritePicture(n, v[1].text, v[2].text, v[3].toInt(), v[4].toInt(), v[5].toInt(), layer);
  else
    loadSpritePicture(n, v[1].text, {}, 0, 0, 0, layer);
}

void cmdSp(std::string_view args) { spriteLoad(args, false); }
void cmdSp2(std::string_view args) { spriteLoad(args, true); }

void cmdSpSt(std::string_view args) {
  const std::vector<core::ScriptValue> v = core::evaluateArguments(args);
  if (!core::checkArgumentCount(v)) return;
  if (!core::needNumber(v, 0) || !core::needString(v, 1) || !core::needNumber(v, 2) || !core::needNumber(v, 3)) return;
  const std::int32_t n = v[0].toInt(), width = v[2].toInt(), height = v[3].toInt();
  SpriteSlot* slot = slotArgument(n);
  if (!slot) return;
  if (!image::sizeAllowed(width, height)) {
    core::reportArgumentFault(core::ArgumentFault::BadValue, width > 0 && width <= image::kMaxPixels ? 4 : 3);
    return;
  }
  if (slot->repeatMode == 2) clearSpriteSlot(n);
  if (slot->fadeLevel != 0) finishCrossFade(*slot);

  std::optional<image::PixelImage> canvas = image::loadCanvas(v[1].text, slot->filters, width, height);
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
  slot->name.assign(v[1].text.substr(0, kSpriteNameLimit));
}

constexpr core::CommandEntry kSpriteLoadCommands[] = {
    {"sp", cmdSp, nullptr, 2, 3},
    {"sp2", cmdSp2, nullptr, 6, 7},
    {"sp.st", cmdSpSt, nullptr, 4, 4},
};

}  // namespace

std::span<const core::CommandEntry> spriteLoadCommands() { return kSpriteLoadCommands; }

}  // namespace graphics
