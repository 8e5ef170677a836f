// print: shows the staged sprites, with or without a transition, then commits them.
#pragma once

namespace graphics {

// The softness of a rule transition's edge (0..512), set by print and cleared by every commit.
int transitionGradation();
void resetTransitionGradation();

}  // namespace graphics
