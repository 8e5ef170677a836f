#include "saves/save_files.h"

#include <cstdio>
#include <system_error>

#include "core/error_report.h"
#include "core/resource_limits.h"
#include "platform/cp932.h"
#include "platform/paths.h"
#include "saves/compressed_file.h"

namespace saves {

namespace fs = std::filesystem;

std::string saveFileName(int slot, bool compressed) {
  char name[32];
  std::snprintf(name, sizeof name, "save/save%03d.%s", slot, compressed ? "dat" : "txt");
  return name;
}

fs::path saveFilePath(int slot, bool compressed) { return platform::writableGamePath(saveFileName(slot, compressed)); }

bool makeSaveFolder() {
  const fs::path folder = platform::writableGamePath("save");
  std::error_code ec;
  fs::create_directories(folder, ec);
  return fs::is_directory(folder, ec);
}

bool writeSaveFile(std::string_view name, std::string_view text, bool compressed) {
  const std::string who(name);
  // What is written must read back: a text over the reader's limit is refused, not written.
  const std::uint64_t limit = compressed ? core::kLargestSaveText : core::kLargestSaveFileBytes;
  if (text.size() > limit) {
    core::showErrorBox(core::tooLargeMessage(who, limit));
    core::showErrorBox(who + platform::jp(" の保存に失敗しました"));
    return false;
  }
  if (!makeSaveFolder()) {
    core::showErrorBox(who + platform::jp(" を開けませんでした"));
    return false;
  }
  std::string packed;
  if (compressed) {
    packed = packCompressed(text);
    if (packed.empty()) {
      core::showErrorBox(who + platform::jp(" の保存に失敗しました"));
      return false;
    }
  }
  if (!platform::writeFileAtomically(platform::writableGamePath(name), compressed ? std::string_view(packed) : text)) {
    core::showErrorBox(who + platform::jp(" の保存に失敗しました"));
    return false;
  }
  return true;
}

void refuseTooLarge(std::string_view name, std::uint64_t limit) {
  core::showErrorBox(core::tooLargeMessage(name, limit));
  core::showErrorBox(std::string(name) + platform::jp(" の読み込みに失敗しました"));
}

std::optional<std::string> readSaveFile(std::string_view name, bool compressed) {
  const std::string who(name);
  std::string bytes;
  switch (platform::readFileUpTo(platform::writableGamePath(name), bytes, core::kLargestSaveFileBytes)) {
    case platform::FileRead::Ok: break;
    case platform::FileRead::TooLarge: refuseTooLarge(who, core::kLargestSaveFileBytes); return std::nullopt;
    case platform::FileRead::Failed: core::showErrorBox(who + platform::jp(" を開けませんでした")); return std::nullopt;
  }
  if (!compressed) return bytes;
  std::string text;
  switch (unpackCompressed(bytes, text)) {
    case Unpack::Ok: return text;
    case Unpack::AbsurdLength: refuseTooLarge(who, core::kLargestSaveText); return std::nullopt;
    default: core::showErrorBox(who + platform::jp(" の読み込みに失敗しました")); return std::nullopt;
  }
}

}  // namespace saves
