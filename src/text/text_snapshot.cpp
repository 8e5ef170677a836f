#include "text/text_snapshot.h"

#include <algorithm>

#include "graphics/reading_modes.h"
#include "graphics/sprites.h"
#include "text/backlog.h"
#include "text/font_settings.h"
#include "text/glyph_renderer.h"
#include "text/message_state.h"
#include "text/text_state.h"

namespace text {

namespace {

using core::FieldKind;

constexpr core::SavedField<MessageRecord> kMessageFields[] = {
    {"textSpeed", &MessageRecord::textSpeed, FieldKind::Decimal, ""},
    {"autoWait", &MessageRecord::autoWait, FieldKind::Decimal},
    {"lineNullJoined", &MessageRecord::lineNullJoined, FieldKind::Decimal},
    {"lineNullEmpty", &MessageRecord::lineNullEmpty, FieldKind::Decimal},
    {"indentBracket", &MessageRecord::indentBracket, FieldKind::Decimal},
    {"indentPlain", &MessageRecord::indentPlain, FieldKind::Decimal},
    {"backlogPosition", &MessageRecord::backlogPosition, FieldKind::Decimal},
    {"backlogCount", &MessageRecord::backlogCount, FieldKind::Decimal},
};

constexpr core::SavedField<FontRecord> kFontFields[] = {
    {"face", &FontRecord::face, FieldKind::Text, ""},
    {"style", &FontRecord::style, FieldKind::Decimal},
    {"colour1", &FontRecord::colour1, FieldKind::Hex},
    {"colour2", &FontRecord::colour2, FieldKind::Hex},
    {"colour3", &FontRecord::colour3, FieldKind::Hex},
    {"spriteFace", &FontRecord::spriteFace, FieldKind::Text},
    {"spriteStyle", &FontRecord::spriteStyle, FieldKind::Decimal},
    {"spriteColour1", &FontRecord::spriteColour1, FieldKind::Hex},
    {"spriteColour2", &FontRecord::spriteColour2, FieldKind::Hex},
    {"spriteColour3", &FontRecord::spriteColour3, FieldKind::Hex},
    {"spriteSize", &FontRecord::spriteSize, FieldKind::Decimal},
};

constexpr core::SavedField<WindowRecord> kWindowFields[] = {
    {"originX", &WindowRecord::originX, FieldKind::Decimal, ""},
    {"originY", &WindowRecord::originY, FieldKind::Decimal},
    {"pitchX", &WindowRecord::pitchX, FieldKind::Decimal},
    {"pitchY", &WindowRecord::pitchY, FieldKind::Decimal},
    {"extraX", &WindowRecord::extraX, FieldKind::Decimal},
    {"lineSpacing", &WindowRecord::lineSpacing, FieldKind::Decimal},
    {"charsPerLine", &WindowRecord::charsPerLine, FieldKind::Decimal},
    {"lineCount", &WindowRecord::lineCount, FieldKind::Decimal},
    {"logPitchX", &WindowRecord::logPitchX, FieldKind::Decimal},
    {"logPitchY", &WindowRecord::logPitchY, FieldKind::Decimal},
    {"logExtraX", &WindowRecord::logExtraX, FieldKind::Decimal},
    {"logLineSpacing", &WindowRecord::logLineSpacing, FieldKind::Decimal},
};

void restoreFonts(const FontRecord& f) {
  MessageFontSettings& mf = messageFont();
  mf.face = f.face.substr(0, kFaceNameLimit);
  mf.style = f.style;
  mf.colour1 = f.colour1;
  mf.colour2 = f.colour2;
  mf.colour3 = f.colour3;
  graphics::TextSpriteSettings& ts = graphics::textSpriteSettings();
  ts.face = f.spriteFace.substr(0, 32);
  ts.style = f.spriteStyle;
  ts.colour1 = f.spriteColour1;
  ts.colour2 = f.spriteColour2;
  ts.colour3 = f.spriteColour3;
  ts.height = f.spriteSize;
}

void restoreWindow(const WindowRecord& w) {
  MessageState& ms = messageState();
  ms.originX = w.originX; ms.originY = w.originY; ms.pitchX = w.pitchX; ms.pitchY = w.pitchY;
  ms.extraX = w.extraX; ms.lineSpacing = w.lineSpacing; ms.charsPerLine = w.charsPerLine; ms.lineCount = w.lineCount;
  ms.logPitchX = w.logPitchX; ms.logPitchY = w.logPitchY; ms.logExtraX = w.logExtraX; ms.logLineSpacing = w.logLineSpacing;
}

}  // namespace

std::span<const core::SavedField<MessageRecord>> messageFields() { return kMessageFields; }
std::span<const core::SavedField<FontRecord>> fontFields() { return kFontFields; }
std::span<const core::SavedField<WindowRecord>> windowFields() { return kWindowFields; }

std::optional<BlockStart> blockInProgress() {
  if (!textBlockInProgress()) return std::nullopt;
  return BlockStart{textState().textBlockKey, textState().textBlockLine};
}

TextSnapshot captureText() {
  TextSnapshot snap;
  const BacklogRing& ring = backlogRing();
  const bool pageInProgress = textBlockInProgress();
  for (int i = 0; i < kSavedPages; ++i) {
    if (pageInProgress && i == ring.current) continue;  // shown again when the game resumes
    const BacklogPage& page = ring.pages[static_cast<std::size_t>(i)];
    snap.pages[static_cast<std::size_t>(i)] = {page.text, page.speaker, page.lineCount};
  }
  const MessageState& ms = messageState();
  snap.message = MessageRecord{ms.textSpeed,     ms.autoWaitBase, ms.lineNullJoined, ms.lineNullEmpty,
                               ms.indentBracket, ms.indentPlain,  ring.current,      ring.used};
  const MessageFontSettings& mf = messageFont();
  const graphics::TextSpriteSettings& ts = graphics::textSpriteSettings();
  snap.font = FontRecord{mf.face, mf.style, mf.colour1, mf.colour2, mf.colour3, ts.face,
                         ts.style, ts.colour1, ts.colour2, ts.colour3, ts.height};
  snap.window = WindowRecord{ms.originX,      ms.originY,   ms.pitchX,    ms.pitchY,    ms.extraX,    ms.lineSpacing,
                             ms.charsPerLine, ms.lineCount, ms.logPitchX, ms.logPitchY, ms.logExtraX, ms.logLineSpacing};
  return snap;
}

void restoreText(const TextSnapshot& snap) {
  MessageState& ms = messageState();
  BacklogRing& ring = backlogRing();
  for (int i = 0; i < kSavedPages; ++i) {
    const PageRecord& saved = snap.pages[static_cast<std::size_t>(i)];
    BacklogPage& page = ring.pages[static_cast<std::size_t>(i)];
    page.text = saved.text.substr(0, kPageTextLimit);
    page.speaker = saved.speaker.substr(0, kSpeakerLimit);
    page.lineCount = saved.lineCount;
  }
  if (const auto& m = snap.message) {
    ms.textSpeed = m->textSpeed;
    setAutoWaitBase(ms, m->autoWait);
    ms.lineNullJoined = m->lineNullJoined;
    ms.lineNullEmpty = m->lineNullEmpty;
    ms.indentBracket = m->indentBracket;
    ms.indentPlain = m->indentPlain;
    ring.current = std::clamp(m->backlogPosition, 0, kBacklogPages - 1);
    ring.used = std::clamp(m->backlogCount, 1, kBacklogPages);
  }
  if (snap.window) restoreWindow(*snap.window);
  // The resumed text starts its page afresh. A page that was being shown is not in the save
  // (its block runs again); a page saved whole (setlog, a block that had ended) stays in the
  // backlog behind the fresh one.
  BacklogPage& current = currentBacklogPage();
  if (!current.text.empty()) {
    advanceBacklogPage();
  } else {
    current.speaker.clear();
    current.lineCount = 0;
  }
  ms.line = 0;
  if (snap.font) restoreFonts(*snap.font);
  applyMessageFont();
  graphics::applyTextSpriteSettings();
}

void resetTextForLoad() {
  releaseMessageGlyphs(messageRenderer());
  releaseMessageGlyphs(rubyRenderer());
  MessageState& ms = messageState();
  graphics::ReadingModes& modes = graphics::readingModes();
  ms.windowShown = false;
  ms.showAll = false;
  modes.fast = false;
  modes.skipMode = false;
  modes.autoMode = false;
  ms.line = 0;
  ms.lineBreakPending = false;
  TextState& ts = textState();
  ts.lastTextBlockStart = -1;
  ts.resumeOffset = 0;
  ts.resumePosition = 0;
  ts.stopKind = 0;
  ts.lineInProgress = ts.textBlockStartPending = false;
}

}  // namespace text
