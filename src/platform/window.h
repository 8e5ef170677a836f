// The main window (SDL2) and the message record that the engine's waiting loops pump.
// Nothing above the platform and device layers includes SDL: they see WindowMessage only.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

struct SDL_Window;

namespace platform {

enum class MessageKind {
  None,
  KeyDown, KeyUp,            // key: Windows virtual-key number
  SysKeyDown, SysKeyUp,      // keys pressed with Alt held, and F10
  LButtonDown, LButtonUp,
  RButtonDown, RButtonUp,
  MButtonDown, MButtonUp,
  Wheel,                     // wheelDelta: +-120 a notch, positive away from the reader
  MouseMove,
  DropFile,                  // droppedPath: CP932
  Close,                     // the window's close button
  Quit,                      // the window is gone: leave at once
};

struct WindowMessage {
  MessageKind kind = MessageKind::None;
  int key = 0;
  int x = 0, y = 0;  // stage coordinates of the cursor when the message was made
  int windowX = 0, windowY = 0;  // the same point in window pixels (the menu works in these)
  int wheelDelta = 0;
  std::string droppedPath;
};

constexpr int kStageWidth = 800;
constexpr int kStageHeight = 600;

// Brings SDL up: with video, a window with an OpenGL 3.3 core context request;
// without (--video=none), only the event queue. False with `why` on failure.
bool createMainWindow(std::string_view titleCp932, std::string& why);
void destroyMainWindow();
SDL_Window* mainSdlWindow();  // for the device layer only; null with --video=none
bool onWindowThread();        // there is a window and this thread made it
void setWindowTitle(std::string_view titleCp932);

// Takes one pending message, if any, without dispatching it; false when the queue is
// empty. The waiting loops pump through the window procedure instead. Scripted input
// (--input) and the --exit-after quit enter here, through the same queue as real events.
bool pollMessage(WindowMessage& msg);
// For the pump that keeps the window answering while a script runs without waiting: takes
// everything pending, holds input (keys, buttons, wheel, moves, drops) for the next
// pollMessage, in order, and returns only the close button or a quit. The state in
// inputState() follows every message taken, held or not.
bool pollWindowMessage(WindowMessage& msg);

// Blocks until a message is pending or `timeoutMs` has passed, without taking it; true
// when one is pending. The virtual clock never blocks: it returns at once.
bool waitForMessage(std::uint32_t timeoutMs);
// Ms until the window needs a pump of its own although no message is pending: a scripted
// event or the --exit-after quit falls due, the cursor glides or animates. `cap` when
// nothing is due before.
std::uint32_t msUntilWindowDue(std::uint32_t cap);

// The window's picture was lost or changed shape (expose, resize, a display mode, the menu):
// the next frame must be presented even if nothing on the stage changed.
void requestRepaint();
bool takeRepaintRequest();

// Drops the keys, buttons and wheel that reached the window while a modal box was up (input
// held from before the box stays), and forgets which were down: their releases may be
// among what was dropped. The cursor keeps its place.
void forgetInputWhileModal();

// The engine's own view of the input devices, updated from the messages it has pumped
// (SDL's state functions do not see pushed events).
struct InputState {
  int cursorX = 0, cursorY = 0;  // stage coordinates
  bool leftDown = false, rightDown = false, middleDown = false;
  bool keyDown[256] = {};
};
const InputState& inputState();

// The picture a scripted "screenshot FILE" event saves; set by the device layer.
using ScreenshotWriter = bool (*)(const std::string& pngPath, std::string& why);
void setScreenshotWriter(ScreenshotWriter writer);

}  // namespace platform
