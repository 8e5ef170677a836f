// Cursor moves. The glide is driven by the message pump rather than a thread of its own:
// SDL's window functions belong to the main thread, and a pump-driven glide follows the
// virtual clock in tests. The waiting loop wakes for the glide's next step (msUntilCursorStep).
#include "platform/cursor.h"

#include <SDL.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "platform/clock.h"
#include "platform/cursor_file.h"
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

struct CustomCursor {
  std::vector<SDL_Cursor*> frames;  // one SDL cursor per frame of the file
  std::vector<int> sequence, stepMs;
  std::size_t step = 0;
  std::uint32_t stepStart = 0;
} custom;

SDL_Cursor* makeSdlCursor(const CursorFrame& f) {
  SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(const_cast<std::uint8_t*>(f.bgra.data()), f.width,
                                                            f.height, 32, f.width * 4, SDL_PIXELFORMAT_BGRA32);
  if (!surface) return nullptr;
  SDL_Cursor* c = SDL_CreateColorCursor(surface, f.hotX, f.hotY);
  SDL_FreeSurface(surface);
  return c;
}

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

void clearCustomCursor() {
  if (!custom.frames.empty()) SDL_SetCursor(SDL_GetDefaultCursor());
  for (SDL_Cursor* c : custom.frames)
    if (c) SDL_FreeCursor(c);
  custom = CustomCursor{};
}

void setCustomCursor(const CursorAnimation& cursor) {
  clearCustomCursor();
  if (!mainSdlWindow() || cursor.frames.empty()) return;
  for (const CursorFrame& f : cursor.frames) custom.frames.push_back(makeSdlCursor(f));
  custom.sequence = cursor.sequence;
  custom.stepMs = cursor.stepMs;
  custom.step = 0;
  custom.stepStart = tickMs();
  int first = custom.sequence.empty() ? 0 : custom.sequence[0];
  if (custom.frames[static_cast<std::size_t>(first)]) SDL_SetCursor(custom.frames[static_cast<std::size_t>(first)]);
}

void advanceCursorAnimation() {
  if (custom.sequence.size() < 2) return;
  int shown = custom.stepMs[custom.step];
  if (shown <= 0 || static_cast<int>(tickMs() - custom.stepStart) < shown) return;
  custom.step = (custom.step + 1) % custom.sequence.size();
  custom.stepStart = tickMs();
  SDL_Cursor* c = custom.frames[static_cast<std::size_t>(custom.sequence[custom.step])];
  if (c) SDL_SetCursor(c);
}

int msUntilCursorStep() {
  if (glide.running) return 1;
  if (custom.sequence.size() < 2) return -1;
  const int shown = custom.stepMs[custom.step];
  if (shown <= 0) return -1;
  const int elapsed = static_cast<int>(tickMs() - custom.stepStart);
  return elapsed >= shown ? 0 : shown - elapsed;
}

int wheelStep() {
  // SDL does not report the desktop's lines per notch; three is the common setting.
  constexpr int kScrollLines = 3;
  return 120 / kScrollLines;
}

}  // namespace platform
