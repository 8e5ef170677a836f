// The script's part of a snapshot: where the script goes on (File) and the "g_" variables
// (Integer, String). Main thread.
#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "core/saved_fields.h"

namespace core {

struct ScriptPosition {
  std::uint32_t fileKey = 0;  // 0 names the main script
  std::int32_t line = 0;      // the line to run next
  bool operator==(const ScriptPosition&) const = default;
};

struct ScriptSnapshot {
  std::optional<ScriptPosition> resume;
  std::vector<std::pair<std::string, std::int32_t>> integers;  // g_ number variables
  std::vector<std::pair<std::string, std::string>> strings;    // g_ string variables
  bool operator==(const ScriptSnapshot&) const = default;
};

std::span<const SavedField<ScriptPosition>> positionFields();

// `textBlockStart` is where a text block being shown began: the script resumes there and
// shows it again. Otherwise it resumes at the line after the current statement's line or,
// inside subroutines, after the line of the outermost call.
ScriptSnapshot captureScript(std::optional<ScriptPosition> textBlockStart);
// Moves the cursor to the saved position (the loop continues there after the current
// statement) and declares the saved variables. A position in a file the script no longer
// has is reported and left alone.
void restoreScript(const ScriptSnapshot& snapshot);
// What loading empties first: the subroutine and loop stacks and every "g_" variable.
void resetScriptForLoad();

}  // namespace core
