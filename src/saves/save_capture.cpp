#include "saves/save_capture.h"

#include <cmath>

#include "core/control_flow.h"
#include "core/expression.h"
#include "core/interpreter.h"
#include "graphics/sprites.h"
#include "sound/sound_stream.h"
#include "text/backlog.h"
#include "text/font_settings.h"
#include "text/message_state.h"
#include "text/text_state.h"

namespace saves {

namespace {

void captureStep(const graphics::AnimationStep& from, SavedStep& to) {
  to.deleteFlag = from.deleteFlag;
  for (int k = graphics::kTrackPosX; k <= graphics::kTrackRotZ; ++k) {
    const graphics::AnimationTrack& t = from.tracks[static_cast<std::size_t>(k)];
    const std::size_t base = static_cast<std::size_t>(k - graphics::kTrackPosX) * 4;
    to.tracks[base] = t.from;
    to.tracks[base + 1] = t.to;
    to.tracks[base + 2] = t.duration;
    to.tracks[base + 3] = t.accel;
  }
  const graphics::AnimationTrack& c = from.tracks[graphics::kTrackColour];
  to.colour = {static_cast<std::uint32_t>(c.from), static_cast<std::uint32_t>(c.to), static_cast<std::uint32_t>(c.duration),
               static_cast<std::uint32_t>(c.accel)};
}

void captureSprite(int n, graphics::SpriteSlot& slot, const graphics::TextureImage& image, SavedSprite& s) {
  s.slot = n;
  s.name = slot.name;
  s.second = slot.fontName;
  if (!slot.fontName.empty() && slot.fontName[0] != '\x01') {
    s.style = slot.textSettings[0];
    s.size = slot.textSettings[1];
    for (std::size_t c = 0; c < 3; ++c) s.colours[c] = static_cast<std::uint32_t>(slot.textSettings[2 + c]);
  }
  const graphics::SpriteFilters& f = slot.filters;
  s.filters = {f.reverse, f.grey,   f.bcOn,       f.brightness, f.contrast, f.colourOn, f.redCyan,
               f.greenMagenta, f.blueYellow, f.hslOn,  f.hue,        f.saturation, f.lightness, f.blurOn,
               f.blurX,   f.blurY,  f.mosaicOn,   f.mosaicX,    f.mosaicY};
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

  const graphics::AnimationQueue* queue = graphics::animationQueue(n);
  if (!queue || queue->empty()) return;
  const std::size_t cursor = slot.animationCursor < queue->size() ? slot.animationCursor : 0;
  // The running step starts the loaded picture where it starts itself; properties its
  // tracks do not move keep the picture's values.
  const graphics::AnimationStep& current = (*queue)[cursor];
  auto start = [&](int track, double value) {
    const graphics::AnimationTrack& t = current.tracks[static_cast<std::size_t>(track)];
    return t.duration != 0 ? static_cast<double>(t.from) : value;
  };
  s.x = std::trunc(start(graphics::kTrackPosX, s.x));
  s.y = std::trunc(start(graphics::kTrackPosY, s.y));
  s.alpha = static_cast<std::int32_t>(start(graphics::kTrackAlpha, s.alpha));
  s.scaleX = current.tracks[graphics::kTrackScaleX].duration != 0 ? current.tracks[graphics::kTrackScaleX].from / 100.0 : s.scaleX;
  s.scaleY = current.tracks[graphics::kTrackScaleY].duration != 0 ? current.tracks[graphics::kTrackScaleY].from / 100.0 : s.scaleY;
  s.rotX = std::trunc(start(graphics::kTrackRotX, s.rotX));
  s.rotY = std::trunc(start(graphics::kTrackRotY, s.rotY));
  s.rotZ = std::trunc(start(graphics::kTrackRotZ, s.rotZ));
  if (current.tracks[graphics::kTrackColour].duration != 0)
    s.colourFactor = static_cast<std::uint32_t>(current.tracks[graphics::kTrackColour].from);
  s.repeatMode = slot.repeatMode;
  // From the running step on; a repeating list also keeps the steps before it, after the
  // others, so that the loop it plays after loading is the whole loop.
  const std::size_t count = slot.repeatMode == 1 ? queue->size() : queue->size() - cursor;
  s.steps.resize(count);
  for (std::size_t k = 0; k < count; ++k) captureStep((*queue)[(cursor + k) % queue->size()], s.steps[k]);
}

std::pair<std::uint32_t, std::int32_t> resumePosition(bool textInProgress) {
  core::InterpreterState& st = core::interpreter();
  // A text block being shown is shown again from its first line.
  if (textInProgress) return {text::textState().textBlockKey, text::textState().textBlockLine};
  int line = 0, statement = 0;
  std::uint32_t key = 0;
  // Inside subroutines: where the outermost call returns, the rest of its line passed over
  // (it may hold the call itself).
  if (core::outermostReturn(line, statement, key)) return {key, line + 1 + (statement > 0 ? 1 : 0)};
  return {core::runningFileKey(), st.line + 1};
}

}  // namespace

SaveData captureState() {
  SaveData data;
  for (int n : graphics::drawOrder()) {
    graphics::SpriteSlot& slot = *graphics::spriteSlot(n);
    const graphics::TextureImage* image = graphics::currentPicture(slot);
    if (slot.name.empty() || !image) continue;
    captureSprite(n, slot, *image, data.sprites.emplace_back());
  }
  for (int i = 0; i < sound::kStreamCount; ++i) {
    const sound::StreamSnapshot snap = sound::streamSnapshot(i);
    if (snap.status == sound::kStopped || snap.fileName.empty()) continue;
    data.sounds.push_back({i, snap.fileName, snap.loops, snap.volume, snap.pan, snap.sample});
  }
  const text::BacklogRing& ring = text::backlogRing();
  const bool pageInProgress = text::textBlockInProgress();
  for (int i = 0; i < kSavedBacklogPages; ++i) {
    if (pageInProgress && i == ring.current) continue;  // shown again when the game resumes
    const text::BacklogPage& page = ring.pages[static_cast<std::size_t>(i)];
    data.pages[static_cast<std::size_t>(i)] = {page.text, page.speaker, page.lineCount};
  }
  const text::MessageState& ms = text::messageState();
  data.message = std::array<std::int32_t, 8>{ms.textSpeed,    ms.autoWaitBase, ms.lineNullJoined, ms.lineNullEmpty,
                                             ms.indentBracket, ms.indentPlain,  ring.current,      ring.used};
  const text::MessageFontSettings& mf = text::messageFont();
  const graphics::TextSpriteSettings& ts = graphics::textSpriteSettings();
  data.font = SavedFont{mf.face,   mf.style,  {mf.colour1, mf.colour2, mf.colour3},
                        ts.face,   ts.style,  {ts.colour1, ts.colour2, ts.colour3},
                        ts.height};
  data.window = std::array<std::int32_t, 12>{ms.originX,   ms.originY,   ms.pitchX,       ms.pitchY,
                                             ms.extraX,    ms.lineSpacing, ms.charsPerLine, ms.lineCount,
                                             ms.logPitchX, ms.logPitchY, ms.logExtraX,    ms.logLineSpacing};
  data.resume = resumePosition(pageInProgress);
  data.integers = core::namedNumbersWithPrefix("g_");
  data.strings = core::namedStringsWithPrefix("g_");
  return data;
}

}  // namespace saves
