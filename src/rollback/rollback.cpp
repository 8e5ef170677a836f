// rollback.enable, rollback.back, rollback.forward, rollback.steps, rollback.logstep, and
// the ring of steps they walk.
#include "rollback/rollback.h"

#include <algorithm>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "core/arguments.h"
#include "core/command_registry.h"
#include "core/expression.h"
#include "core/resource_limits.h"
#include "saves/save_capture.h"
#include "saves/save_commands.h"
#include "saves/save_restore.h"
#include "text/backlog.h"
#include "text/text_state.h"

namespace rollback {

namespace {

// The reader's own settings stay as the reader set them.
constexpr std::string_view kReaderPrefix = "s_";

struct Step {
  saves::SaveData state;  // resumes at the start of the block the wait belongs to
  core::VariableSnapshot variables;
  int wait = 0;  // which wait of that block, from 1
  std::int64_t page = 0;  // the backlog page shown, by its lasting number
  std::size_t bytes = 0;
};

struct RollbackState {
  bool enabled = false;
  std::deque<Step> steps;  // oldest first
  std::size_t current = 0;  // the step the reader is at; steps after it were stepped back over
  std::size_t bytes = 0;
  int waitsToPass = 0;  // after a step back: waits of the block shown again before its own
} state;


std::size_t textBytes(const std::string& s) { return sizeof s + (s.size() > 15 ? s.size() : 0); }

// What a step holds in memory, near enough to bound the ring by.
std::size_t stepBytes(const Step& step) {
  std::size_t n = sizeof step;
  for (const graphics::SpriteRecord& r : step.state.sprites)
    n += sizeof r + textBytes(r.name) + textBytes(r.second) + r.steps.size() * sizeof(graphics::StepRecord);
  for (const sound::StreamRecord& r : step.state.sounds) n += sizeof r + textBytes(r.file);
  for (const text::PageRecord& p : step.state.text.pages) n += textBytes(p.text) + textBytes(p.speaker);
  for (const auto& [name, value] : step.state.script.strings) n += textBytes(name) + textBytes(value);
  n += step.state.script.integers.size() * (sizeof(std::string) + sizeof(std::int32_t));
  const core::VariableSnapshot& v = step.variables;
  n += v.numbers.size() * sizeof(v.numbers[0]);
  for (const auto& [index, value] : v.strings) n += sizeof index + textBytes(value);
  for (const auto& [name, value] : v.namedNumbers) n += textBytes(name) + sizeof value;
  for (const auto& [name, value] : v.namedStrings) n += textBytes(name) + textBytes(value);
  return n;
}

// Two records of the same step: the same place to resume and the same variables. Sound
// positions and the backlog of a block's later pages move on within one step.
bool sameStep(const Step& a, const Step& b) {
  return a.wait == b.wait && a.page == b.page && a.state.script == b.state.script && a.variables == b.variables;
}

void dropAfterCurrent() {
  while (state.steps.size() > state.current + 1) {
    state.bytes -= state.steps.back().bytes;
    state.steps.pop_back();
  }
}

void dropOldest() {
  state.bytes -= state.steps.front().bytes;
  state.steps.pop_front();
  if (state.current > 0) --state.current;
}

void restoreStep(std::size_t index) {
  const Step& step = state.steps[index];
  saves::resetForLoad();
  // A step back goes on with the sound where the reader heard it at that wait, whatever the
  // hardware setting says for loads (the first stream ever made turns that setting off).
  saves::restoreState(step.state, true);
  core::restoreVariables(step.variables, kReaderPrefix);
  text::backlogRing().pagesBegun = step.page;
  // A save made from here on saves the state stepped back to, not the later one the last
  // save point held.
  saves::holdSnapshot(step.state);
  state.current = index;
  state.waitsToPass = step.wait - 1;
}

// The steps argument: 1 when omitted, at least 0.
std::size_t stepCount(const core::Arguments& args) {
  return static_cast<std::size_t>(std::max(args.number(0, 1), 0));
}

void cmdEnable(const core::Arguments& args) {
  state.enabled = args.number(0) != 0;
  if (!state.enabled) clearHistory();
}

void cmdBack(const core::Arguments& args) {
  if (state.steps.empty()) return;
  const std::size_t target = state.current - std::min(state.current, stepCount(args));
  if (target != state.current) restoreStep(target);
}

void cmdForward(const core::Arguments& args) {
  if (state.steps.empty()) return;
  const std::size_t target = std::min(state.current + stepCount(args), state.steps.size() - 1);
  if (target != state.current) restoreStep(target);
}

void cmdSteps(const core::Arguments& args) {
  const bool any = !state.steps.empty();
  args.numberVariable(0) = any ? static_cast<std::int32_t>(state.current) : 0;
  if (args.given(1))
    args.numberVariable(1) = any ? static_cast<std::int32_t>(state.steps.size() - 1 - state.current) : 0;
}

// The steps back to the first wait of the backlog page `page` pages back (as getlog counts
// them), or -1 when no step of that page is kept.
void cmdLogStep(const core::Arguments& args) {
  std::int32_t& out = args.numberVariable(0);
  const std::int32_t back = args.number(1);
  out = -1;
  if (back < 0 || state.steps.empty()) return;
  const std::int64_t page = text::backlogRing().pagesBegun - back;
  for (std::size_t i = 0; i <= state.current; ++i) {
    if (state.steps[i].page == page) {
      out = static_cast<std::int32_t>(state.current - i);
      return;
    }
  }
}

constexpr core::CommandEntry kRollbackCommands[] = {
    {"rollback.enable", cmdEnable, nullptr, "n"},
    {"rollback.back", cmdBack, nullptr, "[n]"},
    {"rollback.forward", cmdForward, nullptr, "[n]"},
    {"rollback.steps", cmdSteps, nullptr, "N [N]", core::ArgumentReading::InTurn},
    {"rollback.logstep", cmdLogStep, nullptr, "N n", core::ArgumentReading::InTurn},
};

}  // namespace

std::span<const core::CommandEntry> rollbackCommands() { return kRollbackCommands; }

bool noteWait() {
  if (!state.enabled) return false;
  if (state.waitsToPass > 0) {
    --state.waitsToPass;
    return true;
  }
  Step step{saves::captureState(), core::captureVariables(kReaderPrefix), text::textState().blockWaits,
            text::backlogRing().pagesBegun, 0};
  if (!state.steps.empty()) {
    const Step& at = state.steps[state.current];
    if (sameStep(step, at)) return false;
    // Advancing again through steps stepped back over keeps them while the script arrives
    // where it arrived before; anything else it did differently ends that history.
    if (state.current + 1 < state.steps.size() && sameStep(step, state.steps[state.current + 1])) {
      ++state.current;
      return false;
    }
    dropAfterCurrent();
    // The block's earlier pages are in the backlog already; shown again after a step back
    // they go there again. A later wait of a block keeps the backlog of its block's start.
    if (step.wait > 1 && at.state.script.resume == step.state.script.resume) step.state.text.pages = at.state.text.pages;
  }
  step.bytes = stepBytes(step);
  state.bytes += step.bytes;
  state.steps.push_back(std::move(step));
  state.current = state.steps.size() - 1;
  while (state.steps.size() > 1 &&
         (state.steps.size() > core::kRollbackSteps || state.bytes > core::kLargestRollbackBytes))
    dropOldest();
  return false;
}

void clearHistory() {
  state.steps.clear();
  state.current = 0;
  state.bytes = 0;
  state.waitsToPass = 0;
}

HistoryFigures historyFigures() { return {state.steps.size(), state.current, state.bytes}; }

}  // namespace rollback
