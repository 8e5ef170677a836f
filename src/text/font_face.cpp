// Face look-up and rasterising. The font request of a renderer names a face the way a Windows
// author knows it ("ＭＳ ゴシック"); fontconfig resolves it with the Japanese language set and
// a few aliases of our own to the metric-compatible faces Linux ships. FreeType then draws
// each character from its outline, hinted, in 256 grey levels, which are reduced to the 65
// levels the blending works in.
#include "text/font_face.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_SIZES_H
#include FT_TRUETYPE_TABLES_H
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cassert>
#include <cmath>
#include <unordered_map>

#include "core/archive.h"
#include "core/internal_limits.h"
#include "core/resource_limits.h"
#include "platform/cp932.h"
#include "text/font_config.h"

namespace text {

namespace {

// Far beyond any text an author shows, yet small enough that a script asking for a
// 100000-pixel font cannot make FreeType allocate gigabytes.
constexpr int kLargestEm = 1024;
// A default size for height 0, as the Windows font mapper picks one.
constexpr int kDefaultEm = 12;
// Clearing the whole cache now and then (core::kGlyphCacheEntries, kGlyphCacheBytes) is
// simpler than an LRU and costs one page of re-rasterising; the byte bound keeps huge sizes
// from piling up.

struct LoadedFace {
  FT_Face face = nullptr;
  int id = 0;         // small number that keys the glyph cache
  std::string bytes;  // the file's bytes for a face read into memory
  std::string fileName;
  std::string family;       // UTF-8
  bool boldDesign = false;  // the face itself is bold: no emboldening needed

  LoadedFace() = default;
  LoadedFace(const LoadedFace&) = delete;
  LoadedFace& operator=(const LoadedFace&) = delete;
  ~LoadedFace() {
    if (face) FT_Done_Face(face);
  }
};

struct FontSystem {
  FT_Library library = nullptr;
  bool triedLibrary = false;
  int nextFaceId = 1;
  std::unordered_map<std::string, std::shared_ptr<LoadedFace>> faces;  // by file key
  std::unordered_map<std::uint64_t, GreyGlyph> glyphs;
  std::size_t glyphBytes = 0;
} fonts;

}  // namespace

// The request is kept as made and resolved at the font's first use: fontconfig reads its
// whole configuration on first call (most of an empty game's start-up), and a run that
// draws no character never needs it.
struct OpenFont {
  std::string faceCp932;
  int height = 0;
  int weight = 400;
  // A face file is read when the font is asked for, from the folder and archive of that
  // moment, as a script that names it expects; only fontconfig waits for the first use.
  std::shared_ptr<LoadedFace> fileFace;
  bool resolved = false;  // the look-up below has run; the fields after it hold its result
  bool usable = false;
  bool failureTaken = false;  // fontUsable has already answered a first failure
  std::shared_ptr<LoadedFace> face;
  FT_Size size = nullptr;
  int em = 0;  // pixels per em the face is drawn at
  int ascent = 0;
  bool embolden = false;

  OpenFont() = default;
  OpenFont(const OpenFont&) = delete;
  OpenFont& operator=(const OpenFont&) = delete;
  ~OpenFont() {
    if (size) FT_Done_Size(size);
  }
};

namespace {

FT_Library library() {
  if (!fonts.triedLibrary) {
    fonts.triedLibrary = true;
    if (FT_Init_FreeType(&fonts.library) != 0) fonts.library = nullptr;
  }
  return fonts.library;
}

bool endsWithFontExtension(std::string_view name) {
  if (name.size() < 4) return false;
  std::string tail(name.substr(name.size() - 4));
  for (char& c : tail) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return tail == ".ttf" || tail == ".otf" || tail == ".ttc";
}

// Fills in a face that `loaded->face` already holds and enters it in the face table.
std::shared_ptr<LoadedFace> finishFace(std::shared_ptr<LoadedFace> loaded, std::string key, std::string fileName) {
  FT_Face face = loaded->face;
  loaded->id = fonts.nextFaceId++ & 0xFFFF;
  loaded->fileName = std::move(fileName);
  loaded->family = face->family_name ? face->family_name : "";
  loaded->boldDesign = (face->style_flags & FT_STYLE_FLAG_BOLD) != 0;
  fonts.faces[key] = loaded;
  return loaded;
}

// A face file named by the script, from arc.dat or the game folder.
std::shared_ptr<LoadedFace> loadFaceFile(std::string_view nameCp932) {
  std::string key = "res:" + core::normalizeResourceName(nameCp932);
  if (auto it = fonts.faces.find(key); it != fonts.faces.end()) return it->second;
  auto loaded = std::make_shared<LoadedFace>();
  if (core::readResourceFile(nameCp932, loaded->bytes, core::kLargestFontFileBytes) != core::ResourceRead::Ok ||
      loaded->bytes.empty()) {
    return nullptr;
  }
  // FreeType reads the bytes lazily: they live exactly as long as the face.
  if (FT_New_Memory_Face(library(), reinterpret_cast<const FT_Byte*>(loaded->bytes.data()),
                         static_cast<FT_Long>(loaded->bytes.size()), 0, &loaded->face) != 0) {
    loaded->face = nullptr;
    return nullptr;
  }
  if (!FT_IS_SCALABLE(loaded->face)) return nullptr;
  return finishFace(loaded, key, platform::cp932ToUtf8(nameCp932));
}

std::shared_ptr<LoadedFace> loadInstalledFace(const InstalledFace& match) {
  std::string key = "fc:" + match.file + "#" + std::to_string(match.index);
  if (auto it = fonts.faces.find(key); it != fonts.faces.end()) return it->second;
  auto loaded = std::make_shared<LoadedFace>();
  if (FT_New_Face(library(), match.file.c_str(), match.index, &loaded->face) != 0) {
    loaded->face = nullptr;
    return nullptr;
  }
  if (!FT_IS_SCALABLE(loaded->face)) return nullptr;
  return finishFace(loaded, key, match.file);
}

// An installed face by name (fontconfig), else the default face, else any face at all:
// the Windows font mapper never refuses a request, it substitutes its default face. A face
// file was tried when the font was asked for; `fileFace` is what that gave.
std::shared_ptr<LoadedFace> resolveFace(std::string_view faceCp932, bool bold, std::shared_ptr<LoadedFace> fileFace) {
  if (fileFace) return fileFace;
  if (!library()) return nullptr;
  if (!endsWithFontExtension(faceCp932)) {
    if (auto match = matchInstalledFace(platform::cp932ToUtf8(faceCp932), bold)) {
      if (auto face = loadInstalledFace(*match)) return face;
    }
  }
  if (auto match = matchInstalledFace(kDefaultFaceUtf8, bold)) {
    if (auto face = loadInstalledFace(*match)) return face;
  }
  if (auto match = matchAnyFace()) return loadInstalledFace(*match);
  return nullptr;
}

// The cell height of a Windows font request is ascent + descent; FreeType sizes by the em.
// GDI took the OS/2 Windows metrics for the cell, and for ＭＳ ゴシック those equal the em. The
// IPA faces that stand in for it have the same em layout in their typographic metrics but a
// deeper Windows descent (401 of 2048 units): sizing by that would draw 26-pixel text at 24
// pixels. The typographic metrics keep the size an author sees on Windows; the Windows ones
// serve faces without them.
void cellMetrics(FT_Face face, int& above, int& below) {
  auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
  if (os2 && os2->version != 0xFFFF && os2->sTypoAscender - os2->sTypoDescender > 0) {
    above = os2->sTypoAscender;
    below = -os2->sTypoDescender;
  } else if (os2 && os2->version != 0xFFFF && os2->usWinAscent + os2->usWinDescent > 0) {
    above = os2->usWinAscent;
    below = os2->usWinDescent;
  } else if (face->ascender - face->descender > 0) {
    above = face->ascender;
    below = -face->descender;
  } else {
    above = face->units_per_EM;
    below = 0;
  }
}

std::uint64_t glyphKey(const OpenFont& f, unsigned code) {
  return static_cast<std::uint64_t>(f.face->id) << 40 | static_cast<std::uint64_t>(f.em) << 24 |
         static_cast<std::uint64_t>(f.embolden ? 1 : 0) << 16 | (code & 0xFFFF);
}

void rasterise(const OpenFont& f, unsigned code, GreyGlyph& out) {
  FT_Face face = f.face->face;
  FT_Activate_Size(f.size);
  char32_t unicode = platform::cp932CodeToUnicode(code & 0xFFFF);
  FT_UInt index = unicode ? FT_Get_Char_Index(face, unicode) : 0;
  if (FT_Load_Glyph(face, index, FT_LOAD_DEFAULT | FT_LOAD_NO_BITMAP) != 0) return;
  FT_GlyphSlot slot = face->glyph;
  if (slot->format != FT_GLYPH_FORMAT_OUTLINE) return;
  // Windows thickens a face without a bold design by about one pixel sideways.
  if (f.embolden) FT_Outline_EmboldenXY(&slot->outline, 64, 0);
  if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0) return;
  const FT_Bitmap& bitmap = slot->bitmap;
  if (bitmap.pixel_mode != FT_PIXEL_MODE_GRAY || bitmap.width == 0 || bitmap.rows == 0) return;
  out.blackBoxX = static_cast<int>(bitmap.width);
  out.blackBoxY = static_cast<int>(bitmap.rows);
  out.originX = slot->bitmap_left;
  out.originY = slot->bitmap_top;
  out.rowBytes = (out.blackBoxX + 3) & ~3;
  out.coverage.assign(static_cast<std::size_t>(out.rowBytes) * out.blackBoxY, 0);
  for (int row = 0; row < out.blackBoxY; ++row) {
    const unsigned char* src = bitmap.buffer + static_cast<std::ptrdiff_t>(row) * bitmap.pitch;
    std::uint8_t* dst = out.coverage.data() + static_cast<std::size_t>(row) * out.rowBytes;
    for (int col = 0; col < out.blackBoxX; ++col) dst[col] = reduceCoverage(src[col]);
  }
}

}  // namespace

namespace {

bool resolve(OpenFont& font) {
  const bool bold = font.weight >= 700;
  auto face = resolveFace(font.faceCp932, bold, std::move(font.fileFace));
  if (!face) return false;
  if (FT_New_Size(face->face, &font.size) != 0) {
    font.size = nullptr;
    return false;
  }
  font.face = face;
  FT_Activate_Size(font.size);
  int above = 0;
  int below = 0;
  cellMetrics(face->face, above, below);
  int unitsPerEm = face->face->units_per_EM ? face->face->units_per_EM : above + below;
  long em = kDefaultEm;
  if (font.height > 0) {
    em = std::lround(static_cast<double>(font.height) * unitsPerEm / (above + below));
  } else if (font.height < 0) {
    em = -static_cast<long>(font.height);
  }
  font.em = static_cast<int>(std::clamp<long>(em, 1, kLargestEm));
  if (FT_Set_Pixel_Sizes(face->face, 0, static_cast<FT_UInt>(font.em)) != 0) return false;
  font.ascent = static_cast<int>(std::lround(static_cast<double>(above) * font.em / unitsPerEm));
  font.embolden = bold && !face->boldDesign;
  return true;
}

// The font ready to draw, resolved on the first call; null when no usable font exists.
const OpenFont* ready(const FontHandle& handle) {
  OpenFont* font = handle.font.get();
  if (!font) return nullptr;
  if (!font->resolved) {
    font->resolved = true;
    font->usable = resolve(*font);
  }
  return font->usable ? font : nullptr;
}

}  // namespace

FontHandle openFont(std::string_view faceCp932, int height, int weight) {
  auto font = std::make_shared<OpenFont>();
  font->faceCp932 = std::string(faceCp932);
  font->height = height;
  font->weight = weight;
  if (endsWithFontExtension(faceCp932) && library()) font->fileFace = loadFaceFile(faceCp932);
  return FontHandle{font};
}

bool fontUsable(const FontHandle& font, bool& firstFailure) {
  firstFailure = false;
  if (ready(font)) return true;
  if (font && !font.font->failureTaken) {
    font.font->failureTaken = true;
    firstFailure = true;
  }
  return false;
}

int fontAscent(const FontHandle& font) {
  const OpenFont* f = ready(font);
  return f ? f->ascent : 0;
}

std::string fontFileName(const FontHandle& font) {
  const OpenFont* f = ready(font);
  return f ? f->face->fileName : std::string();
}

std::string fontFamilyName(const FontHandle& font) {
  const OpenFont* f = ready(font);
  return f ? f->face->family : std::string();
}

const GreyGlyph& glyphBitmap(const FontHandle& font, unsigned code) {
  static const GreyGlyph kEmpty;
  const OpenFont* f = ready(font);
  if (!f) return kEmpty;
  std::uint64_t key = glyphKey(*f, code);
  if (auto it = fonts.glyphs.find(key); it != fonts.glyphs.end()) return it->second;
  if (fonts.glyphs.size() >= core::kGlyphCacheEntries || fonts.glyphBytes >= core::kGlyphCacheBytes) clearGlyphCache();
  assert(fonts.glyphs.size() < core::kGlyphCacheEntries &&
         "the cache was emptied above when full, so the entry added next keeps it within its bound");
  GreyGlyph& glyph = fonts.glyphs[key];
  rasterise(*f, code, glyph);
  fonts.glyphBytes += glyph.coverage.size() + sizeof(GreyGlyph);
  return glyph;
}

void clearGlyphCache() {
  fonts.glyphs.clear();
  fonts.glyphBytes = 0;
}

std::size_t glyphCacheSize() { return fonts.glyphs.size(); }

}  // namespace text
