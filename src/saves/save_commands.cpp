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
#include "sound/sound_settings.h"

namespace saves {

namespace {

struct SaveState {
  std::string snapshot;  // records Image.. to String of the last save point; empty: none
  std::string comment;
  std::array<std::uint8_t, kProtectedSlots> protect{};
} state;

// A slot number 0..last, reporting "第N引数の番号が不正です" outside; checked in its turn,
// before the arguments after it are read.
bool slotInRange(std::size_t index, const core::Argument& a, int last) {
  const std::int32_t slot = a.value.toInt();
  if (slot >= 0 && slot <= last) return true;
  core::reportArgumentFault(core::ArgumentFault::BadIndex, static_cast<int>(index) + 1);
  return false;
}

bool saveSlotRule(std::size_t index, const core::Argument& a) {
  return index != 0 || slotInRange(index, a, kSaveSlotLast);
}

// savenew's first and last slots.
bool slotRangeRule(std::size_t index, const core::Argument& a) {
  return index > 1 || slotInRange(index, a, kSaveSlotLast);
}

bool protectSlotRule(std::size_t index, const core::Argument& a) {
  return index != 0 || slotInRange(index, a, kProtectedSlots - 1);
}

// The dat/txt switch: compressed unless a given number is 0.
bool compressedAt(const core::Arguments& args, std::size_t i) { return args.number(i, 1) != 0; }

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

void cmdSaveSetting(const core::Arguments&) {
  takeSnapshot();
}

void cmdSaveClear(const core::Arguments&) {
  state.snapshot.clear();
}

void cmdSaveComment(const core::Arguments& args) { state.comment = args.string(0); }

void cmdSaveGame(const core::Arguments& args) { saveToSlot(args.number(0), compressedAt(args, 1)); }

void cmdLoadGame(const core::Arguments& args) {
  const std::int32_t slot = args.number(0);
  const bool compressed = compressedAt(args, 1);
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
  // A load starts the music over unless the reader asked for hardware buffers, as it always
  // has; save files and the games written for them count on that.
  restoreState(*data, sound::soundSettings().hardwareSound == 1);
  rollback::clearHistory();
  if (data->comment) state.comment = *data->comment;
}

void cmdLoadComment(const core::Arguments& args) {
  const std::int32_t slot = args.number(0);
  const bool compressed = compressedAt(args, 2);
  std::string* out = &args.stringVariable(1);
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

void cmdSaveExist(const core::Arguments& args) {
  args.numberVariable(1) = lastWrite(args.number(0), compressedAt(args, 2)) ? 1 : 0;
}

void cmdSaveDelete(const core::Arguments& args) {
  std::error_code ec;
  const bool removed = std::filesystem::remove(saveFilePath(args.number(0), compressedAt(args, 2)), ec) && !ec;
  if (args.given(1)) args.numberVariable(1) = removed ? 1 : 0;
}

void cmdSaveTime(const core::Arguments& args) {
  const std::int32_t slot = args.number(0);
  const bool compressed = compressedAt(args, 2);
  std::string* out = &args.stringVariable(1);
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

void cmdSaveNew(const core::Arguments& args) {
  const std::int32_t first = args.number(0), last = args.number(1);
  const bool compressed = compressedAt(args, 3);
  std::int32_t* out = &args.numberVariable(2);
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

void cmdSaveSetProtect(const core::Arguments& args) {
  std::uint8_t& flag = state.protect[static_cast<std::size_t>(args.number(0))];
  if (!args.given(1)) {
    flag = flag != 0 ? 0 : 1;
    return;
  }
  flag = static_cast<std::uint8_t>(args.number(1) & 0xFF);
}

void cmdSaveGetProtect(const core::Arguments& args) {
  args.numberVariable(1) = state.protect[static_cast<std::size_t>(args.number(0))];
}

constexpr core::CommandEntry kSaveCommands[] = {
    {"savesetting", cmdSaveSetting, "saveSetting"},
    {"saveclear", cmdSaveClear, "saveClear"},
    {"savecomment", cmdSaveComment, "saveComment", "s", core::ArgumentReading::InTurn},
    {"savegame", cmdSaveGame, "saveGame", "n [n?]", core::ArgumentReading::InTurn, saveSlotRule},
    {"loadgame", cmdLoadGame, "loadGame", "n [n?]", core::ArgumentReading::InTurn, saveSlotRule},
    {"loadcomment", cmdLoadComment, "loadComment", "n S [n?]", core::ArgumentReading::InTurn, saveSlotRule},
    {"saveexist", cmdSaveExist, "saveExist", "n N [n?]", core::ArgumentReading::InTurn, saveSlotRule},
    {"savedelete", cmdSaveDelete, "saveDelete", "n [N?] [n?]", core::ArgumentReading::InTurn, saveSlotRule},
    {"savetime", cmdSaveTime, "saveTime", "n S [n?]", core::ArgumentReading::InTurn, saveSlotRule},
    {"savenew", cmdSaveNew, "saveNew", "n n N [n?]", core::ArgumentReading::InTurn, slotRangeRule},
    {"savesetprotect", cmdSaveSetProtect, "saveSetProtect", "n [n?]", core::ArgumentReading::InTurn, protectSlotRule},
    {"savegetprotect", cmdSaveGetProtect, "saveGetProtect", "n N", core::ArgumentReading::InTurn, protectSlotRule},
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
