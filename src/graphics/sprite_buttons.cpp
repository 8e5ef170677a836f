// spbtn: a sprite's picture as a button for eventwait. The rectangle is taken once, from
// the picture as it is now; later moves of the sprite do not move the button.
#include <cmath>

#include "core/command_registry.h"
#include "core/command_support.h"
#include "core/error_report.h"
#include "graphics/sprite_commands.h"
#include "graphics/sprites.h"
#include "platform/buttons.h"
#include "platform/cp932.h"

namespace graphics {

namespace {

platform::Button buttonRectangle(int sprite, int id, const SpritePictureInfo& p) {
  // The left and top edges use the scaled half size, the right and bottom edges add the
  // unscaled size: a 200 x 100 picture at (400, 300) spans (300, 250)-(500, 350), inclusive,
  // whatever its scale.
  int hw = static_cast<int>(std::trunc(p.width * p.scaleX)) / 2;
  int hh = static_cast<int>(std::trunc(p.height * p.scaleY)) / 2;
  platform::Button b;
  b.sprite = sprite;
  b.id = id;
  b.x1 = static_cast<int>(std::trunc(p.posX - hw));
  b.y1 = static_cast<int>(std::trunc(p.posY - hh));
  b.x2 = static_cast<int>(std::trunc(p.posX + p.width - hw));
  b.y2 = static_cast<int>(std::trunc(p.posY + p.height - hh));
  b.cx = b.x1 + (b.x2 - b.x1) / 2;
  b.cy = b.y1 + (b.y2 - b.y1) / 2;
  return b;
}

void cmdSpBtn(const core::Arguments& args) {
  if (!slotArgument(args.number(0))) return;
  const int n = args.number(0), id = args.number(1);
  if (id < 0 || id >= platform::kButtonIds) return core::reportCommandError(platform::jp("ボタン番号が不正です"));
  SpritePictureInfo picture = spritePictureInfo(n);
  if (!picture.exists) return reportMissingPicture(n);
  platform::registerButton(buttonRectangle(n, id, picture));
}

constexpr core::CommandEntry kButtonCommands[] = {{"spbtn", cmdSpBtn, nullptr, "n n"}};

}  // namespace

std::span<const core::CommandEntry> buttonCommands() { return kButtonCommands; }

}  // namespace graphics
