// Frame composition. The stage is drawn into the main target and presented; the drawers
// that paint sprites and transitions register here as they are built.
#include "graphics/frame.h"

#include "graphics/device.h"

namespace graphics {

int renderFrame(int drawer, int elapsed, int duration, int accel) {
  (void)drawer, (void)elapsed, (void)duration, (void)accel;
  if (!hasDevice()) return 1;
  return presentFrame();
}

}  // namespace graphics
