// The message font settings and how they reach the message and ruby renderers.
#include "text/font_settings.h"

#include "platform/cp932.h"
#include "text/font_config.h"
#include "text/glyph_renderer.h"
#include "text/message_state.h"

namespace text {

namespace {

MessageFontSettings initialSettings() {
  MessageFontSettings s;
  s.face = platform::utf8ToCp932(kDefaultFaceUtf8);
  s.defaultFace = s.face;
  return s;
}

MessageFontSettings settings = initialSettings();

}  // namespace

MessageFontSettings& messageFont() { return settings; }

void resetMessageFont() { settings = initialSettings(); }

int messagePitchX() { return messageState().pitchX; }

void applyMessageFont() {
  int pitchX = messagePitchX();
  setFont(messageRenderer(), settings.face, pitchX, settings.style);
  setFont(rubyRenderer(), settings.face, pitchX / 2, settings.style);
  setColours(messageRenderer(), settings.colour1, settings.colour2, settings.colour3);
  setColours(rubyRenderer(), settings.colour1, settings.colour2, settings.colour3);
}

}  // namespace text
