// The alpha-aware cross-fade of two pictures of one size, as a stand picture fades in over
// the one shown before it. The pixels are split over short-lived worker threads (the
// `Thread` setting: 0 means as many as the processors this process may run on); the
// calling thread does the last part and waits for the others, so no lock is needed.
#pragma once
#include "image/pixel_image.h"

namespace image {

// Set at start-up from the settings; 0 (the default) or less: the processors available.
void setWorkerThreads(int count);
// The number of parts a cross-fade is split into (at least 1).
int workerThreads();

// out = a moved toward b by weight 0..256 (clamped). a and b must have one size; out is
// made that size. False (nothing written) when the sizes differ or memory runs out.
bool crossfade(PixelImage& out, const PixelImage& a, const PixelImage& b, int weight);

}  // namespace image
