#include "platform/window_procedure.h"

#include "platform/cp932.h"
#include "platform/keys.h"
#include "platform/menu_bar.h"
#include "platform/message_box.h"

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

// The window procedure: reacts to a message taken from the queue and hands it on in `msg`.
int dispatch(WindowMessage& next, WindowMessage& msg) {
  if (menuTakesMessage(next)) return 1;  // the game never sees clicks on the menu
  if (next.kind == MessageKind::SysKeyDown && next.key == kKeyReturn) {
    // Alt+Return is the window's own: no wait and no eventwait sees it (a Return reaching
    // the script would press the button under the cursor). Refused during a transition,
    // it is still the window's.
    if (hooks.toggleFullScreen) hooks.toggleFullScreen();
    return 1;
  }
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
      if (msg.key == kKeyTab && hooks.toggleSkipMode) hooks.toggleSkipMode();
      else if (msg.key == kKeyShift && hooks.toggleAutoMode) hooks.toggleAutoMode();
      else if (msg.key == kKeySpace && confirmQuit()) {  // Space asks to quit, as the close box does
        msg.kind = MessageKind::Quit;
        return 0;
      }
      break;
    default: break;
  }
  return 1;
}

}  // namespace

void setWindowHooks(const WindowHooks& h) { hooks = h; }

int pumpMessage(WindowMessage& msg) {
  WindowMessage next;
  if (!pollMessage(next)) return 1;
  return dispatch(next, msg);
}

int keepWindowAlive(WindowMessage& msg) {
  WindowMessage next;
  if (!pollWindowMessage(next)) return 1;
  return dispatch(next, msg);
}

}  // namespace platform
