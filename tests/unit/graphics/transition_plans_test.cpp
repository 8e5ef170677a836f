// The named transitions' arithmetic without a device: the table, the end states of every
// name (played out on a stage of picture labels), the direction each name moves in, and
// the rectangles of the examples worked out here from the easing formula.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>
#include <vector>

#include "graphics/sprites.h"
#include "graphics/transition_plans.h"

namespace {

using graphics::StagePicture;
using graphics::TransitionPlan;

constexpr int W = 800, H = 600;

int e(int range, int u, int duration) { return static_cast<int>(static_cast<long long>(range) * u / duration); }

// The stage after a plan, as which picture each pixel shows. The render surface holds one
// picture whole, so a copy lands that picture's label on its destination. A card counts as
// covering the stage when flat (a multiple of 360 degrees) and as nothing when edge-on.
std::vector<StagePicture> playOut(const TransitionPlan& plan) {
  std::vector<StagePicture> stage(static_cast<std::size_t>(W) * H, plan.background);
  for (int i = 0; i < plan.passCount; ++i) {
    const graphics::PlanPass& p = plan.passes[i];
    if (p.card) {
      const double a = std::fmod(std::fabs(p.turn.angle), 360.0);
      if (a == 0) std::fill(stage.begin(), stage.end(), p.picture);
      else EXPECT_EQ(std::fmod(a, 180.0), 90.0) << "a card neither flat nor edge-on at an end";
      continue;
    }
    for (int c = 0; c < p.copyCount; ++c) {
      const graphics::SurfaceRect& r = p.copies[c].to;
      for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x) stage[static_cast<std::size_t>(y) * W + x] = p.picture;
    }
  }
  return stage;
}

bool all(const std::vector<StagePicture>& stage, StagePicture p) {
  for (StagePicture s : stage)
    if (s != p) return false;
  return true;
}

TEST(TransitionPlans, TableHoldsThe152NamesInOrderAndMatchesExactly) {
  const auto names = graphics::namedTransitions();
  ASSERT_EQ(names.size(), 152u);
  std::set<std::string> unique;
  for (const auto& n : names) {
    unique.emplace(n.name);
    ASSERT_EQ(graphics::findNamedTransition(n.name), &n);
  }
  EXPECT_EQ(unique.size(), 152u);
  EXPECT_EQ(names[0].name, "irisup");
  EXPECT_EQ(names[67].name, "scaleoutleftright");
  EXPECT_EQ(names[68].name, "rotateinplusccx");
  EXPECT_EQ(names[71].name, "rotateoutminusccx");
  EXPECT_EQ(names[123].name, "rotateoutminusrdz");
  EXPECT_EQ(names[124].name, "rotateplusccx");
  EXPECT_EQ(names[151].name, "rotateminusrcz");
  EXPECT_EQ(graphics::findNamedTransition("IrisUp"), nullptr);
  EXPECT_EQ(graphics::findNamedTransition("irisup "), nullptr);
  EXPECT_EQ(graphics::findNamedTransition(""), nullptr);
}

TEST(TransitionPlans, EveryNameStartsOnTheOldStageAndEndsOnTheNewOne) {
  for (const auto& n : graphics::namedTransitions()) {
    SCOPED_TRACE(std::string(n.name));
    EXPECT_TRUE(all(playOut(graphics::planNamedFrame(n, 0, 1000, 0)), StagePicture::Old));
    EXPECT_TRUE(all(playOut(graphics::planNamedFrame(n, 1000, 1000, 0)), StagePicture::New));
  }
}

// The direction a name's suffix names: -1 left/up, +1 right/down per axis.
bool suffixDirection(const std::string& name, int& dx, int& dy) {
  static const std::pair<const char*, std::pair<int, int>> kSuffixes[] = {
      {"leftup", {-1, -1}}, {"rightup", {1, -1}}, {"leftdown", {-1, 1}}, {"rightdown", {1, 1}},
      {"updown", {0, 0}},   {"leftright", {0, 0}}, {"up", {0, -1}},      {"down", {0, 1}},
      {"left", {-1, 0}},    {"right", {1, 0}}};
  for (const auto& [suffix, d] : kSuffixes) {
    const std::string s(suffix);
    if (name.size() > s.size() && name.compare(name.size() - s.size(), s.size(), s) == 0) {
      dx = d.first;
      dy = d.second;
      return dx != 0 || dy != 0;
    }
  }
  return false;
}

// Centre of the area the last pass covers (the moving picture, or the new one of scroll).
bool movingCentre(const TransitionPlan& plan, double& cx, double& cy) {
  const graphics::PlanPass& p = plan.passes[plan.passCount - 1];
  double area = 0, sx = 0, sy = 0;
  for (int c = 0; c < p.copyCount; ++c) {
    const graphics::SurfaceRect& r = p.copies[c].to;
    const double a = static_cast<double>(r.right - r.left) * (r.bottom - r.top);
    area += a;
    sx += a * (r.left + r.right) / 2;
    sy += a * (r.top + r.bottom) / 2;
  }
  if (area == 0) return false;
  cx = sx / area;
  cy = sy / area;
  return true;
}

TEST(TransitionPlans, TheMovingPictureTravelsTheNamedWay) {
  int checked = 0;
  for (const auto& n : graphics::namedTransitions()) {
    const std::string name(n.name);
    int dx = 0, dy = 0;
    if (name.starts_with("rotate") || !suffixDirection(name, dx, dy)) continue;
    SCOPED_TRACE(name);
    double x1, y1, x2, y2;
    ASSERT_TRUE(movingCentre(graphics::planNamedFrame(n, 250, 1000, 0), x1, y1));
    ASSERT_TRUE(movingCentre(graphics::planNamedFrame(n, 750, 1000, 0), x2, y2));
    if (dx != 0) EXPECT_GT((x2 - x1) * dx, 0);
    else EXPECT_EQ(x2, x1);
    if (dy != 0) EXPECT_GT((y2 - y1) * dy, 0);
    else EXPECT_EQ(y2, y1);
    ++checked;
  }
  EXPECT_EQ(checked, 56);  // every side and corner name of the rectangle families
}

graphics::SurfaceRect rect(int l, int t, int r, int b) { return {l, t, r, b}; }
bool same(const graphics::SurfaceRect& a, const graphics::SurfaceRect& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

TransitionPlan plan(const char* name, int t, int d = 1000) {
  const auto* n = graphics::findNamedTransition(name);
  EXPECT_NE(n, nullptr) << name;
  return graphics::planNamedFrame(*n, t, d, 0);
}

TEST(TransitionPlans, RectanglesFollowTheEasedSizes) {
  const int t = 370, d = 1000, r = d - t;
  {  // irisup: rows e(H, R)..H of the new stage, in place
    const TransitionPlan p = plan("irisup", t, d);
    EXPECT_EQ(p.background, StagePicture::Old);
    ASSERT_EQ(p.passes[0].copyCount, 1);
    EXPECT_TRUE(same(p.passes[0].copies[0].to, rect(0, e(H, r, d), W, H)));
    EXPECT_TRUE(same(p.passes[0].copies[0].from, p.passes[0].copies[0].to));
  }
  {  // irisoutleftup: the old stage's x 0..e(W, R), y 0..e(H, R) over the new one
    const TransitionPlan p = plan("irisoutleftup", t, d);
    EXPECT_EQ(p.background, StagePicture::New);
    EXPECT_EQ(p.passes[0].picture, StagePicture::Old);
    EXPECT_TRUE(same(p.passes[0].copies[0].to, rect(0, 0, e(W, r, d), e(H, r, d))));
  }
  {  // slideinup: new rows 0..e(H, t) to rows H - e(H, t)..H
    const TransitionPlan p = plan("slideinup", t, d);
    const int s = e(H, t, d);
    EXPECT_TRUE(same(p.passes[0].copies[0].from, rect(0, 0, W, s)));
    EXPECT_TRUE(same(p.passes[0].copies[0].to, rect(0, H - s, W, H)));
  }
  {  // slideinleftup: both axes at once
    const TransitionPlan p = plan("slideinleftup", t, d);
    const int sx = e(W, t, d), sy = e(H, t, d);
    EXPECT_TRUE(same(p.passes[0].copies[0].from, rect(0, 0, sx, sy)));
    EXPECT_TRUE(same(p.passes[0].copies[0].to, rect(W - sx, H - sy, W, H)));
  }
  {  // irisinupdown: the old stage's band of (D - t) x H / D rows around the centre line
    const TransitionPlan p = plan("irisinupdown", t, d);
    const int b = r * H / d;
    EXPECT_EQ(p.passes[0].picture, StagePicture::Old);
    EXPECT_TRUE(same(p.passes[0].copies[0].to, rect(0, (H - b) / 2, W, (H - b) / 2 + b)));
  }
  {  // slideoutupdown: the old halves move apart
    const TransitionPlan p = plan("slideoutupdown", t, d);
    const int h = e(H / 2, t, d);
    ASSERT_EQ(p.passes[0].copyCount, 2);
    EXPECT_TRUE(same(p.passes[0].copies[0].from, rect(0, h, W, H / 2)));
    EXPECT_TRUE(same(p.passes[0].copies[0].to, rect(0, 0, W, H / 2 - h)));
    EXPECT_TRUE(same(p.passes[0].copies[1].to, rect(0, H / 2 + h, W, H)));
  }
  {  // scrollleft: the old stage pushed left by e(W, t), the new one following
    const TransitionPlan p = plan("scrollleft", t, d);
    const int s = e(W, t, d);
    ASSERT_EQ(p.passCount, 2);
    EXPECT_EQ(p.passes[0].picture, StagePicture::Old);
    EXPECT_TRUE(same(p.passes[0].copies[0].to, rect(0, 0, W - s, H)));
    EXPECT_TRUE(same(p.passes[1].copies[0].from, rect(0, 0, s, H)));
    EXPECT_TRUE(same(p.passes[1].copies[0].to, rect(W - s, 0, W, H)));
  }
  {  // shutterup: 20 slats of 30 rows, each covering slatEnd - e(30, t)..slatEnd
    const TransitionPlan p = plan("shutterup", t, d);
    const int f = e(H / 20, t, d);
    ASSERT_EQ(p.passes[0].copyCount, 20);
    for (int k = 0; k < 20; ++k) EXPECT_TRUE(same(p.passes[0].copies[k].to, rect(0, (k + 1) * 30 - f, W, (k + 1) * 30)));
  }
  {  // curtainup: slat k shows min(30, P - k x 30 / 20) rows once that is positive
    const TransitionPlan p = plan("curtainup", t, d);
    const int progress = t * 30 * 2 / d;
    int n = 0;
    for (int k = 0; k < 20; ++k) {
      const int h = std::min(30, progress - k * 30 / 20);
      if (h <= 0) continue;
      ASSERT_LT(n, p.passes[0].copyCount);
      EXPECT_TRUE(same(p.passes[0].copies[n++].to, rect(0, H - k * 30 - h, W, H - k * 30)));
    }
    EXPECT_EQ(n, p.passes[0].copyCount);
  }
  {  // scaleinup: the whole new stage squeezed into rows e(H, R)..H with the stretch filter
    const TransitionPlan p = plan("scaleinup", t, d);
    EXPECT_TRUE(p.passes[0].stretched);
    EXPECT_TRUE(same(p.passes[0].copies[0].from, rect(0, 0, W, H)));
    EXPECT_TRUE(same(p.passes[0].copies[0].to, rect(0, e(H, r, d), W, H)));
  }
}

TEST(TransitionPlans, RotateNamesTurnTheirCardThroughTheNamedAnglesAndPivots) {
  {
    const TransitionPlan p = plan("rotateinplusluz", 500);
    EXPECT_EQ(p.background, StagePicture::Old);
    EXPECT_EQ(p.passes[0].picture, StagePicture::New);
    EXPECT_FLOAT_EQ(p.passes[0].turn.angle, 315);
    EXPECT_EQ(p.passes[0].turn.axis, 2);
    EXPECT_EQ(p.passes[0].turn.pivotX, 0);
    EXPECT_EQ(p.passes[0].turn.pivotY, 0);
  }
  EXPECT_FLOAT_EQ(plan("rotateinminuscdx", 250).passes[0].turn.angle, 67.5f);
  EXPECT_FLOAT_EQ(plan("rotateoutminusrcy", 250).passes[0].turn.angle, -22.5f);
  {
    const TransitionPlan p = plan("rotateoutplusrcy", 250);
    EXPECT_EQ(p.passes[0].picture, StagePicture::Old);
    EXPECT_EQ(p.passes[0].turn.pivotX, 2);
    EXPECT_EQ(p.passes[0].turn.axis, 1);
  }
  // Centre flip: the old side in the first half, the new side in the second.
  EXPECT_EQ(plan("rotateplusccy", 400).passes[0].picture, StagePicture::Old);
  EXPECT_FLOAT_EQ(plan("rotateplusccy", 400).passes[0].turn.angle, 72);
  EXPECT_EQ(plan("rotateminusccy", 600).passes[0].picture, StagePicture::New);
  EXPECT_FLOAT_EQ(plan("rotateminusccy", 600).passes[0].turn.angle, -288);
  // Edge flip: both sides every frame.
  const TransitionPlan edge = plan("rotatepluslcz", 500);
  ASSERT_EQ(edge.passCount, 2);
  EXPECT_FLOAT_EQ(edge.passes[0].turn.angle, 45);
  EXPECT_FLOAT_EQ(edge.passes[1].turn.angle, 315);
}

}  // namespace
