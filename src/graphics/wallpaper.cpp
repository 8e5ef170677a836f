// The wallpaper around the stage in the full-screen modes that do not fill the screen:
// drawn once into the screen-sized back buffer, tiled from the top-left corner. Frames then
// cover only the stage's rectangle, so the wallpaper stays around it.
#include "graphics/wallpaper.h"

#include "core/error_report.h"
#include "graphics/device.h"
#include "image/image_loader.h"
#include "platform/display_modes.h"

namespace graphics {

void drawWallpaper(const std::string& name) {
  if (!hasDevice()) return;
  std::optional<image::PixelImage> picture = image::loadImage(name);
  if (!picture || picture->width <= 0 || picture->height <= 0) return;  // the loader reported why
  TextureHolder texture;
  if (!loadTexture(texture, std::move(*picture))) return;
  texture->alpha = 255;
  texture->blendMode = 0;  // copy: the back buffer's black is replaced, not blended
  const platform::DisplayState& d = platform::displayState();
  RenderTarget previous = mainTarget();
  bindRenderTarget(RenderTarget::BackBuffer);
  setLinearFiltering(false);
  for (int y = 0; y < d.screenHeight; y += texture->height)
    for (int x = 0; x < d.screenWidth; x += texture->width) drawTextureImageAt(*texture, float(x), float(y));
  bindRenderTarget(previous);
  releaseTextureImage(texture);
}

}  // namespace graphics
