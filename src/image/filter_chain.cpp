#include "image/filter_chain.h"

#include "core/archive.h"
#include "core/error_report.h"
#include "image/compose_modes.h"
#include "image/image_loader.h"
#include "platform/cp932.h"

namespace image {

std::string folderOf(std::string_view path) {
  std::size_t end = 0;
  for (std::size_t i = 0; i < path.size(); ++i) {
    const auto c = static_cast<unsigned char>(path[i]);
    if (platform::isLeadByte(c)) {
      ++i;  // the trail byte goes with it
      continue;
    }
    if (c == '/' || c == '\\') end = i + 1;
  }
  return std::string(path.substr(0, end));
}

std::optional<PixelImage> loadFiltered(std::string_view path, const FilterSettings& filters, const OverlaySpec& overlay) {
  std::optional<PixelImage> picture = loadImage(path);
  if (!picture) return std::nullopt;
  if (!overlay.path.empty()) {
    std::optional<PixelImage> top = loadImage(core::normalizeResourceName(overlay.path));
    if (!top) return std::nullopt;
    compose(*picture, *top, overlay.x, overlay.y, overlay.mode);
  } else if (!picture->baseName.empty()) {
    std::optional<PixelImage> base = loadImage(folderOf(path) + picture->baseName);
    if (!base) return std::nullopt;
    compose(*base, *picture, picture->left, picture->top, picture->mode);
    picture = std::move(base);
  }
  applyFilters(*picture, filters);
  return picture;
}

std::optional<PixelImage> loadCanvas(std::string_view path, const FilterSettings& filters, int width, int height) {
  std::optional<PixelImage> picture = loadFiltered(path, filters);
  if (!picture) return std::nullopt;
  std::optional<PixelImage> canvas = createImage(width, height, 32);
  if (!canvas) {
    core::reportCommandError(platform::jp("メモリを確保出来ませんでした"));
    return std::nullopt;
  }
  compose(*canvas, *picture, (width - picture->width) >> 1, height - picture->height, 0);
  return canvas;
}

}  // namespace image
