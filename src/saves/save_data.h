// What a save game holds, as plain records: taken from the running subsystems by
// save_capture, written as Lua text by save_writer, read back by save_reader and put back
// into the subsystems by save_restore. The text's record names and field order are fixed
// (saves of earlier runs must keep loading).
#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace saves {

constexpr int kSaveSlotLast = 1000;    // save files 0..1000
constexpr int kProtectedSlots = 100;   // protect flags of slots 0..99
constexpr int kExitSaveSlot = 999;     // the save made when the reader quits
constexpr int kSavedBacklogPages = 100;

// One step of a slot's animation list: the step's delete flag, then from, to, duration and
// acceleration of the x, y, alpha, scale-x, scale-y (percent) and rotation x, y, z tracks,
// then those four of the colour track.
struct SavedStep {
  std::int32_t deleteFlag = 0;
  std::array<std::int32_t, 32> tracks{};
  std::array<std::uint32_t, 4> colour{};
  bool operator==(const SavedStep&) const = default;
};

struct SavedSprite {
  int slot = 0;
  std::string name;    // picture file, or the text of a text sprite
  std::string second;  // a text sprite's face; "\x01" for a stand-picture canvas
  std::int32_t size = 0, style = 0;  // text sprites; size 0 for pictures
  std::array<std::uint32_t, 3> colours{};
  std::array<std::int32_t, 19> filters{};
  // The picture record (with an animation list: alpha, colour, position, scale and
  // rotations as the running step starts them).
  std::int32_t layer = 0, alpha = 255, blendMode = 1;
  std::uint32_t colourOp = 0, colourFactor = 0;
  std::int32_t width = 0, height = 0;
  double x = 400, y = 300, scaleX = 1, scaleY = 1, rotX = 0, rotY = 0, rotZ = 0, pivotX = 1, pivotY = 1;
  std::int32_t repeatMode = 0;
  std::vector<SavedStep> steps;  // from the running step on
  bool operator==(const SavedSprite&) const = default;
};

struct SavedSound {
  int stream = 0;
  std::string file;
  std::int32_t loops = 1;  // passes left + 1 as written; 0 without end
  std::int32_t volume = 100, pan = 0;
  std::int64_t sample = 0;
  bool operator==(const SavedSound&) const = default;
};

struct SavedPage {
  std::string text, speaker;
  std::int32_t lineCount = 0;
  bool operator==(const SavedPage&) const = default;
};

struct SavedFont {
  std::string face;
  std::int32_t style = 14;
  std::array<std::uint32_t, 3> colours{0xFFFFFF, 0xFFFFFF, 0};
  std::string spriteFace;
  std::int32_t spriteStyle = 14;
  std::array<std::uint32_t, 3> spriteColours{0xFFFFFF, 0xFFFFFF, 0};
  std::int32_t spriteSize = 26;
  bool operator==(const SavedFont&) const = default;
};

struct SaveData {
  std::vector<SavedSprite> sprites;  // ascending slot
  std::vector<SavedSound> sounds;    // ascending stream
  std::array<SavedPage, kSavedBacklogPages> pages;
  // text speed, auto wait, linenull x 2, autoindent x 2, backlog position, backlog count
  std::optional<std::array<std::int32_t, 8>> message;
  std::optional<SavedFont> font;
  // originX, originY, pitchX, pitchY, extraX, lineSpacing, charsPerLine, lineCount,
  // logPitchX, logPitchY, logExtraX, logLineSpacing
  std::optional<std::array<std::int32_t, 12>> window;
  std::optional<std::pair<std::uint32_t, std::int32_t>> resume;  // file key, line to run next
  std::vector<std::pair<std::string, std::int32_t>> integers;     // g_ number variables
  std::vector<std::pair<std::string, std::string>> strings;       // g_ string variables
  std::optional<std::string> comment;
  bool operator==(const SaveData&) const = default;
};

}  // namespace saves
