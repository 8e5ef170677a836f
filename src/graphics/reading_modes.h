// The reader's modes and the effect flags: switched by the window procedure's keys and by
// script commands, read by the message waits, quakes and transitions. They live here, below
// text, so that graphics' effects can ask whether to run at full length without reaching up
// into the message window. One record for the program; main thread only.
#pragma once

namespace graphics {

enum ModeReport : int { kNoModeChange = 0, kModeNormal = 1, kModeSkip = 2, kModeAuto = 3 };

struct ReadingModes {
  bool fast = false;         // text without delay; wait, print and quakes skipped
  bool skipMode = false;     // every message wait advances at once
  bool autoMode = false;     // message waits advance when the auto deadline passes
  int modeChange = kNoModeChange;  // pending mode report for eventwait
  bool effectSkip = false;   // transitions and quakes are done at once
  bool effectCancel = true;  // return, control or a click ends a running transition or quake
  bool alreadyReadStop = true;  // skip mode stops at text not read before
};

ReadingModes& readingModes();

// Transitions and quakes run at full length only when no mode skips them.
inline bool effectsSkipped() {
  const ReadingModes& m = readingModes();
  return m.fast || m.skipMode || m.effectSkip;
}

}  // namespace graphics
