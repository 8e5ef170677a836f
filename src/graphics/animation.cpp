// Easing and the animation queues: per slot a list of steps of which the one at the cursor
// runs, each step a set of tracks that ease one property from a value to another over a
// time. The fade track cross-fades a stand picture (sp.st) onto the shown one. Runs once a
// frame on the main thread, before the stage is drawn.
#include <algorithm>
#include <cstring>
#include <map>
#include <string>

#include "core/error_report.h"
#include "graphics/sprites.h"
#include "platform/clock.h"
#include "platform/cp932.h"

namespace graphics {
namespace {

struct Animations {
  std::map<int, AnimationQueue> queues;  // slot number -> steps
  AnimationStep stepTemplate;            // filled by sp.a*, appended by sp.set
  // The shown stand picture's own pixels while a cross-fade runs: every level blends these
  // with the staged picture, not the previous level's result.
  std::map<int, std::vector<std::uint8_t>> fadeBases;
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

// Blends the fade base toward the staged picture by level / 255 into a picture of the
// shown picture's size; staged pixels outside the staged picture count as transparent.
image::PixelImage blendStand(const std::vector<std::uint8_t>& base, int width, int height, const TextureImage& staged,
                             int level) {
  image::PixelImage out;
  out.width = width;
  out.height = height;
  out.pixels.resize(static_cast<std::size_t>(width) * height * 4);
  const int k = std::clamp(level, 0, 255);
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* a = base.data() + static_cast<std::size_t>(y) * width * 4;
    std::uint8_t* o = out.pixels.data() + static_cast<std::size_t>(y) * width * 4;
    const bool rowInside = y < staged.height;
    const std::uint8_t* b = rowInside ? staged.pixels.data() + static_cast<std::size_t>(y) * staged.width * 4 : nullptr;
    for (int x = 0; x < width; ++x) {
      static constexpr std::uint8_t kClear[4] = {0, 0, 0, 0};
      const std::uint8_t* bp = rowInside && x < staged.width ? b + x * 4 : kClear;
      for (int c = 0; c < 4; ++c) o[x * 4 + c] = static_cast<std::uint8_t>(a[x * 4 + c] + (bp[c] - a[x * 4 + c]) * k / 255);
    }
  }
  return out;
}

void setFadeLevel(int n, SpriteSlot& slot, int level) {
  TextureImage* shown = slot.shown();
  TextureImage* staged = slot.staged();
  if (!shown || !staged || shown->pixels.empty() || staged->pixels.empty()) return;
  auto base = animations.fadeBases.find(n);
  if (base == animations.fadeBases.end()) base = animations.fadeBases.emplace(n, shown->pixels).first;
  image::PixelImage blended = blendStand(base->second, shown->width, shown->height, *staged, level);
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

// Ms until the step at the slot's cursor changes a picture: at its start, at once while a
// track moves, at its end while its tracks only hold their values.
int msUntilStepChange(const SpriteSlot& slot, const AnimationQueue& queue, std::uint32_t now) {
  const AnimationStep& step = queue[slot.animationCursor < queue.size() ? slot.animationCursor : 0];
  if (step.startTime == 0) return -1;
  const auto t = static_cast<std::int32_t>(now - step.startTime);
  if (t < 0) return -t;
  std::int32_t end = 0;
  for (const AnimationTrack& track : step.tracks) {
    if (track.duration == 0 || t >= track.duration) continue;
    if (track.from != track.to) return 0;
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
  animations.fadeBases.erase(n);
}

AnimationStep& animationTemplate() { return animations.stepTemplate; }

void finishCrossFade(SpriteSlot& slot) {
  for (auto it = animations.fadeBases.begin(); it != animations.fadeBases.end(); ++it)
    if (spriteSlot(it->first) == &slot) {
      animations.fadeBases.erase(it);
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
      animations.fadeBases.erase(n);
      it = animations.queues.erase(it);
      continue;
    }
    if (!slot.name.empty()) changed |= runStep(n, slot, queue, now);
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
    const int in = slot.shown() ? msUntilStepChange(slot, queue, now) : 0;
    if (in >= 0 && (due < 0 || in < due)) due = in;
  }
  return due;
}

}  // namespace graphics
