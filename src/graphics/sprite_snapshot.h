// The sprites of a snapshot: each slot with a picture as the record a save game keeps (its
// picture file or text, text-sprite settings, filters, picture properties) with the steps of
// its animation list, and their field tables. Capture reads the sprite table; restore empties
// nothing (the caller clears the slots first) and rebuilds each picture as the sprite commands
// build theirs. Main thread.
#pragma once
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "core/saved_fields.h"

namespace graphics {

// One step of a slot's animation list: its delete flag, then from, to, duration and
// acceleration of the x, y, alpha, scale-x, scale-y (percent) and rotation x, y, z tracks,
// then those four of the colour track.
struct StepRecord {
  std::int32_t deleteFlag = 0;
  std::array<std::int32_t, 32> tracks{};
  std::array<std::uint32_t, 4> colour{};
  bool operator==(const StepRecord&) const = default;
};

struct SpriteRecord {
  int slot = 0;
  std::string name;    // picture file, or the text of a text sprite
  std::string second;  // a text sprite's face; "\x01" for a stand-picture canvas
  // Text sprites only (read back only when `second` is not empty); size 0 for pictures.
  std::int32_t size = 0, style = 0;
  std::uint32_t colour1 = 0, colour2 = 0, colour3 = 0;
  // The slot's filters, in the order of image::FilterSettings.
  std::int32_t reverse = 0, grey = 0, bcOn = 0, brightness = 0, contrast = 0, colourOn = 0, redCyan = 0,
               greenMagenta = 0, blueYellow = 0, hslOn = 0, hue = 0, saturation = 0, lightness = 0, blurOn = 0,
               blurX = 0, blurY = 0, mosaicOn = 0, mosaicX = 0, mosaicY = 0;
  // The picture record (with an animation list: alpha, colour, position, scale and
  // rotations as the running step starts them).
  std::int32_t layer = 0, alpha = 255, blendMode = 1;
  std::uint32_t colourOp = 0, colourFactor = 0;
  std::int32_t width = 0, height = 0;
  double x = 400, y = 300, scaleX = 1, scaleY = 1, rotX = 0, rotY = 0, rotZ = 0, pivotX = 1, pivotY = 1;
  std::int32_t repeatMode = 0;  // of the animation list; 0 without one
  std::vector<StepRecord> steps;  // from the running step on
  bool operator==(const SpriteRecord&) const = default;
};

// The fields of "Image<slot>" in their order. With an animation list the positions and
// rotations are whole numbers, as the step's tracks are.
std::span<const core::SavedField<SpriteRecord>> spriteFields(bool animated);
// The fields of "Image<slot>_<step>".
std::span<const core::SavedField<StepRecord>> stepFields();
// Steps read back for one slot at most.
constexpr int kStepRecordLimit = 4096;

// Every slot with a picture, in ascending slot order.
std::vector<SpriteRecord> captureSprites();
// Stages the picture of each record, puts its properties and animation list back and
// commits the staged pictures. A picture that cannot be rebuilt is reported; its slot stays
// empty.
void restoreSprites(std::span<const SpriteRecord> records);

}  // namespace graphics
