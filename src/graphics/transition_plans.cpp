// The 152 named transitions. Every rectangle family is built from one rule per axis: a
// name moves along x, along y or along both, and on an axis it does not move along the
// picture spans the whole stage. So irisup is the iris rule on y and the full stage on x,
// and irisinleftup the same rule on both axes. "in" names end on the new stage and "out"
// names start on the old one; the moving edge travels the way the name says.
#include "graphics/transition_plans.h"

#include <algorithm>
#include <string>
#include <unordered_map>
#include <vector>

#include "graphics/sprites.h"
#include "platform/window.h"

namespace graphics {
namespace {

constexpr int kSlats = 20;

enum class AxisRule : std::uint8_t {
  IrisIn,             // the moving picture is revealed from the far edge toward the direction
  IrisOut,            // the moving picture shrinks toward the direction
  BandGrow,           // a centred band grows (eased)
  BandShrink,         // a centred band shrinks (linear)
  SlideIn,            // the picture moves in, travelling in the direction
  SlideOut,           // the picture moves out, travelling in the direction
  HalvesIn,           // both halves slide in toward the centre line
  HalvesOut,          // both halves slide out from the centre line
  Shutter,            // 20 slats fill at once
  Curtain,            // 20 slats fill one after another
  StretchIn,          // the whole picture squeezed into the IrisIn region
  StretchOut,         // the whole picture squeezed into the IrisOut region
  StretchBandGrow,    // the whole picture squeezed into a growing centred band
  StretchBandShrink,  // the whole picture squeezed into a shrinking centred band
};

enum class Kind : std::uint8_t { Rectangles, Scroll, RotateIn, RotateOut, Flip };

struct Spec {
  Kind kind = Kind::Rectangles;
  AxisRule rule = AxisRule::IrisIn;
  StagePicture moving = StagePicture::New;
  std::int8_t dx = 0, dy = 0;  // direction on each axis: -1 left/up, +1 right/down, 0 none
  bool plus = true;            // rotate: the way the angle runs
  std::int8_t axis = 0;        // rotate: 0 x, 1 y, 2 z
  float pivotX = 1, pivotY = 1;
};

struct RectName {
  const char* name;
  AxisRule rule;
  StagePicture moving;
  std::int8_t dx, dy;
};

constexpr StagePicture N = StagePicture::New, O = StagePicture::Old;
using R = AxisRule;

// The rectangle families in registration order (scroll is listed with its slide rule).
constexpr RectName kRectNames[] = {
    {"irisup", R::IrisIn, N, 0, -1},           {"irisdown", R::IrisIn, N, 0, 1},
    {"irisleft", R::IrisIn, N, -1, 0},         {"irisright", R::IrisIn, N, 1, 0},
    {"irisinleftup", R::IrisIn, N, -1, -1},    {"irisinrightup", R::IrisIn, N, 1, -1},
    {"irisinleftdown", R::IrisIn, N, -1, 1},   {"irisinrightdown", R::IrisIn, N, 1, 1},
    {"irisoutleftup", R::IrisOut, O, -1, -1},  {"irisoutrightup", R::IrisOut, O, 1, -1},
    {"irisoutleftdown", R::IrisOut, O, -1, 1}, {"irisoutrightdown", R::IrisOut, O, 1, 1},
    {"irisinupdown", R::BandShrink, O, 0, 1},  {"irisoutupdown", R::BandGrow, N, 0, 1},
    {"irisinleftright", R::BandShrink, O, 1, 0}, {"irisoutleftright", R::BandGrow, N, 1, 0},
    {"slideinup", R::SlideIn, N, 0, -1},       {"slideindown", R::SlideIn, N, 0, 1},
    {"slideinleft", R::SlideIn, N, -1, 0},     {"slideinright", R::SlideIn, N, 1, 0},
    {"slideoutup", R::SlideOut, O, 0, -1},     {"slideoutdown", R::SlideOut, O, 0, 1},
    {"slideoutleft", R::SlideOut, O, -1, 0},   {"slideoutright", R::SlideOut, O, 1, 0},
    {"slideinleftup", R::SlideIn, N, -1, -1},  {"slideinrightup", R::SlideIn, N, 1, -1},
    {"slideinleftdown", R::SlideIn, N, -1, 1}, {"slideinrightdown", R::SlideIn, N, 1, 1},
    {"slideoutleftup", R::SlideOut, O, -1, -1}, {"slideoutrightup", R::SlideOut, O, 1, -1},
    {"slideoutleftdown", R::SlideOut, O, -1, 1}, {"slideoutrightdown", R::SlideOut, O, 1, 1},
    {"slideinupdown", R::HalvesIn, N, 0, 1},   {"slideoutupdown", R::HalvesOut, O, 0, 1},
    {"slideinleftright", R::HalvesIn, N, 1, 0}, {"slideoutleftright", R::HalvesOut, O, 1, 0},
    {"scrollup", R::SlideIn, N, 0, -1},        {"scrolldown", R::SlideIn, N, 0, 1},
    {"scrollleft", R::SlideIn, N, -1, 0},      {"scrollright", R::SlideIn, N, 1, 0},
    {"shutterup", R::Shutter, N, 0, -1},       {"shutterdown", R::Shutter, N, 0, 1},
    {"shutterleft", R::Shutter, N, -1, 0},     {"shutterright", R::Shutter, N, 1, 0},
    {"curtainup", R::Curtain, N, 0, -1},       {"curtaindown", R::Curtain, N, 0, 1},
    {"curtainleft", R::Curtain, N, -1, 0},     {"curtainright", R::Curtain, N, 1, 0},
    {"scaleinup", R::StretchIn, N, 0, -1},     {"scaleindown", R::StretchIn, N, 0, 1},
    {"scaleinleft", R::StretchIn, N, -1, 0},   {"scaleinright", R::StretchIn, N, 1, 0},
    {"scaleoutup", R::StretchOut, O, 0, -1},   {"scaleoutdown", R::StretchOut, O, 0, 1},
    {"scaleoutleft", R::StretchOut, O, -1, 0}, {"scaleoutright", R::StretchOut, O, 1, 0},
    {"scaleinleftup", R::StretchIn, N, -1, -1}, {"scaleinrightup", R::StretchIn, N, 1, -1},
    {"scaleinleftdown", R::StretchIn, N, -1, 1}, {"scaleinrightdown", R::StretchIn, N, 1, 1},
    {"scaleoutleftup", R::StretchOut, O, -1, -1}, {"scaleoutrightup", R::StretchOut, O, 1, -1},
    {"scaleoutleftdown", R::StretchOut, O, -1, 1}, {"scaleoutrightdown", R::StretchOut, O, 1, 1},
    {"scaleinupdown", R::StretchBandGrow, N, 0, 1}, {"scaleoutupdown", R::StretchBandShrink, O, 0, 1},
    {"scaleinleftright", R::StretchBandGrow, N, 1, 0}, {"scaleoutleftright", R::StretchBandShrink, O, 1, 0},
};

// Pivot (horizontal, vertical) and axis of the rotate names, in their registration orders.
constexpr const char* kRotatePivots[] = {"ccx", "ccy", "cux", "cuz", "cdx", "cdz", "lcy",
                                         "lcz", "rcy", "rcz", "luz", "ruz", "ldz", "rdz"};
constexpr const char* kFlipPivots[] = {"ccx", "ccy", "cux", "cdx", "lcy", "rcy", "luz",
                                       "ldz", "ruz", "rdz", "cuz", "cdz", "lcz", "rcz"};

float pivotFactor(char c) { return c == 'l' || c == 'u' ? 0.0f : c == 'r' || c == 'd' ? 2.0f : 1.0f; }

Spec rotateSpec(Kind kind, bool plus, const char* pivot) {
  Spec s;
  s.kind = kind;
  s.plus = plus;
  s.pivotX = pivotFactor(pivot[0]);
  s.pivotY = pivotFactor(pivot[1]);
  s.axis = static_cast<std::int8_t>(pivot[2] - 'x');
  s.moving = kind == Kind::RotateOut ? O : N;
  return s;
}

struct Table {
  std::vector<std::string> names;
  std::vector<Spec> specs;
  std::vector<NamedTransition> entries;
  std::unordered_map<std::string_view, std::uint16_t> byName;
};

const Table& table() {
  static const Table t = [] {
    Table k;
    auto add = [&k](std::string name, const Spec& spec) {
      k.names.push_back(std::move(name));
      k.specs.push_back(spec);
    };
    for (const RectName& r : kRectNames) {
      Spec s;
      s.kind = std::string_view(r.name).starts_with("scroll") ? Kind::Scroll : Kind::Rectangles;
      s.rule = r.rule;
      s.moving = r.moving;
      s.dx = r.dx;
      s.dy = r.dy;
      add(r.name, s);
    }
    for (const char* p : kRotatePivots) {
      add(std::string("rotateinplus") + p, rotateSpec(Kind::RotateIn, true, p));
      add(std::string("rotateinminus") + p, rotateSpec(Kind::RotateIn, false, p));
      add(std::string("rotateoutplus") + p, rotateSpec(Kind::RotateOut, true, p));
      add(std::string("rotateoutminus") + p, rotateSpec(Kind::RotateOut, false, p));
    }
    for (const char* p : kFlipPivots) {
      add(std::string("rotateplus") + p, rotateSpec(Kind::Flip, true, p));
      add(std::string("rotateminus") + p, rotateSpec(Kind::Flip, false, p));
    }
    // The strings no longer move: the views into them stay valid.
    for (std::size_t i = 0; i < k.names.size(); ++i) {
      k.entries.push_back({k.names[i], static_cast<std::uint16_t>(i)});
      k.byName.emplace(k.names[i], static_cast<std::uint16_t>(i));
    }
    return k;
  }();
  return t;
}

// A stretch of one axis: source [from0, from1) lands on [to0, to1).
struct Segment {
  int from0 = 0, from1 = 0, to0 = 0, to1 = 0;
};

struct AxisMoment {
  int length = 0;  // L: 800 or 600
  int t = 0, duration = 1, accel = 0;
  int e(int range, int u) const { return easeValue(range, u, duration, accel); }
};

Segment same(int a, int b) { return {a, b, a, b}; }
Segment whole(int length, int a, int b) { return {0, length, a, b}; }

// The segments of one axis under `rule` moving in `dir` (never 0 here).
int axisSegments(AxisRule rule, int dir, const AxisMoment& m, std::array<Segment, kSlats>& out) {
  const int L = m.length, t = m.t, D = m.duration, remaining = D - t;
  switch (rule) {
    case R::IrisIn:
    case R::StretchIn: {
      const int c = L - m.e(L, remaining);
      const Segment s = dir < 0 ? same(L - c, L) : same(0, c);
      out[0] = rule == R::IrisIn ? s : whole(L, s.to0, s.to1);
      return 1;
    }
    case R::IrisOut:
    case R::StretchOut: {
      const int k = m.e(L, remaining);
      const Segment s = dir < 0 ? same(0, k) : same(L - k, L);
      out[0] = rule == R::IrisOut ? s : whole(L, s.to0, s.to1);
      return 1;
    }
    case R::BandGrow:
    case R::BandShrink:
    case R::StretchBandGrow:
    case R::StretchBandShrink: {
      const bool grows = rule == R::BandGrow || rule == R::StretchBandGrow;
      const int b = grows ? m.e(L, t)
                    : rule == R::BandShrink ? static_cast<int>(static_cast<std::int64_t>(remaining) * L / D)
                                            : m.e(L, remaining);
      const int o = (L - b) / 2;
      out[0] = rule == R::BandGrow || rule == R::BandShrink ? same(o, o + b) : whole(L, o, o + b);
      return 1;
    }
    case R::SlideIn: {
      const int s = m.e(L, t);
      out[0] = dir < 0 ? Segment{0, s, L - s, L} : Segment{L - s, L, 0, s};
      return 1;
    }
    case R::SlideOut: {
      const int s = m.e(L, t);
      out[0] = dir < 0 ? Segment{s, L, 0, L - s} : Segment{0, L - s, s, L};
      return 1;
    }
    case R::HalvesIn: {
      const int half = L / 2, h = m.e(half, t);
      out[0] = {half - h, half, 0, h};
      out[1] = {half, half + h, L - h, L};
      return 2;
    }
    case R::HalvesOut: {
      const int half = L / 2, h = m.e(half, t);
      out[0] = {h, half, 0, half - h};
      out[1] = {half, L - h, half + h, L};
      return 2;
    }
    case R::Shutter: {
      const int s = L / kSlats, f = m.e(s, t);
      for (int k = 0; k < kSlats; ++k) out[k] = dir < 0 ? same((k + 1) * s - f, (k + 1) * s) : same(k * s, k * s + f);
      return kSlats;
    }
    case R::Curtain: {
      const int s = L / kSlats;
      const int progress = static_cast<int>(static_cast<std::int64_t>(t) * s * 2 / D);
      int n = 0;
      for (int k = 0; k < kSlats; ++k) {
        const int h = std::min(s, progress - k * s / kSlats);
        if (h <= 0) continue;
        out[n++] = dir < 0 ? same(L - k * s - h, L - k * s) : same(k * s, k * s + h);
      }
      return n;
    }
  }
  return 0;
}

int segmentsFor(AxisRule rule, int dir, const AxisMoment& m, std::array<Segment, kSlats>& out) {
  if (dir == 0) {
    out[0] = same(0, m.length);
    return 1;
  }
  return axisSegments(rule, dir, m, out);
}

void addCopies(PlanPass& pass, AxisRule rule, int dx, int dy, int t, int duration, int accel) {
  std::array<Segment, kSlats> xs{}, ys{};
  const int nx = segmentsFor(rule, dx, {platform::kStageWidth, t, duration, accel}, xs);
  const int ny = segmentsFor(rule, dy, {platform::kStageHeight, t, duration, accel}, ys);
  for (int i = 0; i < nx; ++i)
    for (int j = 0; j < ny; ++j) {
      const Segment& x = xs[i];
      const Segment& y = ys[j];
      if (x.from1 <= x.from0 || x.to1 <= x.to0 || y.from1 <= y.from0 || y.to1 <= y.to0) continue;
      if (pass.copyCount == kMaxPlanCopies) return;
      pass.copies[pass.copyCount++] = {{x.from0, y.from0, x.from1, y.from1}, {x.to0, y.to0, x.to1, y.to1}};
    }
}

bool isStretch(AxisRule r) {
  return r == R::StretchIn || r == R::StretchOut || r == R::StretchBandGrow || r == R::StretchBandShrink;
}

PlanPass cardPass(StagePicture picture, const Spec& s, float angle) {
  PlanPass p;
  p.picture = picture;
  p.card = true;
  p.turn = {s.plus ? angle : -angle, s.axis, s.pivotX, s.pivotY};
  return p;
}

}  // namespace

const NamedTransition* findNamedTransition(std::string_view name) {
  const Table& t = table();
  auto it = t.byName.find(name);
  return it == t.byName.end() ? nullptr : &t.entries[it->second];
}

std::span<const NamedTransition> namedTransitions() { return table().entries; }

TransitionPlan planNamedFrame(const NamedTransition& named, int elapsed, int duration, int accel) {
  const Spec& s = table().specs.at(named.index);
  if (duration <= 0) duration = 1;
  const int t = std::clamp(elapsed, 0, duration);
  TransitionPlan plan;
  switch (s.kind) {
    case Kind::Rectangles: {
      plan.background = s.moving == N ? O : N;
      PlanPass& p = plan.passes[plan.passCount++];
      p.picture = s.moving;
      p.stretched = isStretch(s.rule);
      addCopies(p, s.rule, s.dx, s.dy, t, duration, accel);
      break;
    }
    case Kind::Scroll: {
      // The old picture is pushed out and the new one follows it by the same amount; the
      // two cover the stage between them.
      plan.background = StagePicture::Black;
      PlanPass& out = plan.passes[plan.passCount++];
      out.picture = O;
      addCopies(out, R::SlideOut, s.dx, s.dy, t, duration, accel);
      PlanPass& in = plan.passes[plan.passCount++];
      in.picture = N;
      addCopies(in, R::SlideIn, s.dx, s.dy, t, duration, accel);
      break;
    }
    case Kind::RotateIn: {
      plan.background = O;
      const float f = easeValueFloat(90, static_cast<float>(t), static_cast<float>(duration), accel);
      // plus: 270 up to 360; minus: 90 down to 0 (the sign is applied by cardPass).
      plan.passes[plan.passCount++] = cardPass(N, s, s.plus ? 270 + f : -(90 - f));
      break;
    }
    case Kind::RotateOut: {
      plan.background = N;
      const float f = easeValueFloat(90, static_cast<float>(t), static_cast<float>(duration), accel);
      plan.passes[plan.passCount++] = cardPass(O, s, f);
      break;
    }
    case Kind::Flip: {
      plan.background = StagePicture::Black;
      const float ft = static_cast<float>(t), fd = static_cast<float>(duration);
      if (s.pivotX == 1 && s.pivotY == 1) {
        // A card flip about the centre: the old side turns away, then the new side turns in.
        const float angle = ft * 180 / fd;
        plan.passes[plan.passCount++] = t * 2 < duration ? cardPass(O, s, angle) : cardPass(N, s, angle + 180);
      } else {
        plan.passes[plan.passCount++] = cardPass(O, s, ft * 90 / fd);
        plan.passes[plan.passCount++] = cardPass(N, s, ft * 90 / fd + 270);
      }
      break;
    }
  }
  return plan;
}

}  // namespace graphics
