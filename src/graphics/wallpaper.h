// The picture shown around the stage in full screen (fit modes "no enlargement" and
// "fill the edges").
#pragma once
#include <string>

namespace graphics {

void drawWallpaper(const std::string& name);

}  // namespace graphics
