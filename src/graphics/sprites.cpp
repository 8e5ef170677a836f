// The sprite table, the draw set, staging and the commit rules. Command handlers live in
// sprite_commands.cpp, the animation queue in animation.cpp. Main thread only.
//
// A slot holds two picture records. After a commit the staged record is a texture-less copy
// of the shown one, so a property command can write into it and the next commit only has to
// copy properties back (flags 0x1). Loading a picture fills the staged record with textures
// (flag 0x10) and the commit swaps the two.
#include "graphics/sprites.h"

#include <algorithm>
#include <utility>

#include "graphics/transitions.h"

namespace graphics {
namespace {

struct SpriteTable {
  std::array<SpriteSlot, kSpriteSlots> slots;
  std::set<int> drawSet;  // slots holding a picture, ascending
  TextSpriteSettings textSprites;  // what the next ssp draws with
} table;

}  // namespace

bool hasPicture(const TextureImage* image) {
  // The texture-less twin of a shown record has geometry but neither textures nor pixels;
  // without a device the kept pixels are all a picture has.
  return image && image->tileCount > 0 && (image->tiles[0] != 0 || !image->pixels.empty());
}

namespace {

// How a picture is drawn: opacity, blending, tint, the two reserved words, placement.
void copyDrawing(TextureImage& to, const TextureImage& from) {
  to.alpha = from.alpha;
  to.blendMode = from.blendMode;
  to.colourOp = from.colourOp;
  to.colourFactor = from.colourFactor;
  to.reserved0 = from.reserved0;
  to.reserved1 = from.reserved1;
  to.posX = from.posX;
  to.posY = from.posY;
  to.scaleX = from.scaleX;
  to.scaleY = from.scaleY;
  to.rotX = from.rotX;
  to.rotY = from.rotY;
  to.rotZ = from.rotZ;
}

// Every field but the textures and the pixel buffer: the picture's geometry and properties.
void copyRecord(TextureImage& to, const TextureImage& from) {
  copyDrawing(to, from);
  to.width = from.width;
  to.height = from.height;
  to.layer = from.layer;
  to.tilesAcross = from.tilesAcross;
  to.tilesDown = from.tilesDown;
  to.tileCount = from.tileCount;
  to.texWidth = from.texWidth;
  to.texHeight = from.texHeight;
  to.tileTexWidth = from.tileTexWidth;
  to.tileTexHeight = from.tileTexHeight;
  to.tileSpanWidth = from.tileSpanWidth;
  to.tileSpanHeight = from.tileSpanHeight;
  to.pivotX = from.pivotX;
  to.pivotY = from.pivotY;
  to.vertices = from.vertices;
}

// The shown picture's textures go; its record becomes a copy of the staged one's and the
// two swap places, so the staged picture is shown and the old record is the staged copy.
void swapInStaged(SpriteSlot& slot) {
  TextureImage* shown = slot.shown();
  TextureImage* staged = slot.staged();
  releaseTextures(*shown);
  copyRecord(*shown, *staged);
  slot.frontIndex ^= 1;
}

}  // namespace

SpriteSlot* spriteSlot(int n) { return n >= 0 && n < kSpriteSlots ? &table.slots[n] : nullptr; }

const std::set<int>& drawOrder() { return table.drawSet; }

TextureImage* currentPicture(SpriteSlot& slot) {
  TextureImage* image = (slot.flags & kStagedPicture) ? slot.staged() : slot.shown();
  return hasPicture(image) ? image : nullptr;
}

SpritePictureInfo spritePictureInfo(int n) {
  SpritePictureInfo info;
  SpriteSlot* slot = spriteSlot(n);
  if (!slot) return info;
  const TextureImage* image = currentPicture(*slot);
  if (!image) return info;
  info.exists = true;
  info.width = image->width;
  info.height = image->height;
  info.scaleX = image->scaleX;
  info.scaleY = image->scaleY;
  info.posX = image->posX;
  info.posY = image->posY;
  return info;
}

void applyAlphaToVertices(TextureImage& image) {
  const std::uint32_t colour = (static_cast<std::uint32_t>(image.alpha & 0xFF) << 24) | 0xFFFFFF;
  for (int t = 0; t < image.tileCount && t < kMaxTiles; ++t)
    for (TextureVertex& v : image.vertices[t]) v.diffuse = colour;
}

void setDefaultProperties(TextureImage& image, std::uint32_t layer) {
  image.layer = layer;
  image.alpha = 255;
  image.blendMode = 1;
  image.colourOp = 0;
  image.colourFactor = 0;
  setPivot(image, 1.0f, 1.0f);
  image.posX = 400.0f;
  image.posY = 300.0f;
  image.scaleX = image.scaleY = 1.0f;
  image.rotX = image.rotY = image.rotZ = 0;
  applyAlphaToVertices(image);
}

void copyProperties(TextureImage& to, const TextureImage& from) {
  copyDrawing(to, from);
  if (to.pivotX != from.pivotX || to.pivotY != from.pivotY) setPivot(to, from.pivotX, from.pivotY);
  const std::uint32_t colour = from.tileCount > 0 ? from.vertices[0][0].diffuse : 0xFFFFFFFF;
  for (int t = 0; t < to.tileCount && t < kMaxTiles; ++t)
    for (TextureVertex& v : to.vertices[t]) v.diffuse = colour;
}

void settleStagedPicture(SpriteSlot& slot) {
  if (!(slot.flags & kStagedPicture)) return;
  TextureImage* shown = slot.shown();
  const TextureImage* staged = slot.staged();
  if (shown && staged) {
    const std::uint32_t layer = shown->layer;
    copyProperties(*shown, *staged);
    shown->layer = layer;
  }
}

void stageMadePicture(int n, TextureHolder&& holder, std::string_view name, std::uint32_t layer) {
  SpriteSlot& slot = table.slots[n];
  TextureImage& picture = *holder;
  TextureImage* shown = slot.shown();
  if (shown) {
    copyProperties(picture, *shown);
    picture.layer = layer;
    slot.stagedHolder() = std::move(holder);
  } else {
    // First picture of the slot: defaults, and a texture-less twin as the shown record.
    setDefaultProperties(picture, layer);
    auto twin = std::make_unique<TextureImage>();
    copyRecord(*twin, picture);
    slot.stagedHolder() = std::move(holder);
    slot.shownHolder() = std::move(twin);
    table.drawSet.insert(n);
  }
  slot.flags |= kStagedPicture;
  slot.name.assign(name.substr(0, kSpriteNameLimit));
}

void registerInDrawSet(int n) { table.drawSet.insert(n); }

void clearSpriteSlot(int n) {
  SpriteSlot& slot = table.slots[n];
  releaseTextureImage(slot.images[0]);
  releaseTextureImage(slot.images[1]);
  dropAnimationQueue(n);
  slot = SpriteSlot{};
  table.drawSet.erase(n);
}

void commitSprites() {
  // Slots can leave the set while it is walked: walk a copy.
  const std::vector<int> order(table.drawSet.begin(), table.drawSet.end());
  for (int n : order) {
    SpriteSlot& slot = table.slots[n];
    if (slot.flags == 0) continue;
    if (slot.flags & kClearAtCommit) {
      clearSpriteSlot(n);
      continue;
    }
    if (slot.flags & kDirectMode) continue;  // the stand picture's fade track settles it
    TextureImage* shown = slot.shown();
    TextureImage* staged = slot.staged();
    if (shown && staged) {
      const bool shownTextures = hasPicture(shown), stagedTextures = hasPicture(staged);
      if (shownTextures && stagedTextures) {
        swapInStaged(slot);
      } else if (slot.flags == kStagedProperties) {
        copyRecord(*shown, *staged);
      } else if (stagedTextures) {
        swapInStaged(slot);
      } else {
        copyRecord(*staged, *shown);
        slot.frontIndex ^= 1;
      }
    }
    slot.flags = 0;
  }
  resetTransitionGradation();
}

TextSpriteSettings& textSpriteSettings() { return table.textSprites; }

void resetSprites() {
  for (int n = 0; n < kSpriteSlots; ++n) clearSpriteSlot(n);
  table.drawSet.clear();
  setMotionBlur(false, 0);
  animationTemplate() = AnimationStep{};
  textSpriteSettings() = TextSpriteSettings{};
}

void releaseSprites() {
  for (int n : std::vector<int>(table.drawSet.begin(), table.drawSet.end())) clearSpriteSlot(n);
  for (SpriteSlot& slot : table.slots) {
    releaseTextureImage(slot.images[0]);
    releaseTextureImage(slot.images[1]);
  }
}

}  // namespace graphics
