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
// The table entry holds the count, tracks + 2.
void templateCommand(std::string_view args, std::initializer_list<int> tracks) {
  std::vector<std::int32_t> v;
  if (!core::readNumbers(args, v)) return;
  const std::size_t count = v.size();
  std::size_t i = 0;
  for (int track : tracks) setTrack(track, v[i++], v[count - 2], v[count - 1]);
}

void cmdSpAf(std::string_view a) { templateCommand(a, {kTrackFade}); }
void cmdSpAx(std::string_view a) { templateCommand(a, {kTrackPosX}); }
void cmdSpAy(std::string_view a) { templateCommand(a, {kTrackPosY}); }
void cmdSpAxy(std::string_view a) { templateCommand(a, {kTrackPosX, kTrackPosY}); }
void cmdSpAa(std::string_view a) { templateCommand(a, {kTrackAlpha}); }
void cmdSpAxya(std::string_view a) { templateCommand(a, {kTrackPosX, kTrackPosY, kTrackAlpha}); }
void cmdSpAw(std::string_view a) { templateCommand(a, {kTrackScaleX}); }
void cmdSpAh(std::string_view a) { templateCommand(a, {kTrackScaleY}); }
void cmdSpAwh(std::string_view a) { templateCommand(a, {kTrackScaleX, kTrackScaleY}); }
void cmdSpArx(std::string_view a) { templateCommand(a, {kTrackRotX}); }
void cmdSpAry(std::string_view a) { templateCommand(a, {kTrackRotY}); }
void cmdSpArz(std::string_view a) { templateCommand(a, {kTrackRotZ}); }
void cmdSpArxyz(std::string_view a) { templateCommand(a, {kTrackRotX, kTrackRotY, kTrackRotZ}); }
void cmdSpAc(std::string_view a) { templateCommand(a, {kTrackColour}); }

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

void cmdSpSet(std::string_view args) {
  std::vector<std::int32_t> v;
  if (!core::readNumbers(args, v)) return;
  const std::int32_t n = v[0], mode = v[1];
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
  step.deleteFlag = v[2];
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

void cmdSpExe(std::string_view args) {
  std::vector<std::int32_t> v;
  if (!core::readNumbers(args, v)) return;
  const std::int32_t n = v[0];
  SpriteSlot* slot = slotArgument(n);
  if (!slot) return;
  AnimationQueue* queue = animationQueue(n);
  if (!queue) return reportQueue(n, " 登録されていません");
  if (queue->empty()) return reportQueue(n, " 登録されていません２");
  if (v[1] == 1) {
    bool allDeleted = true;
    for (const AnimationStep& step : *queue) allDeleted = allDeleted && step.deleteFlag != 0;
    if (allDeleted) return reportQueue(n, " 全ての登録に削除フラグがあります");
    slot->repeatMode = 1;
  } else {
    slot->repeatMode = v[1] == 2 ? 2 : 0;
  }
  if ((*queue)[0].startTime == 0) {
    const std::uint32_t now = platform::tickMs();
    (*queue)[0].startTime = now != 0 ? now : 1;  // 0 means "not started"
    slot->animationCursor = 0;
  }
}

constexpr core::CommandEntry kAnimationCommands[] = {
    {"sp.af", cmdSpAf, nullptr, 3, 3},
    {"sp.ax", cmdSpAx, nullptr, 3, 3},
    {"sp.ay", cmdSpAy, nullptr, 3, 3},
    {"sp.axy", cmdSpAxy, nullptr, 4, 4},
    {"sp.aa", cmdSpAa, nullptr, 3, 3},
    {"sp.axya", cmdSpAxya, nullptr, 5, 5},
    {"sp.aw", cmdSpAw, nullptr, 3, 3},
    {"sp.ah", cmdSpAh, nullptr, 3, 3},
    {"sp.awh", cmdSpAwh, nullptr, 4, 4},
    {"sp.arx", cmdSpArx, nullptr, 3, 3},
    {"sp.ary", cmdSpAry, nullptr, 3, 3},
    {"sp.arz", cmdSpArz, nullptr, 3, 3},
    {"sp.arxyz", cmdSpArxyz, nullptr, 5, 5},
    {"sp.ac", cmdSpAc, nullptr, 3, 3},
    {"sp.set", cmdSpSet, nullptr, 3, 3},
    {"sp.exe", cmdSpExe, nullptr, 2, 2},
};

}  // namespace

std::span<const core::CommandEntry> animationCommands() { return kAnimationCommands; }

}  // namespace graphics
