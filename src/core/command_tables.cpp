#include "core/command_tables.h"

namespace core {

std::vector<std::span<const CommandEntry>> allCommandTables() {
  return {
      interpreterCommands(),
      stringCommands(),
  };
}

}  // namespace core
