// save/setting.dat over arbitrary bytes: the container, then the text run as data into the
// settings record. Whatever is read must write and read back unchanged.
#include <cstddef>
#include <cstdint>
#include <string>

#include "saves/compressed_file.h"
#include "saves/settings_file.h"

namespace {

void check(std::string_view text) {
  saves::Settings s;
  std::string why;
  if (!saves::parseSettingsText(text, s, why)) return;
  saves::Settings back;
  if (!saves::parseSettingsText(saves::formatSettingsText(s), back, why)) __builtin_trap();
  // Paths are written with "/" for "\": compare after one pass through the writer.
  saves::Settings third;
  if (!saves::parseSettingsText(saves::formatSettingsText(back), third, why) || !(third == back)) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::string text;
  if (saves::unpackCompressed(bytes, text) == saves::Unpack::Ok) check(text);
  check(bytes);
  return 0;
}
