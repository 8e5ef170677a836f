// Reading Windows cursor files: .cur (one or more images with a hot spot) and animated
// .ani (a RIFF "ACON" list of cursor frames with rates and an optional sequence).
// Pure functions over bytes: nothing here touches SDL.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Cursor pictures are at most this many pixels a side (Windows draws 32 or 48; 256 is the
// largest an .ico-style directory entry can state).
inline constexpr int kLargestCursorSide = 256;

struct CursorFrame {
  int width = 0, height = 0;
  int hotX = 0, hotY = 0;
  std::vector<std::uint8_t> bgra;  // width * height * 4, rows top-down
};

struct CursorAnimation {
  std::vector<CursorFrame> frames;
  std::vector<int> sequence;      // frame index of each step
  std::vector<int> stepMs;        // how long each step shows
};

// The largest image of a .cur (or .ico) file. Images stored as PNG are not read here.
std::optional<CursorFrame> decodeCursor(std::string_view bytes, std::string& why);

// An .ani file; a plain .cur is accepted too, as a one-frame animation.
std::optional<CursorAnimation> decodeAnimatedCursor(std::string_view bytes, std::string& why);

}  // namespace platform
