// The TextureImage record: how a picture is cut into tiles, how big each tile's texture is,
// where its quad lies in model space, and the record's life (load, refresh, blank, release).
// GL-free: the textures themselves are made by the device's GL files. Main thread only.
//
// Model space: one tile quad spans 2 units, which stand for tileSpanWidth x tileSpanHeight
// pixels, y grows upward, and the pivot (0 edge, 1 centre, 2 far edge) lands on the origin.
// Worked example: a 2000 x 1000 picture with tile maximum 1024 gives 2 x 1 tiles; the second
// covers 976 pixels in a 1024 texture, fx = 2 x 976 / 1024 = 1.90625, so with the pivot at
// the centre the picture spans -1.953125 .. 1.953125 across and the second quad ends at
// 2.046875 (its texture is wider than the part of the picture it covers).
#include <algorithm>
#include <cassert>
#include <cstring>
#include <memory>
#include <new>

#include "core/error_report.h"
#include "core/internal_limits.h"
#include "graphics/device_internal.h"

namespace graphics {
namespace detail {
namespace {

constexpr int kNoDeviceTileMaximum = 16384;  // what current GL devices (llvmpipe too) allow, for runs without video

int evenUp(int v) { return v + (v & 1); }

void setQuad(TextureImage& r, int tile, float left, float top, float width, float height) {
  auto& q = r.vertices[tile];
  const float right = left + width, bottom = top - height;
  q[0] = {left, top, 0, 0xFFFFFFFF, 0, 0, 0, 0};
  q[1] = {left, bottom, 0, 0xFFFFFFFF, 0, 1, 0, 1};
  q[2] = {right, top, 0, 0xFFFFFFFF, 1, 0, 1, 0};
  q[3] = {right, bottom, 0, 0xFFFFFFFF, 1, 1, 1, 1};
}

void squareUp(int& w, int& h) {
  if (w != h) w = h = std::max(w, h);
}

}  // namespace

int nextPowerOfTwo(int v) {
  int p = 1;
  while (p < v && p < (1 << 30)) p <<= 1;
  return p;
}

TileLimits currentTileLimits() {
  const DeviceSettings& s = deviceSettings();
  TileLimits t;
  // A tile maximum below 1 would divide by zero: only a positive setting replaces the
  // device's own limit.
  int deviceMax = deviceAlive() ? deviceMaxTextureSize() : kNoDeviceTileMaximum;
  if (core::kTileSideCap > 0) deviceMax = std::min(deviceMax, core::kTileSideCap);
  t.maxWidth = t.maxHeight = s.maxTextureSize > 0 ? s.maxTextureSize : deviceMax;
  // OpenGL 3.3 takes any texture size, so only the settings ask for these rules.
  t.pow2 = s.fixationTexturePow2 != 0;
  t.square = s.fixationTextureSquare != 0;
  return t;
}

void countTiles(int width, int height, const TileLimits& limits, std::int64_t& across, std::int64_t& down) {
  across = (static_cast<std::int64_t>(width) + limits.maxWidth - 1) / limits.maxWidth;
  down = (static_cast<std::int64_t>(height) + limits.maxHeight - 1) / limits.maxHeight;
}

void layoutPicture(TextureImage& r, int width, int height, const TileLimits& limits) {
  std::int64_t across64, down64;
  countTiles(width, height, limits, across64, down64);
  const int across = static_cast<int>(across64), down = static_cast<int>(down64);
  r.width = width;
  r.height = height;
  r.tilesAcross = across;
  r.tilesDown = down;
  r.tileCount = across * down;
  assert(r.tileCount >= 1 && r.tileCount <= kMaxTiles &&
         "loadTexture refuses a picture that needs more tiles than the record's fixed arrays hold");

  if (r.tileCount == 1) {
    const int evenW = evenUp(width), evenH = evenUp(height);
    int tw = evenW, th = evenH;
    if (limits.pow2) {
      tw = nextPowerOfTwo(tw);
      th = nextPowerOfTwo(th);
    }
    if (limits.square) squareUp(tw, th);
    r.texWidth = r.tileTexWidth[0] = tw;
    r.texHeight = r.tileTexHeight[0] = th;
    r.tileSpanWidth = tw;
    r.tileSpanHeight = th;
    const float rw = static_cast<float>(evenW) / tw, rh = static_cast<float>(evenH) / th;
    setQuad(r, 0, -(rw * r.pivotX), rh * r.pivotY, 2, 2);
    return;
  }

  const int TW = limits.maxWidth, TH = limits.maxHeight;
  const float fx = 2.0f * static_cast<float>(width % TW) / TW;
  const float fy = 2.0f * static_cast<float>(height % TH) / TH;
  const float ox = (fx == 0 ? across : across - 1 + fx / 2) * r.pivotX;
  const float oy = (fy == 0 ? down : down - 1 + fy / 2) * r.pivotY;
  r.tileSpanWidth = TW;
  r.tileSpanHeight = TH;
  for (int i = 0; i < down; ++i) {
    for (int j = 0; j < across; ++j) {
      const int t = i * across + j;
      const TileRect rect = tileRect(r, t);
      // Tiles always get power-of-two sides, whatever the setting says.
      int tw = nextPowerOfTwo(rect.width), th = nextPowerOfTwo(rect.height);
      if (limits.square) squareUp(tw, th);
      r.tileTexWidth[t] = tw;
      r.tileTexHeight[t] = th;
      // A quad spans its whole texture at 2 units per tile maximum, so a texel stays one
      // pixel wide even where the texture is larger than the part of the picture it holds.
      setQuad(r, t, 2.0f * j - ox, oy - 2.0f * i, 2.0f * tw / TW, 2.0f * th / TH);
    }
  }
  r.texWidth = r.tileTexWidth[0];
  r.texHeight = r.tileTexHeight[0];
}

void layoutBlank(TextureImage& r, int width, int height, bool pow2, bool square) {
  r.width = width;
  r.height = height;
  r.tilesAcross = r.tilesDown = r.tileCount = 1;
  int tw = width, th = height;
  if (pow2) {
    tw = nextPowerOfTwo(tw);
    th = nextPowerOfTwo(th);
  }
  if (square) squareUp(tw, th);
  r.texWidth = r.tileTexWidth[0] = r.tileSpanWidth = tw;
  r.texHeight = r.tileTexHeight[0] = r.tileSpanHeight = th;
  const float rw = static_cast<float>(width) / tw, rh = static_cast<float>(height) / th;
  setQuad(r, 0, -(rw * r.pivotX), rh * r.pivotY, 2, 2);
}

TileRect tileRect(const TextureImage& r, int tile) {
  if (r.tileCount <= 1) return {0, 0, r.width, r.height};
  const int i = tile / r.tilesAcross, j = tile % r.tilesAcross;
  TileRect rect;
  rect.x = j * r.tileSpanWidth;
  rect.y = i * r.tileSpanHeight;
  rect.width = std::min(r.tileSpanWidth, r.width - rect.x);
  rect.height = std::min(r.tileSpanHeight, r.height - rect.y);
  return rect;
}

}  // namespace detail

using namespace detail;

TextureImage::~TextureImage() {
  for (TextureHandle& t : tiles) deleteTexture(t);
}

void releaseTextures(TextureImage& image) {
  for (TextureHandle& t : image.tiles) deleteTexture(t);
  std::vector<std::uint8_t>().swap(image.pixels);
}

void releaseTextureImage(TextureHolder& holder) { holder.reset(); }

void setPivot(TextureImage& r, float pivotX, float pivotY) {
  if (r.tileCount > 0 && r.tileSpanWidth > 0 && r.tileSpanHeight > 0) {
    // Half the picture's model extent: the layout put its top-left corner at -half x pivot,
    // which gives the extent back whenever the old pivot is not an edge at 0.
    const float left = r.vertices[0][0].x, top = r.vertices[0][0].y;
    const float halfW = r.pivotX != 0 ? -left / r.pivotX : static_cast<float>(r.width) / r.tileSpanWidth;
    const float halfH = r.pivotY != 0 ? top / r.pivotY : static_cast<float>(r.height) / r.tileSpanHeight;
    const float dx = -halfW * (pivotX - r.pivotX), dy = halfH * (pivotY - r.pivotY);
    for (int t = 0; t < r.tileCount && t < kMaxTiles; ++t)
      for (TextureVertex& v : r.vertices[t]) {
        v.x += dx;
        v.y += dy;
      }
  }
  r.pivotX = pivotX;
  r.pivotY = pivotY;
}

namespace {

// Empties a record for refilling: the textures and buffer go, every field returns to zero,
// only the pivot factors survive (they were set by the script for this slot).
void refillRecord(TextureHolder& holder, bool& ok) {
  ok = true;
  float pivotX = 1, pivotY = 1;
  if (holder) {
    pivotX = holder->pivotX;
    pivotY = holder->pivotY;
    releaseTextures(*holder);
    std::destroy_at(holder.get());
    std::construct_at(holder.get());
  } else {
    holder.reset(new (std::nothrow) TextureImage);
    if (!holder) {
      core::reportCommandError("Image Create");
      ok = false;
      return;
    }
  }
  holder->pivotX = pivotX;
  holder->pivotY = pivotY;
}

bool hasLayout(const TextureImage& r) { return r.tileCount > 0 && (!deviceAlive() || r.tiles[0] != 0); }

// Frame composition draws a picture that hides the stage without blending, and may then send
// the frame straight to the window; a look at every alpha byte (a fraction of the decode)
// tells whether one does.
bool allOpaque(const std::vector<std::uint8_t>& bgra, std::size_t pixels) {
  // The AND of every B,G,R,A word holds the AND of the alpha bytes in its fourth byte; words
  // rather than bytes let the compiler take many pixels a step.
  std::uint32_t all = 0xFFFFFFFF;
  for (std::size_t i = 0; i < pixels; ++i) {
    std::uint32_t word;
    std::memcpy(&word, bgra.data() + i * 4, 4);
    all &= word;
  }
  std::uint8_t bytes[4];
  std::memcpy(bytes, &all, 4);
  return bytes[3] == 0xFF;
}

}  // namespace

bool loadTexture(TextureHolder& holder, image::PixelImage&& picture) {
  const int width = picture.width, height = picture.height;
  const bool validPicture =
      width > 0 && height > 0 &&
      picture.pixels.size() >= static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4;

  // Same size: write into the textures in place (cross-fades refresh every frame this way).
  if (validPicture && holder && holder->width == width && holder->height == height && hasLayout(*holder)) {
    TextureImage& r = *holder;
    if (deviceAlive()) {
      for (int t = 0; t < r.tileCount; ++t) {
        const TileRect rect = tileRect(r, t);
        const std::uint8_t* src = picture.pixels.data() + (static_cast<std::size_t>(rect.y) * width + rect.x) * 4;
        updateTileTexture(r.tiles[t], src, width, rect.width, rect.height);
      }
    }
    r.opaque = allOpaque(picture.pixels, static_cast<std::size_t>(width) * height);
    r.pixels = std::move(picture.pixels);
    return true;
  }

  bool ok;
  refillRecord(holder, ok);
  if (!ok) return false;
  if (!validPicture) {
    // A decoder never hands over such a picture; refuse it rather than read past the buffer.
    core::reportCommandError(failureText("CreateTexture loadTexture2 ", kD3dErrInvalidCall));
    holder.reset();
    return false;
  }

  const TileLimits limits = currentTileLimits();
  std::int64_t across, down;
  countTiles(width, height, limits, across, down);
  if (across * down > kMaxTiles) {
    core::reportCommandError("Image Size Over " + std::to_string(across) + "," + std::to_string(down));
    holder.reset();
    return false;
  }
  TextureImage& r = *holder;
  layoutPicture(r, width, height, limits);

  if (deviceAlive()) {
    const char* prefix = r.tileCount == 1 ? "CreateTexture loadTexture2 " : "CreateTexture loadTexture1 ";
    for (int t = 0; t < r.tileCount; ++t) {
      const TileRect rect = tileRect(r, t);
      const std::uint8_t* src = picture.pixels.data() + (static_cast<std::size_t>(rect.y) * width + rect.x) * 4;
      std::uint32_t code = kD3dOk;
      r.tiles[t] = createTileTexture(r.tileTexWidth[t], r.tileTexHeight[t], src, width, rect.width, rect.height, code);
      if (r.tiles[t] == 0) {
        core::reportCommandError(failureText(prefix, code));
        holder.reset();  // releases the tiles made so far
        return false;
      }
    }
  }
  r.opaque = allOpaque(picture.pixels, static_cast<std::size_t>(width) * height);
  r.pixels = std::move(picture.pixels);
  return true;
}

bool createBlankTexture(TextureHolder& holder, int width, int height, bool forcePow2) {
  bool ok;
  refillRecord(holder, ok);
  if (!ok) return false;
  if (width <= 0 || height <= 0) {
    core::reportCommandError(failureText("CreateTexture crateTexture ", kD3dErrInvalidCall));
    holder.reset();
    return false;
  }
  const TileLimits limits = currentTileLimits();
  TextureImage& r = *holder;
  layoutBlank(r, width, height, limits.pow2 || forcePow2, limits.square);
  if (deviceAlive()) {
    std::uint32_t code = kD3dOk;
    r.tiles[0] = createTileTexture(r.texWidth, r.texHeight, nullptr, 0, 0, 0, code);
    if (r.tiles[0] == 0) {
      core::reportCommandError(failureText("CreateTexture crateTexture ", code));
      holder.reset();
      return false;
    }
  }
  return true;
}

bool writeTextureTile(TextureImage& image, int tile, const std::uint8_t* bgra, int pitchBytes) {
  if (tile < 0 || tile >= image.tileCount || !bgra || pitchBytes % 4 != 0) return false;
  image.opaque = false;  // the picture is now what the program drew
  if (!deviceAlive()) return true;  // nothing to draw into; the caller's picture is all there is
  if (image.tiles[tile] == 0 || pitchBytes < image.tileTexWidth[tile] * 4) return false;
  return updateTileTexture(image.tiles[tile], bgra, pitchBytes / 4, image.tileTexWidth[tile],
                           image.tileTexHeight[tile]);
}

}  // namespace graphics
