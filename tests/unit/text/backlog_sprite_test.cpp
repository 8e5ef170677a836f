// logsp: the size of the picture it makes, its name, and a page's ruby drawn above its base.
#include <gtest/gtest.h>

#include "core/command_registry.h"
#include "graphics/sprites.h"
#include "platform/cp932.h"
#include "platform/options.h"
#include "text/glyph_renderer.h"
#include "text/message_state.h"
#include "text/text_commands.h"

namespace {

bool inkInRows(const graphics::TextureImage& p, int firstRow, int endRow, int endColumn, int firstColumn = 0) {
  for (int y = firstRow; y < endRow; ++y)
    for (int x = firstColumn; x < endColumn; ++x)
      if (p.pixels[(static_cast<std::size_t>(y) * p.width + x) * 4 + 3] != 0) return true;
  return false;
}

TEST(LogSp, PicturePerLogWindowAndRubyAboveTheBase) {
  {  // errors are reported on stderr, not in a box that waits for a reader
    platform::EngineOptions o = platform::options();
    o.noDialogs = true;
    platform::setOptions(o);
  }
  ASSERT_TRUE(text::createGlyphRenderers());
  text::MessageState& ms = text::messageState();
  ms = text::MessageState{};
  ms.logExtraX = 2;
  ms.logLineSpacing = 10;
  graphics::resetSprites();
  const core::CommandEntry* entry = nullptr;
  for (const core::CommandEntry& e : text::backlogSpriteCommands())
    if (e.name == "logsp") entry = &e;
  ASSERT_NE(entry, nullptr);
  auto logsp = [&](const std::string& args) { core::runCommand(*entry, args); };

  logsp(" 7, \"" + platform::jp("(漢字/かんじ)の\fページ") + "\", 2");
  graphics::SpriteSlot* slot = graphics::spriteSlot(7);
  ASSERT_NE(slot, nullptr);
  const graphics::TextureImage* p = slot->staged();
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->width, (2 + 26) * 23 + 4);
  // Lines are drawn 26 + 2 x 10 - lineSpacing 2 = 44 apart from y = 10, so the second line's
  // 30-pixel glyph cell ends at 10 + 44 + 30 = 84: the picture holds it whole, more than the
  // (10 + 26) x 2 + 4 = 76 rows that one log spacing a line would give.
  EXPECT_EQ(p->height, 10 + 44 + 30);
  EXPECT_EQ(p->layer, 0u);
  EXPECT_EQ(slot->name, platform::jp("ログ"));
  ASSERT_EQ(p->pixels.size(), static_cast<std::size_t>(p->width) * p->height * 4);
  // The base sits at y = 10 (its glyphs' ink starts a few rows lower); the ruby is drawn
  // 10 rows higher, at y = 0, over the base's 56 pixels only.
  EXPECT_TRUE(inkInRows(*p, 0, 8, 56)) << "ruby above the base";
  EXPECT_FALSE(inkInRows(*p, 0, 8, p->width, 60)) << "nothing else up there";
  // The second line starts one line advance (26 + 2 x 10 - lineSpacing 2 = 44) lower.
  EXPECT_TRUE(inkInRows(*p, 44 + 10, p->height, 60));
  // The glyphs of the last line end inside the picture: a row of ink in the cell's lower
  // half, where "ペ" and "ジ" reach down.
  EXPECT_TRUE(inkInRows(*p, 44 + 10 + 15, p->height, 60));

  logsp(" 7, \"x\", 0");  // no lines: refused, the picture stays
  EXPECT_EQ(slot->staged()->height, 10 + 44 + 30);

  // When the log spacing is the window's, one spacing a line is exactly enough: unchanged.
  ms.logLineSpacing = 2;
  logsp(" 7, \"" + platform::jp("一\f二\f三") + "\", 3");
  EXPECT_EQ(slot->staged()->height, (2 + 26) * 3 + 4);
  graphics::releaseSprites();
  text::destroyGlyphRenderers();
}

}  // namespace
