// Paints the window menu: the title in the strip above the stage (or the bar at the top in
// full screen) and, while it is open, the panel of items below it. Drawn with a small
// renderer of its own, into pictures that are redrawn only when the menu changes.
#include "text/menu_painter.h"

#include <algorithm>

#include "graphics/device.h"
#include "platform/display_modes.h"
#include "platform/menu_bar.h"
#include "text/glyph_renderer.h"

namespace text {
namespace {

constexpr int kMenuFontHeight = 14;
constexpr std::uint32_t kBackground = 0xF0F0F0, kHighlight = 0xC8DCF0, kText = 0x000000, kDim = 0x707070;

struct MenuPainter {
  GlyphRenderer font;
  bool ready = false;
  unsigned paintedVersion = 0;
  int paintedWidth = 0;
  image::PixelImage bar, panel;
} painter;

void fill(image::PixelImage& p, int x0, int y0, int x1, int y1, std::uint32_t rgb) {
  x0 = std::max(0, x0);
  y0 = std::max(0, y0);
  x1 = std::min(p.width, x1);
  y1 = std::min(p.height, y1);
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) {
      std::uint8_t* px = p.row(y) + x * 4;
      px[0] = rgb & 0xFF;
      px[1] = (rgb >> 8) & 0xFF;
      px[2] = (rgb >> 16) & 0xFF;
      px[3] = 255;
    }
}

void blank(image::PixelImage& p, int w, int h) {
  p.width = w;
  p.height = h;
  p.pixels.assign(static_cast<std::size_t>(w) * h * 4, 0);
  fill(p, 0, 0, w, h, kBackground);
}

// Glyphs are drawn as colour with coverage in alpha (ready for blending on the stage), so
// they go into a clear picture first and are blended onto the menu's background here.
void text(image::PixelImage& p, int x, int y, std::string_view s, std::uint32_t rgb) {
  setColours(painter.font, rgb, rgb, rgb);
  image::PixelImage glyphs;
  glyphs.width = std::max(1, static_cast<int>(s.size()) * (kMenuFontHeight / 2 + 1) + 4);
  glyphs.height = kMenuFontHeight + 4;
  glyphs.pixels.assign(static_cast<std::size_t>(glyphs.width) * glyphs.height * 4, 0);
  drawString(painter.font, targetOf(glyphs), s);
  for (int gy = 0; gy < glyphs.height && y + gy < p.height; ++gy)
    for (int gx = 0; gx < glyphs.width && x + gx < p.width; ++gx) {
      const std::uint8_t* g = glyphs.row(gy) + gx * 4;
      std::uint8_t* d = p.row(y + gy) + (x + gx) * 4;
      for (int c = 0; c < 3; ++c) d[c] = static_cast<std::uint8_t>((g[c] * g[3] + d[c] * (255 - g[3])) / 255);
    }
}

void repaint(int width) {
  const platform::MenuView& v = platform::menuView();
  blank(painter.bar, std::max(1, width), platform::kMenuStripHeight);
  if (v.open) fill(painter.bar, 0, 0, platform::kMenuTitleWidth, platform::kMenuStripHeight, kHighlight);
  text(painter.bar, 8, 2, platform::menuTitle(), kText);
  if (!v.open) return;
  int h = static_cast<int>(v.items.size()) * platform::kMenuItemHeight;
  blank(painter.panel, platform::kMenuPanelWidth, std::max(1, h));
  for (std::size_t i = 0; i < v.items.size(); ++i) {
    const platform::MenuItem& item = v.items[i];
    int top = static_cast<int>(i) * platform::kMenuItemHeight;
    if (item.kind == platform::MenuItemKind::Separator) {
      fill(painter.panel, 4, top + platform::kMenuItemHeight / 2, platform::kMenuPanelWidth - 4,
           top + platform::kMenuItemHeight / 2 + 1, kDim);
      continue;
    }
    if (static_cast<int>(i) == v.hovered && item.kind == platform::MenuItemKind::Item)
      fill(painter.panel, 0, top, platform::kMenuPanelWidth, top + platform::kMenuItemHeight, kHighlight);
    if (item.kind == platform::MenuItemKind::Heading) {
      text(painter.panel, 6, top + 3, item.text, kDim);
      continue;
    }
    if (item.checked) fill(painter.panel, 10, top + 8, 15, top + 13, kText);  // the check mark
    text(painter.panel, 24, top + 3, item.text, kText);
  }
  // A frame around the panel.
  fill(painter.panel, 0, 0, platform::kMenuPanelWidth, 1, kDim);
  fill(painter.panel, 0, h - 1, platform::kMenuPanelWidth, h, kDim);
  fill(painter.panel, 0, 0, 1, h, kDim);
  fill(painter.panel, platform::kMenuPanelWidth - 1, 0, platform::kMenuPanelWidth, h, kDim);
}

void paintMenu(int drawableWidth, int drawableHeight) {
  (void)drawableHeight;
  const platform::MenuView& v = platform::menuView();
  if (!v.barShown) return;
  if (!painter.ready) {
    painter.ready = create(painter.font, "", kMenuFontHeight, 0, 0);
    if (!painter.ready) return;
  }
  if (painter.paintedVersion != platform::menuViewVersion() || painter.paintedWidth != drawableWidth) {
    repaint(drawableWidth);
    painter.paintedVersion = platform::menuViewVersion();
    painter.paintedWidth = drawableWidth;
  }
  graphics::blitPictureToWindow(painter.bar, 0, 0);
  if (v.open) graphics::blitPictureToWindow(painter.panel, v.panelLeft, v.panelTop);
}

}  // namespace

void startMenuPainter() { graphics::setWindowOverlayDrawer(paintMenu); }

void stopMenuPainter() {
  graphics::setWindowOverlayDrawer(nullptr);
  if (painter.ready) destroy(painter.font);
  painter = MenuPainter{};
}

}  // namespace text
