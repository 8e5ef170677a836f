// The packed script script.sbx over arbitrary bytes: its index, each entry inflated and split
// into lines, and the labels of every entry scanned, as start-up loads them. Every entry the
// index accepts lies inside the file; an entry never inflates beyond the script limit.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/labels.h"
#include "core/resource_limits.h"
#include "core/script_sources.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static bool ready = fuzz::headlessEngine();
  (void)ready;
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::string why;
  auto records = core::parsePackedIndex(bytes, size, why);
  if (!records) {
    fuzz::check(!why.empty());
    return 0;
  }
  core::LabelTable table;
  for (const core::PackedIndexRecord& r : *records) {
    fuzz::check(std::uint64_t{r.entry.offset} + r.entry.packedSize <= size);
    std::string text;
    if (!core::inflatePackedEntry(bytes.substr(r.entry.offset, r.entry.packedSize), r.entry.unpackedSize, text)) continue;
    fuzz::check(text.size() <= core::kLargestScriptBytes);
    core::ScriptLines lines;
    core::splitPackedText(text, lines);
    for (const std::string& line : lines) fuzz::check(line.size() <= core::kLineLimit);
    core::ReadStateMap readState;
    // A duplicate label ends loading (reported); the next input starts a fresh table.
    if (!core::scanLabels("fuzz.sbx", r.key, lines, table, readState)) break;
  }
  return 0;
}
