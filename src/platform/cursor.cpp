// Cursor moves. The glide is driven by the message pump rather than a thread of its own:
// SDL's window functions belong to the main thread, and a pump-driven glide follows the
// virtual clock in tests. Every waiting loop pumps at least once a millisecond.
#include "platform/cursor.h"

#include <SDL.h>

#include <cmath>
#include <cstdint>

#include "platform/clock.h"
#include "platform/display_modes.h"
#include "platform/window.h"
#include "platform/window_internal.h"

namespace platform {
namespace {

struct Glide {
  bool running = false;
  int startX = 0, startY = 0;  // client pixels
  int deltaX = 0, deltaY = 0;
  std::uint32_t startTick = 0;
  std::uint32_t duration = 0;
  int lastX = 0, lastY = 0;
} glide;

void placeCursor(int clientX, int clientY) {
  int x = clientX, y = clientY;
  clientToStageCoordinates(x, y);
  setCursorState(x, y);
  if (SDL_Window* w = mainSdlWindow()) {
    int wx = clientX, wy = clientY;
    clientToWindowCoordinates(wx, wy);
    SDL_WarpMouseInWindow(w, wx, wy);
  }
}

}  // namespace

void logicalCursorPos(int& x, int& y) {
  x = inputState().cursorX;
  y = inputState().cursorY;
}

bool glideRunning() { return glide.running; }

void advanceGlide() {
  if (!glide.running) return;
  std::uint32_t elapsed = tickMs() - glide.startTick;
  if (elapsed >= glide.duration) {
    glide.running = false;
    placeCursor(glide.startX + glide.deltaX, glide.startY + glide.deltaY);
    return;
  }
  double t = double(elapsed) / glide.duration;
  double e = (1 - t) * (1 - t) * (1 - t);
  int x = glide.startX + static_cast<int>((1 - e) * glide.deltaX);
  int y = glide.startY + static_cast<int>((1 - e) * glide.deltaY);
  if (x != glide.lastX || y != glide.lastY) {
    glide.lastX = x;
    glide.lastY = y;
    placeCursor(x, y);
  }
}

void moveCursor(int x, int y, int speed, bool logical) {
  if (logical) stageToClientCoordinates(x, y);
  while (glide.running) {
    advanceGlide();
    if (glide.running) sleepMs(1);
  }
  if (speed <= 0) {
    placeCursor(x, y);
    return;
  }
  int sx = inputState().cursorX, sy = inputState().cursorY;
  stageToClientCoordinates(sx, sy);
  glide.startX = glide.lastX = sx;
  glide.startY = glide.lastY = sy;
  glide.deltaX = x - sx;
  glide.deltaY = y - sy;
  glide.duration =
      static_cast<std::uint32_t>(speed * static_cast<int>(std::sqrt(double(glide.deltaX) * glide.deltaX +
                                                                    double(glide.deltaY) * glide.deltaY))) >> 3;
  glide.startTick = tickMs();
  glide.running = true;
  if (glide.duration == 0) advanceGlide();
}

int wheelStep() {
  // SDL does not report the desktop's lines per notch; three is the common setting.
  constexpr int kScrollLines = 3;
  return 120 / kScrollLines;
}

}  // namespace platform
