// Statistics of a long run for the soak test (--stats FILE): once a second of real time, at
// a presented frame, one line with the frames presented so far and the live counts of what a
// leak would pile up (textures, sound buffers, cached glyphs). Main thread only.
#pragma once

namespace app {

// Registered with the device as its present observer when --stats names a file.
void noteFramePresented();

}  // namespace app
