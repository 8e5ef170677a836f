// The sound commands' table: sd, sd.*, and setting and reading the group volumes.
#pragma once
#include <span>

#include "core/command_registry.h"

namespace sound {

std::span<const core::CommandEntry> soundCommands();

}  // namespace sound
