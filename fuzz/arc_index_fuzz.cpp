// The index of arc.dat over arbitrary bytes: every entry it accepts lies inside the file,
// whether the file is as long as the bytes or claims to be longer than what was read.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/archive.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::string why;
  for (std::uint64_t fileSize : {static_cast<std::uint64_t>(size), static_cast<std::uint64_t>(size) * 3 + 100}) {
    if (auto index = core::parseArchiveIndex(bytes, fileSize, why)) {
      for (const auto& [key, e] : *index) fuzz::check(static_cast<std::uint64_t>(e.offset) + e.size <= fileSize);
    } else {
      fuzz::check(!why.empty());
    }
  }
  return 0;
}
