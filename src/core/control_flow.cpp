// Subroutine calls: the gosub stack of return positions and the files they return to.
#include "core/control_flow.h"

#include <vector>

#include "core/error_report.h"
#include "core/interpreter.h"
#include "platform/cp932.h"

namespace core {
namespace {

struct ReturnPosition {
  int line = 0;
  int statement = 0;
  std::uint32_t fileKey = 0;
};

struct ControlStacks {
  std::vector<ReturnPosition> gosub;  // entries above `gosubDepth` are reused
  int gosubDepth = 0;
} stacks;

}  // namespace

void gosub(std::string_view labelText) {
  const LabelInfo* label = findLabel(labelText);
  if (!label) {
    reportCommandError(std::string(labelText) + platform::jp("ラベルが存在しません"));
    return;
  }
  auto [line, statement] = positionAfterStatement();
  ReturnPosition pos{line, statement, runningFileKey()};
  if (stacks.gosubDepth < static_cast<int>(stacks.gosub.size())) {
    stacks.gosub[static_cast<std::size_t>(stacks.gosubDepth)] = pos;
  } else {
    stacks.gosub.push_back(pos);
  }
  ++stacks.gosubDepth;
  jumpToLabel(labelText);
}

void clearControlStacks() { stacks = ControlStacks{}; }

}  // namespace core
