// The one way pictures enter the engine: a resource name (archive first, then the disk) to a
// decoded PixelImage, the format recognised by the file's first two bytes.
// Main thread; errors go to the script error report of the running command.
#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "image/pixel_image.h"

namespace image {

enum class ResourceStatus { Ok, Missing, NoMemory, Failed, TooLarge };

// The whole resource: the archive entry when arc.dat lists the name, else the loose file.
ResourceStatus readResourceFile(std::string_view path, std::string& data);

enum class ImageFormat { Unknown, Bmp, Png, Jpeg };

// "BM" is BMP, 0x89 'P' is PNG, 0xFF 0xD8 is JPEG; anything else is no picture.
ImageFormat detectFormat(std::span<const std::uint8_t> data);

// Detection and decoding without reporting: nothing and a reason for unknown or damaged data.
std::optional<PixelImage> decodeImage(std::span<const std::uint8_t> data, std::string& why);

// Reads and decodes `path` (CP932, already normalised by the caller). On failure reports
// "<path> が存在しません", "メモリを確保出来ませんでした" or "<path> を読み込めませんでした"
// and returns nothing.
std::optional<PixelImage> loadImage(std::string_view path);

}  // namespace image
