// The seven picture filters a sprite slot can switch on, applied in place in this order by
// the filter chain: negative, grey, brightness/contrast, colour curves, hue/saturation/
// lightness, box blur, mosaic. Integer arithmetic unless a curve needs a power. Pure
// functions over PixelImage; any thread may run them on a picture of its own.
#pragma once
#include <cstdint>

#include "image/pixel_image.h"

namespace image {

// The nineteen filter values of a sprite slot, in the order saves write them.
struct FilterSettings {
  std::int32_t reverse = 0, grey = 0;
  std::int32_t bcOn = 0, brightness = 0, contrast = 0;
  std::int32_t colourOn = 0, redCyan = 0, greenMagenta = 0, blueYellow = 0;
  std::int32_t hslOn = 0, hue = 0, saturation = 0, lightness = 0;  // saturation x 256/100, lightness x 255/100
  std::int32_t blurOn = 0, blurX = 0, blurY = 0;
  std::int32_t mosaicOn = 0, mosaicX = 0, mosaicY = 0;
};

// Every filter returns false, after printing "-FLT: 画像データを読み込めませんでした", when
// the picture is null or holds no whole buffer; alpha is never changed except by the
// blur and the mosaic.

// B, G, R inverted.
bool filterNegative(PixelImage* img);
// B = G = R = the grey value of the grey tables (weights truncated, not rounded).
bool filterGrey(PixelImage* img);
// v -> clamp(trunc((contrast + 100) x (v - 128) / 100) + brightness + 128, 0, 255).
bool filterBrightnessContrast(PixelImage* img, int brightness, int contrast);
// Per channel v -> trunc(255 x (v/255)^e), e = 0.5^(percent/100): positive lightens.
bool filterColour(PixelImage* img, int red, int green, int blue);
// Integer hue/saturation/lightness: hue in degrees, saturation -256..256, lightness -255..255.
bool filterHsl(PixelImage* img, int hue, int saturation, int lightness);
// Each pixel the rounded average of the (2x + 1) x (2y + 1) window around it, cut at the
// edges; colours weighted by alpha for 32-bit pictures. Cost independent of the radii.
bool filterBlur(PixelImage* img, int x, int y);
// w x h blocks from the top-left corner, each filled with its average pixel.
bool filterMosaic(PixelImage* img, int w, int h);

// The blur's code paths by window size: fewer than 256 pixels (16-bit column sums, single
// precision), fewer than 2^23 (32-bit sums, double precision), more (64-bit sums). All give
// the same result; tests run one window on every path. A path too narrow for the window
// is replaced by the window's own.
enum class BlurPath { Small, Large, Huge };
void blurWithPath(PixelImage& img, int x, int y, BlurPath path);

// The check every filter starts with (the message above); shared by the filter files.
bool isFilterTarget(PixelImage* img);

// The switched-on filters in the chain's order.
void applyFilters(PixelImage& img, const FilterSettings& filters);

}  // namespace image
