// The display: window sizes, full screen with its fitting modes, the menu strip above the
// stage in a window, and the coordinate conversions between the SDL window, the stage area
// of the window (client pixels) and the 800 x 600 stage.
#pragma once
#include <string>

#include "platform/display_state.h"

namespace platform {

constexpr int kMenuStripHeight = 20;  // the menu drawn above the stage in a window

DisplayState& displayState();
bool isFullScreen();
// Display changes made by the reader (menu, Alt+Return) since eventwait last asked.
int takeDisplayChanges();

// Reads the desktop and computes the geometry (start-up, before the first applyDisplayMode).
void initDisplay();
// Puts the window in the state DisplayState describes. `skipIfSame`: no device reset
// when the back buffer keeps its size.
bool applyDisplayMode(bool skipIfSame);
// The reader's switch (Alt+Return, menu): refused during a transition; counted for eventwait.
bool toggleFullScreenByReader();
// The script's switch: not counted. False when nothing changed.
bool setFullScreen(bool on);
void setSizeIndex(int index);
void setFitMode(int mode);

// The wallpaper around the stage in fit modes 1 and 2: the name is kept (the settings file
// stores it) and the picture drawn again at once when it shows.
void setWallpaper(const std::string& name);
const std::string& wallpaper();
using WallpaperDrawer = void (*)(const std::string& name);
void setWallpaperDrawer(WallpaperDrawer drawer);

// The back buffer's size follows the display: the device registers how to resize it.
using ScreenSizeHandler = bool (*)(int width, int height, bool skipIfSame);
void setScreenSizeHandler(ScreenSizeHandler handler);

// Where the stage is shown inside the window's drawable area, in window pixels.
Rect stageRectInWindow();

// Coordinate conversions. Window: SDL window pixels. Client: the stage area of the window
// (the size chosen in the menu, or the screen in full screen). Stage: 800 x 600.
void windowToStageCoordinates(int& x, int& y);
void clientToStageCoordinates(int& x, int& y);
void stageToClientCoordinates(int& x, int& y);
void clientToWindowCoordinates(int& x, int& y);

}  // namespace platform
