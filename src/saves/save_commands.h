// The save commands and what they keep between statements: the snapshot taken at a save
// point, the save comment and the protect flags of slots 0..99 (kept in the settings file).
// Main thread.
#pragma once
#include <array>
#include <cstdint>
#include <span>

#include "core/command_registry.h"
#include "saves/save_data.h"

namespace saves {

std::span<const core::CommandEntry> saveCommands();

std::array<std::uint8_t, kProtectedSlots>& protectFlags();

// Makes `data` the held save-point snapshot, as if a save point had been taken in that state.
void holdSnapshot(const SaveData& data);

// The reader confirmed quitting: with a save comment set, the state goes to slot 999 (a
// snapshot is taken first when none is held).
void exitSave();

}  // namespace saves
