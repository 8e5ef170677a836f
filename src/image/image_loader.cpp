#include "image/image_loader.h"

#include <new>

#include "core/archive.h"
#include "core/error_report.h"
#include "core/resource_limits.h"
#include "image/codecs.h"
#include "platform/cp932.h"

namespace image {

ResourceStatus readResourceFile(std::string_view path, std::string& data) {
  try {
    switch (core::readResourceFile(path, data, core::kLargestPictureFileBytes)) {
      case core::ResourceRead::Ok: return ResourceStatus::Ok;
      case core::ResourceRead::Missing: return ResourceStatus::Missing;
      case core::ResourceRead::Failed: return ResourceStatus::Failed;
      case core::ResourceRead::TooLarge: return ResourceStatus::TooLarge;
    }
  } catch (const std::bad_alloc&) {
    data.clear();
    data.shrink_to_fit();
    return ResourceStatus::NoMemory;
  }
  return ResourceStatus::Failed;
}

ImageFormat detectFormat(std::span<const std::uint8_t> data) {
  if (data.size() < 2) return ImageFormat::Unknown;
  if (data[0] == 'B' && data[1] == 'M') return ImageFormat::Bmp;
  if (data[0] == 0x89 && data[1] == 'P') return ImageFormat::Png;
  if (data[0] == 0xFF && data[1] == 0xD8) return ImageFormat::Jpeg;
  return ImageFormat::Unknown;
}

std::optional<PixelImage> decodeImage(std::span<const std::uint8_t> data, std::string& why) {
  switch (detectFormat(data)) {
    case ImageFormat::Bmp: return decodeBmp(data, why);
    case ImageFormat::Png: return decodePng(data, why);
    case ImageFormat::Jpeg: return decodeJpeg(data, why);
    case ImageFormat::Unknown: break;
  }
  why = "not a BMP, PNG or JPEG file";
  return std::nullopt;
}

std::optional<PixelImage> loadImage(std::string_view path) {
  std::string data;
  switch (readResourceFile(path, data)) {
    case ResourceStatus::Ok:
      break;
    case ResourceStatus::Missing:
      core::reportCommandError(std::string(path) + platform::jp(" が存在しません"));
      return std::nullopt;
    case ResourceStatus::NoMemory:
      core::reportCommandError(platform::jp("メモリを確保出来ませんでした"));
      return std::nullopt;
    case ResourceStatus::Failed:
      core::reportCommandError(std::string(path) + platform::jp(" を読み込めませんでした"));
      return std::nullopt;
    case ResourceStatus::TooLarge:
      core::reportCommandError(core::tooLargeMessage(path, core::kLargestPictureFileBytes));
      return std::nullopt;
  }
  std::string why;
  auto img = decodeImage({reinterpret_cast<const std::uint8_t*>(data.data()), data.size()}, why);
  if (!img && why == kPictureOverLimit) {
    core::reportCommandError(std::string(path) + platform::jp(" は大きすぎます (上限 ") +
                             std::to_string(core::kLargestPicturePixels) + platform::jp(" 画素)"));
  } else if (!img) {
    core::reportCommandError(std::string(path) + platform::jp(" を読み込めませんでした"));
  }
  return img;
}

}  // namespace image
