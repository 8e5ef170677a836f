#include "check/check_main.h"

#include <cstdio>

#include "check/command_facts.h"
#include "check/script_check.h"
#include "core/command_tables.h"

namespace check {

int runCheck() {
  std::vector<Finding> findings = checkGame();
  for (const Finding& f : findings) std::printf("%s\n", formatFinding(f).c_str());
  if (findings.empty()) std::printf("no problems found\n");
  else std::printf("%zu problem%s found\n", findings.size(), findings.size() == 1 ? "" : "s");
  return findings.empty() ? 0 : 1;
}

int listCommands() {
  for (auto table : core::allCommandTables()) {
    for (const core::CommandEntry& e : table) {
      std::string_view shown = errorName(e.name);
      std::optional<ArgumentRange> range = argumentRange(e.name);
      std::printf("%.*s\t%.*s\t%s\t%s\n", static_cast<int>(e.name.size()), e.name.data(),
                  static_cast<int>(shown.size()), shown.data(), range ? std::to_string(range->min).c_str() : "",
                  range ? std::to_string(range->max).c_str() : "");
    }
  }
  return 0;
}

}  // namespace check
