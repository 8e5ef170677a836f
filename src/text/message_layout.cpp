// The message layout: one text line laid out character by character in the message window,
// revealed at the text speed, with ruby, inline commands, comments, click and page waits,
// and a copy of what was shown in the current backlog page. Runs on the main thread and
// pumps the window messages itself while it waits.
//
// There is no line-breaking rule and no word wrap: a line breaks when the column reaches
// 2 x charsPerLine half-width columns. The wrap test runs before each drawn character, so a
// full-width character that starts in the last column overhangs the line: "ああ" at column
// 45 of 46 ends at column 47.
#include "text/message_layout.h"

#include <cmath>
#include <cstdint>
#include <string>

#include "core/error_report.h"
#include "core/interpreter.h"
#include "graphics/frame.h"
#include "graphics/reading_modes.h"
#include "platform/clock.h"
#include "platform/cp932.h"
#include "text/backlog.h"
#include "text/glyph_renderer.h"
#include "text/inline_commands.h"
#include "text/message_state.h"
#include "text/message_wait.h"
#include "text/message_window.h"

namespace text {

std::vector<RubyGlyph> placeRuby(std::string_view ruby, int baseLeft, int baseColumns, int pitch) {
  int n = 0;
  for (std::size_t k = 0; k < ruby.size(); ++n)
    k += platform::isLeadByte(static_cast<unsigned char>(ruby[k])) && k + 1 < ruby.size() ? 2 : 1;
  const int width = pitch * baseColumns;
  const int length = static_cast<int>(ruby.size());
  const double step = static_cast<double>(width - length * pitch / 2) / (n + 1);
  std::vector<RubyGlyph> out;
  int j = 1;
  for (std::size_t k = 0; k < ruby.size(); ++j) {
    auto lead = static_cast<unsigned char>(ruby[k]);
    if (platform::isLeadByte(lead) && k + 1 < ruby.size()) {
      auto trail = static_cast<unsigned char>(ruby[k + 1]);
      k += 2;
      if (lead == 0x81 && trail == 0x40) continue;  // a full-width space holds its place only
      out.push_back({baseLeft + static_cast<int>(std::trunc(step * j)) + (j - 1) * pitch, lead, trail});
    } else {
      k += 1;
      out.push_back({baseLeft + static_cast<int>(std::trunc(step * j + (j - 1) * pitch / 2)), 0, lead});
    }
  }
  return out;
}

namespace {

const std::string kFullWidthSpace = "\x81\x40";

struct Layout {
  std::string text;  // a copy: inline commands may change the script lines
  std::size_t pos = 0;
  int column = 0;  // in half-width columns
  int columnPitch = 0, lineAdvance = 0, rubyRise = 0;
  bool ruby = false;  // inside a "(base/ruby)" base
  int baseStart = 0;  // column where the base began
  std::size_t copied = 0;  // the text before this position is in the backlog page or left out
};

enum class WaitOutcome { Continue, HandedToHook, Quit };

std::uint32_t now() { return platform::tickMs(); }

bool startsWith(std::string_view text, std::size_t pos, const char* twoBytes) {
  return pos + 1 < text.size() && text[pos] == twoBytes[0] && text[pos + 1] == twoBytes[1];
}

std::size_t characterSize(std::string_view text, std::size_t pos) {
  return platform::isLeadByte(static_cast<unsigned char>(text[pos])) && pos + 1 < text.size() ? 2 : 1;
}

// The shown text up to `end` goes to the backlog page.
void copyShown(Layout& l, std::size_t end) {
  if (end > l.copied) appendToBacklog(std::string_view(l.text).substr(l.copied, end - l.copied));
  if (end > l.copied) l.copied = end;
}

void wrapIfFull(Layout& l) {
  MessageState& ms = messageState();
  if (l.column < 2 * ms.charsPerLine) return;
  copyShown(l, l.pos);
  ++ms.line;
  l.column = ms.indent;
  appendToBacklog(ms.indent != 0 ? "\f" + kFullWidthSpace : std::string("\f"));
}

int lineTop(const Layout& l) {
  const MessageState& ms = messageState();
  return ms.line * l.lineAdvance + ms.originY;
}

// "/" of a ruby group at l.pos: the whole ruby is drawn at once over the base and display
// goes on after ")". Without ")" the group is reported and the "/" shows as plain text.
void drawRuby(Layout& l) {
  const MessageState& ms = messageState();
  std::size_t close = l.pos + 1;
  while (close < l.text.size() && l.text[close] != ')') close += characterSize(l.text, close);
  l.ruby = false;
  if (close >= l.text.size()) {
    core::showErrorBox(platform::jp("ルビの処理が不正です"));
    return;
  }
  copyShown(l, close + 1);
  std::string_view rubyText = std::string_view(l.text).substr(l.pos + 1, close - l.pos - 1);
  l.pos = close + 1;
  if (l.column < l.baseStart) {
    core::showErrorBox(platform::jp("ルビが行を跨いでいます"));
    return;
  }
  const int y = lineTop(l) - l.rubyRise;
  for (const RubyGlyph& g : placeRuby(rubyText, ms.originX + l.baseStart * l.columnPitch, l.column - l.baseStart,
                                      l.columnPitch)) {
    addMessageGlyph(rubyRenderer(), g.x, y, g.lead, g.trail);
  }
}

// A click or page wait whose mark ends at `resumeAt`; `atLast` when nothing of the text
// follows it.
WaitOutcome waitAt(Layout& l, int kind, std::size_t resumeAt, bool atLast, platform::WindowMessage& msg) {
  MessageState& ms = messageState();
  core::InterpreterState& in = core::interpreter();
  graphics::renderFrame();
  currentBacklogPage().lineCount = ms.line + 1;
  // Each wait's deadline counts from its own tick: a deadline added to the one before would
  // lie about twice the clock ahead, and auto mode would stall at a page's second wait.
  ms.autoDeadline = now() + static_cast<std::uint32_t>(ms.autoWaitBase) + ms.autoCharWait;
  ms.autoCharWait = 0;
  if (in.textHookCount != 0) {
    // The script's text hook does the waiting; the line runs again from resumePosition.
    if (!atLast) {
      in.resumePosition = static_cast<int>(resumeAt);
      in.resumeColumn = kind == kPageWait ? 0 : l.column;  // a new page starts at its first column
    } else {
      ++ms.line;
      appendToBacklog("\f");
    }
    in.stopKind = kind;
    return WaitOutcome::HandedToHook;
  }
  if (!messageWait(msg)) return WaitOutcome::Quit;
  if (kind == kPageWait) {
    clearPage();
    l.column = 0;
  }
  ms.showAll = false;
  // The reader has just stopped the text: the reveal starts afresh rather than catching up
  // with the time spent waiting, and the auto-mode wait counts from here.
  restartRevealClock(ms, now());
  return WaitOutcome::Continue;
}

void drawCharacter(Layout& l, std::size_t size) {
  const MessageState& ms = messageState();
  auto first = static_cast<unsigned char>(l.text[l.pos]);
  unsigned char lead = size == 2 ? first : 0;
  unsigned char trail = size == 2 ? static_cast<unsigned char>(l.text[l.pos + 1]) : first;
  addMessageGlyph(messageRenderer(), l.column * l.columnPitch + ms.originX, lineTop(l), lead, trail);
  l.column += static_cast<int>(size);
  l.pos += size;
  copyShown(l, l.pos);
}

}  // namespace

int showMessageLine(std::string_view line, int nextLineLength, int startOffset, platform::WindowMessage& msg) {
  MessageState& ms = messageState();
  graphics::ReadingModes& modes = graphics::readingModes();
  core::InterpreterState& in = core::interpreter();
  Layout l;
  l.text.assign(line);
  l.columnPitch = (ms.pitchX + ms.extraX) >> 1;
  l.lineAdvance = ms.pitchY + ms.lineSpacing;
  l.rubyRise = ms.pitchY / 2;
  ms.windowShown = true;
  ms.lineBreakPending = false;

  const bool resumed = in.resumePosition != 0;
  std::size_t start = static_cast<std::size_t>(std::max(0, startOffset)) + static_cast<std::size_t>(in.resumePosition);
  l.pos = l.copied = std::min(start, l.text.size());
  l.column = in.resumeColumn;
  in.resumePosition = in.resumeColumn = 0;
  in.resumeOffset = 0;

  // A page's first text and a line continued after the text hook start the reveal clock
  // afresh; otherwise characters behind time (after a long command) catch up without delay.
  if (resumed || currentBacklogPage().text.empty()) restartRevealClock(ms, now());

  // Auto-indent is decided where a line begins; a line continued after the text hook keeps
  // the indent it began with.
  if (!resumed) {
    ms.indent = 0;
    if (startsWith(l.text, l.pos, "\x81\x75") || startsWith(l.text, l.pos, "\x81\x69")) {  // 「 （
      if (ms.indentBracket == 1) ms.indent = 2;
    } else if (ms.indentPlain == 1) {
      ms.indent = 2;
      l.column = 2;
      appendToBacklog(kFullWidthSpace);
    }
  }

  // A click that ended an earlier wait must not count again here.
  if (!modes.fast) msg.kind = platform::MessageKind::None;

  int lastMark = kNoWait;  // a wait mark with no character drawn after it
  while (l.pos < l.text.size()) {
    const bool instant = modes.fast || ms.textSpeed == 0;  // chosen afresh at every character
    const char c = l.text[l.pos];
    if (c == '@' || c == '\\') {
      copyShown(l, l.pos);
      l.copied = ++l.pos;
      lastMark = c == '@' ? kClickWait : kPageWait;
      WaitOutcome outcome = waitAt(l, lastMark, l.pos, l.pos >= l.text.size(), msg);
      if (outcome == WaitOutcome::Quit) return 0;
      if (outcome == WaitOutcome::HandedToHook) return 1;
      continue;
    }
    if (c == '[') {
      copyShown(l, l.pos);
      l.pos = l.copied = runInlineCommand(l.text, l.pos);
      if (in.quitRequested) return 0;
      if (ms.lineBreakPending) {
        ms.lineBreakPending = false;
        l.column = ms.indent;
      }
      continue;
    }
    if (c == '/') {
      if (l.ruby) {
        drawRuby(l);
        continue;
      }
      if (l.pos + 1 < l.text.size() && l.text[l.pos + 1] == '/') break;  // the rest is a comment
    }
    if (c == '(' || c == ')') {
      l.ruby = c == '(';
      if (l.ruby) l.baseStart = l.column;
      ++l.pos;
      copyShown(l, l.pos);
      continue;
    }
    wrapIfFull(l);
    drawCharacter(l, characterSize(l.text, l.pos));
    lastMark = kNoWait;
    if (instant) continue;
    ms.autoCharWait += static_cast<std::uint32_t>(ms.autoWaitPerChar);
    ms.nextCharTime += static_cast<std::uint32_t>(ms.textSpeed);
    // The ruby appears whole with the last character of its base.
    if (l.ruby && l.pos < l.text.size() && l.text[l.pos] == '/') drawRuby(l);
    if (!ms.showAll && static_cast<std::int32_t>(now() - ms.nextCharTime) < 0) {
      graphics::renderFrame();
      if (!revealPause(msg)) return 0;
    }
  }

  if (lastMark == kPageWait) return 1;  // the page is already cleared
  if (lastMark == kNoWait) {
    int kind = nextLineLength == 0 && ms.lineNullEmpty != 0 ? ms.lineNullEmpty : ms.lineNullJoined;
    if (kind != kNoWait) {
      WaitOutcome outcome = waitAt(l, kind, l.pos, true, msg);
      if (outcome == WaitOutcome::Quit) return 0;
      if (outcome == WaitOutcome::HandedToHook) return 1;
      if (kind == kPageWait) return 1;
    }
  }
  ++ms.line;
  appendToBacklog("\f");
  if (l.ruby) core::showErrorBox(platform::jp("ルビの処理が不正です"));
  return 1;
}

}  // namespace text
