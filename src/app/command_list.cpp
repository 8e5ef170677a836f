#include "app/command_list.h"

#include <cstdio>
#include <string>

#include "app/command_tables.h"
#include "core/command_registry.h"

namespace app {

int listCommands() {
  registerCommands();
  for (auto table : allCommandTables()) {
    for (const core::CommandEntry& e : table) {
      const std::string_view shown = core::errorName(e);
      const std::optional<core::ArgumentCounts> range = core::argumentCounts(&e);
      // No most for a command that takes any number from its least on.
      const std::string least = range ? std::to_string(range->min) : "";
      const std::string most = range && range->max != core::kNoArgumentLimit ? std::to_string(range->max) : "";
      std::printf("%.*s\t%.*s\t%s\t%s\t%s\n", static_cast<int>(e.name.size()), e.name.data(),
                  static_cast<int>(shown.size()), shown.data(), least.c_str(), most.c_str(),
                  e.signature ? e.signature : "");
    }
  }
  return 0;
}

}  // namespace app
