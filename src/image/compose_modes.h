// Drawing one picture onto another: an overlay given with sp2, a difference picture onto its
// base, a stand picture onto its canvas. 26 modes: copies (0-4, 25), normal blending (5) and
// the layer blends of paint programs (6-24), all in integer arithmetic through the blend
// tables. Pure functions over PixelImage; messages go to standard output.
#pragma once
#include "image/pixel_image.h"

namespace image {

constexpr int kComposeModes = 26;
constexpr int kFullOpacity = 256;

// Draws `overlay` into `base` with its top-left corner at (x, y), clipped to the base; a
// negative corner cuts the overlay's left or top part.
//   0, 3 copy (alpha too); 1 copy where the overlay's alpha is not 0; 2 XOR; 4, 25 copy with
//   alpha 255; 5 normal alpha blending; 6, 14 add; 7 subtract; 8 multiply; 9 screen;
//   10 lighten; 11 darken; 12 difference; 13 exclusion; 15 colour dodge; 16 linear burn;
//   17 colour burn; 18 overlay; 19 hard light; 20 soft light; 21 vivid light;
//   22 linear light; 23 pin light; 24 hard mix.
// `opacity` below 256 scales the overlay's alpha of the blending modes (5-24).
// Prints "-CMP:" (modes 0-3) or "-BLD:" messages for a missing picture, a corner beyond the
// base or a mode outside 0..25, and then leaves the base as it was. False when nothing was
// drawn for one of those reasons.
bool compose(PixelImage& base, const PixelImage& overlay, int x, int y, int mode, int opacity = kFullOpacity);

}  // namespace image
