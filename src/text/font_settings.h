// The message font settings (current and default face, style and colours) that the font
// commands change, the settings file keeps, and the message and ruby renderers draw with.
#pragma once
#include <cstdint>
#include <string>

namespace text {

struct MessageFontSettings {
  std::string face;  // CP932
  std::string defaultFace;
  int style = 14;  // bit 0 bold, 1 shadow, 2 outline, 3 gradient
  int defaultStyle = 14;
  std::uint32_t colour1 = 0xFFFFFF, colour2 = 0xFFFFFF, colour3 = 0x000000;
  std::uint32_t defaultColour1 = 0xFFFFFF, defaultColour2 = 0xFFFFFF, defaultColour3 = 0x000000;
};

MessageFontSettings& messageFont();
// Back to the initial values ("ＭＳ ゴシック", 14, white, white, black).
void resetMessageFont();

// Full-width pitch of the message window, which is also the message font height.
int messagePitchX();

// The message renderer gets (face, pitchX, style), the ruby renderer (face, pitchX / 2,
// style); both get the three colours.
void applyMessageFont();

}  // namespace text
