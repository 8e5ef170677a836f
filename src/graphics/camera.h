// The camera every picture is drawn through: a perspective view of the stage in which, at
// no rotation and scale 1, one texel covers one stage pixel and the pivot lands on
// (posX, posY); rotations about x and y tilt the picture in depth. GL-free (glm).
#pragma once
#include <array>

#include "graphics/device.h"

namespace graphics {

// World x view x projection of picture `props` drawn with the texture size of `textures`,
// column-major, to Direct3D-style clip space (y up, depth 0..1), for the 800 x 600 stage.
std::array<float, 16> pictureTransform(const TextureImage& textures, const TextureImage& props);

// Where model point (mx, my) of a picture lands on the stage (pixel edges at whole numbers).
void projectToStage(const std::array<float, 16>& transform, float mx, float my, float& x, float& y);

}  // namespace graphics
