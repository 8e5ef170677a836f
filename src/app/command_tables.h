// The list of every subsystem's command table: a subsystem that gains commands declares
// its table in its own header and is added to the list in command_tables.cpp.
#pragma once
#include <span>
#include <vector>

#include "core/command_registry.h"

namespace app {

std::vector<std::span<const core::CommandEntry>> allCommandTables();
// Fills the registry with every table (start-up).
void registerCommands();

}  // namespace app
