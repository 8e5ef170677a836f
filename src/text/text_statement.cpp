// The text statement and text's record: a script line of message text, from the speaker name
// that opens a block through the already-read mark and the text hooks to the layout, and the
// two hook commands that turn the hooks on.
#include "text/text_statement.h"

#include <algorithm>
#include <cstdint>

#include "core/error_report.h"
#include "core/labels.h"
#include "core/statements.h"
#include "graphics/reading_modes.h"
#include "platform/clock.h"
#include "platform/cp932.h"
#include "text/backlog.h"
#include "text/message_layout.h"
#include "text/message_state.h"
#include "text/message_wait.h"
#include "text/text_commands.h"
#include "text/text_state.h"

namespace text {
namespace {

constexpr unsigned char kOpenBracket[2] = {0x81, 0x79};   // 【
constexpr unsigned char kCloseBracket[2] = {0x81, 0x7A};  // 】

TextState state;

bool startsWith(const std::string& line, std::size_t at, const unsigned char (&character)[2]) {
  return at + 1 < line.size() && static_cast<unsigned char>(line[at]) == character[0] &&
         static_cast<unsigned char>(line[at + 1]) == character[1];
}

// A block that opens with 【name】: the name goes to the page, and the text starts after 】 or,
// when the line holds only the name, on the next line.
void takeSpeakerName(const std::string& line, BacklogPage& page) {
  if (!startsWith(line, 0, kOpenBracket)) return;
  std::size_t close = std::string::npos;
  for (std::size_t i = 2; i + 1 < line.size(); i += core::isLeadByte(static_cast<unsigned char>(line[i])) ? 2 : 1) {
    if (startsWith(line, i, kCloseBracket)) {
      close = i;
      break;
    }
  }
  // Without a closing bracket the name runs to the end of the line, as a scan to the
  // terminating NUL would take it.
  std::size_t nameEnd = close == std::string::npos ? line.size() : close;
  page.speaker.assign(line, 2, std::min(nameEnd - 2, kSpeakerLimit));
  std::size_t after = close == std::string::npos ? line.size() : close + 2;
  if (after < line.size()) {
    state.resumeOffset = static_cast<int>(after);
  } else {
    ++state.lastTextBlockStart;
    ++core::interpreter().line;
    state.resumeOffset = 0;
  }
}

// Whether the current line starts a new block; if so, the block's start is recorded.
bool startBlock(const std::string& line, std::uint32_t fileKey) {
  const core::InterpreterState& in = core::interpreter();
  BacklogPage& page = currentBacklogPage();
  // A line continued after the text hook belongs to the block it began in, even when the hook
  // cleared the page. The block's start line also runs again after the pre-text hook: still
  // the same block. Reached again by a jump once its text was shown and its page cleared
  // (back to the title and a new game), it starts anew: its speaker name is taken out again
  // and the pre-text hook runs again.
  const bool sameStart = in.line == state.lastTextBlockStart && fileKey == state.lastTextBlockFileKey;
  const bool resuming = state.resumePosition != 0 && state.resumeLine == in.line && state.resumeFileKey == fileKey;
  if (!page.text.empty() || resuming || (sameStart && state.textBlockStartPending)) return false;
  state.textBlockLine = in.line;
  state.textBlockKey = core::runningFileKey();
  state.lastTextBlockStart = in.line;
  state.lastTextBlockFileKey = fileKey;
  state.textBlockStartPending = true;
  state.blockWaits = 0;
  state.resumeOffset = 0;
  takeSpeakerName(line, page);
  return true;
}

// The block's first line is marked as read; reaching unread text ends skip mode when the
// reader asked to skip read text only.
void markRead() {
  core::ReadStateMap* readState = core::interpreter().readState;
  if (!readState) return;
  auto it = readState->find(state.textBlockLine);
  if (it == readState->end()) {
    core::showErrorBox(platform::jp("既読チェックミス ") + std::to_string(state.textBlockLine) + "/" +
                       std::to_string(readState->size()));
    return;
  }
  if (it->second != 0) return;
  it->second = 1;
  graphics::ReadingModes& modes = graphics::readingModes();
  if (modes.alreadyReadStop && modes.skipMode) {
    modes.skipMode = false;
    modes.modeChange = graphics::kModeNormal;
  }
}

// Shows the current line from where it begins or goes on, and hands its wait to the text hook
// when the hook is on.
core::TextOutcome showCurrentLine() {
  core::InterpreterState& in = core::interpreter();
  const core::ScriptSlot& slot = in.slots[in.currentSlot];
  if (in.line >= static_cast<int>(slot.lines.size())) return {};  // a name line ending the file
  const auto index = static_cast<std::size_t>(in.line);
  const int nextLength = index + 1 < slot.lines.size() ? static_cast<int>(slot.lines[index + 1].size()) : 0;
  // A hook that leaves by goto, by return to a label or by loading never comes back to the
  // line it stopped: where that line stopped must not cut into the next text shown.
  if (state.resumePosition != 0 && (state.resumeLine != in.line || state.resumeFileKey != slot.fileKey))
    state.resumePosition = state.resumeColumn = 0;
  state.textBlockStartPending = false;
  const LineStart start{state.resumeOffset, state.resumePosition, state.resumeColumn, state.textHookCount != 0};
  state.resumeOffset = state.resumePosition = state.resumeColumn = 0;
  state.lineInProgress = true;
  const LineOutcome shown = showMessageLine(slot.lines[index], nextLength, start, in.message);
  state.lineInProgress = shown.stopKind != kNoWait;
  if (shown.quit) return {.quit = true};
  if (shown.stopKind != kNoWait) {
    state.stopKind = shown.stopKind;
    state.resumePosition = shown.resumePosition;
    state.resumeColumn = shown.resumeColumn;
  }
  if (state.textHookCount == 0 || state.stopKind == kNoWait) return {};
  // The script's hook does the waiting; a line stopped before its end runs again after it.
  if (state.resumePosition != 0) {
    state.resumeFileKey = slot.fileKey;
    state.resumeLine = in.line;
  }
  return {.lineRunsAgain = state.resumePosition != 0, .hookLabel = "*text_lb"};
}

void hookCommand(std::string_view args, int& counter) {
  std::string_view label = core::trimBlank(args, 0, static_cast<std::ptrdiff_t>(args.size()) - 1);
  if (!core::findLabel(label)) {
    core::reportCommandError(std::string(args) + platform::jp("ラベルが存在しません"));
    return;
  }
  ++counter;
}

void cmdTextGosub(const core::Arguments& call) { hookCommand(call.text, state.textHookCount); }
void cmdPreTextGosub(const core::Arguments& call) { hookCommand(call.text, state.preTextHookCount); }

constexpr core::CommandEntry kTextHookCommands[] = {
    // A label name with rules of its own: blanks around it trimmed, no expression.
    {"textgosub", cmdTextGosub, "textGosub", nullptr, core::ArgumentReading::ByHandler},
    {"pretextgosub", cmdPreTextGosub, "preTextGosub", nullptr, core::ArgumentReading::ByHandler},
};

}  // namespace

TextState& textState() { return state; }
void resetTextState() { state = TextState{}; }
bool textBlockInProgress() { return state.textBlockStartPending || state.lineInProgress; }

core::TextOutcome runTextStatement(const std::string& line) {
  const core::InterpreterState& in = core::interpreter();
  const bool newBlock = startBlock(line, in.slots[in.currentSlot].fileKey);
  markRead();
  if (state.preTextHookCount != 0 && newBlock) return {.lineRunsAgain = true, .hookLabel = "*pretext_lb"};
  if (!newBlock && currentBacklogPage().text.empty()) {
    restartRevealClock(messageState(), platform::tickMs());
  }
  return showCurrentLine();
}

std::span<const core::CommandEntry> textHookCommands() { return kTextHookCommands; }

}  // namespace text
