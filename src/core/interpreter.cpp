#include "core/interpreter.h"

#include <algorithm>

#include "core/command_registry.h"
#include "core/core_commands.h"
#include "core/control_flow.h"
#include "core/error_report.h"
#include "core/path_key.h"
#include "core/statements.h"
#include "platform/clock.h"
#include "platform/cp932.h"

namespace core {
namespace {

InterpreterState state;

// The current line's statements: views into the slot's line or into `replacement`.
std::vector<std::string_view> statements;
std::vector<std::string_view> splitScratch;

void resetSlotCuts(ScriptSlot& slot) {
  slot.cuts.assign(slot.lines.size(), {});
  slot.cutValid.assign(slot.lines.size(), 0);
}

void cutCurrentLine(ScriptSlot& slot, int lineIndex) {
  std::string& line = slot.lines[static_cast<std::size_t>(lineIndex)];
  auto& cut = slot.cuts[static_cast<std::size_t>(lineIndex)];
  if (!slot.cutValid[static_cast<std::size_t>(lineIndex)]) {
    splitStatements(line, ':', splitScratch);
    cut.clear();
    for (std::string_view piece : splitScratch) {
      std::size_t offset = piece.empty() ? 0 : static_cast<std::size_t>(piece.data() - line.data());
      cut.emplace_back(static_cast<std::uint16_t>(std::min<std::size_t>(offset, 0xFFFF)),
                       static_cast<std::uint16_t>(piece.size()));
    }
    // Lines are at most 255 bytes, so the offsets fit; a longer line (never produced by
    // the loaders) is simply cut again every time.
    slot.cutValid[static_cast<std::size_t>(lineIndex)] = line.size() <= 0xFFFF;
  }
  statements.clear();
  std::string_view whole(line);
  for (auto [offset, length] : cut) statements.push_back(whole.substr(offset, length));
}

ReadStateMap* readStateOf(std::uint32_t key) {
  auto& maps = readStateMaps();
  return &maps[key];
}

void serveFileSwitch() {
  if (state.fileSwitch & kSwitchToMain) {
    state.currentSlot = 0;
  } else {
    state.currentSlot = 1;
    ScriptSlot& slot = state.slots[1];
    if (!(state.fileSwitch & kSwitchToLoadedSecondary)) {
      loadScriptFile(state.secondaryKey, slot.lines, true);
      slot.fileKey = state.secondaryKey;
      slot.hasFile = true;
      resetSlotCuts(slot);
    }
  }
  state.readState = readStateOf(runningFileKey());
  state.fileSwitch = kSwitchNone;
}

TextStatementHandler textStatementHandler = nullptr;

// Hands a text statement to the registered handler and does what its outcome asks. Returns
// false when the program must quit.
bool runTextStatement(const std::string& line) {
  if (!textStatementHandler) return true;  // a program without text shows none
  const TextOutcome outcome = textStatementHandler(line);
  if (outcome.quit) {
    state.quitRequested = true;
    return false;
  }
  if (outcome.lineRunsAgain) --state.line;
  if (outcome.hookLabel) gosub(outcome.hookLabel);
  return true;
}

void runCommandStatement(std::string_view stmt) {
  std::size_t n = 1;
  while (n < stmt.size() && (isNameByte(static_cast<unsigned char>(stmt[n])))) ++n;
  std::string_view name = stmt.substr(0, n);
  std::string_view args = stmt.substr(n);
  if (args.size() > kArgumentLimit) {
    // The argument buffer holds 127 bytes; never cut a two-byte character in half.
    std::size_t cut = 0;
    while (cut < args.size()) {
      std::size_t step = isLeadByte(static_cast<unsigned char>(args[cut])) ? 2 : 1;
      if (cut + step > kArgumentLimit) break;
      cut += step;
    }
    args = args.substr(0, cut);
  }

  if (state.loopSkip) {
    if (name == "next") {
      if (--state.loopNesting < 0) {
        state.loopNesting = 0;
        if (const CommandEntry* next = findCommandEntry("next")) runCommand(*next, args);
      }
    } else if (name == "for") {
      ++state.loopNesting;
    }
    return;
  }

  const CommandEntry* entry = name.size() <= kCommandNameLimit ? findCommandEntry(name) : nullptr;
  if (entry) {
    runCommand(*entry, args);
    return;
  }
  if (state.definedCommands.count(pathKey(name))) {
    state.parameterText.assign(args);
    std::string label = "*";
    label += name;
    gosub(label);
    return;
  }
  setCommandName(name.substr(0, kCommandNameLimit));
  reportCommandError(platform::jp("未対応の命令です"));
}

}  // namespace

InterpreterState& interpreter() { return state; }

void setTextStatementHandler(TextStatementHandler handler) { textStatementHandler = handler; }

void resetInterpreter() {
  state = InterpreterState{};
  state.mainKey = pathKey(kMainScriptPath);
  statements.clear();
}

bool loadMainScript() {
  ScriptSlot& main = state.slots[0];
  if (!loadScriptFile(state.mainKey, main.lines, true)) return false;
  main.fileKey = state.mainKey;
  main.hasFile = true;
  resetSlotCuts(main);
  state.currentSlot = 0;
  state.line = 0;
  state.readState = readStateOf(state.mainKey);
  return true;
}

std::uint32_t runningFileKey() { return state.currentSlot == 0 ? state.mainKey : state.secondaryKey; }

std::pair<int, int> positionAfterStatement() {
  if (state.statement + 1 < state.statementCount) return {state.line - 1, state.statement + 1};
  return {state.line, 0};
}

void jumpTo(int line, int statement) {
  state.line = line;
  state.statement = statement;
  state.jump = true;
}

void requestFileSwitch(std::uint32_t fileKey) {
  if (fileKey == state.mainKey) {
    state.fileSwitch = kSwitchToMain;
  } else if (fileKey != state.secondaryKey || !state.slots[1].hasFile) {
    state.secondaryKey = fileKey;
    const std::string* name = fileNameOf(fileKey);
    state.secondaryFileName = name ? *name : keyHex(fileKey);
    state.fileSwitch = kSwitchLoadSecondary;
  } else {
    state.fileSwitch = kSwitchToLoadedSecondary;
  }
}

bool jumpToLabel(std::string_view labelText) {
  const LabelInfo* label = findLabel(labelText);
  if (!label) return false;
  jumpTo(label->line - 1, 0);
  requestFileSwitch(label->fileKey);
  return true;
}

void setReplacement(std::string_view text) {
  // `text` may lie inside the current replacement ("if (a) if (b) cal ..."): copy first.
  std::string tail(text.substr(0, kPieceLimit));
  state.replacement = std::move(tail);
  state.replace = true;
}

namespace {

// Statements between two looks at the clock: a clock read per statement would cost a
// measurable share of a plain loop's speed.
constexpr std::uint64_t kBusyCheckMask = 255;
constexpr std::uint32_t kBusyFrameMs = 16;

struct Busy {
  bool (*hook)() = nullptr;
  std::uint64_t restedAt = 0;  // statementsRun at the last rest
  std::uint32_t restedTick = 0;
} busy;

[[gnu::noinline]] void serviceBusyStretch() {
  if (!busy.hook) return;
  if (platform::isVirtualClock()) {
    if (state.statementsRun - busy.restedAt < kBusyStatements) return;
  } else if (platform::tickMs() - busy.restedTick < kBusyFrameMs) {
    return;
  }
  if (!busy.hook()) state.quitRequested = true;
}

}  // namespace

void setBusyHook(bool (*hook)()) { busy.hook = hook; }

void noteWaitRest(std::uint32_t tick) {
  busy.restedAt = state.statementsRun;
  busy.restedTick = tick;
}

void runScript() {
  noteWaitRest(platform::tickMs());
  for (;;) {
    ScriptSlot* slot = &state.slots[state.currentSlot];
    if (state.line < 0) state.line = 0;  // a jump to the label on a file's first line
    if (state.line >= static_cast<int>(slot->lines.size())) break;
    const std::string& line = slot->lines[static_cast<std::size_t>(state.line)];
    if (!line.empty()) {
      cutCurrentLine(*slot, state.line);
      if (state.jump) {
        state.jump = false;
      } else {
        state.statement = 0;
      }
      state.statementCount = static_cast<int>(statements.size());
      const int lineOfStatements = state.line;
      const int slotOfStatements = state.currentSlot;
      while (state.statement < state.statementCount) {
        if ((++state.statementsRun & kBusyCheckMask) == 0) {
          serviceBusyStretch();
          if (state.quitRequested) return;
        }
        std::string_view stmt = statements[static_cast<std::size_t>(state.statement)];
        unsigned char first = stmt.empty() ? 0 : static_cast<unsigned char>(stmt[0]);
        if (isCommandStart(first)) {
          runCommandStatement(stmt);
          if (state.quitRequested) return;
          if (state.replace) {
            statements[static_cast<std::size_t>(state.statement)] = state.replacement;
            --state.statement;
            state.replace = false;
          }
        } else if (first != 0 && first != '*' && !state.loopSkip) {
          if (!runTextStatement(slot->lines[static_cast<std::size_t>(lineOfStatements)])) return;
          if (state.quitRequested) return;
        }
        if (state.fileSwitch != kSwitchNone) {
          bool reloaded = !(state.fileSwitch & (kSwitchToMain | kSwitchToLoadedSecondary));
          serveFileSwitch();
          slot = &state.slots[state.currentSlot];
          // The statement views point into the line that was running; once another file
          // fills the slot they are stale, so this line's remaining statements are over.
          if (reloaded && slotOfStatements == 1 && !state.jump) break;
        }
        if (state.jump) break;
        ++state.statement;
      }
    }
    ++state.line;
  }
}

namespace {
void cmdEnd(const Arguments&) {
  state.quitRequested = true;
}
constexpr CommandEntry kInterpreterCommands[] = {{"end", cmdEnd}};
}  // namespace

std::span<const CommandEntry> interpreterCommands() { return kInterpreterCommands; }

}  // namespace core
