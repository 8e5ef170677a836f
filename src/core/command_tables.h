// Each subsystem's command table. A subsystem that gains commands adds its table here.
#pragma once
#include <span>
#include <vector>

#include "core/command_registry.h"
namespace image { std::span<const core::CommandEntry> screenshotCommands(); }  // getscreenshot savescreenshot

namespace core {

std::span<const CommandEntry> interpreterCommands();  // end
std::span<const CommandEntry> errorCommands();        // error
std::span<const CommandEntry> assignmentCommands();   // cal round int string variableexist
std::span<const CommandEntry> controlFlowCommands();  // if .. pretextgosub
std::span<const CommandEntry> stringCommands();       // len, mid, split, regexp.*, path and file commands
std::span<const CommandEntry> soundCommands();        // sd, sd.*, set/get group volumes
std::span<const CommandEntry> fontCommands();         // setfontfile .. getfontliststr

std::vector<std::span<const CommandEntry>> allCommandTables();

}  // namespace core
