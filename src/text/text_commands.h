// The command tables of the text subsystem.
#pragma once
#include <span>

#include "core/command_registry.h"

namespace text {

std::span<const core::CommandEntry> readingModeCommands();  // skipmode automode ismode ispage effect flags
std::span<const core::CommandEntry> waitCommands();         // wait waittimer sleep resettimer gettimer eventwait

}  // namespace text
