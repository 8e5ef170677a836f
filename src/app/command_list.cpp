#include "app/command_list.h"

#include <cstdint>
#include <cstdio>
#include <string>

#include "app/command_tables.h"
#include "check/command_facts.h"

namespace app {

int listCommands() {
  registerCommands();
  for (auto table : allCommandTables()) {
    for (const core::CommandEntry& e : table) {
      std::string_view shown = check::errorName(e.name);
      std::optional<check::ArgumentRange> range = check::argumentRange(e.name);
      // No most for a command that takes any number from its least on.
      std::string least = range ? std::to_string(range->min) : "";
      std::string most = range && range->max != SIZE_MAX ? std::to_string(range->max) : "";
      std::printf("%.*s\t%.*s\t%s\t%s\n", static_cast<int>(e.name.size()), e.name.data(),
                  static_cast<int>(shown.size()), shown.data(), least.c_str(), most.c_str());
    }
  }
  return 0;
}

}  // namespace app
