// Text's part of a snapshot: the backlog pages, the message window's settings (Massage), the
// message and text-sprite fonts (Font) and the window geometry (Window), with the field tables
// of the three records. Capture leaves out the page of a text block being shown (the block is
// shown again); restore starts the resumed text on a fresh page. Main thread.
#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "core/saved_fields.h"

namespace text {

constexpr int kSavedPages = 100;

struct PageRecord {
  std::string text, speaker;
  std::int32_t lineCount = 0;
  bool operator==(const PageRecord&) const = default;
};

struct MessageRecord {
  std::int32_t textSpeed = 0, autoWait = 0;
  std::int32_t lineNullJoined = 0, lineNullEmpty = 0, indentBracket = 0, indentPlain = 0;
  std::int32_t backlogPosition = 0, backlogCount = 0;
  bool operator==(const MessageRecord&) const = default;
};

struct FontRecord {
  std::string face;
  std::int32_t style = 14;
  std::uint32_t colour1 = 0xFFFFFF, colour2 = 0xFFFFFF, colour3 = 0;
  std::string spriteFace;
  std::int32_t spriteStyle = 14;
  std::uint32_t spriteColour1 = 0xFFFFFF, spriteColour2 = 0xFFFFFF, spriteColour3 = 0;
  std::int32_t spriteSize = 26;
  bool operator==(const FontRecord&) const = default;
};

struct WindowRecord {
  std::int32_t originX = 0, originY = 0, pitchX = 0, pitchY = 0, extraX = 0, lineSpacing = 0;
  std::int32_t charsPerLine = 0, lineCount = 0;
  std::int32_t logPitchX = 0, logPitchY = 0, logExtraX = 0, logLineSpacing = 0;
  bool operator==(const WindowRecord&) const = default;
};

struct TextSnapshot {
  std::array<PageRecord, kSavedPages> pages;
  std::optional<MessageRecord> message;  // each record absent from a save leaves its fields as they are
  std::optional<FontRecord> font;
  std::optional<WindowRecord> window;
  bool operator==(const TextSnapshot&) const = default;
};

std::span<const core::SavedField<MessageRecord>> messageFields();
std::span<const core::SavedField<FontRecord>> fontFields();
std::span<const core::SavedField<WindowRecord>> windowFields();

TextSnapshot captureText();
// Puts the pages and records back and gives the message, ruby and string renderers their
// fonts again.
void restoreText(const TextSnapshot& snapshot);
// What loading empties first: the message and ruby glyphs, the window and reading modes, the
// current line and the text-block state.
void resetTextForLoad();

// Where a save point resumes while a text block is being shown: the block's file and first
// line; nothing otherwise.
struct BlockStart {
  std::uint32_t fileKey = 0;
  std::int32_t line = 0;
};
std::optional<BlockStart> blockInProgress();

}  // namespace text
