#include "saves/save_restore.h"

#include <algorithm>

#include "core/control_flow.h"
#include "core/error_report.h"
#include "core/expression.h"
#include "core/interpreter.h"
#include "core/labels.h"
#include "core/path_key.h"
#include "graphics/reading_modes.h"
#include "graphics/sprites.h"
#include "image/filter_chain.h"
#include "image/pixel_image.h"
#include "platform/buttons.h"
#include "platform/clock.h"
#include "platform/cp932.h"
#include "sound/sound_settings.h"
#include "sound/sound_stream.h"
#include "text/backlog.h"
#include "text/font_settings.h"
#include "text/glyph_renderer.h"
#include "text/message_state.h"
#include "text/text_state.h"

namespace saves {

namespace {

bool isStandCanvas(const SavedSprite& s) { return !s.second.empty() && s.second[0] == '\x01'; }

// The picture of one slot, staged as the sprite commands stage theirs (a text sprite drawn
// again, a stand canvas composed again, a picture file loaded through the slot's filters).
bool stagePicture(const SavedSprite& s) {
  const auto layer = static_cast<std::uint32_t>(s.layer);
  if (s.size != 0) {
    graphics::TextSpriteSettings& ts = graphics::textSpriteSettings();
    ts.face = s.second.substr(0, 32);
    ts.height = s.size;
    ts.style = s.style;
    ts.colour1 = s.colours[0];
    ts.colour2 = s.colours[1];
    ts.colour3 = s.colours[2];
    graphics::applyTextSpriteSettings();
    return graphics::stageTextSprite(s.slot, s.name, layer);
  }
  if (isStandCanvas(s)) {
    if (!image::sizeAllowed(s.width, s.height)) {
      core::showErrorBox(s.name + platform::jp(" の読み込みに失敗しました"));
      return false;
    }
    std::optional<image::PixelImage> canvas = image::loadCanvas(s.name, graphics::spriteSlot(s.slot)->filters, s.width, s.height);
    if (!canvas) return false;
    graphics::TextureHolder holder;
    if (!graphics::loadTexture(holder, std::move(*canvas))) return false;
    graphics::stageMadePicture(s.slot, std::move(holder), s.name, layer);
    return true;
  }
  return graphics::loadSpritePicture(s.slot, s.name, {}, 0, 0, 0, layer);
}

void restoreSprite(const SavedSprite& s, std::uint32_t now) {
  graphics::SpriteSlot& slot = *graphics::spriteSlot(s.slot);
  const auto& f = s.filters;
  slot.filters = {f[0], f[1], f[2], f[3], f[4], f[5], f[6], f[7], f[8], f[9],
                  f[10], f[11], f[12], f[13], f[14], f[15], f[16], f[17], f[18]};
  if (!stagePicture(s)) {
    graphics::clearSpriteSlot(s.slot);
    return;
  }
  graphics::TextureImage& image = *slot.staged();
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
  if (pivotX != image.pivotX || pivotY != image.pivotY) graphics::setPivot(image, pivotX, pivotY);
  graphics::applyAlphaToVertices(image);
  slot.fontName = s.second.substr(0, 31);
  slot.textSettings = {};
  if (s.size != 0)
    slot.textSettings = {s.style, s.size, static_cast<std::int32_t>(s.colours[0]), static_cast<std::int32_t>(s.colours[1]),
                         static_cast<std::int32_t>(s.colours[2])};
  slot.repeatMode = std::clamp(s.repeatMode, 0, 2);
  if (s.steps.empty()) return;
  graphics::AnimationQueue& queue = graphics::createAnimationQueue(s.slot);
  queue.clear();
  for (const SavedStep& saved : s.steps) {
    graphics::AnimationStep& step = queue.emplace_back();
    step.deleteFlag = saved.deleteFlag;
    for (int k = graphics::kTrackPosX; k <= graphics::kTrackRotZ; ++k) {
      const std::size_t base = static_cast<std::size_t>(k - graphics::kTrackPosX) * 4;
      step.tracks[static_cast<std::size_t>(k)] = {saved.tracks[base], saved.tracks[base + 1], saved.tracks[base + 2],
                                                  saved.tracks[base + 3]};
    }
    step.tracks[graphics::kTrackColour] = {
        static_cast<std::int32_t>(saved.colour[0]), static_cast<std::int32_t>(saved.colour[1]),
        static_cast<std::int32_t>(saved.colour[2]), static_cast<std::int32_t>(saved.colour[3])};
  }
  // The running step goes on from its beginning, as sp.exe starts a list.
  slot.animationCursor = 0;
  queue[0].startTime = now != 0 ? now : 1;
}

void restoreMessage(const SaveData& data) {
  text::MessageState& ms = text::messageState();
  text::BacklogRing& ring = text::backlogRing();
  for (int i = 0; i < kSavedBacklogPages; ++i) {
    const SavedPage& saved = data.pages[static_cast<std::size_t>(i)];
    text::BacklogPage& page = ring.pages[static_cast<std::size_t>(i)];
    page.text = saved.text.substr(0, text::kPageTextLimit);
    page.speaker = saved.speaker.substr(0, text::kSpeakerLimit);
    page.lineCount = saved.lineCount;
  }
  if (data.message) {
    const auto& m = *data.message;
    ms.textSpeed = m[0];
    ms.autoWaitBase = m[1];
    ms.autoWaitPerChar = m[1] * 100 / 2000;
    ms.lineNullJoined = m[2];
    ms.lineNullEmpty = m[3];
    ms.indentBracket = m[4];
    ms.indentPlain = m[5];
    ring.current = std::clamp(m[6], 0, text::kBacklogPages - 1);
    ring.used = std::clamp(m[7], 1, text::kBacklogPages);
  }
  if (data.window) {
    const auto& w = *data.window;
    ms.originX = w[0];
    ms.originY = w[1];
    ms.pitchX = w[2];
    ms.pitchY = w[3];
    ms.extraX = w[4];
    ms.lineSpacing = w[5];
    ms.charsPerLine = w[6];
    ms.lineCount = w[7];
    ms.logPitchX = w[8];
    ms.logPitchY = w[9];
    ms.logExtraX = w[10];
    ms.logLineSpacing = w[11];
  }
  // The resumed text starts its page afresh. A page that was being shown is not in the save
  // (its block runs again); a page saved whole (setlog, a block that had ended) stays in the
  // backlog behind the fresh one.
  text::BacklogPage& current = text::currentBacklogPage();
  if (!current.text.empty()) {
    text::advanceBacklogPage();
  } else {
    current.speaker.clear();
    current.lineCount = 0;
  }
  ms.line = 0;
  if (data.font) {
    const SavedFont& f = *data.font;
    text::MessageFontSettings& mf = text::messageFont();
    mf.face = f.face.substr(0, text::kFaceNameLimit);
    mf.style = f.style;
    mf.colour1 = f.colours[0];
    mf.colour2 = f.colours[1];
    mf.colour3 = f.colours[2];
    graphics::TextSpriteSettings& ts = graphics::textSpriteSettings();
    ts.face = f.spriteFace.substr(0, 32);
    ts.style = f.spriteStyle;
    ts.colour1 = f.spriteColours[0];
    ts.colour2 = f.spriteColours[1];
    ts.colour3 = f.spriteColours[2];
    ts.height = f.spriteSize;
  }
}

void restorePosition(const std::pair<std::uint32_t, std::int32_t>& resume) {
  core::InterpreterState& st = core::interpreter();
  std::uint32_t key = resume.first;
  // Key 0 names the main script (as earlier saves wrote a position outside subroutines).
  if (key == 0) key = st.mainKey;
  if (key != st.mainKey && !core::fileNameOf(key)) {
    core::showErrorBox(core::keyHex(key) + platform::jp(" が存在しなくなっています"));
    return;
  }
  core::requestFileSwitch(key);
  core::jumpTo(resume.second - 1, 0);
}

void restoreSounds(const SaveData& data) {
  const bool fromSample = sound::soundSettings().hardwareSound == 1;
  for (const SavedSound& s : data.sounds) {
    if (!sound::loadStream(s.stream, s.file)) {
      core::showErrorBox(s.file + platform::jp("が開けませんでした"));
      continue;
    }
    sound::setStreamVolume(s.stream, std::clamp(s.volume, 0, 100), 0);
    sound::setStreamPan(s.stream, std::clamp(static_cast<int>(static_cast<std::int8_t>(s.pan)), -100, 100), 0);
    sound::playStream(s.stream, static_cast<std::int8_t>(s.loops), 1000, fromSample ? s.sample : 0);
  }
  // Which BGM stream carries the music; 1 wins when both play.
  if (sound::streamStatus(0) == sound::kPlaying) core::declareNumber("bgmcross") = 0;
  if (sound::streamStatus(1) == sound::kPlaying) core::declareNumber("bgmcross") = 1;
}

}  // namespace

void resetForLoad() {
  text::releaseMessageGlyphs(text::messageRenderer());
  text::releaseMessageGlyphs(text::rubyRenderer());
  text::MessageState& ms = text::messageState();
  graphics::ReadingModes& modes = graphics::readingModes();
  ms.windowShown = false;
  ms.showAll = false;
  modes.fast = false;
  modes.skipMode = false;
  modes.autoMode = false;
  ms.line = 0;
  ms.lineBreakPending = false;
  text::TextState& ts = text::textState();
  ts.lastTextBlockStart = -1;
  ts.resumeOffset = 0;
  ts.resumePosition = 0;
  ts.stopKind = 0;
  ts.lineInProgress = ts.textBlockStartPending = false;
  core::InterpreterState& st = core::interpreter();
  st.loopSkip = false;
  st.loopNesting = 0;
  core::clearControlStacks();
  platform::clearButtons();
  core::eraseNamedVariablesWithPrefix("g_");
  for (int i = 0; i < sound::kStreamCount; ++i) sound::unloadStream(i);
  for (int n = 0; n < graphics::kSpriteSlots; ++n) graphics::clearSpriteSlot(n);
}

void restoreState(const SaveData& data) {
  const std::uint32_t now = platform::tickMs();
  for (const SavedSprite& s : data.sprites)
    if (graphics::spriteSlot(s.slot)) restoreSprite(s, now);
  graphics::commitSprites();
  restoreMessage(data);
  text::applyMessageFont();
  graphics::applyTextSpriteSettings();
  if (data.resume) restorePosition(*data.resume);
  for (const auto& [name, value] : data.integers)
    if (name.starts_with("g_")) core::declareNumber(name) = value;
  for (const auto& [name, value] : data.strings)
    if (name.starts_with("g_")) core::declareString(name) = value;
  restoreSounds(data);
}

}  // namespace saves
