#include "platform/menu.h"

#include "platform/cp932.h"
#include "platform/display_modes.h"

namespace platform {

std::string menuTitle() { return jp("画面"); }

std::vector<MenuItem> buildMenu(const DisplayState& d) {
  std::vector<MenuItem> items;
  items.push_back({MenuItemKind::Item, jp("ウィンドウ"), 1, !d.fullScreen});
  items.push_back({MenuItemKind::Item, jp("フルスクリーン"), 2, d.fullScreen});
  items.push_back({MenuItemKind::Separator, "", 0, false});
  items.push_back({MenuItemKind::Heading, jp("ウィンドウサイズ"), 0, false});
  for (int i = 0; i < static_cast<int>(kWindowSizes.size()); ++i) {
    if (!windowSizeOffered(d, i)) continue;
    std::string text = std::to_string(kWindowSizes[static_cast<std::size_t>(i)].width) + "x" +
                       std::to_string(kWindowSizes[static_cast<std::size_t>(i)].height);
    items.push_back({MenuItemKind::Item, text, 3 + i, d.sizeIndex == i});
  }
  items.push_back({MenuItemKind::Heading, jp("フルスクリーンモード"), 0, false});
  static const char* const kFitNames[] = {"解像度を変更", "解像度に準拠", "拡大しない", "端を埋める", "端をカット"};
  for (int i = 0; i < 5; ++i) items.push_back({MenuItemKind::Item, jp(kFitNames[i]), 11 + i, d.fitMode + 1 == i});
  return items;
}

void runMenuCommand(int id) {
  DisplayState& d = displayState();
  if (id == 1 || id == 2) {
    bool wantFull = id == 2;
    if (d.fullScreen != wantFull && !d.transitionRunning) {
      setFullScreen(wantFull);
      ++d.displayChanges;
    }
  } else if (id >= 3 && id <= 10) {
    setSizeIndex(id - 3);
  } else if (id >= 11 && id <= 15) {
    setFitMode(id - 12);
  }
}

}  // namespace platform
