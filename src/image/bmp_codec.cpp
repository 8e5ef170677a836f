// BMP, read and written by our own code: no library covers the core-header and top-down
// variants the way pictures made on Windows use them. Pure functions over byte spans.
#include <algorithm>
#include <array>
#include <cstring>
#include <new>

#include "image/codecs.h"
#include "image/gray_tables.h"

namespace image {
namespace {

constexpr std::size_t kFileHeaderSize = 14;
constexpr std::size_t kCoreHeaderSize = 12;
constexpr std::size_t kInfoHeaderSize = 40;

struct ByteReader {
  std::span<const std::uint8_t> bytes;

  bool has(std::uint64_t pos, std::uint64_t count) const {
    return pos <= bytes.size() && count <= bytes.size() - pos;
  }
  std::uint16_t u16(std::size_t pos) const { return static_cast<std::uint16_t>(bytes[pos] | bytes[pos + 1] << 8); }
  std::uint32_t u32(std::size_t pos) const {
    return static_cast<std::uint32_t>(bytes[pos]) | static_cast<std::uint32_t>(bytes[pos + 1]) << 8 |
           static_cast<std::uint32_t>(bytes[pos + 2]) << 16 | static_cast<std::uint32_t>(bytes[pos + 3]) << 24;
  }
  std::int32_t i32(std::size_t pos) const { return static_cast<std::int32_t>(u32(pos)); }
};

struct BmpLayout {
  std::int64_t width = 0;
  std::int64_t height = 0;  // rows, always positive
  bool topDown = false;     // the first stored row is the top row
  int bitCount = 0;
  std::uint64_t dataOffset = 0;
  std::uint64_t paletteOffset = 0;
  std::size_t paletteEntrySize = 0;  // 3 after a core header, 4 after an information header
  std::uint32_t paletteEntries = 0;
};

bool readLayout(const ByteReader& r, BmpLayout& out, std::string& why) {
  if (!r.has(0, kFileHeaderSize + 4)) return why = "file header incomplete", false;
  if (r.bytes[0] != 'B' || r.bytes[1] != 'M') return why = "no BM signature", false;
  out.dataOffset = r.u32(10);
  const std::uint32_t headerSize = r.u32(kFileHeaderSize);
  if (headerSize < 13) {
    if (!r.has(kFileHeaderSize, kCoreHeaderSize)) return why = "core header incomplete", false;
    out.width = r.u16(18);
    out.height = r.u16(20);
    out.bitCount = r.u16(24);
    out.paletteOffset = kFileHeaderSize + kCoreHeaderSize;
    out.paletteEntrySize = 3;
  } else {
    if (!r.has(kFileHeaderSize, kInfoHeaderSize)) return why = "information header incomplete", false;
    out.width = r.i32(18);
    const std::int64_t stored = r.i32(22);
    out.topDown = stored < 0;
    out.height = stored < 0 ? -stored : stored;
    out.bitCount = r.u16(28);
    if (r.u32(30) != 0) return why = "compressed BMP", false;
    // Later header versions (V4, V5) are longer; the palette follows whatever length it has.
    out.paletteOffset = kFileHeaderSize + std::max<std::uint64_t>(headerSize, kInfoHeaderSize);
    out.paletteEntrySize = 4;
  }
  switch (out.bitCount) {
    case 1: case 4: case 8: case 24: case 32: break;
    default: return why = "unsupported bit count " + std::to_string(out.bitCount), false;
  }
  if (sizeTooLarge(out.width, out.height)) return why = kPictureOverLimit, false;
  if (!sizeAllowed(out.width, out.height)) return why = "bad picture size", false;
  if (out.bitCount < 24) {
    out.paletteEntries = 1u << out.bitCount;
    // A writer may store fewer entries (colours used); pixels naming a missing entry are black.
    if (out.paletteEntrySize == 4) {
      const std::uint32_t used = r.u32(46);
      if (used > 0 && used < out.paletteEntries) out.paletteEntries = used;
    }
    if (!r.has(out.paletteOffset, std::uint64_t{out.paletteEntries} * out.paletteEntrySize))
      return why = "palette incomplete", false;
  }
  return true;
}

void decodeRow(const std::uint8_t* src, int bitCount, int width, const std::array<std::uint32_t, 256>& palette,
               std::uint8_t* dst) {
  auto putIndexed = [&](int x, unsigned index) {
    std::uint32_t c = palette[index];
    std::memcpy(dst + x * 4, &c, 4);
  };
  switch (bitCount) {
    case 1:
      for (int x = 0; x < width; ++x) putIndexed(x, (src[x >> 3] >> (7 - (x & 7))) & 1);
      break;
    case 4:
      for (int x = 0; x < width; ++x) putIndexed(x, (src[x >> 1] >> ((x & 1) ? 0 : 4)) & 0x0F);
      break;
    case 8:
      for (int x = 0; x < width; ++x) putIndexed(x, src[x]);
      break;
    case 24:
      for (int x = 0; x < width; ++x) {
        dst[x * 4 + 0] = src[x * 3 + 0];
        dst[x * 4 + 1] = src[x * 3 + 1];
        dst[x * 4 + 2] = src[x * 3 + 2];
        dst[x * 4 + 3] = 255;
      }
      break;
    case 32:
      std::memcpy(dst, src, static_cast<std::size_t>(width) * 4);
      break;
  }
}

void putU16(std::string& out, std::size_t pos, std::uint32_t v) {
  out[pos] = static_cast<char>(v & 0xFF);
  out[pos + 1] = static_cast<char>(v >> 8 & 0xFF);
}
void putU32(std::string& out, std::size_t pos, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out[pos + i] = static_cast<char>(v >> (8 * i) & 0xFF);
}

}  // namespace

std::optional<PixelImage> decodeBmp(std::span<const std::uint8_t> file, std::string& why) {
  const ByteReader r{file};
  BmpLayout layout;
  if (!readLayout(r, layout, why)) return std::nullopt;

  // Palette entries are B, G, R (and a reserved byte); indexed pixels are always opaque.
  std::array<std::uint32_t, 256> palette;
  palette.fill(0xFF000000u);
  for (std::uint32_t i = 0; i < layout.paletteEntries; ++i) {
    const std::size_t p = layout.paletteOffset + i * layout.paletteEntrySize;
    palette[i] = 0xFF000000u | std::uint32_t{file[p + 2]} << 16 | std::uint32_t{file[p + 1]} << 8 | file[p];
  }

  // Rows are padded to whole 32-bit words: a 1-bit row of width 33 takes 8 bytes.
  const std::uint64_t stride = (static_cast<std::uint64_t>(layout.width) * layout.bitCount + 31) / 32 * 4;
  if (!r.has(layout.dataOffset, stride * static_cast<std::uint64_t>(layout.height)))
    return why = "pixel rows incomplete", std::nullopt;

  auto img = createImage(static_cast<int>(layout.width), static_cast<int>(layout.height), layout.bitCount == 32 ? 32 : 24);
  if (!img) return why = "out of memory", std::nullopt;
  for (int y = 0; y < img->height; ++y) {
    const std::uint64_t stored = layout.topDown ? y : img->height - 1 - y;
    decodeRow(file.data() + layout.dataOffset + stored * stride, layout.bitCount, img->width, palette, img->row(y));
  }
  return img;
}

bool encodeBmp(const PixelImage& img, int depth, std::string& out, std::string& why) {
  if (!holdsPixels(img)) return why = "no picture", false;
  if (depth != 8 && depth != 24 && depth != 32) return why = "unsupported depth", false;
  const std::uint64_t rowSize = (static_cast<std::uint64_t>(img.width) * depth / 8 + 3) / 4 * 4;
  const std::uint64_t imageSize = rowSize * static_cast<std::uint64_t>(img.height);
  const std::uint32_t paletteSize = depth <= 8 ? 1024 : 0;
  const std::uint64_t headerBytes = kFileHeaderSize + kInfoHeaderSize + paletteSize;
  if (headerBytes + imageSize > 0xFFFFFFFFu) return why = "picture too large for BMP", false;
  try {
    out.assign(headerBytes + imageSize, '\0');
  } catch (const std::bad_alloc&) {
    return why = kOutOfMemory, false;
  }
  out[0] = 'B';
  out[1] = 'M';
  putU32(out, 2, static_cast<std::uint32_t>(headerBytes + imageSize));
  putU32(out, 10, static_cast<std::uint32_t>(headerBytes));
  putU32(out, 14, kInfoHeaderSize);
  putU32(out, 18, static_cast<std::uint32_t>(img.width));
  putU32(out, 22, static_cast<std::uint32_t>(img.height));  // positive: rows stored bottom-up
  putU16(out, 26, 1);
  putU16(out, 28, static_cast<std::uint32_t>(depth));
  putU32(out, 34, static_cast<std::uint32_t>(imageSize));
  if (depth == 8) {
    for (int i = 0; i < 256; ++i) {
      const std::size_t p = kFileHeaderSize + kInfoHeaderSize + i * 4;
      out[p] = out[p + 1] = out[p + 2] = static_cast<char>(i);
    }
  }
  const GrayTables& gray = grayTables();
  const int bytesPerPixel = depth / 8;
  for (int y = 0; y < img.height; ++y) {
    const std::uint8_t* src = img.row(img.height - 1 - y);
    auto* dst = reinterpret_cast<std::uint8_t*>(out.data() + headerBytes + y * rowSize);
    for (int x = 0; x < img.width; ++x, src += 4) {
      if (depth == 8) {
        dst[x] = grayOf(gray, src);
      } else {
        std::memcpy(dst + x * bytesPerPixel, src, bytesPerPixel);
      }
    }
  }
  return true;
}

}  // namespace image
