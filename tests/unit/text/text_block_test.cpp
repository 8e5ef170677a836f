// Strings and backlog text blocks: every character must land where the layout rules put
// it. The expected picture is drawn glyph by glyph at positions worked out here.
#include <gtest/gtest.h>

#include "platform/cp932.h"
#include "text/glyph_renderer.h"

namespace {

using text::GlyphRenderer;

struct Blocks : ::testing::Test {
  GlyphRenderer main, ruby;
  image::PixelImage got, want;
  void SetUp() override {
    ASSERT_TRUE(text::create(main, platform::jp("ＭＳ ゴシック"), 26, 0, 0));
    ASSERT_TRUE(text::create(ruby, platform::jp("ＭＳ ゴシック"), 13, 0, 0));
    text::setColours(ruby, 0xFF8000, 0xFF8000, 0);
    for (image::PixelImage* p : {&got, &want}) {
      p->width = 400;
      p->height = 200;
      p->pixels.assign(400 * 200 * 4, 0);
    }
  }
  void TearDown() override {
    bool inked = false;
    for (std::size_t i = 3; i < want.pixels.size(); i += 4) inked = inked || want.pixels[i] != 0;
    EXPECT_TRUE(inked) << "the expected picture must hold glyphs";
  }
  void glyph(const GlyphRenderer& r, const char* utf8, int x, int y) {
    std::string s = platform::jp(utf8);
    unsigned code = s.size() == 2 ? (static_cast<unsigned char>(s[0]) << 8 | static_cast<unsigned char>(s[1]))
                                  : static_cast<unsigned char>(s[0]);
    text::drawGlyph(r, text::targetOf(want), code, x, y);
  }
  void block(const char* utf8, int extraX, int extraY, int lineSpacing) {
    text::drawTextBlock(main, text::targetOf(got), platform::jp(utf8), extraX, extraY, lineSpacing, ruby);
  }
};

TEST_F(Blocks, ColumnsSpacesAndLineBreaks) {
  // d = (26 + 4) / 2 = 15; line advance = 26 + 2 * 3 - 2 = 30; the first line at y = 3.
  block("あa b\x0cい　う/", 4, 3, 2);
  glyph(main, "あ", 0, 3);
  glyph(main, "a", 30, 3);
  glyph(main, "b", 60, 3);    // the space took column 3
  glyph(main, "い", 0, 33);   // the form feed reset the column
  glyph(main, "う", 60, 33);  // the full-width space took two columns undrawn
  glyph(main, "/", 90, 33);   // outside a base "/" is an ordinary character
  EXPECT_EQ(got.pixels, want.pixels);
}

TEST_F(Blocks, RubySpreadsOverItsBase) {
  // d = 13. Base 漢字 from column 2 is W = 52 pixels; ruby かんじ: n = 3, L = 6,
  // step = (52 - 6 * 13 / 2) / 4 = 3.25: x = 26 + 3, 26 + 6 + 13, 26 + 9 + 26.
  block("あ(漢字/かんじ)x", 0, 2, 2);
  glyph(main, "あ", 0, 2);
  glyph(main, "漢", 26, 2);
  glyph(main, "字", 52, 2);
  glyph(ruby, "か", 29, 0);
  glyph(ruby, "ん", 45, 0);
  glyph(ruby, "じ", 61, 0);
  glyph(main, "x", 78, 2);  // ruby does not advance the column
  EXPECT_EQ(got.pixels, want.pixels);
}

TEST_F(Blocks, SingleByteRubyAndFullWidthSpaceInRuby) {
  // Line advance 26 + 2 * 2 - 2 = 28. Line 2 (y = 30): base "ab" at column 0 is W = 26; ruby "xyz": n 3, L 3,
  // step = (26 - 3 * 13 / 2) / 4 = (26 - 19) / 4 = 1.75; single bytes go to
  // trunc(1.75 j + (j - 1) * 13 / 2): 1, 3 + 6 = 9, 5.25 + 13 = 18.
  block("\x0c(ab/xyz)", 0, 2, 2);
  glyph(main, "a", 0, 30);
  glyph(main, "b", 13, 30);
  glyph(ruby, "x", 1, 28);
  glyph(ruby, "y", 9, 28);
  glyph(ruby, "z", 18, 28);
  // Line 3 (y = 58): base 山 at column 4 (x 52, W 26); ruby "や　" is counted (n 2, L 4): step = 0 / 3.
  block("\x0c\x0c    (山/や　)", 0, 2, 2);
  glyph(main, "山", 52, 58);
  glyph(ruby, "や", 52, 56);
  EXPECT_EQ(got.pixels, want.pixels);
}

TEST_F(Blocks, UnclosedRubyRunsToTheEnd) {
  block("(本/ほん", 0, 0, 0);
  // W = 26, n 2, L 4: step = (26 - 26) / 3 = 0: x = 0 and 13, at y = 0.
  glyph(main, "本", 0, 0);
  glyph(ruby, "ほ", 0, 0);
  glyph(ruby, "ん", 13, 0);
  EXPECT_EQ(got.pixels, want.pixels);
}

TEST(DrawString, AdvancesByFontHeightAndSkipsSpaces) {
  GlyphRenderer r;
  ASSERT_TRUE(text::create(r, platform::jp("ＭＳ ゴシック"), 20, 6, 0));
  image::PixelImage got, want;
  for (image::PixelImage* p : {&got, &want}) {
    p->width = 200;
    p->height = 24;
    p->pixels.assign(200 * 24 * 4, 0);
  }
  text::drawString(r, text::targetOf(got), platform::jp("A　あ b") + "\x82");
  text::drawGlyph(r, text::targetOf(want), 'A', 0, 0);
  text::drawGlyph(r, text::targetOf(want), 0x82A0, 30, 0);
  text::drawGlyph(r, text::targetOf(want), 'b', 60, 0);
  text::drawGlyph(r, text::targetOf(want), 0x82, 70, 0);  // a lone lead byte at the end
  EXPECT_EQ(got.pixels, want.pixels);
}

}  // namespace
