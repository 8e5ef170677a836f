// What the fuzz targets share: the engine set up as for a headless run, where a report goes
// to stderr as one line instead of a message box that would wait for a reader.
#pragma once
#include "platform/options.h"

namespace fuzz {

inline bool headlessEngine() {
  platform::EngineOptions o = platform::options();
  o.noDialogs = true;
  o.videoNone = true;
  o.audioNone = true;
  platform::setOptions(o);
  return true;
}

// Aborts when an invariant of a reader's result fails: the fuzzer records the input.
inline void check(bool condition) {
  if (!condition) __builtin_trap();
}

}  // namespace fuzz
