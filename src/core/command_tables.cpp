#include "core/command_tables.h"

namespace core {

std::vector<std::span<const CommandEntry>> allCommandTables() {
  return {
      interpreterCommands(),
      errorCommands(),
      assignmentCommands(),
      controlFlowCommands(),
      stringCommands(),
      soundCommands(),
  };
}

}  // namespace core
