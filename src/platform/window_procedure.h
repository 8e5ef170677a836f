// The main window's procedure and the message pump that every waiting loop calls: it
// takes one message, lets the window react to it (reading-mode keys, the close
// confirmation, Alt+Return, the menu) and hands it to the loop.
#pragma once
#include "platform/window.h"

namespace platform {

// 1 normally, also when nothing was pending (then `msg` keeps the last message taken);
// 0 when the program must quit. Loops clear msg.kind when they consume a message.
// `took`, when given, tells whether a message was taken.
int pumpMessage(WindowMessage& msg, bool* took = nullptr);

// What the window asks of higher layers.
struct WindowHooks {
  void (*exitSave)() = nullptr;         // the save made when the reader quits
  void (*cursorToCloseButton)() = nullptr;  // glide the cursor before the quit question
  bool (*toggleFullScreen)() = nullptr;  // Alt+Return; false when refused
};
void setWindowHooks(const WindowHooks& hooks);

}  // namespace platform
