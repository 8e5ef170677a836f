// Writing pictures to files for scripts: BMP, PNG and JPEG behind one signature, so that
// savescreenshot picks the writer from a table by format number. Failures are printed to
// standard output with the format's prefix ("PNG: \"path\" 画像を保存出来ませんでした") and
// never reach the script error report. A failed save leaves no file: the bytes are
// written to a temporary file and renamed over the target.
#pragma once
#include <string_view>

#include "image/pixel_image.h"

namespace image {

// `depth` 0 means the picture's own bits; 8 writes grey. PNG: `level` is the zlib level,
// `option` 1 asks for Adam7. JPEG: `level` is the quality, `option` 0 baseline, 1 optimised
// Huffman tables, 2 progressive. BMP ignores both. `path` is a script path (CP932).
// A null picture prints the could-not-read message. True when the file was written.
bool saveBmp(std::string_view path, const PixelImage* img, int depth, int level, int option);
bool savePng(std::string_view path, const PixelImage* img, int depth, int level, int option);
bool saveJpeg(std::string_view path, const PixelImage* img, int depth, int level, int option);

using Saver = bool (*)(std::string_view path, const PixelImage* img, int depth, int level, int option);
inline constexpr Saver kSavers[] = {saveBmp, savePng, saveJpeg};  // by format: 0 BMP, 1 PNG, 2 JPEG

// Prints one line of this subsystem to standard output: CP932 text, shown as UTF-8.
void printImageMessage(std::string_view textCp932);

}  // namespace image
