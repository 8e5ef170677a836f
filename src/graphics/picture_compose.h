// Drawing one picture onto another when sprites are loaded: an overlay given with sp2, a
// difference picture onto its base, a stand picture onto its canvas.
#pragma once
#include "image/pixel_image.h"

namespace graphics {

// Draws `overlay` into `base` with its top-left corner at (x, y), clipped to the base.
// Modes 0 and 3 copy, 1 copies pixels whose alpha is not 0, 2 XORs, 4 and 25 copy with
// alpha 255, 5 blends by alpha; the other blending modes blend by alpha as 5 does.
// Prints the "-CMP:"/"-BLD:" message when the corner lies beyond the base.
void composePicture(image::PixelImage& base, const image::PixelImage& overlay, int x, int y, int mode);

}  // namespace graphics
