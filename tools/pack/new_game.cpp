#include "new_game.h"

#include <cstdio>
#include <string>
#include <string_view>

#include "image/pixel_image.h"
#include "image/savers.h"
#include "platform/cp932.h"
#include "platform/paths.h"

namespace pack {

extern const unsigned char kTemplateScript[];
extern const std::size_t kTemplateScriptSize;
extern const unsigned char kTemplateSound[];
extern const std::size_t kTemplateSoundSize;

namespace fs = std::filesystem;
namespace {

// The background: an evening sky from deep blue at the top to a warm glow at the bottom.
image::PixelImage skyPicture() {
  image::PixelImage img;
  img.width = 800;
  img.height = 600;
  img.pixels.resize(800u * 600u * 4u);
  for (int y = 0; y < img.height; ++y) {
    int t = y * 255 / (img.height - 1);
    std::uint8_t r = static_cast<std::uint8_t>(30 + t * 170 / 255);
    std::uint8_t g = static_cast<std::uint8_t>(40 + t * 80 / 255);
    std::uint8_t b = static_cast<std::uint8_t>(110 - t * 40 / 255);
    std::uint8_t* row = img.row(y);
    for (int x = 0; x < img.width; ++x) {
      row[x * 4 + 0] = b;
      row[x * 4 + 1] = g;
      row[x * 4 + 2] = r;
      row[x * 4 + 3] = 255;
    }
  }
  return img;
}

// The message window: a dark, half-transparent panel with a light rim, 768 x 164 pixels.
image::PixelImage windowPicture() {
  image::PixelImage img;
  img.width = 768;
  img.height = 164;
  img.bits = 32;
  img.pixels.resize(768u * 164u * 4u);
  for (int y = 0; y < img.height; ++y) {
    std::uint8_t* row = img.row(y);
    for (int x = 0; x < img.width; ++x) {
      bool rim = x < 2 || y < 2 || x >= img.width - 2 || y >= img.height - 2;
      row[x * 4 + 0] = rim ? 230 : 60;
      row[x * 4 + 1] = rim ? 210 : 28;
      row[x * 4 + 2] = rim ? 200 : 20;
      row[x * 4 + 3] = rim ? 220 : 170;
    }
  }
  return img;
}

bool writePicture(const fs::path& path, const image::PixelImage& img) {
  std::error_code ec;
  std::string scriptPath = platform::utf8ToCp932(fs::absolute(path, ec).string());
  return image::savePng(scriptPath, &img, 0, 9, 0);
}

bool writeBytes(const fs::path& path, std::string_view bytes) {
  std::error_code ec;
  fs::create_directories(path.parent_path(), ec);
  if (platform::writeFileAtomically(path, bytes)) return true;
  std::fprintf(stderr, "utsushi-pack: cannot write %s\n", path.string().c_str());
  return false;
}

}  // namespace

int newGame(const fs::path& dir) {
  std::error_code ec;
  if (fs::exists(dir, ec) && !(fs::is_directory(dir, ec) && fs::is_empty(dir, ec))) {
    std::fprintf(stderr, "utsushi-pack: %s already exists and is not an empty folder\n", dir.string().c_str());
    return 1;
  }
  std::string_view scriptUtf8(reinterpret_cast<const char*>(kTemplateScript), kTemplateScriptSize);
  std::string_view sound(reinterpret_cast<const char*>(kTemplateSound), kTemplateSoundSize);
  if (!writeBytes(dir / "script" / "0.txt", platform::utf8ToCp932(scriptUtf8))) return 1;
  if (!writeBytes(dir / "se" / "chime.ogg", sound)) return 1;
  fs::create_directories(dir / "pic", ec);
  if (!writePicture(dir / "pic" / "bg.png", skyPicture()) || !writePicture(dir / "pic" / "window.png", windowPicture()))
    return 1;
  std::printf("made a new game in %s\n  play it:  utsushi %s\n  check it: utsushi --check %s\n",
              dir.string().c_str(), dir.string().c_str(), dir.string().c_str());
  return 0;
}

}  // namespace pack
