// Alpha from a grey mask: a picture's alpha taken from the blue channel of another picture
// of its size, or from the right half of a picture that carries its own mask beside it.
// Messages go to standard output with the "-M2A:" prefix.
#pragma once
#include <optional>

#include "image/pixel_image.h"

namespace image {

// Every alpha of `img` becomes the blue byte of the mask's pixel, inverted when `invert`.
// False, with a message, when a picture is missing or the sizes differ.
bool maskFromImage(PixelImage* img, const PixelImage* mask, bool invert);

// A picture of half the width: the left half's colours with the alpha taken from the blue
// byte half a row to the right (inverted when `invert`). Nothing, with a message, when the
// picture is missing, narrower than 2 pixels or the memory cannot be had.
std::optional<PixelImage> maskFromRightHalf(const PixelImage* img, bool invert);

}  // namespace image
