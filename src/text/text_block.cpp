// Whole strings drawn into one picture: a text sprite's single line, and a backlog page with
// its line breaks and ruby. Scanning follows the engine's rule: a byte from 0x81 to 0xFE
// takes the next byte with it.
#include <cmath>

#include "platform/cp932.h"
#include "text/glyph_renderer.h"

namespace text {

namespace {

constexpr unsigned kFullWidthSpace = 0x8140;

struct Character {
  unsigned code = 0;
  bool wide = false;
  std::size_t size = 1;
};

// The character at `pos`; a lead byte at the very end has no trail and counts as one byte.
Character characterAt(std::string_view text, std::size_t pos) {
  auto lead = static_cast<unsigned char>(text[pos]);
  if (platform::isLeadByte(lead) && pos + 1 < text.size()) {
    return {static_cast<unsigned>(lead) << 8 | static_cast<unsigned char>(text[pos + 1]), true, 2};
  }
  return {lead, false, 1};
}

}  // namespace

void drawString(const GlyphRenderer& r, const GlyphTarget& target, std::string_view text) {
  int x = 0;
  for (std::size_t pos = 0; pos < text.size();) {
    Character ch = characterAt(text, pos);
    pos += ch.size;
    if (ch.code != kFullWidthSpace && ch.code != ' ') drawGlyph(r, target, ch.code, x, 0);
    x += ch.wide ? r.fontHeight : r.fontHeight / 2;
  }
}

// Layout of a backlog page, with d the half-width pitch (fontHeight + extraX) / 2:
//   - a character goes to x = d * e, e counting half-width columns (2 for a wide one);
//   - a form feed starts a new line fontHeight + 2 * extraY - lineSpacing further down;
//   - "(base/ruby)" draws the base as usual and spreads the ruby over it with the ruby
//     renderer, extraY above the line: for a base of W = d * (e - baseStart) pixels and n
//     ruby characters of L bytes, step = (W - L * d / 2) / (n + 1). Example: base "漢字" at
//     e = 0 with d = 13 is 52 pixels; ruby "かんじ" (n 3, L 6) gives step (52 - 39) / 4 =
//     3.25, so the three go to x = 3, 6 + 13 = 19 and 9 + 26 = 35.
void drawTextBlock(const GlyphRenderer& r, const GlyphTarget& target, std::string_view text, int extraX, int extraY,
                   int lineSpacing, const GlyphRenderer& ruby) {
  const int d = (r.fontHeight + extraX) / 2;
  const int lineAdvance = r.fontHeight + 2 * extraY - lineSpacing;
  int y = extraY;
  int e = 0;
  bool inBase = false;
  int baseStart = 0;
  for (std::size_t pos = 0; pos < text.size();) {
    Character ch = characterAt(text, pos);
    pos += ch.size;
    if (!ch.wide) {
      if (ch.code == ' ') {
        ++e;
        continue;
      }
      if (ch.code == 0x0C) {
        y += lineAdvance;
        e = 0;
        continue;
      }
      if (ch.code == '(') {
        inBase = true;
        baseStart = e;
        continue;
      }
      if (ch.code == ')') {
        inBase = false;
        continue;
      }
      if (ch.code == '/' && inBase) {
        std::size_t end = text.find(')', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view rubyText = text.substr(pos, end - pos);
        int n = 0;
        for (std::size_t k = 0; k < rubyText.size(); k += characterAt(rubyText, k).size) ++n;
        const int width = d * (e - baseStart);
        const int length = static_cast<int>(rubyText.size());
        const double step = static_cast<double>(width - length * d / 2) / (n + 1);
        int j = 1;
        for (std::size_t k = 0; k < rubyText.size(); ++j) {
          Character rc = characterAt(rubyText, k);
          k += rc.size;
          int x = rc.wide ? d * baseStart + static_cast<int>(std::trunc(step * j)) + (j - 1) * d
                          : d * baseStart + static_cast<int>(std::trunc(step * j + (j - 1) * d / 2));
          if (rc.code != kFullWidthSpace) drawGlyph(ruby, target, rc.code, x, y - extraY);
        }
        // The closing ")" is consumed with the ruby: it ends the base.
        pos = end < text.size() ? end + 1 : end;
        inBase = false;
        continue;
      }
    }
    if (ch.code != kFullWidthSpace) drawGlyph(r, target, ch.code, d * e, y);
    e += ch.wide ? 2 : 1;
  }
}

}  // namespace text
