// Stepping back through the click and page waits the reader has passed, and forward again.
// Off until the game turns it on; then each wait the reader reaches is recorded in memory
// with the records a save game captures, plus every variable but the reader's own "s_" ones.
// A step back puts such a record back as loading does: the script resumes at the start of
// the text block that wait belongs to and shows it again. Main thread.
#pragma once
#include <cstddef>
#include <span>

#include "core/command_registry.h"

namespace rollback {

std::span<const core::CommandEntry> rollbackCommands();

// A click or page wait begins: with rollback on, records the state unless it is the step
// already recorded or the next one of those stepped back over (the reader advances through
// them again; anything else drops them). True when the wait is to pass at once: it comes
// before the one a step back went to, in the block shown again.
bool noteWait();

// Forgets every step: loading a save game is a boundary no step back crosses.
void clearHistory();

// What the ring holds, for tests and the bench.
struct HistoryFigures {
  std::size_t steps = 0, current = 0, bytes = 0;
};
HistoryFigures historyFigures();

}  // namespace rollback
