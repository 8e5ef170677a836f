// The display's geometry: the 800 x 600 logical stage, the window size chosen from the
// menu, full screen with its five fitting modes, and the mapping between window pixels and
// stage pixels in both directions. Pure arithmetic; display_modes.cpp applies it.
#pragma once
#include <array>

namespace platform {

struct Rect {
  int left = 0, top = 0, right = 0, bottom = 0;  // right and bottom exclusive
  int width() const { return right - left; }
  int height() const { return bottom - top; }
};

enum FitMode : int { kFitChangeResolution = -1, kFitStretch = 0, kFitNoEnlarge = 1, kFitFillEdges = 2, kFitCutEdges = 3 };

struct WindowSize {
  int width, height;
};
constexpr std::array<WindowSize, 8> kWindowSizes = {{{320, 240}, {400, 300}, {640, 480}, {800, 600},
                                                      {960, 720}, {1200, 900}, {1280, 960}, {1600, 1200}}};
constexpr int kDefaultSizeIndex = 3;

struct DisplayState {
  int sizeIndex = kDefaultSizeIndex;
  int clientWidth = 800, clientHeight = 600;
  int frameWidth = 0, frameHeight = 0;  // decorations around the client area, both sides
  int windowWidth = 800, windowHeight = 600;
  int windowX = 0, windowY = 0;
  int screenWidth = 800, screenHeight = 600;
  bool fullScreen = false;
  int fitMode = kFitStretch;
  bool menuBarShown = false;
  int displayChanges = 0;       // menu and Alt+Return switches not yet reported by eventwait
  bool transitionRunning = false;
  int refreshNumerator = 50, refreshDenominator = 3;  // 1000 / rate, reduced
  // Source (stage) and destination (screen) rectangles of fit modes 1, 2 and 3.
  std::array<Rect, 4> source{}, destination{};
  int scrollX = 0, scrollY = 0, scrollMaxX = 0, scrollMaxY = 0;
};

// Recomputes the window size and position, the fit rectangles and the scroll limits for a
// screen of the given size; a window that does not fit the screen falls back to 800 x 600.
void computeGeometry(DisplayState& d, int screenWidth, int screenHeight, int refreshRate);

// Whether the size menu lists entry `index` on this screen (the four small sizes always).
bool windowSizeOffered(const DisplayState& d, int index);

// Window client pixels to stage pixels, and back (for placing the cursor).
void clientToStage(const DisplayState& d, int& x, int& y);
void stageToClient(const DisplayState& d, int& x, int& y);

// The cut-edges view follows the cursor near a screen edge: 5 pixels a move. True when
// the view moved (and the move should be repeated).
bool scrollTowardsEdge(DisplayState& d, int screenX, int screenY);

}  // namespace platform
