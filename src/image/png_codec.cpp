// PNG through libpng, from and into memory. libpng reports errors by longjmp: every call into
// it happens inside a function whose own locals are trivially destructible, so the jump never
// skips a destructor; the containers it fills belong to the caller.
#include <png.h>

#include <algorithm>
#include <climits>
#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "image/codecs.h"
#include "image/gray_tables.h"

namespace image {
namespace {

constexpr png_uint_32 kMaxAncillaryChunks = 1000;

// Where libpng's error message goes before the jump back.
struct PngFailure {
  std::string* why;
};

[[noreturn]] void onPngError(png_structp png, png_const_charp message) {
  auto* failure = static_cast<PngFailure*>(png_get_error_ptr(png));
  failure->why->assign(message ? message : "libpng error");
  png_longjmp(png, 1);
}

void onPngWarning(png_structp, png_const_charp) {}  // warnings change nothing we return

// No block libpng asks for while reading can be larger than the file itself (a chunk is
// read whole) or than two rows of the widest pixels (64 bits); a damaged chunk length must
// fail here instead of allocating gigabytes for data that is not there.
struct AllocationBudget {
  std::size_t limit;
};

png_voidp budgetedMalloc(png_structp png, png_alloc_size_t size) {
  const auto* budget = static_cast<const AllocationBudget*>(png_get_mem_ptr(png));
  return size <= budget->limit ? std::malloc(size) : nullptr;
}

void budgetedFree(png_structp, png_voidp block) { std::free(block); }

struct MemoryReader {
  std::span<const std::uint8_t> bytes;
  std::size_t pos = 0;
};

void readFromMemory(png_structp png, png_bytep out, std::size_t count) {
  auto* r = static_cast<MemoryReader*>(png_get_io_ptr(png));
  if (count > r->bytes.size() - r->pos) png_error(png, "file ends before the picture does");
  std::memcpy(out, r->bytes.data() + r->pos, count);
  r->pos += count;
}

void writeToString(png_structp png, png_bytep data, std::size_t count) {
  auto* out = static_cast<std::string*>(png_get_io_ptr(png));
  try {
    out->append(reinterpret_cast<const char*>(data), count);
  } catch (const std::bad_alloc&) {
    png_error(png, kOutOfMemory);
  }
}

void flushNothing(png_structp) {}

// Decimal text as C's atoi reads it (blanks, sign, digits, anything after ignored),
// clamped to 32 bits instead of overflowing.
int parseDecimal(const char* s) {
  while (*s == ' ' || (*s >= '\t' && *s <= '\r')) ++s;
  bool negative = *s == '-';
  if (*s == '-' || *s == '+') ++s;
  long long v = 0;
  for (; *s >= '0' && *s <= '9'; ++s) {
    v = v * 10 + (*s - '0');
    if (v > 1LL << 32) break;
  }
  if (negative) v = -v;
  return static_cast<int>(std::clamp<long long>(v, INT_MIN, INT_MAX));
}

void takeTextEntries(png_structp png, png_infop info, PixelImage& img) {
  png_textp texts = nullptr;
  int count = png_get_text(png, info, &texts, nullptr);
  for (int i = 0; i < count; ++i) {
    const char* key = texts[i].key;
    const char* text = texts[i].text ? texts[i].text : "";
    if (std::strcmp(key, "Name") == 0) img.baseName.assign(text);
    else if (std::strcmp(key, "Left") == 0) img.left = parseDecimal(text);
    else if (std::strcmp(key, "Top") == 0) img.top = parseDecimal(text);
    else if (std::strcmp(key, "Mode") == 0) img.mode = parseDecimal(text);
  }
}

// The largest ratio deflate can reach is 1032:1 (a 258-byte match coded in two bits), so a
// file of n bytes can never hold more than about 1032 n bytes of rows. A header claiming more
// is damaged; refusing it here avoids allocating for rows that cannot arrive.
bool rowsCanFit(std::uint32_t width, std::uint32_t height, int bitDepth, int colorType, std::size_t fileSize) {
  int channels = 1;
  switch (colorType) {
    case PNG_COLOR_TYPE_GRAY_ALPHA: channels = 2; break;
    case PNG_COLOR_TYPE_RGB: channels = 3; break;
    case PNG_COLOR_TYPE_RGB_ALPHA: channels = 4; break;
    default: break;
  }
  const std::uint64_t rowBytes = (std::uint64_t{width} * channels * bitDepth + 7) / 8;
  return std::uint64_t{height} * (rowBytes + 1) <= std::uint64_t{fileSize} * 1032 + 1024;
}

struct PngShape {
  png_uint_32 width = 0, height = 0;
  bool alpha = false;
  int passes = 1;
};

// First half of a read: the header, the transformations, the size checks.
bool runPngReadHeader(png_structp png, png_infop info, std::size_t fileSize, PngShape& shape) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_read_info(png, info);
  int bitDepth = 0, colorType = 0;
  png_get_IHDR(png, info, &shape.width, &shape.height, &bitDepth, &colorType, nullptr, nullptr, nullptr);
  if (sizeTooLarge(shape.width, shape.height)) png_error(png, kPictureOverLimit);
  if (!sizeAllowed(shape.width, shape.height)) png_error(png, "picture size not allowed");
  if (!rowsCanFit(shape.width, shape.height, bitDepth, colorType, fileSize)) png_error(png, "file too short for its size");
  static_cast<AllocationBudget*>(png_get_mem_ptr(png))->limit += std::size_t{shape.width} * 8 * 2;

  // Every layout becomes 8-bit B, G, R, A.
  if (bitDepth == 16) png_set_strip_16(png);
  if (bitDepth < 8) png_set_packing(png);
  if (colorType == PNG_COLOR_TYPE_GRAY && bitDepth < 8) png_set_expand_gray_1_2_4_to_8(png);
  if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
  if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(png);
  const bool transparency = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
  if (transparency) png_set_tRNS_to_alpha(png);
  png_set_bgr(png);
  shape.alpha = (colorType & PNG_COLOR_MASK_ALPHA) != 0 || transparency;
  if (!shape.alpha) png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
  shape.passes = png_set_interlace_handling(png);
  png_read_update_info(png, info);
  if (png_get_rowbytes(png, info) != std::size_t{shape.width} * 4) png_error(png, "unexpected row layout");
  return true;
}

// Second half: the rows straight into the picture, once per interlace pass, then the end.
bool runPngReadRows(png_structp png, png_infop endInfo, const PngShape& shape, png_bytepp rows) {
  if (setjmp(png_jmpbuf(png))) return false;
  for (int pass = 0; pass < shape.passes; ++pass) png_read_rows(png, rows, nullptr, shape.height);
  png_read_end(png, endInfo);
  return true;
}

bool runPngWrite(png_structp png, png_infop info, const PixelImage& img, int depth, int level, bool interlace,
                 std::vector<png_text>& texts, std::vector<png_bytep>& rows) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_compression_level(png, level);
  const int colorType = depth == 8 ? PNG_COLOR_TYPE_GRAY : depth == 24 ? PNG_COLOR_TYPE_RGB : PNG_COLOR_TYPE_RGB_ALPHA;
  png_set_IHDR(png, info, static_cast<png_uint_32>(img.width), static_cast<png_uint_32>(img.height), 8, colorType,
               interlace ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  if (!texts.empty()) png_set_text(png, info, texts.data(), static_cast<int>(texts.size()));
  png_write_info(png, info);
  png_set_bgr(png);
  const int passes = interlace ? png_set_interlace_handling(png) : 1;
  // Each pass is handed every row; libpng takes the pixels of that pass from each.
  for (int pass = 0; pass < passes; ++pass) png_write_rows(png, rows.data(), static_cast<png_uint_32>(img.height));
  png_write_end(png, info);
  return true;
}

}  // namespace

std::optional<PixelImage> decodePng(std::span<const std::uint8_t> file, std::string& why) {
  if (file.size() < 8 || png_sig_cmp(file.data(), 0, 8) != 0) return why = "no PNG signature", std::nullopt;
  PngFailure failure{&why};
  constexpr std::size_t kLibraryOverhead = 1 << 20;  // its own records and zlib's window
  AllocationBudget budget{file.size() + kLibraryOverhead};
  png_structp png = png_create_read_struct_2(PNG_LIBPNG_VER_STRING, &failure, onPngError, onPngWarning, &budget,
                                             budgetedMalloc, budgetedFree);
  if (!png) return why = kOutOfMemory, std::nullopt;
  png_infop info = png_create_info_struct(png);
  png_infop endInfo = png_create_info_struct(png);
  MemoryReader reader{file, 0};
  PngShape shape;
  std::optional<PixelImage> img;
  std::vector<png_bytep> rows;
  bool ok = info && endInfo;
  if (!ok) why = kOutOfMemory;
  if (ok) {
    png_set_read_fn(png, &reader, readFromMemory);
    png_set_chunk_cache_max(png, kMaxAncillaryChunks);  // endless small chunks must not pile up
    ok = runPngReadHeader(png, info, file.size(), shape);
  }
  if (ok) {
    img = createImage(static_cast<int>(shape.width), static_cast<int>(shape.height), shape.alpha ? 32 : 24);
    try {
      if (img) rows.resize(shape.height);
    } catch (const std::bad_alloc&) {
      img.reset();
    }
    if (!img) ok = false, why = kOutOfMemory;
  }
  if (ok) {
    for (png_uint_32 y = 0; y < shape.height; ++y) rows[y] = img->row(static_cast<int>(y));
    ok = runPngReadRows(png, endInfo, shape, rows.data());
  }
  if (ok) {
    // Text may come before or after the rows: both information records are read.
    takeTextEntries(png, info, *img);
    takeTextEntries(png, endInfo, *img);
  }
  png_destroy_read_struct(&png, info ? &info : nullptr, endInfo ? &endInfo : nullptr);
  if (!ok) return std::nullopt;
  return img;
}

bool encodePng(const PixelImage& img, int depth, int level, bool interlace, std::string& out, std::string& why) {
  if (!holdsPixels(img)) return why = "no picture", false;
  if (depth != 8 && depth != 24 && depth != 32) return why = "unsupported depth", false;
  std::vector<png_bytep> rows;
  std::vector<std::uint8_t> packed;  // B,G,R or grey rows for depths 24 and 8
  std::vector<png_text> texts;
  std::string left, top, mode;
  try {
    rows.resize(static_cast<std::size_t>(img.height));
    if (depth == 32) {
      for (int y = 0; y < img.height; ++y) rows[y] = const_cast<png_bytep>(img.row(y));
    } else {
      const std::size_t rowBytes = static_cast<std::size_t>(img.width) * (depth / 8);
      packed.resize(rowBytes * img.height);
      const GrayTables& gray = grayTables();
      for (int y = 0; y < img.height; ++y) {
        const std::uint8_t* src = img.row(y);
        std::uint8_t* dst = packed.data() + y * rowBytes;
        rows[y] = dst;
        for (int x = 0; x < img.width; ++x, src += 4) {
          if (depth == 8) {
            *dst++ = grayOf(gray, src);
          } else {
            *dst++ = src[0], *dst++ = src[1], *dst++ = src[2];
          }
        }
      }
    }
    if (!img.baseName.empty()) {
      left = std::to_string(img.left), top = std::to_string(img.top), mode = std::to_string(img.mode);
      auto entry = [](const char* key, const std::string& text) {
        png_text t{};
        t.compression = PNG_TEXT_COMPRESSION_NONE;
        t.key = const_cast<char*>(key);
        t.text = const_cast<char*>(text.c_str());
        t.text_length = text.size();
        return t;
      };
      texts = {entry("Name", img.baseName), entry("Left", left), entry("Top", top), entry("Mode", mode)};
    }
    out.clear();
    out.reserve(static_cast<std::size_t>(img.width) * img.height / 2 + 1024);
  } catch (const std::bad_alloc&) {
    return why = kOutOfMemory, false;
  }

  PngFailure failure{&why};
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &failure, onPngError, onPngWarning);
  if (!png) return why = kOutOfMemory, false;
  png_infop info = png_create_info_struct(png);
  bool ok = info != nullptr;
  if (!ok) why = kOutOfMemory;
  if (ok) {
    png_set_write_fn(png, &out, writeToString, flushNothing);
    ok = runPngWrite(png, info, img, depth, level, interlace, texts, rows);
  }
  png_destroy_write_struct(&png, info ? &info : nullptr);
  return ok;
}

}  // namespace image
