// The animation commands: sp.a* fill the one step template, sp.set appends it to a slot's
// queue with the starting values filled in, sp.exe starts the queue.
#include <string>

#include "core/command_support.h"
#include "core/error_report.h"
#include "graphics/sprite_commands.h"
#include "platform/clock.h"
#include "platform/cp932.h"

namespace graphics {
namespace {

// A template track: the to value, duration and easing; `from` is filled by sp.set.
void setTrack(int track, std::int32_t to, std::int32_t duration, std::int32_t accel) {
  AnimationTrack& t = animationTemplate().tracks[track];
  t.to = to;
  t.duration = duration;
  t.accel = accel;
}

// "to..., time, accel": one value per track in `tracks`, all with the same time and easing.
// The signature holds the count, tracks + 2.
void templateCommand(const core::Arguments& v, std::initializer_list<int> tracks) {
  const std::size_t count = v.size();
  std::size_t i = 0;
  for (int track : tracks) setTrack(track, v.number(i++), v.number(count - 2), v.number(count - 1));
}

void cmdSpAf(const core::Arguments& a) { templateCommand(a, {kTrackFade}); }
void cmdSpAx(const core::Arguments& a) { templateCommand(a, {kTrackPosX}); }
void cmdSpAy(const core::Arguments& a) { templateCommand(a, {kTrackPosY}); }
void cmdSpAxy(const core::Arguments& a) { templateCommand(a, {kTrackPosX, kTrackPosY}); }
void cmdSpAa(const core::Arguments& a) { templateCommand(a, {kTrackAlpha}); }
void cmdSpAxya(const core::Arguments& a) { templateCommand(a, {kTrackPosX, kTrackPosY, kTrackAlpha}); }
void cmdSpAw(const core::Arguments& a) { templateCommand(a, {kTrackScaleX}); }
void cmdSpAh(const core::Arguments& a) { templateCommand(a, {kTrackScaleY}); }
void cmdSpAwh(const core::Arguments& a) { templateCommand(a, {kTrackScaleX, kTrackScaleY}); }
void cmdSpArx(const core::Arguments& a) { templateCommand(a, {kTrackRotX}); }
void cmdSpAry(const core::Arguments& a) { templateCommand(a, {kTrackRotY}); }
void cmdSpArz(const core::Arguments& a) { templateCommand(a, {kTrackRotZ}); }
void cmdSpArxyz(const core::Arguments& a) { templateCommand(a, {kTrackRotX, kTrackRotY, kTrackRotZ}); }
void cmdSpAc(const core::Arguments& a) { templateCommand(a, {kTrackColour}); }

// The end values of a step written at once into both pictures.
void applyEndValues(SpriteSlot& slot, const AnimationStep& step) {
  for (TextureHolder& holder : slot.images) {
    TextureImage* image = holder.get();
    if (!image) continue;
    const auto& t = step.tracks;
    image->posX = static_cast<float>(t[kTrackPosX].to);
    image->posY = static_cast<float>(t[kTrackPosY].to);
    image->alpha = t[kTrackAlpha].to & 0xFF;
    applyAlphaToVertices(*image);
    image->scaleX = t[kTrackScaleX].to / 100.0f;
    image->scaleY = t[kTrackScaleY].to / 100.0f;
    image->rotX = static_cast<float>(t[kTrackRotX].to);
    image->rotY = static_cast<float>(t[kTrackRotY].to);
    image->rotZ = static_cast<float>(t[kTrackRotZ].to);
    image->colourFactor = static_cast<std::uint32_t>(t[kTrackColour].to) | 0xFF000000u;
  }
}

void cmdSpSet(const core::Arguments& args) {
  const core::Arguments& v = args;
  const std::int32_t n = v.number(0), mode = v.number(1);
  SpriteSlot* slot = slotArgument(n);
  if (!slot) return;
  const TextureImage* shown = slot->shown();
  if (!shown) return reportMissingPicture(n);

  AnimationQueue& queue = createAnimationQueue(n);
  std::array<std::int32_t, kTrackCount> start{};
  if (!queue.empty()) {
    for (int k = 0; k < kTrackCount; ++k) start[k] = queue.back().tracks[k].to;
  } else {
    start[kTrackPosX] = static_cast<std::int32_t>(shown->posX);
    start[kTrackPosY] = static_cast<std::int32_t>(shown->posY);
    start[kTrackAlpha] = shown->alpha;
    start[kTrackScaleX] = static_cast<std::int32_t>(shown->scaleX * 100.0f);
    start[kTrackScaleY] = static_cast<std::int32_t>(shown->scaleY * 100.0f);
    start[kTrackRotX] = static_cast<std::int32_t>(shown->rotX);
    start[kTrackRotY] = static_cast<std::int32_t>(shown->rotY);
    start[kTrackRotZ] = static_cast<std::int32_t>(shown->rotZ);
    start[kTrackColour] = static_cast<std::int32_t>(shown->colourFactor);
  }

  if (mode == 0 && !queue.empty()) {
    applyEndValues(*slot, queue.back());
    queue.clear();
    slot->animationCursor = 0;
    if (slot->fadeLevel != 0) {
      finishCrossFade(*slot);
      slot->flags = 0;
    }
  } else if (mode == 2 && !queue.empty()) {
    // The running steps play out once, then the queue goes on with the new step.
    const std::size_t cursor = std::min(slot->animationCursor, queue.size());
    queue.erase(queue.begin(), queue.begin() + static_cast<std::ptrdiff_t>(cursor));
    slot->animationCursor = 0;
    for (AnimationStep& step : queue) step.deleteFlag = 1;
  }

  AnimationStep step = animationTemplate();
  step.startTime = 0;
  step.deleteFlag = v.number(2);
  start[kTrackFade] = 0;
  for (int k = 0; k < kTrackCount; ++k) {
    step.tracks[k].from = start[k];
    if (step.tracks[k].duration == 0) step.tracks[k].to = start[k];
  }
  queue.push_back(step);
  animationTemplate() = AnimationStep{};
}

void reportQueue(std::int32_t n, const char* message) {
  core::reportCommandError(std::to_string(n) + platform::jp(message));
}

void cmdSpExe(const core::Arguments& args) {
  const core::Arguments& v = args;
  const std::int32_t n = v.number(0);
  SpriteSlot* slot = slotArgument(n);
  if (!slot) return;
  AnimationQueue* queue = animationQueue(n);
  if (!queue) return reportQueue(n, " 登録されていません");
  if (queue->empty()) return reportQueue(n, " 登録されていません２");
  if (v.number(1) == 1) {
    bool allDeleted = true;
    for (const AnimationStep& step : *queue) allDeleted = allDeleted && step.deleteFlag != 0;
    if (allDeleted) return reportQueue(n, " 全ての登録に削除フラグがあります");
    slot->repeatMode = 1;
  } else {
    slot->repeatMode = v.number(1) == 2 ? 2 : 0;
  }
  if ((*queue)[0].startTime == 0) {
    const std::uint32_t now = platform::tickMs();
    (*queue)[0].startTime = now != 0 ? now : 1;  // 0 means "not started"
    slot->animationCursor = 0;
  }
}

constexpr core::CommandEntry kAnimationCommands[] = {
    {"sp.af", cmdSpAf, nullptr, "n n n"},
    {"sp.ax", cmdSpAx, nullptr, "n n n"},
    {"sp.ay", cmdSpAy, nullptr, "n n n"},
    {"sp.axy", cmdSpAxy, nullptr, "n n n n"},
    {"sp.aa", cmdSpAa, nullptr, "n n n"},
    {"sp.axya", cmdSpAxya, nullptr, "n n n n n"},
    {"sp.aw", cmdSpAw, nullptr, "n n n"},
    {"sp.ah", cmdSpAh, nullptr, "n n n"},
    {"sp.awh", cmdSpAwh, nullptr, "n n n n"},
    {"sp.arx", cmdSpArx, nullptr, "n n n"},
    {"sp.ary", cmdSpAry, nullptr, "n n n"},
    {"sp.arz", cmdSpArz, nullptr, "n n n"},
    {"sp.arxyz", cmdSpArxyz, nullptr, "n n n n n"},
    {"sp.ac", cmdSpAc, nullptr, "n n n"},
    {"sp.set", cmdSpSet, nullptr, "n n n"},
    {"sp.exe", cmdSpExe, nullptr, "n n"},
};

}  // namespace

std::span<const core::CommandEntry> animationCommands() { return kAnimationCommands; }

}  // namespace graphics
