// The message layout without waiting (text speed 0): where glyphs and ruby land, wrapping,
// and what the backlog page receives; the pieces it is built from.
#include "text/message_layout.h"

#include <gtest/gtest.h>

#include "core/command_registry.h"
#include "core/interpreter.h"
#include "platform/cp932.h"
#include "platform/options.h"
#include "text/backlog.h"
#include "text/glyph_renderer.h"
#include "text/inline_commands.h"
#include "text/message_state.h"
#include "text/message_window.h"
#include "text/text_commands.h"

namespace {

using platform::jp;

TEST(PlaceRuby, SpreadsOverTheBase) {
  // "漢字" is 4 columns of 13 pixels: 52 pixels for "かんじ" (6 bytes, 3 characters):
  // step = (52 - 6 * 13 / 2) / 4 = 3.25.
  std::vector<text::RubyGlyph> g = text::placeRuby(jp("かんじ"), 100, 4, 13);
  ASSERT_EQ(g.size(), 3u);
  EXPECT_EQ(g[0].x, 103);
  EXPECT_EQ(g[1].x, 100 + 6 + 13);
  EXPECT_EQ(g[2].x, 100 + 9 + 26);
  EXPECT_EQ(g[0].lead, 0x82);
  // One-byte ruby: step = (26 - 2 * 13 / 2) / 3 = 4.33; x = trunc(step * j + (j - 1) * 6).
  g = text::placeRuby("ab", 0, 2, 13);
  ASSERT_EQ(g.size(), 2u);
  EXPECT_EQ(g[0].x, 4);
  EXPECT_EQ(g[1].x, 14);
  EXPECT_EQ(g[1].lead, 0);
  EXPECT_EQ(g[1].trail, 'b');
  // A full-width space holds its place but draws nothing.
  g = text::placeRuby(jp("あ　い"), 0, 6, 13);
  ASSERT_EQ(g.size(), 2u);
  EXPECT_GT(g[1].x - g[0].x, 26);
}

TEST(InlineCommand, NameArgumentsAndEnd) {
  std::string line = "x[SE.Play 1, 2]rest";
  text::InlineCommandText c = text::parseInlineCommand(line, 1);
  EXPECT_EQ(c.name, "se.play");
  EXPECT_EQ(c.args, " 1, 2");
  EXPECT_EQ(line.substr(c.next), "rest");
  // 0x83 0x5D ("ゾ") carries "]" as its trail byte: it does not end the arguments.
  line = "[w " + jp("ゾ") + "]z";
  c = text::parseInlineCommand(line, 0);
  EXPECT_EQ(c.args, " " + jp("ゾ"));
  EXPECT_EQ(line.substr(c.next), "z");
  // Unclosed: the arguments run to the end.
  c = text::parseInlineCommand("[br", 0);
  EXPECT_EQ(c.name, "br");
  EXPECT_EQ(c.next, 3u);
}

class InstantLayout : public ::testing::Test {
 protected:
  void SetUp() override {
    {  // errors are reported on stderr, not in a box that waits for a reader
      platform::EngineOptions o = platform::options();
      o.noDialogs = true;
      platform::setOptions(o);
    }
    ASSERT_TRUE(text::createGlyphRenderers());
    if (!core::findCommand("br")) core::addCommands(text::messageWindowCommands());
    text::MessageState& ms = text::messageState();
    ms = text::MessageState{};
    ms.textSpeed = 0;
    text::resetBacklog();
    text::releaseMessageGlyphs(text::messageRenderer());
    text::releaseMessageGlyphs(text::rubyRenderer());
  }
  void TearDown() override { text::destroyGlyphRenderers(); }

  int show(const std::string& line, int nextLength = 1) {
    return text::showMessageLine(line, nextLength, {}, msg).quit ? 0 : 1;
  }
  static float glyphX(const text::GlyphRenderer& r, int i) { return r.glyphQuads[static_cast<std::size_t>(i)].v[0].x; }
  static float glyphY(const text::GlyphRenderer& r, int i) { return r.glyphQuads[static_cast<std::size_t>(i)].v[0].y; }

  platform::WindowMessage msg;
};

TEST_F(InstantLayout, ColumnsLinesAndWrap) {
  text::MessageState& ms = text::messageState();
  ms.charsPerLine = 3;  // six half-width columns
  ms.extraX = 2;        // column pitch (26 + 2) / 2 = 14
  ASSERT_EQ(show(jp("あbcdeい")), 1);
  const text::GlyphRenderer& r = text::messageRenderer();
  ASSERT_EQ(r.glyphCount, 6);
  EXPECT_EQ(glyphX(r, 0), 8);
  EXPECT_EQ(glyphX(r, 1), 8 + 2 * 14);
  EXPECT_EQ(glyphX(r, 4), 8 + 5 * 14) << "a full-width character starting in the last column overhangs";
  EXPECT_EQ(glyphY(r, 4), 16);
  EXPECT_EQ(glyphX(r, 5), 8) << "the next character wraps";
  EXPECT_EQ(glyphY(r, 5), 16 + 28);
  EXPECT_EQ(ms.line, 2) << "the line's end moves to a new line";
  EXPECT_EQ(text::currentBacklogPage().text, jp("あbcdeい").insert(6, "\f") + "\f");
}

TEST_F(InstantLayout, RubyOverItsBaseAndTheBacklogKeepsTheGroup) {
  ASSERT_EQ(show(jp("あ(漢字/かんじ)だ")), 1);
  const text::GlyphRenderer& r = text::messageRenderer();
  const text::GlyphRenderer& ruby = text::rubyRenderer();
  ASSERT_EQ(r.glyphCount, 4);
  ASSERT_EQ(ruby.glyphCount, 3);
  EXPECT_EQ(glyphX(r, 3), 8 + 6 * 13) << "ruby and its marks take no columns";
  // Base from column 2 (x 34), four columns: step (52 - 39) / 4 = 3.25.
  EXPECT_EQ(glyphX(ruby, 0), 34 + 3);
  EXPECT_EQ(glyphX(ruby, 2), 34 + 9 + 26);
  EXPECT_EQ(glyphY(ruby, 0), 16 - 13) << "raised by half the line height";
  EXPECT_EQ(text::currentBacklogPage().text, jp("あ(漢字/かんじ)だ") + "\f");
}

TEST_F(InstantLayout, SpacesCommentsAndMarksInTheBacklog) {
  ASSERT_EQ(show(jp("あ　い[br]う//見えない")), 1);
  EXPECT_EQ(text::messageRenderer().glyphCount, 3) << "the full-width space makes no glyph";
  EXPECT_EQ(text::currentBacklogPage().text, jp("あ　い") + "\f" + jp("う") + "\f");
  EXPECT_EQ(text::messageState().line, 2);
}

TEST_F(InstantLayout, TextHookTakesTheWaitAndTheLineResumes) {
  const std::string line = jp("あい@うえ@");
  text::LineOutcome first = text::showMessageLine(line, 1, {.textHook = true}, msg);
  EXPECT_FALSE(first.quit);
  EXPECT_EQ(first.stopKind, 1);
  EXPECT_EQ(first.resumePosition, 5);
  EXPECT_EQ(first.resumeColumn, 4);
  EXPECT_EQ(text::currentBacklogPage().lineCount, 1);
  // The same line again continues after the mark, at the column it reached.
  text::LineOutcome second = text::showMessageLine(
      line, 1, {.resumePosition = first.resumePosition, .resumeColumn = first.resumeColumn, .textHook = true}, msg);
  EXPECT_EQ(glyphX(text::messageRenderer(), 2), 8 + 4 * 13);
  EXPECT_EQ(second.stopKind, 1);
  EXPECT_EQ(second.resumePosition, 0) << "the mark was the line's last character";
  EXPECT_EQ(text::messageState().line, 1);
  EXPECT_EQ(text::currentBacklogPage().text, jp("あいうえ") + "\f");
  // Without the hook a line hands nothing over.
  EXPECT_EQ(text::showMessageLine(jp("お"), 1, {}, msg).stopKind, 0);
}

TEST(Backlog, RingOfOneHundredPages) {
  text::resetBacklog();
  text::appendToBacklog("first");
  for (int i = 0; i < 150; ++i) text::advanceBacklogPage();
  EXPECT_EQ(text::backlogRing().used, 100);
  EXPECT_EQ(text::backlogRing().current, 50);
  EXPECT_EQ(text::backlogPageBack(100), &text::currentBacklogPage());
  EXPECT_EQ(text::backlogPageBack(101), nullptr);
  EXPECT_EQ(text::backlogPageBack(-1), nullptr);
  for (int i = 0; i < 50; ++i) text::advanceBacklogPage();
  EXPECT_EQ(text::currentBacklogPage().text, "") << "a page is emptied when the ring comes back to it";
}

TEST(Backlog, APageStaysBelow1024BytesInWholeCharacters) {
  text::resetBacklog();
  std::string filler(1020, 'a');
  text::appendToBacklog(filler);
  text::appendToBacklog(jp("あい"));  // 1020 + 2 fits 1023; the second would reach 1024
  EXPECT_EQ(text::currentBacklogPage().text.size(), 1022u);
  text::appendToBacklog("b");
  text::appendToBacklog("c");
  EXPECT_EQ(text::currentBacklogPage().text.size(), 1023u);
  EXPECT_EQ(text::currentBacklogPage().text.back(), 'b');
  text::resetBacklog();
}

}  // namespace
