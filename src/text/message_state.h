// The reading modes and reveal clock shared by the message layout, the waits, sprites,
// transitions and the window procedure.
#pragma once
#include <cstdint>

namespace text {

enum ModeReport : int { kNoModeChange = 0, kModeNormal = 1, kModeSkip = 2, kModeAuto = 3 };

struct MessageState {
  bool fast = false;         // text without delay; wait, print and quakes skipped
  bool skipMode = false;     // every message wait advances at once
  bool autoMode = false;     // message waits advance when autoDeadline passes
  bool showAll = false;      // the rest of the current text appears at once
  bool windowShown = true;   // the message window is visible
  int modeChange = kNoModeChange;  // pending mode report for eventwait
  bool effectSkip = false;   // transitions and quakes are done at once
  bool effectCancel = true;  // return, control or a click ends a running transition or quake
  bool alreadyReadStop = true;  // skip mode stops at text not read before
  std::uint32_t nextCharTime = 0;  // tick at which the next character is revealed
  std::uint32_t autoDeadline = 0;  // tick at which auto mode advances a message wait
  int pitchX = 26;  // full-width character pitch, also the message font height
};

MessageState& messageState();

}  // namespace text
