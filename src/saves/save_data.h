// What a save game holds: the records each subsystem captures of itself (graphics its
// sprites, sound its streams, text its pages, message window and fonts, core the place to
// resume and the "g_" variables), written as Lua text by save_writer and read back by
// save_reader through the records' field tables. The text's record names and order are
// fixed (saves of earlier runs must keep loading).
#pragma once
#include <optional>
#include <string>
#include <vector>

#include "core/script_snapshot.h"
#include "graphics/sprite_snapshot.h"
#include "sound/sound_snapshot.h"
#include "text/text_snapshot.h"

namespace saves {

constexpr int kSaveSlotLast = 1000;    // save files 0..1000
constexpr int kProtectedSlots = 100;   // protect flags of slots 0..99
constexpr int kExitSaveSlot = 999;     // the save made when the reader quits

struct SaveData {
  std::vector<graphics::SpriteRecord> sprites;  // ascending slot
  std::vector<sound::StreamRecord> sounds;      // ascending stream
  text::TextSnapshot text;
  core::ScriptSnapshot script;
  std::optional<std::string> comment;
  bool operator==(const SaveData&) const = default;
};

}  // namespace saves
