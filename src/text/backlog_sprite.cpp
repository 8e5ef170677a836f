// logsp: a backlog page (or any text in its format) drawn into a sprite, with its line
// breaks and ruby, for the script's backlog screen.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "core/command_support.h"
#include "core/error_report.h"
#include "graphics/sprites.h"
#include "platform/cp932.h"
#include "text/glyph_renderer.h"
#include "text/message_state.h"
#include "text/text_commands.h"

namespace text {
namespace {

// Larger pictures than any device here can hold are refused before memory is asked for.
constexpr std::int64_t kLargestSide = 16384;

void cmdLogSp(const core::Arguments& v) {
  const std::int32_t n = v.number(0);
  graphics::SpriteSlot* slot = graphics::spriteSlot(n);
  if (!slot) return core::reportCommandError(platform::jp("スプライト番号が不正です"));
  const std::int32_t lines = v.number(2, 1);
  // The picture's height comes from the line count: none or fewer is refused as setlog does.
  if (lines < 1) return core::reportCommandError(platform::jp("ログの行数が不正です"));

  const MessageState& ms = messageState();
  const GlyphRenderer& font = messageRenderer();
  std::int64_t width = (static_cast<std::int64_t>(ms.logExtraX) + font.fontHeight) * ms.charsPerLine + 4;
  std::int64_t height = (static_cast<std::int64_t>(ms.logLineSpacing) + font.fontHeight) * lines + 4;
  // The height above allows logLineSpacing + fontHeight a line, but the text is drawn
  // fontHeight + 2 x logLineSpacing - lineSpacing apart: with a log spacing wider than the
  // window's, the last lines fell off the picture. It grows to hold the last line's cell.
  const std::int64_t advance = static_cast<std::int64_t>(font.fontHeight) + 2 * ms.logLineSpacing - ms.lineSpacing;
  height = std::max(height, ms.logLineSpacing + advance * (lines - 1) + font.cellSize);
  if (width > kLargestSide || height > kLargestSide) width = height = 0;  // reported as an invalid size

  graphics::settleStagedPicture(*slot);
  graphics::TextureHolder holder;
  if (!graphics::createBlankTexture(holder, static_cast<int>(width), static_cast<int>(height), false)) return;
  drawTextBlock(font, *holder, v.string(1), ms.logExtraX, ms.logLineSpacing, ms.lineSpacing, rubyRenderer());
  graphics::stageMadePicture(n, std::move(holder), platform::jp("ログ"), 0);
}

constexpr core::CommandEntry kBacklogSpriteCommands[] = {{"logsp", cmdLogSp, nullptr, "n s [n?]"}};

}  // namespace

std::span<const core::CommandEntry> backlogSpriteCommands() { return kBacklogSpriteCommands; }

}  // namespace text
