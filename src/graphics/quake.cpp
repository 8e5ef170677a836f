// The shakes: quake.x/y/xy move every layer-0 picture, sp.qx/qy/qxy one sprite. Each blocks
// like print, drawing frames until its cycles are over, the reader cancels it or the
// window closes. Main thread only.
#include <cstdlib>
#include <utility>
#include <vector>

#include "core/command_support.h"
#include "core/interpreter.h"
#include "graphics/frame.h"
#include "graphics/reading_modes.h"
#include "graphics/sprite_commands.h"
#include "graphics/wait_loop.h"
#include "platform/clock.h"
#include "platform/keys.h"

namespace graphics {
namespace {

using platform::kKeyControl, platform::kKeyReturn;

struct QuakeRequest {
  int slot = -1;  // -1: every layer-0 picture
  bool twoAxis = false;
  int amplitudeX = 0, amplitudeY = 0;
  int period = 0, count = 1;
};

// The eased share of the offset at t ms into a cycle: rises over a quarter period and falls
// back over the next, so each half swing starts and ends at rest.
double strengthAt(int t, int quarter) {
  int q = t % quarter;
  if ((t / quarter) % 2 == 1) q = quarter - q;
  const double r = 1.0 - static_cast<double>(q) / quarter;
  return 1.0 - r * r;
}

int randomOffset(int amplitude) { return amplitude != 0 ? std::rand() % amplitude - amplitude / 2 : 0; }

// True when the reader cancels the shake with this message.
bool cancelsQuake(platform::WindowMessage& msg) {
  const platform::MessageKind kind = msg.kind;
  msg.kind = platform::MessageKind::None;
  if (!readingModes().effectCancel) return false;
  if (kind == platform::MessageKind::KeyDown && (msg.key == kKeyReturn || msg.key == kKeyControl)) return true;
  return kind == platform::MessageKind::LButtonUp;
}

void runQuake(const QuakeRequest& q) {
  // The pictures that shake, each with the position it returns to.
  struct Shaken {
    TextureImage* image;
    float x, y;
  };
  std::vector<Shaken> shaken;
  for (int n : drawOrder()) {
    if (q.slot >= 0 && n != q.slot) continue;
    TextureImage* image = spriteSlot(n)->shown();
    if (image && image->layer == 0) shaken.push_back({image, image->posX, image->posY});
  }

  const int half = q.period / 2, quarter = q.period / 4;
  const std::uint32_t start = platform::tickMs();
  const std::int64_t total = static_cast<std::int64_t>(q.period) * q.count;
  int offsetX = q.amplitudeX, offsetY = q.amplitudeY;
  int lastParity = -1;
  auto before = [&] {
    const std::int64_t elapsed = static_cast<std::uint32_t>(platform::tickMs() - start);
    return elapsed >= total ? WaitStep::Done : WaitStep::Continue;
  };
  auto step = [&](WaitPass& pass) {
    if (cancelsQuake(pass.message)) return WaitStep::Done;
    const std::int64_t elapsed = static_cast<std::uint32_t>(pass.now - start);
    if (elapsed >= total) return WaitStep::Done;
    const int t = static_cast<int>(elapsed % q.period);
    const int parity = (t / half) % 2;
    if (q.twoAxis) {
      if (parity != lastParity) {
        offsetX = randomOffset(q.amplitudeX);
        offsetY = randomOffset(q.amplitudeY);
      }
    } else {
      offsetX = parity == 0 ? q.amplitudeX : -q.amplitudeX;
      offsetY = parity == 0 ? q.amplitudeY : -q.amplitudeY;
    }
    lastParity = parity;
    const double factor = strengthAt(t, quarter);
    for (const Shaken& s : shaken) {
      s.image->posX = s.x + static_cast<float>(factor * offsetX);
      s.image->posY = s.y + static_cast<float>(factor * offsetY);
    }
    pass.changed = true;
    pass.dueInMs = 0;  // moves every frame
    return WaitStep::Continue;
  };
  waitLoop(step, {before});
  for (const Shaken& s : shaken) {
    s.image->posX = s.x;
    s.image->posY = s.y;
  }
  renderFrame();
}

// Reads the arguments: [n,] amplitude(s), period [, count]. False after reporting.
bool readQuake(const core::Arguments& call, bool withSlot, bool twoAxis, bool horizontal, QuakeRequest& q) {
  core::Arguments args;
  if (!core::readArgumentsLate(call, args)) return false;
  std::size_t i = 0;
  if (withSlot) {
    if (!slotArgument(args.number(0))) return false;
    q.slot = args.number(i++);
  }
  q.twoAxis = twoAxis;
  if (twoAxis) {
    q.amplitudeX = args.number(i++);
    q.amplitudeY = args.number(i++);
  } else {
    (horizontal ? q.amplitudeX : q.amplitudeY) = args.number(i++);
  }
  // A period under 4 ms has no quarter to ease over (and would divide by zero).
  if (args.number(i) < 4) {
    core::reportArgumentFault(core::ArgumentFault::BadValue, static_cast<int>(i) + 1);
    return false;
  }
  q.period = args.number(i++);
  q.count = args.number(i, 1);
  return true;
}

void quake(const core::Arguments& args, bool withSlot, bool twoAxis, bool horizontal) {
  if (effectsSkipped()) return;  // not even the arguments are looked at
  QuakeRequest q;
  if (!readQuake(args, withSlot, twoAxis, horizontal, q)) return;
  if (q.count > 0) runQuake(q);
}

void cmdQuakeX(const core::Arguments& a) { quake(a, false, false, true); }
void cmdQuakeY(const core::Arguments& a) { quake(a, false, false, false); }
void cmdQuakeXy(const core::Arguments& a) { quake(a, false, true, true); }
void cmdSpQx(const core::Arguments& a) { quake(a, true, false, true); }
void cmdSpQy(const core::Arguments& a) { quake(a, true, false, false); }
void cmdSpQxy(const core::Arguments& a) { quake(a, true, true, true); }

constexpr core::CommandEntry kQuakeCommands[] = {
    // [n,] amplitude or two, period [, count]; read by the handler, because when effects are
    // skipped not even the arguments are evaluated
    {"quake.x", cmdQuakeX, nullptr, "n n [n]", core::ArgumentReading::ByHandler}, {"quake.y", cmdQuakeY, nullptr, "n n [n]", core::ArgumentReading::ByHandler}, {"quake.xy", cmdQuakeXy, nullptr, "n n n [n]", core::ArgumentReading::ByHandler},
    {"sp.qx", cmdSpQx, nullptr, "n n n [n]", core::ArgumentReading::ByHandler},     {"sp.qy", cmdSpQy, nullptr, "n n n [n]", core::ArgumentReading::ByHandler},     {"sp.qxy", cmdSpQxy, nullptr, "n n n n [n]", core::ArgumentReading::ByHandler},
};

}  // namespace

std::span<const core::CommandEntry> quakeCommands() { return kQuakeCommands; }

}  // namespace graphics
