// The index readers of script.sbx and arc.dat over arbitrary bytes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/archive.h"
#include "core/script_sources.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::string why;
  // Claim a file larger than the bytes too: offsets may point past what was read.
  for (std::uint64_t fileSize : {static_cast<std::uint64_t>(size), static_cast<std::uint64_t>(size) * 3 + 100}) {
    if (auto records = core::parsePackedIndex(bytes, fileSize, why))
      for (const auto& r : *records)
        if (static_cast<std::uint64_t>(r.entry.offset) + r.entry.packedSize > fileSize) __builtin_trap();
    if (auto index = core::parseArchiveIndex(bytes, fileSize, why))
      for (const auto& [key, e] : *index)
        if (static_cast<std::uint64_t>(e.offset) + e.size > fileSize) __builtin_trap();
  }
  return 0;
}
