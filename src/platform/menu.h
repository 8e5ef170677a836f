// The window's menu: "画面" with window / full screen, the window sizes and the full-screen
// fitting modes. The engine draws it (a strip above the stage in a window, a bar that
// appears at the top edge in full screen) and routes clicks on it here.
#pragma once
#include <string>
#include <vector>

#include "platform/display_state.h"

namespace platform {

enum class MenuItemKind { Item, Separator, Heading };

struct MenuItem {
  MenuItemKind kind = MenuItemKind::Item;
  std::string text;  // CP932
  int id = 0;        // the command id; 0 for separators and headings
  bool checked = false;
};

// The items of the "画面" menu for the current state, the two sub-menus laid out as
// headed groups. Sizes the screen cannot hold are left out.
std::vector<MenuItem> buildMenu(const DisplayState& d);
std::string menuTitle();  // "画面"

// Carries out menu command `id` (1..15).
void runMenuCommand(int id);

}  // namespace platform
