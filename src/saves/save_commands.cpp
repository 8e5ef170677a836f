// savesetting, saveclear, savecomment, savegame, loadgame, loadcomment, saveexist,
// savedelete, savetime, savenew, savesetprotect, savegetprotect.
#include "saves/save_commands.h"

#include <sys/stat.h>

#include <ctime>
#include <filesystem>
#include <optional>
#include <string>

#include "core/argument_pieces.h"
#include "core/command_support.h"
#include "core/error_report.h"
#include "platform/cp932.h"
#include "rollback/rollback.h"
#include "saves/save_capture.h"
#include "saves/save_files.h"
#include "saves/save_reader.h"
#include "saves/save_restore.h"
#include "saves/save_writer.h"

namespace saves {

namespace {

struct SaveState {
  std::string snapshot;  // records Image.. to String of the last save point; empty: none
  std::string comment;
  std::array<std::uint8_t, kProtectedSlots> protect{};
} state;

using Pieces = std::vector<std::string_view>;

bool omitted(const Pieces& p, std::size_t i) { return i >= p.size() || p[i].empty(); }

// A slot number 0..last at piece i, reporting "第N引数の番号が不正です" outside.
bool slotArgument(const Pieces& p, std::size_t i, int last, std::int32_t& slot) {
  if (!core::numberArgument(p, i, slot)) return false;
  if (slot < 0 || slot > last) {
    core::reportArgumentFault(core::ArgumentFault::BadIndex, static_cast<int>(i) + 1);
    return false;
  }
  return true;
}

// The dat/txt switch at piece i: compressed unless a given number is 0.
bool formatArgument(const Pieces& p, std::size_t i, bool& compressed) {
  compressed = true;
  if (omitted(p, i)) return true;
  std::int32_t format = 1;
  if (!core::numberArgument(p, i, format)) return false;
  compressed = format != 0;
  return true;
}

// slot, result variable, [format]: the arguments of loadcomment, saveexist and savetime.
template <typename Target>
Target* slotVariableFormat(std::string_view args, Target* (*target)(const Pieces&, std::size_t), std::int32_t& slot,
                           bool& compressed) {
  const Pieces p = core::argumentPieces(args);
  if (!core::countInRange(p) || !slotArgument(p, 0, kSaveSlotLast, slot)) return nullptr;
  Target* out = target(p, 1);
  if (!out || !formatArgument(p, 2, compressed)) return nullptr;
  return out;
}

void takeSnapshot() {
  if (state.snapshot.empty()) state.snapshot = formatSaveText(captureState());
}

bool saveToSlot(int slot, bool compressed) {
  // A save without a save point before it would restore nothing: take one now.
  takeSnapshot();
  std::string text = state.snapshot;
  appendCommentRecord(text, state.comment);
  return writeSaveFile(saveFileName(slot, compressed), text, compressed);
}

std::optional<std::filesystem::file_time_type> lastWrite(int slot, bool compressed) {
  std::error_code ec;
  const auto path = saveFilePath(slot, compressed);
  if (!std::filesystem::is_regular_file(path, ec)) return std::nullopt;
  const auto t = std::filesystem::last_write_time(path, ec);
  if (ec) return std::nullopt;
  return t;
}

void cmdSaveSetting(std::string_view) {
  takeSnapshot();
}

void cmdSaveClear(std::string_view) {
  state.snapshot.clear();
}

void cmdSaveComment(std::string_view args) {
  const Pieces p = core::argumentPieces(args);
  if (!core::countInRange(p)) return;
  std::string comment;
  if (!core::stringArgument(p, 0, comment)) return;
  state.comment = std::move(comment);
}

void cmdSaveGame(std::string_view args) {
  const Pieces p = core::argumentPieces(args);
  std::int32_t slot = 0;
  bool compressed = true;
  if (!core::countInRange(p) || !slotArgument(p, 0, kSaveSlotLast, slot) || !formatArgument(p, 1, compressed))
    return;
  saveToSlot(slot, compressed);
}

void cmdLoadGame(std::string_view args) {
  const Pieces p = core::argumentPieces(args);
  std::int32_t slot = 0;
  bool compressed = true;
  if (!core::countInRange(p) || !slotArgument(p, 0, kSaveSlotLast, slot) || !formatArgument(p, 1, compressed))
    return;
  const std::string name = saveFileName(slot, compressed);
  std::optional<std::string> text = readSaveFile(name, compressed);
  if (!text) return;
  // The text is checked before anything is reset: a damaged save leaves the game as it was.
  std::string why;
  std::optional<SaveData> data = parseSaveText(*text, why);
  if (!data) {
    core::showErrorBox(name + platform::jp(" が壊れています"));
    return;
  }
  resetForLoad();
  restoreState(*data);
  rollback::clearHistory();
  if (data->comment) state.comment = *data->comment;
}

void cmdLoadComment(std::string_view args) {
  std::int32_t slot = 0;
  bool compressed = true;
  std::string* out = slotVariableFormat(args, core::stringTarget, slot, compressed);
  if (!out) return;
  const std::string name = saveFileName(slot, compressed);
  std::optional<std::string> text = readSaveFile(name, compressed);
  if (!text) return;
  std::string why;
  std::optional<std::string> comment = parseSaveComment(*text, why);
  if (!comment) {
    core::showErrorBox(name + platform::jp(" が壊れています"));
    return;
  }
  *out = std::move(*comment);
}

void cmdSaveExist(std::string_view args) {
  std::int32_t slot = 0;
  bool compressed = true;
  std::int32_t* out = slotVariableFormat(args, core::numberTarget, slot, compressed);
  if (!out) return;
  *out = lastWrite(slot, compressed) ? 1 : 0;
}

void cmdSaveDelete(std::string_view args) {
  const Pieces p = core::argumentPieces(args);
  std::int32_t slot = 0;
  bool compressed = true;
  if (!core::countInRange(p) || !slotArgument(p, 0, kSaveSlotLast, slot)) return;
  std::int32_t* out = nullptr;
  if (!omitted(p, 1) && !(out = core::numberTarget(p, 1))) return;
  if (!formatArgument(p, 2, compressed)) return;
  std::error_code ec;
  const bool removed = std::filesystem::remove(saveFilePath(slot, compressed), ec) && !ec;
  if (out) *out = removed ? 1 : 0;
}

void cmdSaveTime(std::string_view args) {
  std::int32_t slot = 0;
  bool compressed = true;
  std::string* out = slotVariableFormat(args, core::stringTarget, slot, compressed);
  if (!out) return;
  struct stat st {};
  if (::stat(saveFilePath(slot, compressed).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
    core::reportCommandError(platform::jp("データが存在しません"));
    return;
  }
  std::tm local{};
  localtime_r(&st.st_mtime, &local);
  char text[80];
  std::snprintf(text, sizeof text, "%04d/%02d/%02d %02d:%02d:%02d", local.tm_year + 1900, local.tm_mon + 1,
                local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
  *out = text;
}

void cmdSaveNew(std::string_view args) {
  const Pieces p = core::argumentPieces(args);
  std::int32_t first = 0, last = 0;
  bool compressed = true;
  if (!core::countInRange(p) || !slotArgument(p, 0, kSaveSlotLast, first) ||
      !slotArgument(p, 1, kSaveSlotLast, last))
    return;
  std::int32_t* out = core::numberTarget(p, 2);
  if (!out || !formatArgument(p, 3, compressed)) return;
  *out = -1;
  std::optional<std::filesystem::file_time_type> newest;
  for (int slot = first; slot < last; ++slot) {
    auto t = lastWrite(slot, compressed);
    if (t && (!newest || *t > *newest)) {  // equal times: the lower slot stays
      newest = t;
      *out = slot;
    }
  }
}

void cmdSaveSetProtect(std::string_view args) {
  const Pieces p = core::argumentPieces(args);
  std::int32_t slot = 0;
  if (!core::countInRange(p) || !slotArgument(p, 0, kProtectedSlots - 1, slot)) return;
  std::uint8_t& flag = state.protect[static_cast<std::size_t>(slot)];
  if (omitted(p, 1)) {
    flag = flag != 0 ? 0 : 1;
    return;
  }
  std::int32_t value = 0;
  if (!core::numberArgument(p, 1, value)) return;
  flag = static_cast<std::uint8_t>(value & 0xFF);
}

void cmdSaveGetProtect(std::string_view args) {
  const Pieces p = core::argumentPieces(args);
  std::int32_t slot = 0;
  if (!core::countInRange(p) || !slotArgument(p, 0, kProtectedSlots - 1, slot)) return;
  std::int32_t* out = core::numberTarget(p, 1);
  if (out) *out = state.protect[static_cast<std::size_t>(slot)];
}

constexpr core::CommandEntry kSaveCommands[] = {
    {"savesetting", cmdSaveSetting, "saveSetting"},
    {"saveclear", cmdSaveClear, "saveClear"},
    {"savecomment", cmdSaveComment, "saveComment", 1, 1},
    {"savegame", cmdSaveGame, "saveGame", 1, 2},
    {"loadgame", cmdLoadGame, "loadGame", 1, 2},
    {"loadcomment", cmdLoadComment, "loadComment", 2, 3},
    {"saveexist", cmdSaveExist, "saveExist", 2, 3},
    {"savedelete", cmdSaveDelete, "saveDelete", 1, 3},
    {"savetime", cmdSaveTime, "saveTime", 2, 3},
    {"savenew", cmdSaveNew, "saveNew", 3, 4},
    {"savesetprotect", cmdSaveSetProtect, "saveSetProtect", 1, 2},
    {"savegetprotect", cmdSaveGetProtect, "saveGetProtect", 2, 2},
};

}  // namespace

std::span<const core::CommandEntry> saveCommands() { return kSaveCommands; }

void holdSnapshot(const SaveData& data) { state.snapshot = formatSaveText(data); }

std::array<std::uint8_t, kProtectedSlots>& protectFlags() { return state.protect; }

void exitSave() {
  if (state.comment.empty()) return;
  // Outside any command: messages of the write name the command it stands for.
  core::setCommandName("saveGame");
  saveToSlot(kExitSaveSlot, true);
}

}  // namespace saves
