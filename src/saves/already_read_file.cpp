#include "saves/already_read_file.h"

#include <string>
#include <vector>

#include "core/error_report.h"
#include "core/resource_limits.h"
#include "platform/cp932.h"
#include "platform/paths.h"
#include "saves/compressed_file.h"
#include "saves/save_files.h"
#include "text/already_read.h"

namespace saves {
namespace {

constexpr const char* kRecordPath = "save/already.dat";

// The record as the file now holds it: an unchanged record is not written again (writing
// it means an fsync, the largest part of an exit).
std::string onDisk;

}  // namespace

std::string packAlreadyRead(std::string_view text) { return packCompressed(text); }

bool unpackAlreadyRead(std::string_view file, std::string& text) {
  return unpackCompressed(file, text, false) == Unpack::Ok;
}

void loadAlreadyRead() {
  std::string file, record;
  // Any fault ignores the record without a word, a file too large to be one included.
  if (platform::readFileUpTo(platform::writableGamePath(kRecordPath), file, core::kLargestSaveFileBytes) !=
      platform::FileRead::Ok)
    return;
  if (!unpackAlreadyRead(file, record)) return;
  onDisk = file;
  std::vector<std::string> unknown;
  text::applyAlreadyRead(record, core::readStateMaps(), unknown);
  for (const std::string& key : unknown) core::showErrorBox(key + platform::jp(" が存在しなくなっています"));
}

void saveAlreadyRead() {
  std::string packed = packAlreadyRead(text::formatAlreadyRead(core::readStateMaps()));
  if (packed.empty() || packed == onDisk) return;
  // Written with the settings file, by the same routine: whole or not at all.
  if (writeSaveFile(kRecordPath, packed, false)) onDisk = std::move(packed);
}

}  // namespace saves
