// The three picture formats: decoders from memory and encoders into memory. All are pure
// functions over bytes: a decoder never reads past the span it is given and returns the
// picture or nothing with the reason in `why` (for logs and tests; the script sees the
// loader's could-not-read error). Library failures inside libpng and libjpeg are caught
// here and never leave these functions.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "image/pixel_image.h"

namespace image {

// BMP: 1, 4, 8, 24 and 32 bits a pixel, uncompressed, core (12-byte) or information
// header, bottom-up or top-down rows.
std::optional<PixelImage> decodeBmp(std::span<const std::uint8_t> file, std::string& why);

// PNG: every colour type and depth, interlaced or not; text entries Name, Left, Top, Mode.
std::optional<PixelImage> decodePng(std::span<const std::uint8_t> file, std::string& why);

// JPEG: baseline or progressive, colour or greyscale, with the floating-point DCT.
std::optional<PixelImage> decodeJpeg(std::span<const std::uint8_t> file, std::string& why);

// A JPEG decompressor kept for a run of pictures (the frames of a movie): made once, reused
// for every picture, so that a frame costs only its own decode.
struct JpegStream;
struct JpegStreamDeleter {
  void operator()(JpegStream* stream) const;
};
using JpegStreamPtr = std::unique_ptr<JpegStream, JpegStreamDeleter>;
JpegStreamPtr createJpegStream(std::string& why);

// A B,G,R,A surface of width x height pixels with rows pitchBytes apart (a locked texture).
struct JpegTarget {
  std::uint8_t* pixels = nullptr;
  std::size_t pitchBytes = 0;
  int width = 0, height = 0;
};
// Decodes a JPEG as decodeJpeg does, but into the top-left corner of `target` (alpha 255),
// and reports the picture's size. A picture larger than the target is refused before a row
// is written (why = kPictureTooLarge); a damaged one may leave rows half written.
bool decodeJpegInto(JpegStream& stream, std::span<const std::uint8_t> file, const JpegTarget& target, int& width,
                    int& height, std::string& why);

// Encoders. `depth` is 8 (grey through the grey tables), 24 or 32; the caller has already
// replaced 0 by the picture's own depth.
//   BMP: bottom-up, uncompressed, a grey palette at depth 8.
//   PNG: `level` is the zlib level 0..9, `interlace` asks for Adam7; a picture with a base
//        name carries the Name, Left, Top and Mode text entries.
//   JPEG: `quality` 0..100; `coding` 0 baseline, 1 optimised Huffman tables, 2 progressive.
//        Depth 24 is written from 4-byte pixels like 32 (the fourth byte is never read).
bool encodeBmp(const PixelImage& img, int depth, std::string& out, std::string& why);
bool encodePng(const PixelImage& img, int depth, int level, bool interlace, std::string& out, std::string& why);
bool encodeJpeg(const PixelImage& img, int depth, int quality, int coding, std::string& out, std::string& why);

// The failure of an encoder that ran out of memory (so the saver can say so).
inline constexpr const char* kOutOfMemory = "out of memory";
// The failure of decodeJpegInto for a picture that does not fit its target.
inline constexpr const char* kPictureTooLarge = "picture larger than its target";

}  // namespace image
