// Script text as the folder and packed readers split it, through the statement and argument
// splitters and the label scan: none may read out of bounds or crash, and no line is longer
// than the reader's line buffer.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/labels.h"
#include "core/script_sources.h"
#include "core/statements.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static bool ready = fuzz::headlessEngine();
  (void)ready;
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  core::ScriptLines folder, packed;
  core::splitFolderText(bytes, folder);
  core::splitPackedText(bytes, packed);
  for (const std::string& line : folder) fuzz::check(line.size() <= core::kLineLimit);
  for (const std::string& line : packed) fuzz::check(line.size() <= core::kLineLimit);
  std::vector<std::string_view> pieces;
  for (std::string line : folder) {
    core::splitStatements(line, ':', pieces);
    std::vector<std::string_view> arguments;
    for (std::string_view p : pieces) core::splitOutsideQuotes(p, ',', arguments);
    std::string copy = line;
    core::splitStatements(copy, ',', pieces);
  }
  for (core::ScriptLines* lines : {&folder, &packed}) {
    core::LabelTable table;
    core::ReadStateMap readState;
    core::scanLabels("fuzz.txt", 1, *lines, table, readState);
    for (const auto& [key, label] : table.labels) fuzz::check(label.line >= 0 && std::size_t(label.line) < lines->size());
  }
  return 0;
}
