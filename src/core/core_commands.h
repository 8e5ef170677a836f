// Core's own command tables; each subsystem declares its tables in a header of its own and
// app/command_tables.cpp lists them all.
#pragma once
#include <span>

#include "core/command_registry.h"

namespace core {

std::span<const CommandEntry> interpreterCommands();  // end
std::span<const CommandEntry> errorCommands();        // error
std::span<const CommandEntry> assignmentCommands();   // cal round int string variableexist
std::span<const CommandEntry> controlFlowCommands();  // if .. getparam
std::span<const CommandEntry> stringCommands();       // len, mid, split, regexp.*, path and file commands

}  // namespace core
