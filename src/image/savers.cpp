#include "image/savers.h"

#include <cstdio>
#include <string>

#include "image/codecs.h"
#include "platform/cp932.h"
#include "platform/paths.h"

namespace image {
namespace {

void printSaveMessage(std::string_view prefix, std::string_view path, std::string_view utf8Message) {
  std::string text(prefix);
  text += ": \"";
  text += path;
  text += "\" ";
  text += platform::jp(utf8Message);
  text += '\n';
  printImageMessage(text);
}

bool writeFile(std::string_view path, const std::string& bytes) {
  // A picture named relative to the game folder goes where the game's files may be written.
  return !path.empty() && platform::writeFileAtomically(platform::writableGamePath(path), bytes);
}

// The part every writer shares once it knows its bytes.
bool finish(std::string_view prefix, std::string_view path, bool encoded, const std::string& bytes,
            const std::string& why, bool reportMemory) {
  if (!encoded) {
    printSaveMessage(prefix, path,
                     reportMemory && why == kOutOfMemory ? "メモリを確保出来ませんでした" : "画像を保存出来ませんでした");
    return false;
  }
  if (!writeFile(path, bytes)) {
    printSaveMessage(prefix, path, "画像を保存出来ませんでした");
    return false;
  }
  return true;
}

bool havePicture(std::string_view prefix, std::string_view path, const PixelImage* img) {
  if (img && holdsPixels(*img)) return true;
  printSaveMessage(prefix, path, "画像データを読み込めませんでした");
  return false;
}

}  // namespace

void printImageMessage(std::string_view textCp932) {
  std::fputs(platform::cp932ToUtf8(textCp932).c_str(), stdout);
  std::fflush(stdout);
}

bool saveBmp(std::string_view path, const PixelImage* img, int depth, int, int) {
  if (!havePicture("BMP", path, img)) return false;
  std::string bytes, why;
  const bool encoded = encodeBmp(*img, depth == 0 ? img->bits : depth, bytes, why);
  return finish("BMP", path, encoded, bytes, why, false);
}

bool savePng(std::string_view path, const PixelImage* img, int depth, int level, int option) {
  if (!havePicture("PNG", path, img)) return false;
  std::string bytes, why;
  const bool encoded = encodePng(*img, depth == 0 ? img->bits : depth, level, option != 0, bytes, why);
  return finish("PNG", path, encoded, bytes, why, false);
}

bool saveJpeg(std::string_view path, const PixelImage* img, int depth, int level, int option) {
  if (!havePicture("JPEG", path, img)) return false;
  if (depth == 0) depth = img->bits;
  if (depth == 24) depth = 32;  // B, G, R read from 4-byte pixels, the fourth byte skipped
  std::string bytes, why;
  const bool encoded = encodeJpeg(*img, depth, level, option, bytes, why);
  return finish("JPEG", path, encoded, bytes, why, true);
}

}  // namespace image
