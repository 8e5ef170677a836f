// Script text through the line readers, the statement and argument splitters, the label
// scan and the expression evaluator: none may read out of bounds or crash.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/expression.h"
#include "core/labels.h"
#include "core/script_sources.h"
#include "core/statements.h"
#include "platform/options.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static bool init = [] {
    platform::EngineOptions o;
    o.noDialogs = true;  // reports go to stderr, not to a window
    platform::setOptions(o);
    return true;
  }();
  (void)init;
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  core::ScriptLines folder, packed;
  core::splitFolderText(bytes, folder);
  core::splitPackedText(bytes, packed);
  for (const std::string& line : packed)
    if (line.size() > core::kLineLimit) __builtin_trap();
  std::vector<std::string_view> pieces;
  for (std::string line : folder) {
    core::splitStatements(line, ':', pieces);
    std::vector<std::string_view> arguments;
    for (std::string_view p : pieces) core::splitOutsideQuotes(p, ',', arguments);
    std::string copy = line;
    core::splitStatements(copy, ',', pieces);
    if (line.size() < 200) core::evaluateExpression(line);
  }
  core::LabelTable table;
  core::ReadStateMap readState;
  core::scanLabels("fuzz.txt", 1, folder, table, readState);
  return 0;
}
