// Damage between two recorded frames (see frame_damage.h). Pure bookkeeping: no GL.
#include "graphics/frame_damage.h"

#include <algorithm>
#include <cmath>

#include "graphics/camera.h"
#include "platform/window.h"

namespace graphics {
namespace {

constexpr SurfaceRect kStage{0, 0, platform::kStageWidth, platform::kStageHeight};
// More separate rectangles than this are drawn as the one around them all: every
// rectangle is a pass over every picture.
constexpr std::size_t kMostAreas = 4;

bool isStage(const SurfaceRect& r) {
  return r.left <= 0 && r.top <= 0 && r.right >= kStage.right && r.bottom >= kStage.bottom;
}
bool isEmpty(const SurfaceRect& r) { return r.left >= r.right || r.top >= r.bottom; }

SurfaceRect around(const SurfaceRect& a, const SurfaceRect& b) {
  return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right), std::max(a.bottom, b.bottom)};
}
bool touch(const SurfaceRect& a, const SurfaceRect& b) {
  return a.left <= b.right && b.left <= a.right && a.top <= b.bottom && b.top <= a.bottom;
}

bool samePicture(const DrawnPicture& a, const DrawnPicture& b) {
  const auto sameVertex = [](const TextureVertex& p, const TextureVertex& q) {
    return p.x == q.x && p.y == q.y && p.z == q.z && p.diffuse == q.diffuse && p.u == q.u && p.v == q.v &&
           p.u2 == q.u2 && p.v2 == q.v2;
  };
  if (a.tileCount != b.tileCount || a.width != b.width || a.height != b.height || a.texWidth != b.texWidth ||
      a.texHeight != b.texHeight || a.tileSpanWidth != b.tileSpanWidth || a.tileSpanHeight != b.tileSpanHeight ||
      a.layer != b.layer || a.blendMode != b.blendMode || a.colourOp != b.colourOp ||
      a.colourFactor != b.colourFactor || a.alpha != b.alpha || a.posX != b.posX || a.posY != b.posY ||
      a.scaleX != b.scaleX || a.scaleY != b.scaleY || a.rotX != b.rotX || a.rotY != b.rotY || a.rotZ != b.rotZ ||
      a.pivotX != b.pivotX || a.pivotY != b.pivotY || a.opaque != b.opaque)
    return false;
  for (int t = 0; t < a.tileCount && t < kMaxTiles; ++t) {
    const auto i = static_cast<std::size_t>(t);
    if (a.tiles[i] != b.tiles[i] || a.tileTexWidth[i] != b.tileTexWidth[i] || a.tileTexHeight[i] != b.tileTexHeight[i])
      return false;
    for (std::size_t c = 0; c < 4; ++c)
      if (!sameVertex(a.vertices[i][c], b.vertices[i][c])) return false;
  }
  return true;
}

bool drawsFrom(const DrawnPicture& p, const std::vector<TextureHandle>& changed) {
  for (int t = 0; t < p.tileCount && t < kMaxTiles; ++t)
    if (std::find(changed.begin(), changed.end(), p.tiles[static_cast<std::size_t>(t)]) != changed.end()) return true;
  return false;
}

// Overlapping or touching rectangles become the one around them, until none touch.
void mergeAreas(std::vector<SurfaceRect>& areas) {
  for (bool merged = true; merged;) {
    merged = false;
    for (std::size_t i = 0; i < areas.size() && !merged; ++i)
      for (std::size_t j = i + 1; j < areas.size(); ++j)
        if (touch(areas[i], areas[j])) {
          areas[i] = around(areas[i], areas[j]);
          areas.erase(areas.begin() + static_cast<std::ptrdiff_t>(j));
          merged = true;
          break;
        }
  }
  if (areas.size() > kMostAreas) {
    SurfaceRect all = areas.front();
    for (const SurfaceRect& r : areas) all = around(all, r);
    areas.assign(1, all);
  }
}

}  // namespace

SurfaceRect pictureArea(const TextureImage& textures, const TextureImage& props) {
  if (props.rotX != 0 || props.rotY != 0) return kStage;
  const std::array<float, 16> transform = pictureTransform(textures, props);
  float left = 1e9f, top = 1e9f, right = -1e9f, bottom = -1e9f;
  const int tiles = std::min({textures.tileCount, props.tileCount, kMaxTiles});
  for (int t = 0; t < tiles; ++t)
    for (const TextureVertex& v : props.vertices[static_cast<std::size_t>(t)]) {
      if (v.z != 0) return kStage;
      float x = 0, y = 0;
      projectToStage(transform, v.x, v.y, x, y);
      if (!(std::fabs(x) < 1e6f && std::fabs(y) < 1e6f)) return kStage;  // also NaN
      left = std::min(left, x), right = std::max(right, x);
      top = std::min(top, y), bottom = std::max(bottom, y);
    }
  if (left > right) return {};
  const SurfaceRect r{std::max(static_cast<int>(std::floor(left)) - 1, 0), std::max(static_cast<int>(std::floor(top)) - 1, 0),
                      std::min(static_cast<int>(std::ceil(right)) + 1, kStage.right),
                      std::min(static_cast<int>(std::ceil(bottom)) + 1, kStage.bottom)};
  return isEmpty(r) ? SurfaceRect{} : r;
}

void recordPicture(SceneRecord& scene, int n, const TextureImage& textures, const TextureImage& props) {
  DrawnPicture& p = scene.pictures.emplace_back();
  p.slot = n;
  p.tileCount = std::min({textures.tileCount, props.tileCount, kMaxTiles});
  p.width = textures.width, p.height = textures.height;
  p.texWidth = textures.texWidth, p.texHeight = textures.texHeight;
  p.tileSpanWidth = textures.tileSpanWidth, p.tileSpanHeight = textures.tileSpanHeight;
  for (int t = 0; t < p.tileCount; ++t) {
    const auto i = static_cast<std::size_t>(t);
    p.tiles[i] = textures.tiles[i];
    p.tileTexWidth[i] = textures.tileTexWidth[i], p.tileTexHeight[i] = textures.tileTexHeight[i];
    p.vertices[i] = props.vertices[i];
  }
  p.layer = props.layer, p.blendMode = props.blendMode, p.colourOp = props.colourOp;
  p.colourFactor = props.colourFactor, p.alpha = props.alpha;
  p.posX = props.posX, p.posY = props.posY, p.scaleX = props.scaleX, p.scaleY = props.scaleY;
  p.rotX = props.rotX, p.rotY = props.rotY, p.rotZ = props.rotZ, p.pivotX = props.pivotX, p.pivotY = props.pivotY;
  p.opaque = props.opaque && textures.opaque;
  p.area = pictureArea(textures, props);
}

bool stageDamage(const SceneRecord& before, const SceneRecord& now, const std::vector<TextureHandle>& changed,
                 bool changedOverflow, std::vector<SurfaceRect>& areas) {
  areas.clear();
  if (!before.valid || !now.valid || changedOverflow || !before.messageKnown || !now.messageKnown ||
      before.messageShown != now.messageShown || before.messageRevision != now.messageRevision)
    return false;
  const auto add = [&areas](const SurfaceRect& r) {
    if (!isEmpty(r)) areas.push_back(r);
    return !isStage(r);
  };
  // Both lists run in drawing order, which is slot order.
  std::size_t i = 0, j = 0;
  while (i < before.pictures.size() || j < now.pictures.size()) {
    const DrawnPicture* old = i < before.pictures.size() ? &before.pictures[i] : nullptr;
    const DrawnPicture* fresh = j < now.pictures.size() ? &now.pictures[j] : nullptr;
    if (old && (!fresh || old->slot < fresh->slot)) {
      if (!add(old->area)) return false;
      ++i;
    } else if (fresh && (!old || fresh->slot < old->slot)) {
      if (!add(fresh->area)) return false;
      ++j;
    } else {
      if (!samePicture(*old, *fresh) || drawsFrom(*old, changed) || drawsFrom(*fresh, changed)) {
        if (!add(old->area) || !add(fresh->area)) return false;
      }
      ++i, ++j;
    }
  }
  mergeAreas(areas);
  return true;
}

}  // namespace graphics
