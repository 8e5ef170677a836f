// print: shows the staged sprites, with or without a transition, then commits them.
#pragma once
#include <cstdint>
#include <string>

#include "platform/window.h"

namespace graphics {

// The softness of a rule transition's edge (0..512), set by print and cleared by every commit.
int transitionGradation();
void resetTransitionGradation();

// The start of a timed transition of print's `type` (2 named, 3 cross-fade, 4 rule) with
// its name argument: the frame drawers are installed, the gradation stored and the kind's
// start operation run (the name looked up, the rule picture loaded). False, after
// reporting, when the transition cannot run. renderFrame(type - 1, ...) then draws it.
bool startTransition(int type, const std::string& name, int gradation);

// A running timed transition: which frame drawer, over how many ms, from which tick.
struct TransitionRun {
  int drawer = 0;
  int duration = 0;
  std::uint32_t start = 0;
};
enum class TransitionStep { Running, Finished, Cancelled, Closed };
// One pass of the transition loop at the clock's present tick: Finished once the time is
// up; otherwise the frame of this moment when the pacing lets one out, then one window
// message (Closed for a close request, Cancelled for the reader's cancel). The caller
// sleeps a millisecond between passes.
TransitionStep transitionStep(const TransitionRun& run, platform::WindowMessage& msg);

}  // namespace graphics
