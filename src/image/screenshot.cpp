#include "image/screenshot.h"

#include <filesystem>
#include <string>

#include "core/command_support.h"
#include "core/error_report.h"
#include "core/expression.h"
#include "image/codecs.h"
#include "image/gray_tables.h"
#include "image/resize.h"
#include "image/savers.h"
#include "platform/cp932.h"
#include "platform/options.h"
#include "platform/paths.h"
#include "platform/window.h"

namespace image {
namespace {

struct ScreenshotState {
  std::optional<PixelImage> picture;  // the last capture; lives until the next one
} state;

enum SaveFormat { kBmp = 0, kPng = 1, kJpeg = 2 };

// The stage is opaque; whatever the device left in the fourth byte of its frame is not a
// transparency, and a resized capture (bits 32) saved with its own depth must not carry one.
void makeOpaque(PixelImage& img) {
  for (std::size_t i = 3; i < img.pixels.size(); i += 4) img.pixels[i] = 255;
}

// The drawing device's reader of the frame as last presented, and its name for a failed read.
bool (*frameReader)(PixelImage&) = nullptr;
std::string readFailureName;

bool readFrame(PixelImage& out) {
  if (!frameReader || !frameReader(out) || !holdsPixels(out)) return false;
  out.bits = 24;
  makeOpaque(out);
  return true;
}

// Scripted input's "screenshot FILE": the presented frame as a PNG at a plain disk path.
bool writePresentedFrame(const std::string& pngPath, std::string& why) {
  PixelImage frame;
  if (!readFrame(frame)) {
    why = "no frame has been presented (no drawing device)";
    return false;
  }
  std::string bytes;
  if (!encodePng(frame, 24, 6, false, bytes, why)) return false;
  if (!platform::writeFileAtomically(std::filesystem::path(pngPath), bytes)) {
    why = "cannot write the file";
    return false;
  }
  return true;
}

void report(const char* utf8) { core::reportCommandError(platform::jp(utf8)); }

void cmdGetScreenShot(const core::Arguments& args) {
  const int width = args.number(0), height = args.number(1);
  if (width < 1 || height < 1) return report("幅値が不正です");
  captureScreenshot(width, height);
}

// Each bad value is reported and replaced by its default; the save still happens.
void cmdSaveScreenShot(const core::Arguments& call) {
  if (!state.picture) return report("スクリーンショットがメモリに存在しません");
  core::Arguments args;
  if (!core::readArgumentsLate(call, args)) return;

  int format = args.number(1, kBmp);
  if (format < kBmp || format > kJpeg) {
    report("保存形式が不正です");
    format = kBmp;
  }
  int depth = args.number(2, 24);
  if ((depth != 0 && depth != 8 && depth != 24 && depth != 32) || (depth == 32 && format == kJpeg)) {
    report("対応していない深度です");
    depth = 0;
  }
  int level = format == kPng ? 9 : format == kJpeg ? 80 : 0;
  if (args.given(3)) {
    level = args.number(3);
    if (format == kPng && (level < 0 || level > 9)) {
      report("対応していない圧縮値です");
      level = 9;
    } else if (format == kJpeg && (level < 0 || level > 100)) {
      report("対応していない品質値です");
      level = 80;
    }
  }
  int option = args.number(4);
  if (format == kPng && (option < 0 || option > 1)) {
    report("対応していないPNG-OPです");
    option = 0;
  } else if (format == kJpeg && (option < 0 || option > 2)) {
    report("-FMT: 対応していないJPEG-OPです");
    option = 0;
  }
  kSavers[format](args.string(0), &*state.picture, depth, level, option);
}

constexpr core::CommandEntry kScreenshotCommands[] = {
    {"getscreenshot", cmdGetScreenShot, "getScreenShot", "n n"},
    // Read by the handler: with no screenshot taken the arguments are not even evaluated.
    {"savescreenshot", cmdSaveScreenShot, "saveScreenShot", "s [n?] [n?] [n?] [n?]", core::ArgumentReading::ByHandler},
};

}  // namespace

void setFrameReader(bool (*read)(PixelImage&), std::string failureName) {
  frameReader = read;
  readFailureName = std::move(failureName);
}

void initImages() {
  grayTables();
  platform::setScreenshotWriter(writePresentedFrame);
}

bool captureScreenshot(int width, int height) {
  if (!sizeAllowed(width, height)) {
    report("メモリの確保に失敗しました");
    return false;
  }
  PixelImage frame;
  if (!readFrame(frame)) {
    if (platform::options().videoNone) {
      report("描画デバイスが無いため画面を取り込めません (--video=none)");
    } else {
      core::reportCommandError("GetRenderTargetData " + readFailureName);
    }
    return false;
  }
  if ((width != frame.width || height != frame.height) && !resize(&frame, width, height, true)) return false;
  state.picture = std::move(frame);
  return true;
}

const PixelImage* screenshotImage() { return state.picture ? &*state.picture : nullptr; }

void replaceScreenshot(PixelImage img) { state.picture = std::move(img); }

std::span<const core::CommandEntry> screenshotCommands() { return kScreenshotCommands; }

}  // namespace image
