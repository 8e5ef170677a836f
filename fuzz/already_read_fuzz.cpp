// save/already.dat (the already-read record) over arbitrary bytes: the container, then its text applied to a few
// files' read-state maps. Flags stay 0 or 1 and no map gains or loses a block.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "saves/already_read_file.h"
#include "text/already_read.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  text::ReadStateMaps maps;
  maps[0x1] = {{0, 0}, {3, 0}, {8, 0}};
  maps[0xABCDEF] = {{1, 0}};
  maps[0] = {};
  std::vector<std::string> unknown;
  std::string text;
  // Both as a container and as the bare text, so that the line scanner is reached directly.
  if (saves::unpackAlreadyRead(bytes, text)) text::applyAlreadyRead(text, maps, unknown);
  text::applyAlreadyRead(bytes, maps, unknown);
  if (maps.size() != 3 || maps[0x1].size() != 3 || maps[0xABCDEF].size() != 1 || !maps[0].empty()) __builtin_trap();
  for (const auto& [key, blocks] : maps)
    for (const auto& [line, flag] : blocks)
      if (flag > 1) __builtin_trap();
  return 0;
}
