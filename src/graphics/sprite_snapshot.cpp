#include "graphics/sprite_snapshot.h"

#include <algorithm>
#include <cmath>

#include "core/error_report.h"
#include "graphics/sprites.h"
#include "image/filter_chain.h"
#include "image/pixel_image.h"
#include "platform/clock.h"
#include "platform/cp932.h"

namespace graphics {

namespace {

using core::FieldKind;
using Field = core::SavedField<SpriteRecord>;

// Positions and rotations are the only fields the two forms of the record spell differently.
constexpr std::array<Field, 42> imageFields(FieldKind position) {
  return {{
      {"name", &SpriteRecord::name, FieldKind::Text, ""},
      {"second", &SpriteRecord::second, FieldKind::Text},
      {"size", &SpriteRecord::size, FieldKind::Decimal},
      {"style", &SpriteRecord::style, FieldKind::Decimal},
      {"colour1", &SpriteRecord::colour1, FieldKind::Hex},
      {"colour2", &SpriteRecord::colour2, FieldKind::Hex},
      {"colour3", &SpriteRecord::colour3, FieldKind::Hex},
      {"reverse", &SpriteRecord::reverse, FieldKind::Decimal, ", "},
      {"grey", &SpriteRecord::grey, FieldKind::Decimal, ", "},
      {"bcOn", &SpriteRecord::bcOn, FieldKind::Decimal, ", "},
      {"brightness", &SpriteRecord::brightness, FieldKind::Decimal, ", "},
      {"contrast", &SpriteRecord::contrast, FieldKind::Decimal, ", "},
      {"colourOn", &SpriteRecord::colourOn, FieldKind::Decimal, ", "},
      {"redCyan", &SpriteRecord::redCyan, FieldKind::Decimal, ", "},
      {"greenMagenta", &SpriteRecord::greenMagenta, FieldKind::Decimal, ", "},
      {"blueYellow", &SpriteRecord::blueYellow, FieldKind::Decimal, ", "},
      {"hslOn", &SpriteRecord::hslOn, FieldKind::Decimal, ", "},
      {"hue", &SpriteRecord::hue, FieldKind::Decimal, ", "},
      {"saturation", &SpriteRecord::saturation, FieldKind::Decimal, ", "},
      {"lightness", &SpriteRecord::lightness, FieldKind::Decimal, ", "},
      {"blurOn", &SpriteRecord::blurOn, FieldKind::Decimal, ", "},
      {"blurX", &SpriteRecord::blurX, FieldKind::Decimal, ", "},
      {"blurY", &SpriteRecord::blurY, FieldKind::Decimal, ", "},
      {"mosaicOn", &SpriteRecord::mosaicOn, FieldKind::Decimal, ", "},
      {"mosaicX", &SpriteRecord::mosaicX, FieldKind::Decimal, ", "},
      {"mosaicY", &SpriteRecord::mosaicY, FieldKind::Decimal, ", "},
      {"layer", &SpriteRecord::layer, FieldKind::Decimal, ", "},
      {"alpha", &SpriteRecord::alpha, FieldKind::Decimal},
      {"blendMode", &SpriteRecord::blendMode, FieldKind::Decimal},
      {"colourOp", &SpriteRecord::colourOp, FieldKind::Hex},
      {"colourFactor", &SpriteRecord::colourFactor, FieldKind::Decimal},
      {"width", &SpriteRecord::width, FieldKind::Decimal},
      {"height", &SpriteRecord::height, FieldKind::Decimal},
      {"x", &SpriteRecord::x, position},
      {"y", &SpriteRecord::y, position},
      {"scaleX", &SpriteRecord::scaleX, FieldKind::Real},
      {"scaleY", &SpriteRecord::scaleY, FieldKind::Real},
      {"rotX", &SpriteRecord::rotX, position},
      {"rotY", &SpriteRecord::rotY, position},
      {"rotZ", &SpriteRecord::rotZ, position},
      {"pivotX", &SpriteRecord::pivotX, FieldKind::Real},
      {"pivotY", &SpriteRecord::pivotY, FieldKind::Real},
  }};
}

// The repeat mode closes both forms.
template <std::size_t N>
constexpr std::array<Field, N + 1> withRepeatMode(const std::array<Field, N>& fields) {
  std::array<Field, N + 1> out{};
  for (std::size_t i = 0; i < N; ++i) out[i] = fields[i];
  out[N] = {"repeatMode", &SpriteRecord::repeatMode, FieldKind::Decimal, ", "};
  return out;
}

constexpr auto kPlainImageFields = withRepeatMode(imageFields(FieldKind::Real));
constexpr auto kAnimatedImageFields = withRepeatMode(imageFields(FieldKind::Whole));

constexpr core::SavedField<StepRecord> kStepFields[] = {
    {"deleteFlag", &StepRecord::deleteFlag, FieldKind::Decimal, ""},
    {"tracks", &StepRecord::tracks, FieldKind::Decimal, ", "},
    {"colour", &StepRecord::colour, FieldKind::Hex, ", "},
};

void captureStep(const AnimationStep& from, StepRecord& to) {
  to.deleteFlag = from.deleteFlag;
  for (int k = kTrackPosX; k <= kTrackRotZ; ++k) {
    const AnimationTrack& t = from.tracks[static_cast<std::size_t>(k)];
    const std::size_t base = static_cast<std::size_t>(k - kTrackPosX) * 4;
    to.tracks[base] = t.from;
    to.tracks[base + 1] = t.to;
    to.tracks[base + 2] = t.duration;
    to.tracks[base + 3] = t.accel;
  }
  const AnimationTrack& c = from.tracks[kTrackColour];
  to.colour = {static_cast<std::uint32_t>(c.from), static_cast<std::uint32_t>(c.to), static_cast<std::uint32_t>(c.duration),
               static_cast<std::uint32_t>(c.accel)};
}

void captureFilters(const SpriteFilters& f, SpriteRecord& s) {
  s.reverse = f.reverse; s.grey = f.grey; s.bcOn = f.bcOn; s.brightness = f.brightness; s.contrast = f.contrast;
  s.colourOn = f.colourOn; s.redCyan = f.redCyan; s.greenMagenta = f.greenMagenta; s.blueYellow = f.blueYellow;
  s.hslOn = f.hslOn; s.hue = f.hue; s.saturation = f.saturation; s.lightness = f.lightness;
  s.blurOn = f.blurOn; s.blurX = f.blurX; s.blurY = f.blurY;
  s.mosaicOn = f.mosaicOn; s.mosaicX = f.mosaicX; s.mosaicY = f.mosaicY;
}

SpriteFilters filtersOf(const SpriteRecord& s) {
  return {s.reverse, s.grey,   s.bcOn,       s.brightness, s.contrast, s.colourOn, s.redCyan,
          s.greenMagenta, s.blueYellow, s.hslOn, s.hue, s.saturation, s.lightness, s.blurOn,
          s.blurX,   s.blurY,  s.mosaicOn,   s.mosaicX,    s.mosaicY};
}

// The running step starts the picture where it starts itself; properties its tracks do not
// move keep the picture's values. From the running step on; a repeating list also keeps the
// steps before it, after the others, so that the loop it plays after loading is the whole loop.
void captureAnimation(int n, const SpriteSlot& slot, SpriteRecord& s) {
  const AnimationQueue* queue = animationQueue(n);
  if (!queue || queue->empty()) return;
  const std::size_t cursor = slot.animationCursor < queue->size() ? slot.animationCursor : 0;
  const AnimationStep& current = (*queue)[cursor];
  auto start = [&](int track, double value) {
    const AnimationTrack& t = current.tracks[static_cast<std::size_t>(track)];
    return t.duration != 0 ? static_cast<double>(t.from) : value;
  };
  s.x = std::trunc(start(kTrackPosX, s.x));
  s.y = std::trunc(start(kTrackPosY, s.y));
  s.alpha = static_cast<std::int32_t>(start(kTrackAlpha, s.alpha));
  s.scaleX = current.tracks[kTrackScaleX].duration != 0 ? current.tracks[kTrackScaleX].from / 100.0 : s.scaleX;
  s.scaleY = current.tracks[kTrackScaleY].duration != 0 ? current.tracks[kTrackScaleY].from / 100.0 : s.scaleY;
  s.rotX = std::trunc(start(kTrackRotX, s.rotX));
  s.rotY = std::trunc(start(kTrackRotY, s.rotY));
  s.rotZ = std::trunc(start(kTrackRotZ, s.rotZ));
  if (current.tracks[kTrackColour].duration != 0) s.colourFactor = static_cast<std::uint32_t>(current.tracks[kTrackColour].from);
  s.repeatMode = slot.repeatMode;
  const std::size_t count = slot.repeatMode == 1 ? queue->size() : queue->size() - cursor;
  s.steps.resize(count);
  for (std::size_t k = 0; k < count; ++k) captureStep((*queue)[(cursor + k) % queue->size()], s.steps[k]);
}

void captureSprite(int n, const SpriteSlot& slot, const TextureImage& image, SpriteRecord& s) {
  s.slot = n;
  s.name = slot.name;
  s.second = slot.fontName;
  if (!slot.fontName.empty() && slot.fontName[0] != '\x01') {
    s.style = slot.textSettings[0];
    s.size = slot.textSettings[1];
    s.colour1 = static_cast<std::uint32_t>(slot.textSettings[2]);
    s.colour2 = static_cast<std::uint32_t>(slot.textSettings[3]);
    s.colour3 = static_cast<std::uint32_t>(slot.textSettings[4]);
  }
  captureFilters(slot.filters, s);
  s.layer = static_cast<std::int32_t>(image.layer);
  s.alpha = image.alpha;
  s.blendMode = static_cast<std::int32_t>(image.blendMode);
  s.colourOp = image.colourOp;
  s.colourFactor = image.colourFactor;
  s.width = image.width;
  s.height = image.height;
  s.x = image.posX;
  s.y = image.posY;
  s.scaleX = image.scaleX;
  s.scaleY = image.scaleY;
  s.rotX = image.rotX;
  s.rotY = image.rotY;
  s.rotZ = image.rotZ;
  s.pivotX = image.pivotX;
  s.pivotY = image.pivotY;
  captureAnimation(n, slot, s);
}

// A text sprite's fields count only with a face; a stand canvas has "\x01" there.
bool isTextSprite(const SpriteRecord& s) { return !s.second.empty() && s.size != 0; }
bool isStandCanvas(const SpriteRecord& s) { return !s.second.empty() && s.second[0] == '\x01'; }

// The picture of one slot, staged as the sprite commands stage theirs (a text sprite drawn
// again, a stand canvas composed again, a picture file loaded through the slot's filters).
bool stagePicture(const SpriteRecord& s) {
  const auto layer = static_cast<std::uint32_t>(s.layer);
  if (isTextSprite(s)) {
    TextSpriteSettings& ts = textSpriteSettings();
    ts.face = s.second.substr(0, 32);
    ts.height = s.size;
    ts.style = s.style;
    ts.colour1 = s.colour1;
    ts.colour2 = s.colour2;
    ts.colour3 = s.colour3;
    applyTextSpriteSettings();
    return stageTextSprite(s.slot, s.name, layer);
  }
  if (isStandCanvas(s)) {
    if (!image::sizeAllowed(s.width, s.height)) {
      core::showErrorBox(s.name + platform::jp(" の読み込みに失敗しました"));
      return false;
    }
    std::optional<image::PixelImage> canvas = image::loadCanvas(s.name, spriteSlot(s.slot)->filters, s.width, s.height);
    if (!canvas) return false;
    TextureHolder holder;
    if (!loadTexture(holder, std::move(*canvas))) return false;
    stageMadePicture(s.slot, std::move(holder), s.name, layer);
    return true;
  }
  return loadSpritePicture(s.slot, s.name, {}, 0, 0, 0, layer);
}

void restoreAnimation(const SpriteRecord& s, SpriteSlot& slot, std::uint32_t now) {
  slot.repeatMode = std::clamp(s.repeatMode, 0, 2);
  if (s.steps.empty()) return;
  AnimationQueue& queue = createAnimationQueue(s.slot);
  queue.clear();
  for (const StepRecord& saved : s.steps) {
    AnimationStep& step = queue.emplace_back();
    step.deleteFlag = saved.deleteFlag;
    for (int k = kTrackPosX; k <= kTrackRotZ; ++k) {
      const std::size_t base = static_cast<std::size_t>(k - kTrackPosX) * 4;
      step.tracks[static_cast<std::size_t>(k)] = {saved.tracks[base], saved.tracks[base + 1], saved.tracks[base + 2],
                                                  saved.tracks[base + 3]};
    }
    step.tracks[kTrackColour] = {static_cast<std::int32_t>(saved.colour[0]), static_cast<std::int32_t>(saved.colour[1]),
                                 static_cast<std::int32_t>(saved.colour[2]), static_cast<std::int32_t>(saved.colour[3])};
  }
  // The running step goes on from its beginning, as sp.exe starts a list.
  slot.animationCursor = 0;
  queue[0].startTime = now != 0 ? now : 1;
}

void restoreSprite(const SpriteRecord& s, std::uint32_t now) {
  SpriteSlot& slot = *spriteSlot(s.slot);
  slot.filters = filtersOf(s);
  if (!stagePicture(s)) {
    clearSpriteSlot(s.slot);
    return;
  }
  TextureImage& image = *slot.staged();
  image.layer = static_cast<std::uint32_t>(s.layer);
  image.alpha = s.alpha & 0xFF;
  image.blendMode = static_cast<std::uint32_t>(s.blendMode);
  image.colourOp = s.colourOp;
  image.colourFactor = s.colourFactor;
  image.posX = static_cast<float>(s.x);
  image.posY = static_cast<float>(s.y);
  image.scaleX = static_cast<float>(s.scaleX);
  image.scaleY = static_cast<float>(s.scaleY);
  image.rotX = static_cast<float>(s.rotX);
  image.rotY = static_cast<float>(s.rotY);
  image.rotZ = static_cast<float>(s.rotZ);
  const auto pivotX = static_cast<float>(s.pivotX), pivotY = static_cast<float>(s.pivotY);
  if (pivotX != image.pivotX || pivotY != image.pivotY) setPivot(image, pivotX, pivotY);
  applyAlphaToVertices(image);
  slot.fontName = s.second.substr(0, 31);
  slot.textSettings = {};
  if (isTextSprite(s))
    slot.textSettings = {s.style, s.size, static_cast<std::int32_t>(s.colour1), static_cast<std::int32_t>(s.colour2),
                         static_cast<std::int32_t>(s.colour3)};
  restoreAnimation(s, slot, now);
}

}  // namespace

std::span<const core::SavedField<SpriteRecord>> spriteFields(bool animated) {
  if (animated) return kAnimatedImageFields;
  return kPlainImageFields;
}

std::span<const core::SavedField<StepRecord>> stepFields() { return kStepFields; }

std::vector<SpriteRecord> captureSprites() {
  std::vector<SpriteRecord> records;
  for (int n : drawOrder()) {
    SpriteSlot& slot = *spriteSlot(n);
    const TextureImage* image = currentPicture(slot);
    if (slot.name.empty() || !image) continue;
    captureSprite(n, slot, *image, records.emplace_back());
  }
  return records;
}

void restoreSprites(std::span<const SpriteRecord> records) {
  const std::uint32_t now = platform::tickMs();
  for (const SpriteRecord& s : records)
    if (spriteSlot(s.slot)) restoreSprite(s, now);
  commitSprites();
}

}  // namespace graphics
