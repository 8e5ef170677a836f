// The way a picture file becomes a sprite's picture: load it, compose it with an overlay
// file or onto the base picture a difference picture names, then run the slot's filters.
// Sprite loading (sp, sp2, sp.st) and save-game loading all come through here. Main thread;
// load failures are reported to the script, filter and composition problems printed.
#pragma once
#include <optional>
#include <string>
#include <string_view>

#include "image/filters.h"
#include "image/pixel_image.h"

namespace image {

// What goes onto the loaded picture before the filters: nothing (empty path), or the file
// `path` drawn at (x, y) with compose `mode`.
struct OverlaySpec {
  std::string_view path;
  int x = 0, y = 0, mode = 0;
};

// The folder part of a resource name: up to and including the last "/" or "\" (a byte 0x5C
// that is the second half of a two-byte character is no separator); empty when none.
std::string folderOf(std::string_view path);

// Loads `path`; composes the overlay onto it, or, when the picture names a base picture
// (PNG text "Name"), composes the picture onto "<folder of path><Name>" with its own Left,
// Top and Mode and goes on with the base; then applies the switched-on filters. Nothing
// (after the load error has been reported) when a picture cannot be loaded.
std::optional<PixelImage> loadFiltered(std::string_view path, const FilterSettings& filters,
                                       const OverlaySpec& overlay = {});

// A stand picture's canvas: the filtered picture on a transparent width x height picture,
// centred across ((width - picture width) >> 1) and standing on the bottom edge, mode 0.
// Nothing when the picture cannot be loaded or the canvas not made (both reported).
std::optional<PixelImage> loadCanvas(std::string_view path, const FilterSettings& filters, int width, int height);

}  // namespace image
