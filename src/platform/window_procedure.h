// The main window's procedure and the message pump that every waiting loop calls: it
// takes one message, lets the window react to it (reading-mode keys, the close
// confirmation, Alt+Return, the menu) and hands it to the loop.
#pragma once
#include "platform/window.h"

namespace platform {

// 1 normally, also when nothing was pending (then `msg` keeps the last message taken);
// 0 when the program must quit. Loops clear msg.kind when they consume a message.
int pumpMessage(WindowMessage& msg);

// The pump of a script that runs without waiting: everything pending is taken, so the
// window keeps answering, but input stays pending for the next wait (a click made while
// the script was busy belongs to the wait that follows); only the close button and a quit
// are handled now. Returns as pumpMessage does.
int keepWindowAlive(WindowMessage& msg);

// What the window asks of higher layers.
struct WindowHooks {
  void (*exitSave)() = nullptr;         // the save made when the reader quits
  void (*cursorToCloseButton)() = nullptr;  // glide the cursor before the quit question
  bool (*toggleFullScreen)() = nullptr;  // Alt+Return; false when refused
  void (*toggleSkipMode)() = nullptr;    // Tab
  void (*toggleAutoMode)() = nullptr;    // Shift
};
void setWindowHooks(const WindowHooks& hooks);

}  // namespace platform
