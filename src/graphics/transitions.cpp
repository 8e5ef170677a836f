// print and the transition state. The immediate form commits the staged sprites and draws
// the new stage once; the timed kinds (named, cross-fade, rule) plug their frame drawers
// into renderFrame's table.
#include "graphics/transitions.h"

#include <string>
#include <vector>

#include "core/command_support.h"
#include "core/error_report.h"
#include "graphics/frame.h"
#include "graphics/sprite_commands.h"
#include "platform/cp932.h"

namespace graphics {
namespace {

constexpr int kTypeImmediate = 1, kTypeFade = 3, kTypeRule = 4;  // 2 is the named kind
constexpr int kMaxGradation = 512;

struct Transitions {
  int gradation = 0;
} transitions;

void cmdPrint(std::string_view args) {
  core::setCommandName("print");
  const std::vector<core::ScriptValue> v = core::evaluateArguments(args);
  if (v.empty()) {
    commitSprites();  // drawn with the next frame
    return;
  }
  if (!core::checkArgumentCount(v, 1, 4)) return;
  if (!core::needNumber(v, 0)) return;
  if (v.size() > 1 && !core::needNumber(v, 1)) return;
  if (v.size() > 2 && !core::needString(v, 2)) return;
  if (v.size() > 3 && !core::needNumber(v, 3)) return;
  int type = v[0].toInt();
  const int gradation = v.size() > 3 ? v[3].toInt() : 1;
  if (gradation < 0 || gradation > kMaxGradation) {
    core::reportCommandError(platform::jp("グラデーション値の範囲が不正です"));
    return;
  }
  if (type < kTypeImmediate || type > kTypeRule) return;
  const std::string name = v.size() > 2 ? v[2].text : std::string();
  if (type == kTypeFade && !name.empty()) type = kTypeRule;

  // Immediate path (type 1, skip mode, fast display, EffectSkip). The timed kinds are not
  // drawn yet: until they are, every kind ends here, so a script that asks for a transition
  // still reaches its new stage.
  commitSprites();
  renderFrame(kDrawPlain);
}

constexpr core::CommandEntry kPrintCommands[] = {{"print", cmdPrint}};

}  // namespace

int transitionGradation() { return transitions.gradation; }
void resetTransitionGradation() { transitions.gradation = 0; }

std::span<const core::CommandEntry> printCommands() { return kPrintCommands; }

}  // namespace graphics
