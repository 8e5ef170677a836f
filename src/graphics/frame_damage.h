// What changed on the stage between two plain frames: a record of everything that decides
// the pixels of each picture a frame draws, and the stage rectangles where two records
// differ. A frame under an opaque picture that hides the stage owes nothing to the frame
// before, so only those rectangles need drawing again; where the comparison cannot say
// (a picture turned in depth, an unknown message layer) the answer is the whole stage.
#pragma once
#include <array>
#include <cstdint>
#include <vector>

#include "graphics/device.h"

namespace graphics {

// One picture as the plain frame draws it.
struct DrawnPicture {
  int slot = 0;
  int tileCount = 0, width = 0, height = 0, texWidth = 0, texHeight = 0, tileSpanWidth = 0, tileSpanHeight = 0;
  std::array<TextureHandle, kMaxTiles> tiles{};
  std::array<int, kMaxTiles> tileTexWidth{}, tileTexHeight{};
  std::array<std::array<TextureVertex, 4>, kMaxTiles> vertices{};
  std::uint32_t layer = 0, blendMode = 0, colourOp = 0, colourFactor = 0;
  int alpha = 0;
  float posX = 0, posY = 0, scaleX = 0, scaleY = 0, rotX = 0, rotY = 0, rotZ = 0, pivotX = 0, pivotY = 0;
  bool opaque = false;
  SurfaceRect area;  // the stage pixels it may touch
};

struct SceneRecord {
  bool valid = false;  // false: nothing to compare with, the next frame is drawn whole
  std::vector<DrawnPicture> pictures;  // in drawing order
  bool messageShown = false;
  bool messageKnown = true;  // the message layer says when its drawing changes
  std::uint64_t messageRevision = 0;
};

// Appends slot n's picture (tiles of `textures`, vertices and properties of `props`).
void recordPicture(SceneRecord& scene, int n, const TextureImage& textures, const TextureImage& props);

// The stage pixels a picture may touch: its tile quads through the camera, widened by a
// pixel against rounding, clipped to the stage; the whole stage for one turned in depth.
SurfaceRect pictureArea(const TextureImage& textures, const TextureImage& props);

// Fills `areas` with the rectangles that differ between the frames `before` and `now`
// recorded, given the textures whose pixels changed in between; none when nothing did.
// False when the whole stage must be drawn.
bool stageDamage(const SceneRecord& before, const SceneRecord& now, const std::vector<TextureHandle>& changed,
                 bool changedOverflow, std::vector<SurfaceRect>& areas);

}  // namespace graphics
