// Resizing a picture in place: a box smoothing as wide as the reduction, then bilinear
// sampling at 1/8-pixel precision. Screen captures of another size go through it.
#pragma once
#include "image/pixel_image.h"

namespace image {

// Without `absolute`, width and height are percentages of the present size. A null picture
// prints "-RES: 画像データを読み込めませんでした", a new size of 0 (or one too large to
// hold) "-RES: リサイズ値が不正です"; the picture is then left as it was. The result has
// bits 32. False when nothing was done.
bool resize(PixelImage* img, int width, int height, bool absolute);

}  // namespace image
