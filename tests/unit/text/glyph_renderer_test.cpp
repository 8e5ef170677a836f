// The renderer record: when fonts are made again, face look-up and its fall-backs, the
// CP932 character map, and the message glyphs of a page.
#include "text/glyph_renderer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/cp932.h"
#include "text/font_list.h"

namespace {

using text::GlyphRenderer;

const std::string kGothic = platform::jp("ＭＳ ゴシック");

TEST(SetFont, RecreatesOnlyForFaceHeightOrWeight) {
  GlyphRenderer r;
  ASSERT_TRUE(text::create(r, kGothic, 26, 14, 0));
  EXPECT_EQ(r.fontCreations, 1);
  EXPECT_EQ(r.cellSize, 30);
  EXPECT_EQ(r.shadowOn + r.outlineOn + r.gradientOn, 3);

  text::setFont(r, kGothic, 26, 0);  // bits 1-3 off: style only
  EXPECT_EQ(r.fontCreations, 1);
  EXPECT_EQ(r.shadowOn + r.outlineOn + r.gradientOn, 0);
  text::setFont(r, kGothic, 26, 8);
  EXPECT_EQ(r.fontCreations, 1);
  EXPECT_EQ(r.gradientOn, 1);

  text::setFont(r, kGothic, 26, 9);  // bit 0: weight 700
  EXPECT_EQ(r.fontCreations, 2);
  EXPECT_EQ(r.request.weight, 700);
  text::setFont(r, kGothic, 26, 9);
  EXPECT_EQ(r.fontCreations, 2) << "the same request keeps the font";

  text::setFont(r, kGothic, 20, 9);
  EXPECT_EQ(r.fontCreations, 3);
  EXPECT_EQ(r.fontHeight, 20);
  EXPECT_EQ(r.cellSize, 24);

  text::setFont(r, "IPAGothic", 20, 9);
  EXPECT_EQ(r.fontCreations, 4);
  // The request keeps 31 bytes of a face name: a difference after them is no difference.
  std::string longA(31, 'x'), longB = longA + "a", longC = longA + "b";
  text::setFont(r, longB, 20, 9);
  EXPECT_EQ(r.fontCreations, 5);
  EXPECT_EQ(r.request.face.size(), 31u);
  text::setFont(r, longC, 20, 9);
  EXPECT_EQ(r.fontCreations, 5);
}

TEST(SetFont, BoldIsHeavierThanNormal) {
  GlyphRenderer normal, bold;
  ASSERT_TRUE(text::create(normal, kGothic, 26, 0, 0));
  ASSERT_TRUE(text::create(bold, kGothic, 26, 1, 0));
  auto ink = [](const GlyphRenderer& r) {
    const text::GreyGlyph& g = text::glyphBitmap(r.font, 0x8969);
    long sum = 0;
    for (auto v : g.coverage) sum += v;
    return sum;
  };
  EXPECT_GT(ink(bold), ink(normal) * 11 / 10);
}

TEST(FaceLookUp, WindowsNamesFallBacksAndFontFiles) {
  GlyphRenderer gothic;
  ASSERT_TRUE(text::create(gothic, kGothic, 26, 0, 0));
  EXPECT_NE(text::fontFamilyName(gothic.font).find("Gothic"), std::string::npos) << text::fontFamilyName(gothic.font);

  GlyphRenderer missing;
  ASSERT_TRUE(text::create(missing, platform::jp("どこにもない書体"), 26, 0, 0));
  EXPECT_EQ(text::fontFileName(missing.font), text::fontFileName(gothic.font));
  EXPECT_GT(text::glyphBitmap(missing.font, 0x82A0).blackBoxY, 0);

  // A face file in the game folder, named with Windows separators and letter case.
  auto previous = std::filesystem::current_path();
  auto dir = std::filesystem::path(UTSUSHI_BINARY_DIR) / "font_file_game";
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir / "fonts");
  std::filesystem::copy_file("/usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf", dir / "fonts" / "face.ttf");
  { std::ofstream(dir / "broken.ttf") << "not a font at all"; }
  std::filesystem::current_path(dir);
  GlyphRenderer fromFile, broken, absent;
  EXPECT_TRUE(text::create(fromFile, "FONTS\\Face.TTF", 26, 0, 0));
  EXPECT_TRUE(text::create(broken, "broken.ttf", 26, 0, 0));
  EXPECT_TRUE(text::create(absent, "absent.otf", 26, 0, 0));
  std::filesystem::current_path(previous);
  EXPECT_EQ(text::fontFamilyName(fromFile.font), "IPAPGothic");
  EXPECT_EQ(text::fontFileName(broken.font), text::fontFileName(gothic.font));
  EXPECT_EQ(text::fontFileName(absent.font), text::fontFileName(gothic.font));
  EXPECT_GT(text::glyphBitmap(fromFile.font, 0x82A0).blackBoxY, 0);
}

TEST(CharacterMap, Cp932ExtensionsAreDrawnNotMissing) {
  GlyphRenderer r;
  ASSERT_TRUE(text::create(r, kGothic, 26, 0, 0));
  const text::GreyGlyph& missing = text::glyphBitmap(r.font, 0x85A0);  // an unassigned row
  // ～ (FF5E, not the wave dash of plain Shift_JIS), ① (NEC row 13), 纊 (NEC-selected IBM
  // extension), ⅰ (IBM extension), and the half-width katakana ｱ as a single byte.
  for (unsigned code : {0x8160u, 0x8740u, 0xED40u, 0xFA40u, 0x815Fu}) {
    const text::GreyGlyph& g = text::glyphBitmap(r.font, code);
    EXPECT_GT(g.blackBoxY, 0) << std::hex << code;
    EXPECT_FALSE(g.coverage == missing.coverage && g.blackBoxX == missing.blackBoxX) << std::hex << code;
  }
}

TEST(MessageGlyphs, SpacesAndCodeZeroMakeNoGlyph) {
  GlyphRenderer r;
  ASSERT_TRUE(text::create(r, kGothic, 26, 14, 4));
  text::addMessageGlyph(r, 8, 16, 0x81, 0x40);
  text::addMessageGlyph(r, 8, 16, 0, 0);
  EXPECT_EQ(r.glyphCount, 0);
  text::addMessageGlyph(r, 8, 16, 0x82, 0xA0);
  text::addMessageGlyph(r, 34, 16, 0, 'A');
  ASSERT_EQ(r.glyphCount, 2);
  // The quad covers the cell on whole pixels; the cell holds the glyph drawn at (0, 0).
  const text::GlyphQuad& q = r.glyphQuads[0];
  EXPECT_FLOAT_EQ(q.v[0].x, 8);
  EXPECT_FLOAT_EQ(q.v[0].y, 16);
  EXPECT_FLOAT_EQ(q.v[3].x, 38);
  EXPECT_FLOAT_EQ(q.v[3].y, 46);
  EXPECT_FLOAT_EQ(q.v[3].u, 1);
  EXPECT_FLOAT_EQ(q.v[1].v, 0);
  image::PixelImage expected;
  expected.width = expected.height = 30;
  expected.pixels.assign(30 * 30 * 4, 0);
  text::drawGlyph(r, text::targetOf(expected), 0x82A0, 0, 0);
  EXPECT_EQ(r.glyphTextures[0].cell.pixels, expected.pixels);
  // Slots beyond the capacity are not filled; releasing empties the page.
  for (int i = 0; i < 5; ++i) text::addMessageGlyph(r, 0, 0, 0x82, 0xA2);
  EXPECT_EQ(r.glyphCount, 4);
  text::releaseMessageGlyphs(r);
  EXPECT_EQ(r.glyphCount, 0);
}

TEST(MessageGlyphs, HeightsAScriptMaySetDoNotBreakThePage) {
  GlyphRenderer r;
  ASSERT_TRUE(text::create(r, kGothic, 100000, 14, 4));
  text::addMessageGlyph(r, 0, 0, 0x82, 0xA0);
  EXPECT_EQ(r.glyphCount, 0) << "no cell of that size";
  text::setFont(r, kGothic, -30, 14);  // a negative height asks for the em size
  text::addMessageGlyph(r, 0, 0, 0x82, 0xA0);
  EXPECT_EQ(r.glyphCount, 0);
  text::setFont(r, kGothic, 0, 14);
  text::addMessageGlyph(r, 0, 0, 0x82, 0xA0);
  EXPECT_EQ(r.glyphCount, 1);
  EXPECT_EQ(r.glyphTextures[0].cell.width, 4);
  image::PixelImage small;
  small.width = small.height = 8;
  small.pixels.assign(8 * 8 * 4, 0);
  text::setFont(r, kGothic, 5000, 14);
  text::drawString(r, text::targetOf(small), platform::jp("あいう"));
}

TEST(FontList, JapaneseFacesWithFixedPitchSubset) {
  int all = text::enumerateFonts(0);
  ASSERT_GE(all, 1);
  std::vector<std::string> names = text::fontList();
  EXPECT_NE(std::find(names.begin(), names.end(), platform::jp("IPAゴシック")), names.end());
  int fixed = text::enumerateFonts(2);
  EXPECT_LE(fixed, all);
  for (const std::string& name : text::fontList()) {
    EXPECT_NE(std::find(names.begin(), names.end(), name), names.end());
  }
  EXPECT_EQ(std::find(text::fontList().begin(), text::fontList().end(), platform::jp("IPA Pゴシック")),
            text::fontList().end())
      << "a proportional face is not fixed pitch";
  EXPECT_EQ(text::enumerateFonts(1), all);
}

}  // namespace
