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
#include "rollback/rollback.h"
#include "text/backlog.h"
#include "text/glyph_renderer.h"
#include "text/inline_commands.h"
#include "text/message_state.h"
#include "text/message_wait.h"
#include "text/message_window.h"
#include "text/text_state.h"

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
  bool textHook = false;   // waits go to the script's text hook instead of waiting here
  LineOutcome handed;      // what the hook is handed: the wait's kind, where the line goes on
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

// The layout goes on after a click or page wait.
WaitOutcome waitEnded(Layout& l, int kind) {
  MessageState& ms = messageState();
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

// A click or page wait whose mark ends at `resumeAt`; `atLast` when nothing of the text
// follows it.
WaitOutcome waitAt(Layout& l, int kind, std::size_t resumeAt, bool atLast) {
  MessageState& ms = messageState();
  graphics::renderFrame();
  currentBacklogPage().lineCount = ms.line + 1;
  // Each wait's deadline counts from its own tick: a deadline added to the one before would
  // lie about twice the clock ahead, and auto mode would stall at a page's second wait.
  ms.autoDeadline = now() + static_cast<std::uint32_t>(ms.autoWaitBase) + ms.autoCharWait;
  ms.autoCharWait = 0;
  ++textState().blockWaits;
  // A step back shows its block again up to the wait it went back to: the waits before it
  // pass as though the reader had clicked.
  if (rollback::noteWait()) return waitEnded(l, kind);
  if (l.textHook) {
    // The script's text hook does the waiting; the line runs again from resumePosition.
    if (!atLast) {
      l.handed.resumePosition = static_cast<int>(resumeAt);
      l.handed.resumeColumn = kind == kPageWait ? 0 : l.column;  // a new page starts at its first column
    } else {
      ++ms.line;
      appendToBacklog("\f");
    }
    l.handed.stopKind = kind;
    return WaitOutcome::HandedToHook;
  }
  if (!messageWait()) return WaitOutcome::Quit;
  return waitEnded(l, kind);
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

// Sets a line up: where it starts (after a speaker's name, or where the text hook stopped it),
// the reveal clock and the auto-indent.
void beginLine(Layout& l, std::string_view line, const LineStart& start) {
  MessageState& ms = messageState();
  l.text.assign(line);
  l.columnPitch = (ms.pitchX + ms.extraX) >> 1;
  l.lineAdvance = ms.pitchY + ms.lineSpacing;
  l.rubyRise = ms.pitchY / 2;
  l.textHook = start.textHook;
  ms.windowShown = true;
  ms.lineBreakPending = false;

  const bool resumed = start.resumePosition != 0;
  std::size_t from = static_cast<std::size_t>(std::max(0, start.offset)) + static_cast<std::size_t>(start.resumePosition);
  l.pos = l.copied = std::min(from, l.text.size());
  l.column = start.resumeColumn;

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
}

enum class Step { Next, Comment, HandedToHook, Quit };

// The text at l.pos: a wait mark, an inline command, a ruby mark, a comment or a character
// revealed at the text speed. `lastMark` is the wait mark with no character drawn after it.
Step layOutNext(Layout& l, int& lastMark) {
  MessageState& ms = messageState();
  const bool instant = graphics::readingModes().fast || ms.textSpeed == 0;  // chosen afresh at every character
  const char c = l.text[l.pos];
  if (c == '@' || c == '\\') {
    copyShown(l, l.pos);
    l.copied = ++l.pos;
    lastMark = c == '@' ? kClickWait : kPageWait;
    WaitOutcome outcome = waitAt(l, lastMark, l.pos, l.pos >= l.text.size());
    if (outcome == WaitOutcome::Quit) return Step::Quit;
    return outcome == WaitOutcome::HandedToHook ? Step::HandedToHook : Step::Next;
  }
  if (c == '[') {
    copyShown(l, l.pos);
    l.pos = l.copied = runInlineCommand(l.text, l.pos);
    if (core::interpreter().quitRequested) return Step::Quit;
    if (ms.lineBreakPending) {
      ms.lineBreakPending = false;
      l.column = ms.indent;
    }
    return Step::Next;
  }
  if (c == '/') {
    if (l.ruby) {
      drawRuby(l);
      return Step::Next;
    }
    if (l.pos + 1 < l.text.size() && l.text[l.pos + 1] == '/') return Step::Comment;  // the rest is a comment
  }
  if (c == '(' || c == ')') {
    l.ruby = c == '(';
    if (l.ruby) l.baseStart = l.column;
    ++l.pos;
    copyShown(l, l.pos);
    return Step::Next;
  }
  wrapIfFull(l);
  drawCharacter(l, characterSize(l.text, l.pos));
  lastMark = kNoWait;
  if (instant) return Step::Next;
  ms.autoCharWait += static_cast<std::uint32_t>(ms.autoWaitPerChar);
  ms.nextCharTime += static_cast<std::uint32_t>(ms.textSpeed);
  // The ruby appears whole with the last character of its base.
  if (l.ruby && l.pos < l.text.size() && l.text[l.pos] == '/') drawRuby(l);
  if (!ms.showAll && static_cast<std::int32_t>(now() - ms.nextCharTime) < 0) {
    graphics::renderFrame();
    if (!revealPause()) return Step::Quit;
  }
  return Step::Next;
}

// The end of the text: the wait at a line's end (linenull) unless a mark ended it, then the
// next text line starts on a new line.
LineOutcome endLine(Layout& l, int lastMark, int nextLineLength) {
  MessageState& ms = messageState();
  if (lastMark == kPageWait) return {};  // the page is already cleared
  if (lastMark == kNoWait) {
    int kind = nextLineLength == 0 && ms.lineNullEmpty != 0 ? ms.lineNullEmpty : ms.lineNullJoined;
    if (kind != kNoWait) {
      WaitOutcome outcome = waitAt(l, kind, l.pos, true);
      if (outcome == WaitOutcome::Quit) return {.quit = true};
      if (outcome == WaitOutcome::HandedToHook) return l.handed;
      if (kind == kPageWait) return {};
    }
  }
  ++ms.line;
  appendToBacklog("\f");
  if (l.ruby) core::showErrorBox(platform::jp("ルビの処理が不正です"));
  return {};
}

}  // namespace

LineOutcome showMessageLine(std::string_view line, int nextLineLength, const LineStart& start, platform::WindowMessage& msg) {
  Layout l;
  beginLine(l, line, start);
  // A click that ended an earlier wait must not count again here.
  if (!graphics::readingModes().fast) msg.kind = platform::MessageKind::None;
  int lastMark = kNoWait;
  while (l.pos < l.text.size()) {
    const Step step = layOutNext(l, lastMark);
    if (step == Step::Quit) return {.quit = true};
    if (step == Step::HandedToHook) return l.handed;
    if (step == Step::Comment) break;
  }
  return endLine(l, lastMark, nextLineLength);
}

}  // namespace text
