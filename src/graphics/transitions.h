// print: shows the staged sprites, with or without a transition, then commits them.
#pragma once
#include <string>

namespace graphics {

// The softness of a rule transition's edge (0..512), set by print and cleared by every commit.
int transitionGradation();
void resetTransitionGradation();

// The start of a timed transition of print's `type` (2 named, 3 cross-fade, 4 rule) with
// its name argument: the frame drawers are installed, the gradation stored and the kind's
// start operation run (the name looked up, the rule picture loaded). False, after
// reporting, when the transition cannot run. renderFrame(type - 1, ...) then draws it.
bool startTransition(int type, const std::string& name, int gradation);

}  // namespace graphics
