#include "platform/cursor_file.h"

#include <algorithm>

namespace platform {
namespace {

std::uint32_t le32(std::string_view b, std::size_t at) {
  auto p = reinterpret_cast<const unsigned char*>(b.data() + at);
  return p[0] | p[1] << 8 | p[2] << 16 | std::uint32_t(p[3]) << 24;
}
std::uint16_t le16(std::string_view b, std::size_t at) {
  auto p = reinterpret_cast<const unsigned char*>(b.data() + at);
  return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

// A device-independent bitmap as icons store it: the height counts the colour rows and the
// AND-mask rows together, rows run bottom-up.
bool decodeIconBitmap(std::string_view dib, CursorFrame& out, std::string& why) {
  if (dib.size() < 40) {
    why = "the picture header is cut short";
    return false;
  }
  std::uint32_t headerSize = le32(dib, 0);
  if (headerSize < 40 || headerSize > dib.size()) {
    why = "the picture header is malformed";
    return false;
  }
  std::int32_t width = static_cast<std::int32_t>(le32(dib, 4));
  std::int32_t doubledHeight = static_cast<std::int32_t>(le32(dib, 8));
  std::uint16_t bits = le16(dib, 14);
  std::uint32_t compression = le32(dib, 16);
  std::uint32_t coloursUsed = le32(dib, 32);
  int height = doubledHeight / 2;
  if (width <= 0 || height <= 0 || width > kLargestCursorSide || height > kLargestCursorSide) {
    why = "the cursor size is out of range";
    return false;
  }
  if (compression != 0 || (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32)) {
    why = "the cursor picture format is not supported";
    return false;
  }
  std::size_t paletteCount = bits <= 8 ? (coloursUsed ? coloursUsed : (1u << bits)) : 0;
  if (paletteCount > 256) {
    why = "the palette is too large";
    return false;
  }
  std::size_t paletteAt = headerSize;
  std::size_t colourAt = paletteAt + paletteCount * 4;
  std::size_t colourStride = ((static_cast<std::size_t>(width) * bits + 31) / 32) * 4;
  std::size_t maskStride = ((static_cast<std::size_t>(width) + 31) / 32) * 4;
  std::size_t maskAt = colourAt + colourStride * height;
  bool haveMask = maskAt + maskStride * height <= dib.size();
  if (colourAt + colourStride * height > dib.size()) {
    why = "the cursor picture is cut short";
    return false;
  }
  out.width = width;
  out.height = height;
  out.bgra.assign(static_cast<std::size_t>(width) * height * 4, 0);
  bool anyAlpha = false;
  for (int row = 0; row < height; ++row) {
    std::size_t src = colourAt + colourStride * static_cast<std::size_t>(height - 1 - row);
    std::uint8_t* dst = out.bgra.data() + static_cast<std::size_t>(row) * width * 4;
    for (int x = 0; x < width; ++x) {
      std::uint8_t b = 0, g = 0, r = 0, a = 255;
      if (bits <= 8) {
        std::size_t bit = static_cast<std::size_t>(x) * bits;
        unsigned byte = static_cast<unsigned char>(dib[src + bit / 8]);
        unsigned index = (byte >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
        if (index < paletteCount) {
          b = static_cast<std::uint8_t>(dib[paletteAt + index * 4]);
          g = static_cast<std::uint8_t>(dib[paletteAt + index * 4 + 1]);
          r = static_cast<std::uint8_t>(dib[paletteAt + index * 4 + 2]);
        }
      } else {
        std::size_t at = src + static_cast<std::size_t>(x) * (bits / 8);
        b = static_cast<std::uint8_t>(dib[at]);
        g = static_cast<std::uint8_t>(dib[at + 1]);
        r = static_cast<std::uint8_t>(dib[at + 2]);
        if (bits == 32) {
          a = static_cast<std::uint8_t>(dib[at + 3]);
          anyAlpha = anyAlpha || a != 0;
        }
      }
      dst[x * 4] = b;
      dst[x * 4 + 1] = g;
      dst[x * 4 + 2] = r;
      dst[x * 4 + 3] = a;
    }
  }
  // A 32-bit picture whose alpha is all zero relies on the mask, like the smaller depths.
  if (bits == 32 && anyAlpha) return true;
  if (!haveMask) return true;
  for (int row = 0; row < height; ++row) {
    std::size_t src = maskAt + maskStride * static_cast<std::size_t>(height - 1 - row);
    std::uint8_t* dst = out.bgra.data() + static_cast<std::size_t>(row) * width * 4;
    for (int x = 0; x < width; ++x) {
      bool transparent = (static_cast<unsigned char>(dib[src + x / 8]) >> (7 - x % 8)) & 1;
      dst[x * 4 + 3] = transparent ? 0 : 255;
    }
  }
  return true;
}

}  // namespace

std::optional<CursorFrame> decodeCursor(std::string_view bytes, std::string& why) {
  if (bytes.size() < 6 || le16(bytes, 0) != 0 || (le16(bytes, 2) != 1 && le16(bytes, 2) != 2)) {
    why = "not a cursor file";
    return std::nullopt;
  }
  bool isCursor = le16(bytes, 2) == 2;
  std::size_t count = le16(bytes, 4);
  if (count == 0 || 6 + count * 16 > bytes.size()) {
    why = "the cursor directory is cut short";
    return std::nullopt;
  }
  // The largest picture in the file.
  std::size_t best = 0;
  int bestArea = -1;
  for (std::size_t i = 0; i < count; ++i) {
    std::size_t e = 6 + i * 16;
    int w = static_cast<unsigned char>(bytes[e]) ? static_cast<unsigned char>(bytes[e]) : 256;
    int h = static_cast<unsigned char>(bytes[e + 1]) ? static_cast<unsigned char>(bytes[e + 1]) : 256;
    if (w * h > bestArea) {
      bestArea = w * h;
      best = e;
    }
  }
  std::uint32_t size = le32(bytes, best + 8), offset = le32(bytes, best + 12);
  if (offset > bytes.size() || size > bytes.size() - offset) {
    why = "a cursor picture lies past the end of the file";
    return std::nullopt;
  }
  std::string_view dib = bytes.substr(offset, size);
  if (dib.size() >= 8 && dib.substr(0, 8) == "\x89PNG\r\n\x1a\n") {
    why = "cursor pictures stored as PNG are not supported";
    return std::nullopt;
  }
  CursorFrame frame;
  if (!decodeIconBitmap(dib, frame, why)) return std::nullopt;
  if (isCursor) {
    frame.hotX = std::min<int>(le16(bytes, best + 4), frame.width - 1);
    frame.hotY = std::min<int>(le16(bytes, best + 6), frame.height - 1);
  }
  return frame;
}

std::optional<CursorAnimation> decodeAnimatedCursor(std::string_view bytes, std::string& why) {
  CursorAnimation anim;
  if (bytes.size() >= 12 && bytes.substr(0, 4) != "RIFF") {
    auto frame = decodeCursor(bytes, why);
    if (!frame) return std::nullopt;
    anim.frames.push_back(std::move(*frame));
    anim.sequence = {0};
    anim.stepMs = {0};
    return anim;
  }
  if (bytes.size() < 12 || bytes.substr(8, 4) != "ACON") {
    why = "not an animated cursor file";
    return std::nullopt;
  }
  std::size_t end = std::min<std::size_t>(bytes.size(), 8 + static_cast<std::size_t>(le32(bytes, 4)));
  std::uint32_t steps = 0, defaultJiffies = 0;
  bool haveHeader = false;
  std::vector<std::uint32_t> rates, sequence;
  // Top-level chunks; the frames are a LIST "fram" of "icon" chunks, each a whole .cur file.
  std::size_t pos = 12;
  while (pos + 8 <= end) {
    std::string_view id = bytes.substr(pos, 4);
    std::uint32_t size = le32(bytes, pos + 4);
    std::size_t body = pos + 8;
    if (size > end - body) {
      why = "a chunk runs past the end of the file";
      return std::nullopt;
    }
    if (id == "anih" && size >= 36) {
      steps = le32(bytes, body + 8);
      defaultJiffies = le32(bytes, body + 28);
      haveHeader = true;
    } else if ((id == "rate" || id == "seq ") && size % 4 == 0) {
      auto& list = id == "rate" ? rates : sequence;
      for (std::size_t i = 0; i < size / 4; ++i) list.push_back(le32(bytes, body + i * 4));
    } else if (id == "LIST" && size >= 4 && bytes.substr(body, 4) == "fram") {
      std::size_t p = body + 4, listEnd = body + size;
      while (p + 8 <= listEnd) {
        std::uint32_t iconSize = le32(bytes, p + 4);
        if (iconSize > listEnd - (p + 8)) {
          why = "a cursor frame runs past its list";
          return std::nullopt;
        }
        if (bytes.substr(p, 4) == "icon") {
          auto frame = decodeCursor(bytes.substr(p + 8, iconSize), why);
          if (!frame) return std::nullopt;
          anim.frames.push_back(std::move(*frame));
        }
        p += 8 + iconSize + (iconSize & 1);
      }
    }
    pos = body + size + (size & 1);
  }
  if (!haveHeader || anim.frames.empty()) {
    why = haveHeader ? "the animated cursor has no frames" : "the animated cursor has no header";
    return std::nullopt;
  }
  if (steps == 0 || steps > 10000) steps = static_cast<std::uint32_t>(anim.frames.size());
  for (std::uint32_t i = 0; i < steps; ++i) {
    std::uint32_t frame = i < sequence.size() ? sequence[i] : i;
    if (frame >= anim.frames.size()) frame = 0;
    std::uint32_t jiffies = i < rates.size() ? rates[i] : defaultJiffies;
    anim.sequence.push_back(static_cast<int>(frame));
    anim.stepMs.push_back(static_cast<int>(std::min<std::uint32_t>(jiffies, 60000) * 1000 / 60));
  }
  return anim;
}

}  // namespace platform
