#include "platform/menu_bar.h"

#include "platform/display_modes.h"

namespace platform {
namespace {

struct MenuBar {
  MenuView view;
  unsigned version = 1;
} bar;

void changed() {
  ++bar.version;
  requestRepaint();
}

int itemAt(int wx, int wy) {
  if (!bar.view.open) return -1;
  for (int i = 0; i < static_cast<int>(bar.view.items.size()); ++i) {
    Rect r = menuItemRect(i);
    if (wx >= r.left && wx < r.right && wy >= r.top && wy < r.bottom) return i;
  }
  return -1;
}

bool inPanel(int wx, int wy) {
  if (!bar.view.open) return false;
  int h = static_cast<int>(bar.view.items.size()) * kMenuItemHeight;
  return wx >= bar.view.panelLeft && wx < bar.view.panelLeft + kMenuPanelWidth && wy >= bar.view.panelTop &&
         wy < bar.view.panelTop + h;
}

void openPanel() {
  bar.view.open = true;
  bar.view.items = buildMenu(displayState());
  bar.view.panelLeft = 0;
  bar.view.panelTop = kMenuStripHeight;
  bar.view.hovered = -1;
  changed();
}

void closePanel() {
  if (!bar.view.open) return;
  bar.view.open = false;
  bar.view.hovered = -1;
  changed();
}

}  // namespace

const MenuView& menuView() { return bar.view; }
unsigned menuViewVersion() { return bar.version; }

Rect menuItemRect(int index) {
  int top = bar.view.panelTop + index * kMenuItemHeight;
  return Rect{bar.view.panelLeft, top, bar.view.panelLeft + kMenuPanelWidth, top + kMenuItemHeight};
}

bool menuTakesMessage(const WindowMessage& msg) {
  const DisplayState& d = displayState();
  if (!mainSdlWindow()) return false;
  bool inStrip = msg.windowY >= 0 && msg.windowY < kMenuStripHeight;
  // In full screen the bar shows while the cursor is in the top rows (or the panel is open).
  bool barShown = !d.fullScreen || inStrip || bar.view.open;
  if (barShown != bar.view.barShown) {
    bar.view.barShown = barShown;
    changed();
  }
  switch (msg.kind) {
    case MessageKind::MouseMove: {
      int hovered = itemAt(msg.windowX, msg.windowY);
      if (hovered != bar.view.hovered) {
        bar.view.hovered = hovered;
        changed();
      }
      return bar.view.open || (d.fullScreen && inStrip);
    }
    case MessageKind::LButtonDown:
    case MessageKind::RButtonDown:
    case MessageKind::MButtonDown:
      if (inStrip && barShown) {
        if (msg.kind == MessageKind::LButtonDown && msg.windowX < kMenuTitleWidth) {
          if (bar.view.open) closePanel();
          else openPanel();
        }
        return true;
      }
      if (bar.view.open) {
        if (!inPanel(msg.windowX, msg.windowY)) closePanel();
        return true;
      }
      return false;
    case MessageKind::LButtonUp:
    case MessageKind::RButtonUp:
    case MessageKind::MButtonUp: {
      if (bar.view.open) {
        int index = itemAt(msg.windowX, msg.windowY);
        if (msg.kind == MessageKind::LButtonUp && index >= 0 &&
            bar.view.items[static_cast<std::size_t>(index)].kind == MenuItemKind::Item) {
          int id = bar.view.items[static_cast<std::size_t>(index)].id;
          closePanel();
          runMenuCommand(id);
        }
        return true;
      }
      return inStrip && barShown;
    }
    case MessageKind::Wheel: return bar.view.open;
    default: return false;
  }
}

}  // namespace platform
