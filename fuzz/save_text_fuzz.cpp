// A save file over arbitrary bytes: the compressed container (or the bytes as a .txt text)
// run as data and read into records. Nothing may crash, and whatever is read must write
// and read back to the same records.
#include <cstddef>
#include <cstdint>
#include <string>

#include "saves/compressed_file.h"
#include "saves/save_reader.h"
#include "saves/save_writer.h"

namespace {

void check(std::string_view text) {
  std::string why;
  std::optional<saves::SaveData> data = saves::parseSaveText(text, why);
  if (!data) return;
  std::string again = saves::formatSaveText(*data);
  if (data->comment) saves::appendCommentRecord(again, *data->comment);
  std::optional<saves::SaveData> back = saves::parseSaveText(again, why);
  if (!back) __builtin_trap();
  // Sprites with steps are written with whole-number positions: compare their re-read form.
  std::string third = saves::formatSaveText(*back);
  if (back->comment) saves::appendCommentRecord(third, *back->comment);
  if (third != again) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::string text;
  if (saves::unpackCompressed(bytes, text) == saves::Unpack::Ok) check(text);
  check(bytes);
  return 0;
}
