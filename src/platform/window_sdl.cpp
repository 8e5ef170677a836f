// SDL2 window and event translation. Runs on the main thread only.
#include <SDL.h>

#include <cstdio>
#include <deque>
#include <thread>

#include "platform/clock.h"
#include "platform/cp932.h"
#include "platform/cursor.h"
#include "platform/display_modes.h"
#include "platform/keys.h"
#include "platform/options.h"
#include "platform/scripted_input.h"
#include "platform/single_instance.h"
#include "platform/window.h"
#include "platform/window_internal.h"

namespace platform {
namespace {

struct Window {
  SDL_Window* sdl = nullptr;
  bool sdlUp = false;
  InputState input;
  int windowX = 0, windowY = 0;  // the cursor in window pixels
  std::deque<ScriptedEvent> scripted;  // events not yet due, in time order
  std::uint32_t scriptedBase = 0;      // clock tick that scripted times count from
  ScreenshotWriter screenshotWriter = nullptr;
  bool repaint = true;  // nothing has been presented yet
  // Input the keep-alive pump took while a script ran without waiting: the next wait takes
  // it before anything newer, in the order it came.
  std::deque<WindowMessage> held;
  bool returnTakenByWindow = false;  // Return went down with Alt and has not come up
  std::thread::id owner;             // the thread that made the window (and its GL context)
} window;

void stageToWindow(int& x, int& y) {
  stageToClientCoordinates(x, y);
  clientToWindowCoordinates(x, y);
}

void windowToStage(int& x, int& y) { windowToStageCoordinates(x, y); }

void pushMouseMotion(int x, int y) {
  SDL_Event e{};
  e.type = SDL_MOUSEMOTION;
  e.motion.windowID = window.sdl ? SDL_GetWindowID(window.sdl) : 0;
  e.motion.x = x;
  e.motion.y = y;
  SDL_PushEvent(&e);
}

void pushButton(Uint32 type, Uint8 button, int x, int y) {
  SDL_Event e{};
  e.type = type;
  e.button.windowID = window.sdl ? SDL_GetWindowID(window.sdl) : 0;
  e.button.button = button;
  e.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
  e.button.clicks = 1;
  e.button.x = x;
  e.button.y = y;
  SDL_PushEvent(&e);
}

void pushKey(Uint32 type, int sdlKey) {
  SDL_Event e{};
  e.type = type;
  e.key.windowID = window.sdl ? SDL_GetWindowID(window.sdl) : 0;
  e.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
  e.key.keysym.sym = sdlKey;
  e.key.keysym.scancode = SDL_GetScancodeFromKey(sdlKey);
  SDL_PushEvent(&e);
}

Uint8 sdlButton(MouseButton b) {
  return b == MouseButton::Left ? SDL_BUTTON_LEFT : b == MouseButton::Right ? SDL_BUTTON_RIGHT : SDL_BUTTON_MIDDLE;
}

void pushScriptedEvent(const ScriptedEvent& ev) {
  int x = window.input.cursorX, y = window.input.cursorY;
  if (ev.hasPoint) {
    x = ev.x;
    y = ev.y;
  }
  stageToWindow(x, y);
  if (ev.hasPoint) pushMouseMotion(x, y);
  switch (ev.action) {
    case ScriptedAction::Click:
    case ScriptedAction::RClick:
    case ScriptedAction::MClick: {
      Uint8 b = ev.action == ScriptedAction::Click ? SDL_BUTTON_LEFT
                : ev.action == ScriptedAction::RClick ? SDL_BUTTON_RIGHT : SDL_BUTTON_MIDDLE;
      pushButton(SDL_MOUSEBUTTONDOWN, b, x, y);
      pushButton(SDL_MOUSEBUTTONUP, b, x, y);
      break;
    }
    case ScriptedAction::Down: pushButton(SDL_MOUSEBUTTONDOWN, sdlButton(ev.button), x, y); break;
    case ScriptedAction::Up: pushButton(SDL_MOUSEBUTTONUP, sdlButton(ev.button), x, y); break;
    case ScriptedAction::Move: break;  // the motion above is the whole event
    case ScriptedAction::Key:
      pushKey(SDL_KEYDOWN, ev.sdlKey);
      pushKey(SDL_KEYUP, ev.sdlKey);
      break;
    case ScriptedAction::KeyDown: pushKey(SDL_KEYDOWN, ev.sdlKey); break;
    case ScriptedAction::KeyUp: pushKey(SDL_KEYUP, ev.sdlKey); break;
    case ScriptedAction::Wheel: {
      SDL_Event e{};
      e.type = SDL_MOUSEWHEEL;
      e.wheel.windowID = window.sdl ? SDL_GetWindowID(window.sdl) : 0;
      e.wheel.y = ev.notches;
      e.wheel.direction = SDL_MOUSEWHEEL_NORMAL;
      SDL_PushEvent(&e);
      break;
    }
    case ScriptedAction::Drop: {
      SDL_Event e{};
      e.type = SDL_DROPFILE;
      e.drop.file = SDL_strdup(ev.text.c_str());  // freed by whoever takes the event
      e.drop.windowID = window.sdl ? SDL_GetWindowID(window.sdl) : 0;
      SDL_PushEvent(&e);
      break;
    }
    case ScriptedAction::Close: {
      SDL_Event e{};
      e.type = SDL_WINDOWEVENT;
      e.window.event = SDL_WINDOWEVENT_CLOSE;
      e.window.windowID = window.sdl ? SDL_GetWindowID(window.sdl) : 0;
      SDL_PushEvent(&e);
      break;
    }
    case ScriptedAction::Screenshot: {
      std::string why;
      if (!window.screenshotWriter) {
        std::fprintf(stderr, "screenshot %s: there is no picture to save (no drawing device)\n", ev.text.c_str());
      } else if (!window.screenshotWriter(ev.text, why)) {
        std::fprintf(stderr, "screenshot %s: %s\n", ev.text.c_str(), why.c_str());
      }
      break;
    }
  }
}

void feedDueScriptedEvents() {
  std::uint32_t elapsed = tickMs() - window.scriptedBase;
  while (!window.scripted.empty() && window.scripted.front().atMs <= elapsed) {
    ScriptedEvent ev = std::move(window.scripted.front());
    window.scripted.pop_front();
    pushScriptedEvent(ev);
  }
}

// A mouse event's window position, and the stage point the cursor is now at.
void placeCursor(WindowMessage& msg, int x, int y) {
  window.windowX = msg.windowX = x;
  window.windowY = msg.windowY = y;
  windowToStage(x, y);
  window.input.cursorX = msg.x = x;
  window.input.cursorY = msg.y = y;
}

bool translate(const SDL_Event& e, WindowMessage& msg) {
  msg = WindowMessage{};
  msg.x = window.input.cursorX;
  msg.y = window.input.cursorY;
  msg.windowX = window.windowX;
  msg.windowY = window.windowY;
  switch (e.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
      int vk = virtualKeyFromSdl(e.key.keysym.sym);
      if (vk == 0) return false;
      bool down = e.type == SDL_KEYDOWN;
      bool alt = (e.key.keysym.mod & KMOD_ALT) != 0 || window.input.keyDown[kKeyAlt];
      if (vk == kKeyReturn && window.returnTakenByWindow) {
        // The Return of Alt+Return belongs to the window until it comes up, whichever key is
        // released first: its repeats switch nothing and its release presses no button.
        if (!down) window.returnTakenByWindow = false;
        return false;
      }
      bool system = alt || vk == kKeyF10 || vk == kKeyAlt;
      msg.kind = system ? (down ? MessageKind::SysKeyDown : MessageKind::SysKeyUp)
                        : (down ? MessageKind::KeyDown : MessageKind::KeyUp);
      msg.key = vk;
      if (vk == kKeyReturn && down && alt) {
        window.returnTakenByWindow = true;  // held, but not as a key the game sees
        return true;
      }
      window.input.keyDown[vk] = down;
      return true;
    }
    case SDL_MOUSEMOTION: {
      placeCursor(msg, e.motion.x, e.motion.y);
      msg.kind = MessageKind::MouseMove;
      return true;
    }
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
      placeCursor(msg, e.button.x, e.button.y);
      bool down = e.type == SDL_MOUSEBUTTONDOWN;
      switch (e.button.button) {
        case SDL_BUTTON_LEFT:
          msg.kind = down ? MessageKind::LButtonDown : MessageKind::LButtonUp;
          window.input.leftDown = down;
          window.input.keyDown[1] = down;
          return true;
        case SDL_BUTTON_RIGHT:
          msg.kind = down ? MessageKind::RButtonDown : MessageKind::RButtonUp;
          window.input.rightDown = down;
          window.input.keyDown[2] = down;
          return true;
        case SDL_BUTTON_MIDDLE:
          msg.kind = down ? MessageKind::MButtonDown : MessageKind::MButtonUp;
          window.input.middleDown = down;
          window.input.keyDown[4] = down;
          return true;
        default: return false;
      }
    }
    case SDL_MOUSEWHEEL: {
      int notches = e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -e.wheel.y : e.wheel.y;
      if (notches == 0) return false;
      msg.kind = MessageKind::Wheel;
      msg.wheelDelta = notches * 120;
      return true;
    }
    case SDL_DROPFILE:
      msg.kind = MessageKind::DropFile;
      msg.droppedPath = utf8ToCp932(e.drop.file ? e.drop.file : "");
      SDL_free(e.drop.file);
      return true;
    case SDL_WINDOWEVENT:
      switch (e.window.event) {
        case SDL_WINDOWEVENT_EXPOSED:
        case SDL_WINDOWEVENT_SHOWN:
        case SDL_WINDOWEVENT_SIZE_CHANGED:
        case SDL_WINDOWEVENT_RESTORED:
        case SDL_WINDOWEVENT_MAXIMIZED: window.repaint = true; break;
        default: break;
      }
      if (e.window.event != SDL_WINDOWEVENT_CLOSE) return false;
      msg.kind = MessageKind::Close;
      return true;
    case SDL_QUIT:
      // Only a signal (Ctrl+C, a session ending) sends this: the close button arrives as a
      // window event because quitting on the last window's close is switched off.
      msg.kind = MessageKind::Quit;
      return true;
    default:
      return false;
  }
}

}  // namespace

bool createMainWindow(std::string_view titleCp932, std::string& why) {
  SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "0");
  // The click that brings the window to the front is the reader's first click on a button:
  // SDL would drop it.
  SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
  Uint32 systems = SDL_INIT_EVENTS | SDL_INIT_TIMER;
  if (!options().videoNone) systems |= SDL_INIT_VIDEO;
  if (SDL_Init(systems) != 0) {
    why = SDL_GetError();
    return false;
  }
  window.sdlUp = true;
  window.owner = std::this_thread::get_id();
  window.input.cursorX = 0;
  window.input.cursorY = 0;
  if (!options().videoNone) {
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 8);
    std::string title = cp932ToUtf8(titleCp932);
    // Hidden until the first display mode is applied, so the reader never sees it jump.
    window.sdl = SDL_CreateWindow(title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, kStageWidth,
                                  kStageHeight + kMenuStripHeight, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (!window.sdl) {
      why = SDL_GetError();
      return false;
    }
  }
  SDL_EventState(SDL_DROPFILE, SDL_ENABLE);
  window.scriptedBase = tickMs();
  return true;
}

void destroyMainWindow() {
  if (window.sdl) SDL_DestroyWindow(window.sdl);
  window.sdl = nullptr;
  if (window.sdlUp) SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS | SDL_INIT_TIMER);
  window.sdlUp = false;
}

SDL_Window* mainSdlWindow() { return window.sdl; }
bool onWindowThread() { return window.sdl && std::this_thread::get_id() == window.owner; }

void setWindowTitle(std::string_view titleCp932) {
  if (window.sdl) SDL_SetWindowTitle(window.sdl, cp932ToUtf8(titleCp932).c_str());
}

void startScriptedInput(std::vector<ScriptedEvent> events) {
  window.scripted.assign(std::make_move_iterator(events.begin()), std::make_move_iterator(events.end()));
  window.scriptedBase = startTickMs();
}

void setCursorState(int x, int y) {
  window.input.cursorX = x;
  window.input.cursorY = y;
}

namespace {

// What falls due whoever pumps: the cursor's glide and animation, a second start's request,
// scripted events. True with `msg` set when the --exit-after quit is due.
bool serveDueThings(WindowMessage& msg) {
  advanceGlide();
  advanceCursorAnimation();
  serveInstanceRequests();
  if (options().exitAfterMs && tickMs() - startTickMs() >= *options().exitAfterMs) {
    msg = WindowMessage{};
    msg.kind = MessageKind::Quit;
    return true;
  }
  feedDueScriptedEvents();
  return false;
}

void hold(WindowMessage&& msg) {
  // Only where the cursor ended up matters between two moves; a long busy stretch under a
  // moving mouse must not pile up thousands of them.
  if (msg.kind == MessageKind::MouseMove && !window.held.empty() &&
      window.held.back().kind == MessageKind::MouseMove)
    window.held.back() = std::move(msg);
  else
    window.held.push_back(std::move(msg));
}

}  // namespace

bool pollMessage(WindowMessage& msg) {
  if (!window.sdlUp) return false;
  if (serveDueThings(msg)) return true;
  if (!window.held.empty()) {
    msg = std::move(window.held.front());
    window.held.pop_front();
    return true;
  }
  SDL_Event e;
  while (SDL_PollEvent(&e))
    if (translate(e, msg)) return true;
  return false;
}

bool pollWindowMessage(WindowMessage& msg) {
  if (!window.sdlUp) return false;
  if (serveDueThings(msg)) return true;
  SDL_Event e;
  WindowMessage taken;
  while (SDL_PollEvent(&e)) {
    if (!translate(e, taken)) continue;
    if (taken.kind == MessageKind::Close || taken.kind == MessageKind::Quit) {
      msg = std::move(taken);
      return true;
    }
    hold(std::move(taken));
  }
  return false;
}

bool waitForMessage(std::uint32_t timeoutMs) {
  if (!window.sdlUp || isVirtualClock()) return false;
  // With no event to fill in, SDL only looks whether one is pending and leaves it queued;
  // while it waits it sleeps on the display connection, not in a polling loop.
  return SDL_WaitEventTimeout(nullptr, static_cast<int>(timeoutMs)) == 1;
}

std::uint32_t msUntilWindowDue(std::uint32_t cap) {
  std::uint32_t due = cap;
  const std::uint32_t elapsed = tickMs() - startTickMs();
  auto atMost = [&](std::uint32_t at) {
    const std::uint32_t in = at > elapsed ? at - elapsed : 0;
    if (in < due) due = in;
  };
  if (options().exitAfterMs) atMost(*options().exitAfterMs);
  if (!window.scripted.empty()) atMost(window.scripted.front().atMs + (window.scriptedBase - startTickMs()));
  const int cursor = msUntilCursorStep();
  if (cursor >= 0 && static_cast<std::uint32_t>(cursor) < due) due = static_cast<std::uint32_t>(cursor);
  return due;
}

void requestRepaint() { window.repaint = true; }

bool takeRepaintRequest() {
  const bool r = window.repaint;
  window.repaint = false;
  return r;
}

void forgetInputWhileModal() {
  if (!window.sdlUp) return;
  SDL_PumpEvents();
  SDL_FlushEvents(SDL_KEYDOWN, SDL_TEXTINPUT);
  SDL_FlushEvents(SDL_MOUSEBUTTONDOWN, SDL_MOUSEWHEEL);
  const int x = window.input.cursorX, y = window.input.cursorY;
  window.input = InputState{};
  window.input.cursorX = x;
  window.input.cursorY = y;
  window.returnTakenByWindow = false;
}

const InputState& inputState() { return window.input; }
void setScreenshotWriter(ScreenshotWriter writer) { window.screenshotWriter = writer; }

}  // namespace platform
