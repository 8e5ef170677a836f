#include "platform/display_state.h"

#include <algorithm>
#include <numeric>

namespace platform {
namespace {

constexpr int kStageW = 800, kStageH = 600;

// The larger of the two scale factors: the cut-edges view fills the screen with it.
double coverScale(const DisplayState& d) {
  return std::max(d.screenWidth / double(kStageW), d.screenHeight / double(kStageH));
}

}  // namespace

void computeGeometry(DisplayState& d, int screenWidth, int screenHeight, int refreshRate) {
  d.screenWidth = std::max(1, screenWidth);
  d.screenHeight = std::max(1, screenHeight);
  const WindowSize size = kWindowSizes[static_cast<std::size_t>(std::clamp(d.sizeIndex, 0, 7))];
  d.clientWidth = size.width;
  d.clientHeight = size.height;
  d.windowWidth = d.clientWidth + d.frameWidth;
  d.windowHeight = d.clientHeight + d.frameHeight;
  if (d.windowWidth >= d.screenWidth || d.windowHeight >= d.screenHeight) {
    d.sizeIndex = kDefaultSizeIndex;
    d.clientWidth = kStageW;
    d.clientHeight = kStageH;
    d.windowWidth = d.clientWidth + d.frameWidth;
    d.windowHeight = d.clientHeight + d.frameHeight;
  }
  d.windowX = (d.screenWidth - d.windowWidth) / 2;
  d.windowY = (d.screenHeight - d.windowHeight) / 2;

  const Rect wholeStage{0, 0, kStageW, kStageH};
  // 1: no enlargement, the stage centred at its own size.
  d.source[kFitNoEnlarge] = wholeStage;
  int left = (d.screenWidth - kStageW) / 2, top = (d.screenHeight - kStageH) / 2;
  d.destination[kFitNoEnlarge] = Rect{left, top, left + kStageW, top + kStageH};
  // 2: fill the edges, the stage scaled to fit whole and centred.
  d.source[kFitFillEdges] = wholeStage;
  int w, h;
  if (d.screenWidth / double(kStageW) > d.screenHeight / double(kStageH)) {
    h = d.screenHeight;
    w = d.screenHeight * kStageW / kStageH;
  } else {
    w = d.screenWidth;
    h = d.screenWidth * kStageH / kStageW;
  }
  left = (d.screenWidth - w) / 2;
  top = (d.screenHeight - h) / 2;
  d.destination[kFitFillEdges] = Rect{left, top, left + w, top + h};
  // 3: cut the edges, the part of the stage that fills the screen at the larger scale.
  d.destination[kFitCutEdges] = Rect{0, 0, d.screenWidth, d.screenHeight};
  int sw, sh;
  if (d.screenWidth / double(kStageW) > d.screenHeight / double(kStageH)) {
    sw = kStageW;
    sh = kStageW * d.screenHeight / d.screenWidth;
  } else {
    sw = kStageH * d.screenWidth / d.screenHeight;
    sh = kStageH;
  }
  d.scrollMaxX = kStageW - sw;
  d.scrollMaxY = kStageH - sh;
  d.scrollX = d.scrollMaxX / 2;
  d.scrollY = d.scrollMaxY / 2;
  d.source[kFitCutEdges] = Rect{d.scrollX, d.scrollY, d.scrollX + sw, d.scrollY + sh};

  int rate = refreshRate > 1 ? refreshRate : 60;
  int g = std::gcd(1000, rate);
  d.refreshNumerator = 1000 / g;
  d.refreshDenominator = rate / g;
}

bool windowSizeOffered(const DisplayState& d, int index) {
  if (index < 0 || index > 7) return false;
  if (index <= kDefaultSizeIndex) return true;
  const WindowSize s = kWindowSizes[static_cast<std::size_t>(index)];
  return d.screenWidth > s.width + d.frameWidth && d.screenHeight > s.height + d.frameHeight;
}

void clientToStage(const DisplayState& d, int& x, int& y) {
  if (!d.fullScreen) {
    if (d.sizeIndex == kDefaultSizeIndex) return;
    x = x * kStageW / d.clientWidth;
    y = y * kStageH / d.clientHeight;
    return;
  }
  switch (d.fitMode) {
    case kFitChangeResolution: return;
    case kFitStretch:
      x = x * kStageW / d.screenWidth;
      y = y * kStageH / d.screenHeight;
      return;
    case kFitNoEnlarge:
      x -= d.destination[kFitNoEnlarge].left;
      y -= d.destination[kFitNoEnlarge].top;
      return;
    case kFitFillEdges: {
      const Rect& r = d.destination[kFitFillEdges];
      x = (x - r.left) * kStageW / std::max(1, r.width());
      y = (y - r.top) * kStageH / std::max(1, r.height());
      return;
    }
    default: {
      double s = coverScale(d);
      x = static_cast<int>(x * kStageW / (kStageW * s)) + d.scrollX;
      y = static_cast<int>(y * kStageH / (kStageH * s)) + d.scrollY;
      return;
    }
  }
}

void stageToClient(const DisplayState& d, int& x, int& y) {
  if (!d.fullScreen) {
    if (d.sizeIndex == kDefaultSizeIndex) return;
    x = x * d.clientWidth / kStageW;
    y = y * d.clientHeight / kStageH;
    return;
  }
  switch (d.fitMode) {
    case kFitChangeResolution: return;
    case kFitStretch:
      x = x * d.screenWidth / kStageW;
      y = y * d.screenHeight / kStageH;
      return;
    case kFitNoEnlarge:
      x += d.destination[kFitNoEnlarge].left;
      y += d.destination[kFitNoEnlarge].top;
      return;
    case kFitFillEdges: {
      const Rect& r = d.destination[kFitFillEdges];
      x = x * r.width() / kStageW + r.left;
      y = y * r.height() / kStageH + r.top;
      return;
    }
    default: {
      double s = coverScale(d);
      x = static_cast<int>((x - d.scrollX) * s);
      y = static_cast<int>((y - d.scrollY) * s);
      return;
    }
  }
}

bool scrollTowardsEdge(DisplayState& d, int screenX, int screenY) {
  if (!d.fullScreen || d.fitMode != kFitCutEdges) return false;
  int oldX = d.scrollX, oldY = d.scrollY;
  if (screenX < 20) d.scrollX = std::max(0, d.scrollX - 5);
  else if (screenX >= d.screenWidth - 20) d.scrollX = std::min(d.scrollMaxX, d.scrollX + 5);
  if (screenY < 20) d.scrollY = std::max(0, d.scrollY - 5);
  else if (screenY >= d.screenHeight - 20) d.scrollY = std::min(d.scrollMaxY, d.scrollY + 5);
  Rect& src = d.source[kFitCutEdges];
  int w = src.width(), h = src.height();
  src = Rect{d.scrollX, d.scrollY, d.scrollX + w, d.scrollY + h};
  return d.scrollX != oldX || d.scrollY != oldY;
}

}  // namespace platform
