// A picture file as a cursor: full colour with its alpha, hot spot at the top-left pixel.
#include "input/input_commands.h"

#include "image/image_loader.h"

namespace input {

std::optional<platform::CursorFrame> loadCursorPicture(const std::string& name) {
  std::optional<image::PixelImage> picture = image::loadImage(name);
  if (!picture) return std::nullopt;
  platform::CursorFrame frame;
  frame.width = picture->width;
  frame.height = picture->height;
  frame.bgra = std::move(picture->pixels);
  return frame;
}

}  // namespace input
