#include "platform/window_procedure.h"

#include "platform/cp932.h"
#include "platform/keys.h"
#include "platform/menu_bar.h"
#include "platform/message_box.h"
#include "text/reading_modes.h"

namespace platform {
namespace {

WindowHooks hooks;

// The quit question; true when the reader confirmed.
bool confirmQuit() {
  if (hooks.cursorToCloseButton) hooks.cursorToCloseButton();
  if (!askYesNo(jp("終了確認"), jp("終了しますか？"))) return false;
  if (hooks.exitSave) hooks.exitSave();
  return true;
}

}  // namespace

void setWindowHooks(const WindowHooks& h) { hooks = h; }

int pumpMessage(WindowMessage& msg, bool* took) {
  WindowMessage next;
  if (took) *took = false;
  if (!pollMessage(next)) return 1;
  if (took) *took = true;
  if (menuTakesMessage(next)) return 1;  // the game never sees clicks on the menu
  msg = std::move(next);
  switch (msg.kind) {
    case MessageKind::Quit: return 0;
    case MessageKind::Close:
      if (confirmQuit()) {
        msg.kind = MessageKind::Quit;
        return 0;
      }
      break;
    case MessageKind::KeyDown:
      if (msg.key == kKeyTab) text::toggleSkipModeByKey();
      else if (msg.key == kKeyShift) text::toggleAutoModeByKey();
      else if (msg.key == kKeySpace && confirmQuit()) {  // Space asks to quit, as the close box does
        msg.kind = MessageKind::Quit;
        return 0;
      }
      break;
    case MessageKind::SysKeyDown:
      if (msg.key == kKeyReturn && hooks.toggleFullScreen) hooks.toggleFullScreen();
      break;
    default: break;
  }
  return 1;
}

}  // namespace platform
