#include "check/check_main.h"

#include <cstdio>

#include "check/script_check.h"

namespace check {

int runCheck() {
  std::vector<Finding> findings = checkGame();
  for (const Finding& f : findings) std::printf("%s\n", formatFinding(f).c_str());
  if (findings.empty()) std::printf("no problems found\n");
  else std::printf("%zu problem%s found\n", findings.size(), findings.size() == 1 ? "" : "s");
  return findings.empty() ? 0 : 1;
}

}  // namespace check
