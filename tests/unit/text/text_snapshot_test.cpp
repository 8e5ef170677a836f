// Text's snapshot without a file, as in-memory snapshots take it: what restore puts back is
// what capture sees again, and the pages of a block being shown stay out.
#include "text/text_snapshot.h"

#include <gtest/gtest.h>

#include "graphics/sprites.h"
#include "text/backlog.h"
#include "text/font_settings.h"
#include "text/glyph_renderer.h"
#include "text/message_state.h"
#include "text/text_state.h"

namespace {

class TextSnapshotTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(text::createGlyphRenderers());
    text::messageState() = text::MessageState{};
    text::resetBacklog();
    text::resetTextState();
    text::resetMessageFont();
    graphics::textSpriteSettings() = graphics::TextSpriteSettings{};
  }
  void TearDown() override {
    text::resetTextState();
    text::destroyGlyphRenderers();
  }
};

TEST_F(TextSnapshotTest, RestoringACaptureGivesEveryFieldBack) {
  text::MessageState& ms = text::messageState();
  ms.textSpeed = 33;
  text::setAutoWaitBase(ms, 500);
  ms.lineNullJoined = 1; ms.lineNullEmpty = 2; ms.indentBracket = 1; ms.indentPlain = 1;
  ms.originX = 20; ms.originY = 30; ms.pitchX = 22; ms.pitchY = 24; ms.extraX = 1; ms.lineSpacing = 3;
  ms.charsPerLine = 20; ms.lineCount = 5; ms.logPitchX = 18; ms.logPitchY = 19; ms.logExtraX = 2; ms.logLineSpacing = 4;
  text::messageFont().face = "DejaVu Sans";
  text::messageFont().colour2 = 0x123456;
  graphics::textSpriteSettings().height = 30;
  graphics::textSpriteSettings().colour3 = 0xABCDEF;
  text::appendToBacklog("first");
  text::currentBacklogPage().speaker = "name";
  text::advanceBacklogPage();
  text::appendToBacklog("second");  // written by setlog: no block is being shown
  const text::TextSnapshot before = text::captureText();
  EXPECT_EQ(before.pages[1].text, "second");

  text::messageState() = text::MessageState{};
  text::resetBacklog();
  text::resetMessageFont();
  graphics::textSpriteSettings() = graphics::TextSpriteSettings{};
  text::restoreText(before);
  EXPECT_EQ(ms.autoWaitPerChar, 25) << "the per-character wait follows the base";

  text::TextSnapshot after = text::captureText();
  EXPECT_EQ(after.font, before.font);
  EXPECT_EQ(after.window, before.window);
  EXPECT_EQ(after.pages, before.pages);
  // The page kept whole stays in the backlog, behind the fresh page the resumed text starts.
  ASSERT_TRUE(after.message && before.message);
  EXPECT_EQ(after.message->backlogPosition, before.message->backlogPosition + 1);
  EXPECT_EQ(after.message->backlogCount, before.message->backlogCount + 1);
  after.message->backlogPosition = before.message->backlogPosition;
  after.message->backlogCount = before.message->backlogCount;
  EXPECT_EQ(after.message, before.message);
}

TEST_F(TextSnapshotTest, TheShownPageOfABlockInProgressStaysOut) {
  text::textState().textBlockLine = 7;
  text::textState().textBlockKey = 0x1234;
  text::appendToBacklog("being shown");
  EXPECT_FALSE(text::blockInProgress()) << "a page alone is no block in progress";
  EXPECT_EQ(text::captureText().pages[0].text, "being shown");
  text::textState().lineInProgress = true;
  const std::optional<text::BlockStart> block = text::blockInProgress();
  ASSERT_TRUE(block);
  EXPECT_EQ(block->fileKey, 0x1234u);
  EXPECT_EQ(block->line, 7);
  EXPECT_TRUE(text::captureText().pages[0].text.empty());
}

}  // namespace
