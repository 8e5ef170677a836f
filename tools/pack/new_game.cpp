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
  image::PixelImage sky = skyPicture();
  std::string picture = platform::utf8ToCp932(fs::absolute(dir / "pic" / "bg.png", ec).string());
  if (!image::savePng(picture, &sky, 24, 9, 0)) return 1;
  std::printf("made a new game in %s\n  play it:  utsushi %s\n  check it: utsushi --check %s\n",
              dir.string().c_str(), dir.string().c_str(), dir.string().c_str());
  return 0;
}

}  // namespace pack
