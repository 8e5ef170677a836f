// The movie subsystem's command table.
#pragma once
#include <span>

#include "core/command_registry.h"

namespace movie {

std::span<const core::CommandEntry> movieCommands();  // mpegplay

}  // namespace movie
