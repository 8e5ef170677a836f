// Easing and the animation queues: per slot a list of steps of which the one at the cursor
// runs, each step a set of tracks that ease one property from a value to another over a
// time. The fade track cross-fades a stand picture (sp.st) onto the shown one. Runs once a
// frame on the main thread, before the stage is drawn.
#include <algorithm>
#include <cstring>
#include <map>
#include <string>

#include "core/error_report.h"
#include "graphics/frame.h"
#include "graphics/sprites.h"
#include "image/crossfade.h"
#include "platform/clock.h"
#include "platform/cp932.h"

namespace graphics {
namespace {

struct FadePictures {
  image::PixelImage from, to;
};

struct Animations {
  std::map<int, AnimationQueue> queues;  // slot number -> steps
  AnimationStep stepTemplate;            // filled by sp.a*, appended by sp.set
  // The shown picture's own pixels and the stand picture while a cross-fade runs: every
  // level blends these two, not the previous level's result.
  std::map<int, FadePictures> fades;
} animations;

// x^n by repeated multiplication, as the easing rule asks.
double power(double x, int n) {
  double r = 1.0;
  for (int i = 0; i < n; ++i) r *= x;
  return r;
}

double easedFraction(double x, int accel) {
  if (accel < 0) return power(x, -accel);
  return 1.0 - power(1.0 - x, accel);
}

// The stand picture on a canvas of the shown picture's size (top-left aligned; pixels
// outside it are transparent), so that the two sides of the fade have one size.
image::PixelImage fitToShown(const TextureImage& staged, int width, int height) {
  image::PixelImage fitted;
  fitted.width = width;
  fitted.height = height;
  fitted.bits = 32;
  if (staged.width == width && staged.height == height) {
    fitted.pixels = staged.pixels;
    return fitted;
  }
  fitted.pixels.assign(static_cast<std::size_t>(width) * height * 4, 0);
  const int w = std::min(width, staged.width), h = std::min(height, staged.height);
  for (int y = 0; y < h; ++y)
    std::memcpy(fitted.row(y), staged.pixels.data() + static_cast<std::size_t>(y) * staged.width * 4,
                static_cast<std::size_t>(w) * 4);
  return fitted;
}

void setFadeLevel(int n, SpriteSlot& slot, int level) {
  TextureImage* shown = slot.shown();
  TextureImage* staged = slot.staged();
  if (!shown || !staged || shown->pixels.empty() || staged->pixels.empty()) return;
  auto fade = animations.fades.find(n);
  if (fade == animations.fades.end()) {
    FadePictures pictures;
    pictures.from.width = shown->width;
    pictures.from.height = shown->height;
    pictures.from.bits = 32;
    pictures.from.pixels = shown->pixels;
    pictures.to = fitToShown(*staged, shown->width, shown->height);
    fade = animations.fades.emplace(n, std::move(pictures)).first;
  }
  // Level 0..255 as a weight 0..256: 255 reaches the stand picture itself.
  const int k = std::clamp(level, 0, 255);
  image::PixelImage blended;
  if (!image::crossfade(blended, fade->second.from, fade->second.to, k + (k >= 128 ? 1 : 0))) return;
  loadTexture(slot.shownHolder(), std::move(blended));  // same size: refreshed in place
  slot.fadeLevel = level;
}

template <typename T>
bool assign(T& field, T value) {
  if (field == value) return false;
  field = value;
  return true;
}

// True when a picture's property took a new value.
bool writeTrackValue(SpriteSlot& slot, int track, std::int32_t value) {
  bool changed = false;
  for (TextureHolder& holder : slot.images) {
    TextureImage* image = holder.get();
    if (!image) continue;
    switch (track) {
      case kTrackPosX: changed |= assign(image->posX, static_cast<float>(value)); break;
      case kTrackPosY: changed |= assign(image->posY, static_cast<float>(value)); break;
      case kTrackAlpha:
        if (assign(image->alpha, value & 0xFF)) {
          applyAlphaToVertices(*image);
          changed = true;
        }
        break;
      case kTrackScaleX: changed |= assign(image->scaleX, value / 100.0f); break;
      case kTrackScaleY: changed |= assign(image->scaleY, value / 100.0f); break;
      case kTrackRotX: changed |= assign(image->rotX, static_cast<float>(value)); break;
      case kTrackRotY: changed |= assign(image->rotY, static_cast<float>(value)); break;
      case kTrackRotZ: changed |= assign(image->rotZ, static_cast<float>(value)); break;
      default: break;
    }
  }
  return changed;
}

void reportSlot(int n, const char* message) { core::reportCommandError(std::to_string(n) + platform::jp(message)); }

// Runs the step at the cursor of slot n; true when a shown property changed.
bool runStep(int n, SpriteSlot& slot, AnimationQueue& queue, std::uint32_t now) {
  if (slot.animationCursor >= queue.size()) slot.animationCursor = 0;
  AnimationStep& step = queue[slot.animationCursor];
  if (step.startTime == 0) return false;
  const auto t = static_cast<std::int32_t>(now - step.startTime);
  if (t < 0) return false;  // the next step begins a frame after the last one ended

  bool changed = false;
  bool finished = true;
  bool fadeRunning = false;
  for (int k = 0; k < kTrackCount; ++k) {
    const AnimationTrack& track = step.tracks[k];
    if (track.duration == 0) continue;
    const bool running = t < track.duration;
    if (running) finished = false;
    const std::int32_t value = running ? track.from + easeValue(track.to - track.from, t, track.duration, track.accel)
                                       : track.to;
    if (k == kTrackFade) {
      if (running) {
        fadeRunning = true;
        if (value != slot.fadeLevel) {
          setFadeLevel(n, slot, value);
          changed = true;
        }
      }
    } else if (k == kTrackColour) {
      for (TextureHolder& holder : slot.images)
        if (holder) changed |= assign(holder->colourFactor, static_cast<std::uint32_t>(track.to) | 0xFF000000u);
    } else {
      changed |= writeTrackValue(slot, k, value);
    }
  }
  // A fade that ended (or ran between two frames) shows the stand picture.
  const bool standWaiting = (slot.flags & kDirectMode) && step.tracks[kTrackFade].duration > 0 &&
                            hasPicture(slot.staged());
  if (!fadeRunning && (slot.fadeLevel != 0 || standWaiting)) {
    finishCrossFade(slot);
    changed = true;
  }
  if (!finished) return changed;

  const bool last = slot.animationCursor + 1 >= queue.size();
  if (last) {
    switch (slot.repeatMode) {
      case 1:
        if (step.deleteFlag) queue.erase(queue.begin() + static_cast<std::ptrdiff_t>(slot.animationCursor));
        slot.animationCursor = 0;
        if (!queue.empty()) queue[0].startTime = now + 16;
        break;
      case 2:
        slot.flags |= kClearAtCommit;
        step.startTime = 0;  // played out: nothing runs until the commit clears the slot
        break;
      default:
        queue.clear();
        slot.animationCursor = 0;
        break;
    }
    return changed;
  }
  if (step.deleteFlag) {
    queue.erase(queue.begin() + static_cast<std::ptrdiff_t>(slot.animationCursor));
  } else {
    ++slot.animationCursor;
  }
  queue[slot.animationCursor].startTime = now + 16;
  return changed;
}

// True when a moving track of the given kind can change what the frame shows of a picture
// that is out of sight for `sight`: its opacity brings a transparent picture back, a move,
// scale or turn takes a covered one out from under its cover; nothing shows a hidden one.
bool trackCanBringIntoSight(int track, SpriteSight sight) {
  switch (sight) {
    case SpriteSight::Seen: return true;
    case SpriteSight::Transparent: return track == kTrackAlpha;
    case SpriteSight::Covered:
      return track != kTrackAlpha && track != kTrackFade && track != kTrackColour;
    case SpriteSight::Hidden: return false;
  }
  return true;
}

// Ms until the step at the slot's cursor changes what is shown: at its start, at once while
// a track moves in sight, at its end while its tracks only hold their values or move out of
// sight (the end starts the next step, which keeps the queue on the clock).
int msUntilStepChange(const SpriteSlot& slot, const AnimationQueue& queue, std::uint32_t now, SpriteSight sight) {
  const AnimationStep& step = queue[slot.animationCursor < queue.size() ? slot.animationCursor : 0];
  if (step.startTime == 0) return -1;
  const auto t = static_cast<std::int32_t>(now - step.startTime);
  if (t < 0) return -t;
  std::int32_t end = 0;
  for (int k = 0; k < kTrackCount; ++k) {
    const AnimationTrack& track = step.tracks[k];
    if (track.duration == 0 || t >= track.duration) continue;
    if (track.from != track.to && trackCanBringIntoSight(k, sight)) return 0;
    end = std::max(end, track.duration);
  }
  return end > t ? end - t : 0;
}

}  // namespace

int easeValue(int range, int elapsed, int duration, int accel) {
  if (duration == 0) return range;  // nothing to spread over: the end value
  if (accel == 0) return static_cast<int>(static_cast<std::int64_t>(range) * elapsed / duration);
  const double x = static_cast<double>(elapsed) / duration;
  return static_cast<int>(range * easedFraction(x, accel));
}

float easeValueFloat(float range, float elapsed, float duration, int accel) {
  if (duration == 0) return range;
  if (accel == 0) return range * elapsed / duration;
  return static_cast<float>(range * easedFraction(static_cast<double>(elapsed) / duration, accel));
}

AnimationQueue* animationQueue(int n) {
  auto it = animations.queues.find(n);
  return it == animations.queues.end() ? nullptr : &it->second;
}

AnimationQueue& createAnimationQueue(int n) { return animations.queues[n]; }

void dropAnimationQueue(int n) {
  animations.queues.erase(n);
  animations.fades.erase(n);
}

AnimationStep& animationTemplate() { return animations.stepTemplate; }

void finishCrossFade(SpriteSlot& slot) {
  for (auto it = animations.fades.begin(); it != animations.fades.end(); ++it)
    if (spriteSlot(it->first) == &slot) {
      animations.fades.erase(it);
      break;
    }
  TextureImage* shown = slot.shown();
  TextureImage* stand = slot.staged();
  if (shown && hasPicture(stand)) {
    // Property commands in direct mode went to the shown picture: the stand keeps them.
    copyProperties(*stand, *shown);
    stand->layer = shown->layer;
    releaseTextures(*shown);
    slot.frontIndex ^= 1;
  }
  slot.fadeLevel = 0;
  slot.flags &= ~static_cast<std::uint32_t>(kDirectMode);
}

bool updateAnimations() {
  const std::uint32_t now = platform::tickMs();
  bool changed = false;
  for (auto it = animations.queues.begin(); it != animations.queues.end();) {
    const int n = it->first;
    SpriteSlot& slot = *spriteSlot(n);
    AnimationQueue& queue = it->second;
    if (queue.empty()) {
      ++it;
      continue;
    }
    if (!slot.shown()) {
      reportSlot(n, " 画像が読み込まれていません");
      animations.fades.erase(n);
      it = animations.queues.erase(it);
      continue;
    }
    // A picture out of sight before and after its step still moves with the clock, but
    // asks for no frame: nothing on the screen changed.
    if (!slot.name.empty()) {
      const bool seenBefore = spriteSight(n) == SpriteSight::Seen;
      if (runStep(n, slot, queue, now) && (seenBefore || spriteSight(n) == SpriteSight::Seen)) changed = true;
    }
    ++it;
  }
  return changed;
}

int msUntilAnimationStep() {
  const std::uint32_t now = platform::tickMs();
  int due = -1;
  for (const auto& [n, queue] : animations.queues) {
    SpriteSlot& slot = *spriteSlot(n);
    if (queue.empty() || slot.name.empty()) continue;
    // A queue whose picture is gone is reported by the next update: let it run at once.
    const int in = slot.shown() ? msUntilStepChange(slot, queue, now, spriteSight(n)) : 0;
    if (in >= 0 && (due < 0 || in < due)) due = in;
  }
  return due;
}

}  // namespace graphics
