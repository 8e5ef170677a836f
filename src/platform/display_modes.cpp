// Window and full-screen switching over SDL. Fit mode -1 asks for a real 800 x 600 display
// mode (exclusive full screen) when the display offers one, else it falls back to the
// desktop's own mode; the other fit modes use the desktop mode and scale the stage.
#include "platform/display_modes.h"

#include <SDL.h>

#include "platform/options.h"
#include "platform/window.h"

namespace platform {
namespace {

struct Display {
  DisplayState state;
  ScreenSizeHandler resizeBackBuffer = nullptr;
  WallpaperDrawer drawWallpaper = nullptr;
  std::string wallpaper = "sys/wall.png";
  int desktopWidth = 1920, desktopHeight = 1080, refreshRate = 60;
} display;

void readDesktop() {
  SDL_DisplayMode mode{};
  int index = mainSdlWindow() ? SDL_GetWindowDisplayIndex(mainSdlWindow()) : 0;
  if (!options().videoNone && SDL_GetDesktopDisplayMode(index < 0 ? 0 : index, &mode) == 0 && mode.w > 0) {
    display.desktopWidth = mode.w;
    display.desktopHeight = mode.h;
    display.refreshRate = mode.refresh_rate;
  }
}

}  // namespace

DisplayState& displayState() { return display.state; }
bool isFullScreen() { return display.state.fullScreen; }

int takeDisplayChanges() {
  int n = display.state.displayChanges;
  display.state.displayChanges = 0;
  return n;
}

void setScreenSizeHandler(ScreenSizeHandler handler) { display.resizeBackBuffer = handler; }
void setWallpaperDrawer(WallpaperDrawer drawer) { display.drawWallpaper = drawer; }
const std::string& wallpaper() { return display.wallpaper; }

namespace {
bool wallpaperShows() {
  const DisplayState& d = display.state;
  return d.fullScreen && (d.fitMode == kFitNoEnlarge || d.fitMode == kFitFillEdges);
}
}  // namespace

void setWallpaper(const std::string& name) {
  display.wallpaper = name;
  if (wallpaperShows() && display.drawWallpaper && !name.empty()) display.drawWallpaper(name);
}

void initDisplay() {
  readDesktop();
  DisplayState& d = display.state;
  d.frameWidth = 0;
  d.frameHeight = kMenuStripHeight;
  computeGeometry(d, display.desktopWidth, display.desktopHeight, display.refreshRate);
}

bool applyDisplayMode(bool skipIfSame) {
  requestRepaint();
  DisplayState& d = display.state;
  SDL_Window* w = mainSdlWindow();
  if (!w) return true;
  readDesktop();
  computeGeometry(d, display.desktopWidth, display.desktopHeight, display.refreshRate);
  int backWidth = kStageWidth, backHeight = kStageHeight;
  if (!d.fullScreen) {
    SDL_SetWindowFullscreen(w, 0);
    SDL_SetWindowSize(w, d.windowWidth, d.windowHeight);
    SDL_SetWindowPosition(w, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
  } else if (d.fitMode == kFitChangeResolution) {
    SDL_DisplayMode want{SDL_PIXELFORMAT_UNKNOWN, kStageWidth, kStageHeight, 0, nullptr}, got{};
    int index = SDL_GetWindowDisplayIndex(w);
    if (SDL_GetClosestDisplayMode(index < 0 ? 0 : index, &want, &got) && got.w == kStageWidth &&
        got.h == kStageHeight) {
      SDL_SetWindowDisplayMode(w, &got);
      SDL_SetWindowFullscreen(w, SDL_WINDOW_FULLSCREEN);
      computeGeometry(d, kStageWidth, kStageHeight, got.refresh_rate);
    } else {
      SDL_SetWindowFullscreen(w, SDL_WINDOW_FULLSCREEN_DESKTOP);
    }
  } else {
    SDL_SetWindowFullscreen(w, SDL_WINDOW_FULLSCREEN_DESKTOP);
    if (d.fitMode != kFitStretch) {
      backWidth = d.screenWidth;
      backHeight = d.screenHeight;
    }
  }
  // The window is created hidden; whichever mode the settings ask for, this is where it
  // first appears (shown after the mode is set, so it never flashes in the other one).
  SDL_ShowWindow(w);
  bool ok = display.resizeBackBuffer ? display.resizeBackBuffer(backWidth, backHeight, skipIfSame) : true;
  if (ok && wallpaperShows() && display.drawWallpaper && !display.wallpaper.empty())
    display.drawWallpaper(display.wallpaper);
  return ok;
}

bool setFullScreen(bool on) {
  DisplayState& d = display.state;
  if (d.fullScreen == on) return false;
  d.fullScreen = on;
  applyDisplayMode(d.fitMode == kFitStretch);
  return true;
}

bool toggleFullScreenByReader() {
  DisplayState& d = display.state;
  if (d.transitionRunning) return false;
  setFullScreen(!d.fullScreen);
  ++d.displayChanges;
  return true;
}

void setSizeIndex(int index) {
  DisplayState& d = display.state;
  if (index < 0 || index > 7 || index == d.sizeIndex) return;
  d.sizeIndex = index;
  computeGeometry(d, display.desktopWidth, display.desktopHeight, display.refreshRate);
  if (!d.fullScreen) applyDisplayMode(true);
}

void setFitMode(int mode) {
  DisplayState& d = display.state;
  if (mode < kFitChangeResolution || mode > kFitCutEdges || mode == d.fitMode) return;
  bool bothScaled = d.fitMode >= kFitNoEnlarge && mode >= kFitNoEnlarge;
  d.fitMode = mode;
  if (d.fullScreen) applyDisplayMode(bothScaled);
}

Rect stageRectInWindow() {
  const DisplayState& d = display.state;
  if (d.fullScreen) return Rect{0, 0, d.screenWidth, d.screenHeight};
  return Rect{0, kMenuStripHeight, d.clientWidth, kMenuStripHeight + d.clientHeight};
}

void clientToStageCoordinates(int& x, int& y) { clientToStage(display.state, x, y); }
void stageToClientCoordinates(int& x, int& y) { stageToClient(display.state, x, y); }

void clientToWindowCoordinates(int& x, int& y) {
  Rect r = stageRectInWindow();
  x += r.left;
  y += r.top;
}

void windowToStageCoordinates(int& x, int& y) {
  Rect r = stageRectInWindow();
  x -= r.left;
  y -= r.top;
  clientToStage(display.state, x, y);
}

}  // namespace platform
