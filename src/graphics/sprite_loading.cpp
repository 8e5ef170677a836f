// Pictures into sprite slots: sp and sp2 load a file (with its overlay, or onto the base of
// a difference picture) into the staged holder; sp.st makes a stand picture on a canvas and
// hands it to the fade track. A failed load leaves the slot as it was.
#include <optional>
#include <string>

#include "core/command_support.h"
#include "core/error_report.h"
#include "graphics/picture_compose.h"
#include "graphics/sprite_commands.h"
#include "image/image_loader.h"
#include "platform/cp932.h"

namespace graphics {
namespace {

// The folder part of a resource name: up to and including the last "/" or "\" (a byte of
// value 0x5C inside a two-byte character is not a separator).
std::string folderOf(std::string_view path) {
  std::size_t end = 0;
  for (std::size_t i = 0; i < path.size(); ++i) {
    const auto c = static_cast<unsigned char>(path[i]);
    if (c >= 0x81 && c <= 0xFE) {
      ++i;  // lead byte: the trail byte goes with it
      continue;
    }
    if (c == '/' || c == '\\') end = i + 1;
  }
  return std::string(path.substr(0, end));
}

// The file with its overlay, or composed onto its base picture, ready for the slot's
// filters. The filter values stay stored in the slot until the filter chain applies them.
std::optional<image::PixelImage> loadComposed(std::string_view file, std::string_view overlay, int mode, int x, int y) {
  std::optional<image::PixelImage> picture = image::loadImage(file);
  if (!picture) return std::nullopt;
  if (!overlay.empty()) {
    std::optional<image::PixelImage> top = image::loadImage(overlay);
    if (!top) return std::nullopt;
    composePicture(*picture, *top, x, y, mode);
  } else if (!picture->baseName.empty()) {
    std::optional<image::PixelImage> base = image::loadImage(folderOf(file) + picture->baseName);
    if (!base) return std::nullopt;
    composePicture(*base, *picture, picture->left, picture->top, picture->mode);
    picture = std::move(base);
  }
  return picture;
}

}  // namespace

bool loadSpritePicture(int n, std::string_view file, std::string_view overlay, int mode, int x, int y,
                       std::uint32_t layer) {
  SpriteSlot* slot = spriteSlot(n);
  if (!slot) return false;
  std::optional<image::PixelImage> picture = loadComposed(file, overlay, mode, x, y);
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

std::optional<image::PixelImage> composeStandCanvas(std::string_view file, int width, int height) {
  std::optional<image::PixelImage> picture = loadComposed(file, {}, 0, 0, 0);
  if (!picture) return std::nullopt;
  std::optional<image::PixelImage> canvas = image::createImage(width, height, 32);
  if (!canvas) {
    core::reportCommandError(platform::jp("メモリを確保出来ませんでした"));
    return std::nullopt;
  }
  // Centred across, standing on the bottom edge.
  composePicture(*canvas, *picture, (width - picture->width) >> 1, height - picture->height, 0);
  return canvas;
}

namespace {

// sp n, file [, layer] and sp2 n, file, overlay, mode, x, y [, layer].
void spriteLoad(std::string_view args, const char* name, bool withOverlay) {
  core::setCommandName(name);
  const std::vector<core::ScriptValue> v = core::evaluateArguments(args);
  const std::size_t fixed = withOverlay ? 6 : 2;
  if (!core::checkArgumentCount(v, fixed, fixed + 1)) return;
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

void cmdSp(std::string_view args) { spriteLoad(args, "sp", false); }
void cmdSp2(std::string_view args) { spriteLoad(args, "sp2", true); }

void cmdSpSt(std::string_view args) {
  core::setCommandName("sp.st");
  const std::vector<core::ScriptValue> v = core::evaluateArguments(args);
  if (!core::checkArgumentCount(v, 4, 4)) return;
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

  std::optional<image::PixelImage> canvas = composeStandCanvas(v[1].text, width, height);
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
    {"sp", cmdSp},
    {"sp2", cmdSp2},
    {"sp.st", cmdSpSt},
};

}  // namespace

std::span<const core::CommandEntry> spriteLoadCommands() { return kSpriteLoadCommands; }

}  // namespace graphics
