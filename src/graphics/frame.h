// One finished frame: animations advanced, the stage drawn by the chosen drawer,
// stretched for the scaled full-screen modes, and presented.
#pragma once

namespace graphics {

enum FrameDrawer : int { kDrawPlain = 0, kDrawNamedTransition = 1, kDrawFade = 2, kDrawRule = 3 };

// 1 normally, 0 after a reported failure. `elapsed`, `duration` and `accel` drive the
// transition drawers.
int renderFrame(int drawer = kDrawPlain, int elapsed = 0, int duration = 0, int accel = 0);

}  // namespace graphics
