#include "text/text_statement.h"

#include <algorithm>
#include <cstdint>

#include "core/error_report.h"
#include "core/statements.h"
#include "graphics/reading_modes.h"
#include "platform/clock.h"
#include "platform/cp932.h"
#include "text/backlog.h"
#include "text/message_layout.h"
#include "text/message_state.h"

namespace text {
namespace {

constexpr unsigned char kOpenBracket[2] = {0x81, 0x79};   // 【
constexpr unsigned char kCloseBracket[2] = {0x81, 0x7A};  // 】

}  // namespace

core::TextOutcome runTextStatement(const std::string& line) {
  core::InterpreterState& state = core::interpreter();
  BacklogPage& page = currentBacklogPage();
  MessageState& ms = messageState();
  graphics::ReadingModes& modes = graphics::readingModes();
  bool newBlock = false;
  const std::uint32_t fileKey = state.slots[state.currentSlot].fileKey;
  // A line continued after the text hook belongs to the block it began in, even when the hook
  // cleared the page. The block's start line also runs again after the pre-text hook: still
  // the same block. Reached again by a jump once its text was shown and its page cleared
  // (back to the title and a new game), it starts anew: its speaker name is taken out again
  // and the pre-text hook runs again.
  const bool sameStart = state.line == state.lastTextBlockStart && fileKey == state.lastTextBlockFileKey;
  const bool resuming = state.resumePosition != 0 && state.resumeLine == state.line && state.resumeFileKey == fileKey;
  if (page.text.empty() && !resuming && (!sameStart || !state.textBlockStartPending)) {
    newBlock = true;
    state.textBlockLine = state.line;
    state.textBlockKey = core::runningFileKey();
    state.lastTextBlockStart = state.line;
    state.lastTextBlockFileKey = fileKey;
    state.textBlockStartPending = true;
    state.resumeOffset = 0;
    if (line.size() >= 2 && static_cast<unsigned char>(line[0]) == kOpenBracket[0] &&
        static_cast<unsigned char>(line[1]) == kOpenBracket[1]) {
      std::size_t i = 2;
      std::size_t close = std::string::npos;
      while (i + 1 < line.size()) {
        if (static_cast<unsigned char>(line[i]) == kCloseBracket[0] &&
            static_cast<unsigned char>(line[i + 1]) == kCloseBracket[1]) {
          close = i;
          break;
        }
        i += core::isLeadByte(static_cast<unsigned char>(line[i])) ? 2 : 1;
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
        ++state.line;
        state.resumeOffset = 0;
      }
    }
  }

  if (state.readState) {
    auto it = state.readState->find(state.textBlockLine);
    if (it != state.readState->end()) {
      if (it->second == 0) {
        it->second = 1;
        // Reaching unread text ends skip mode when the reader asked to skip read text only.
        if (modes.alreadyReadStop && modes.skipMode) {
          modes.skipMode = false;
          modes.modeChange = graphics::kModeNormal;
        }
      }
    } else {
      core::showErrorBox(platform::jp("既読チェックミス ") + std::to_string(state.textBlockLine) + "/" +
                         std::to_string(state.readState->size()));
    }
  }

  if (state.preTextHookCount != 0 && newBlock) {
    return {.lineRunsAgain = true, .hookLabel = "*pretext_lb"};
  }

  if (!newBlock && page.text.empty()) {
    restartRevealClock(ms, platform::tickMs());
  }

  const core::ScriptSlot& slot = state.slots[state.currentSlot];
  if (state.line >= static_cast<int>(slot.lines.size())) return {};  // a name line ending the file
  const std::string& shown = slot.lines[static_cast<std::size_t>(state.line)];
  int nextLength = state.line + 1 < static_cast<int>(slot.lines.size())
                       ? static_cast<int>(slot.lines[static_cast<std::size_t>(state.line) + 1].size())
                       : 0;
  // A hook that leaves by goto, by return to a label or by loading never comes back to the
  // line it stopped: where that line stopped must not cut into the next text shown.
  if (state.resumePosition != 0 && (state.resumeLine != state.line || state.resumeFileKey != slot.fileKey))
    state.resumePosition = state.resumeColumn = 0;
  state.textBlockStartPending = false;
  state.inText = true;
  int result = showMessageLine(shown, nextLength, state.resumeOffset, state.message);
  state.inText = false;
  if (result == 0) return {.quit = true};
  if (state.textHookCount != 0 && state.stopKind != 0) {
    // The script's hook does the waiting; a line stopped before its end runs again after it.
    if (state.resumePosition != 0) {
      state.resumeFileKey = slot.fileKey;
      state.resumeLine = state.line;
    }
    return {.lineRunsAgain = state.resumePosition != 0, .hookLabel = "*text_lb"};
  }
  return {};
}

}  // namespace text
