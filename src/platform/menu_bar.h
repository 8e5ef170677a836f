// The menu as the reader uses it: the title in the strip (or the full-screen bar), a panel
// of items that opens below it, and the clicks that go to it instead of the game.
#pragma once
#include <vector>

#include "platform/display_state.h"
#include "platform/menu.h"
#include "platform/window.h"

namespace platform {

constexpr int kMenuItemHeight = 20;
constexpr int kMenuTitleWidth = 48;
constexpr int kMenuPanelWidth = 200;

struct MenuView {
  bool barShown = false;     // the strip in a window; the bar at the top edge in full screen
  bool open = false;         // the panel of items is showing
  int hovered = -1;          // index into items
  std::vector<MenuItem> items;
  int panelLeft = 0, panelTop = 0;  // window pixels
};

const MenuView& menuView();
// Bumped whenever the view changes, so the painter redraws only then.
unsigned menuViewVersion();

// Takes mouse messages meant for the menu; true when the message was the menu's and must
// not reach the game.
bool menuTakesMessage(const WindowMessage& msg);

// The window item rectangle of item `index` of the open panel.
Rect menuItemRect(int index);

}  // namespace platform
