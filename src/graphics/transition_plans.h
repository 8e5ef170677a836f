// The named transitions as plans: for a name and a moment, which stage pictures are drawn,
// which rectangles of them are copied where, or how far a picture card is turned. GL-free,
// so the arithmetic of every name can be checked without a device; the frame drawer of
// transitions.cpp carries a plan out.
#pragma once
#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "graphics/device.h"

namespace graphics {

enum class StagePicture : std::uint8_t { Old, New, Black };

struct RectCopy {
  SurfaceRect from, to;  // from the render surface to the main target
};

// A picture turned about an axis through a pivot on the stage: the whole stage as a card.
struct CardTurn {
  float angle = 0;  // degrees
  int axis = 0;     // 0 x, 1 y, 2 z
  float pivotX = 1, pivotY = 1;  // 0 left/top edge, 1 centre, 2 right/bottom edge
};

constexpr int kMaxPlanCopies = 20;

// One picture drawn into the render surface, then copied by rectangles or turned as a card.
struct PlanPass {
  StagePicture picture = StagePicture::New;
  bool stretched = false;  // the copies scale with the stretch filter
  int copyCount = 0;
  std::array<RectCopy, kMaxPlanCopies> copies{};
  bool card = false;  // drawn as a turned card instead of copies
  CardTurn turn;
};

// What one frame of a named transition draws: `background` into the main target, then
// each pass over it.
struct TransitionPlan {
  StagePicture background = StagePicture::Old;
  int passCount = 0;
  std::array<PlanPass, 2> passes{};
};

// A name of the table; index into the registration order.
struct NamedTransition {
  std::string_view name;
  std::uint16_t index = 0;
};

// Exact, case-sensitive look-up; null for a name not in the table.
const NamedTransition* findNamedTransition(std::string_view name);
// Every name in registration order (152).
std::span<const NamedTransition> namedTransitions();

// The plan of `t` for a frame at `elapsed` ms of `duration` (> 0) with easing `accel`.
TransitionPlan planNamedFrame(const NamedTransition& t, int elapsed, int duration, int accel);

}  // namespace graphics
