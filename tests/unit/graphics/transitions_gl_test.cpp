// print's timed transitions on the GL device, checked in screenshots against values worked
// out here from the formulas. Each print reports its start tick (gettimer before it, error
// after it); a screenshot event at T shows the last frame presented by then, which the
// pacing leaves at most one frame period (17 ms at 60 Hz) before T, so each check accepts
// the frame of any one moment in that window and then demands every pixel agree with it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "graphics/engine_game.h"
#include "image/pixel_image.h"

namespace {

using engine_game::readPng;
using engine_game::writePng;

constexpr int W = 800, H = 600, kBase = 100000, kFrameWindow = 20;

int ease(int range, int t, int d) { return static_cast<int>(static_cast<long long>(range) * t / d); }

image::PixelImage paint(int w, int h, const std::function<std::array<int, 3>(int, int)>& rgb) {
  image::PixelImage p;
  p.width = w;
  p.height = h;
  p.bits = 32;
  p.pixels.resize(static_cast<std::size_t>(w) * h * 4);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const auto c = rgb(x, y);
      std::uint8_t* px = p.row(y) + x * 4;
      px[0] = static_cast<std::uint8_t>(c[2]);
      px[1] = static_cast<std::uint8_t>(c[1]);
      px[2] = static_cast<std::uint8_t>(c[0]);
      px[3] = 255;
    }
  return p;
}

int ruleBlue(int x, int y) { return (x * 3 + y * 7) % 256; }
int smallRuleBlue(int x, int y) { return (x * 5 + y * 11) % 256; }  // a 400 x 300 rule
std::array<int, 3> patternA(int x, int y) { return {(x * 3) & 255, (y * 2) & 255, 100}; }
std::array<int, 3> patternB(int x, int y) { return {255 - (y & 127), ((x >> 8) * 60 + 10), x & 255}; }

struct Rgb {
  int r, g, b;
};
Rgb at(const image::PixelImage& img, int x, int y) {
  const std::uint8_t* px = img.row(y) + x * 4;
  return {px[2], px[1], px[0]};
}

class Transitions : public engine_game::EngineGame {
 protected:
  void SetUp() override {
    EngineGame::SetUp();
    writePng(game / "black.png", paint(W, H, [](int, int) { return std::array<int, 3>{0, 0, 0}; }));
    writePng(game / "white.png", paint(W, H, [](int, int) { return std::array<int, 3>{255, 255, 255}; }));
    writePng(game / "a.png", paint(W, H, patternA));
    writePng(game / "b.png", paint(W, H, patternB));
    writePng(game / "rule.png", paint(W, H, [](int x, int y) { return std::array<int, 3>{0, 0, ruleBlue(x, y)}; }));
    writePng(game / "rule_small.png",
             paint(400, 300, [](int x, int y) { return std::array<int, 3>{0, 0, smallRuleBlue(x, y)}; }));
  }

  // The ticks the script reported with error, as ms after the clock's start.
  std::vector<int> starts() {
    std::vector<int> out;
    const std::string text = errors();
    const std::string mark = "\xe2\x80\xbb";  // ※
    for (std::size_t p = text.find(mark); p != std::string::npos; p = text.find(mark, p + 1))
      out.push_back(std::atoi(text.c_str() + p + mark.size()) - kBase);
    return out;
  }

  image::PixelImage shot(const char* name) {
    auto img = readPng(game / name);
    EXPECT_TRUE(img) << name;
    return img ? *img : image::PixelImage{};
  }

  // True when the frame of some moment t in the window before `at` (ms after `start`)
  // passes `check`; `moment` gets that t.
  static bool someMoment(int at, int start, const std::function<bool(int)>& check, int* moment = nullptr) {
    const int last = at - start;
    EXPECT_GT(last, kFrameWindow) << "the screenshot came too early";
    EXPECT_LT(last, 1000) << "the screenshot came after the transition";
    for (int t = last; t >= std::max(0, last - kFrameWindow); --t)
      if (check(t)) {
        if (moment) *moment = t;
        return true;
      }
    return false;
  }
};

// Old stage `from`, new stage `to`, a timed print, its start reported.
std::string timedPrint(const char* from, const char* to, const std::string& print) {
  return std::string("sp 0, \"") + from + "\"\nprint 1\nsp 0, \"" + to + "\"\ngettimer %0\n" + print +
         "\nerror %0\n";
}

TEST_F(Transitions, RuleAlphaFollowsTheIntegerFormulaAtEveryPixelAndTheCrossFadeMixes) {
  const std::string script = "sp 0, \"black.png\"\nsp.b 0, 0\n" +
                             timedPrint("black.png", "white.png", "print 4, 1000, \"rule.png\", 1") +
                             timedPrint("black.png", "white.png", "print 4, 1000, \"rule_small.png\", 256") +
                             timedPrint("black.png", "white.png", "print 4, 1000, \"rule.png\", 0") +
                             timedPrint("a.png", "b.png", "print 3, 1000");
  const std::string input = "450 screenshot " + (game / "g1.png").string() + "\n1650 screenshot " +
                            (game / "g256.png").string() + "\n2300 screenshot " + (game / "g0.png").string() +
                            "\n3500 screenshot " + (game / "fade.png").string() + "\n";
  ASSERT_EQ(run(script, input), 0) << errors();
  const std::vector<int> s = starts();
  ASSERT_EQ(s.size(), 4u) << errors();

  // White over black: every pixel's value is its alpha.
  auto ruleMatches = [](const image::PixelImage& img, int g, int (*blue)(int, int), int t) {
    const int p = ease(g + 255, t, 1000);
    for (int y = 0; y < H; y += 7)
      for (int x = 0; x < W; x += 3) {
        const int b = blue(x, y);
        const int a = g == 0 ? 255 : std::clamp(255 * (p - b) / g, 0, 255);
        const Rgb c = at(img, x, y);
        if (c.r != a || c.g != a || c.b != a) return false;
      }
    return true;
  };
  const image::PixelImage g1 = shot("g1.png");
  int t = 0;
  EXPECT_TRUE(someMoment(450, s[0], [&](int m) { return ruleMatches(g1, 1, ruleBlue, m); }, &t));
  EXPECT_EQ(at(g1, 0, 0).r, 255);  // blue 0 changes first
  EXPECT_EQ(at(g1, 85, 0).r, 0);   // blue 255 changes last
  // The 400 x 300 rule is stretched over the stage: stage (x, y) reads rule (x / 2, y / 2).
  const image::PixelImage g256 = shot("g256.png");
  EXPECT_TRUE(someMoment(1650, s[1], [&](int m) {
    return ruleMatches(g256, 256, [](int x, int y) { return smallRuleBlue(x / 2, y / 2); }, m);
  }));
  const image::PixelImage g0 = shot("g0.png");
  EXPECT_TRUE(someMoment(2300, s[2], [&](int m) { return ruleMatches(g0, 0, ruleBlue, m); }));

  const image::PixelImage fade = shot("fade.png");
  EXPECT_TRUE(someMoment(3500, s[3], [&](int m) {
    const int a = ease(255, m, 1000);
    for (int y = 0; y < H; y += 13)
      for (int x = 0; x < W; x += 11) {
        const auto o = patternA(x, y), n = patternB(x, y);
        const Rgb c = at(fade, x, y);
        const int got[3] = {c.r, c.g, c.b};
        for (int i = 0; i < 3; ++i)
          if (std::abs(got[i] - (n[i] * a + o[i] * (255 - a)) / 255.0) > 1.01) return false;
      }
    return true;
  }));
}

TEST_F(Transitions, NamedTransitionsCoverTheRowsAndColumnsOfTheirRules) {
  const std::string script = "sp 0, \"black.png\"\nsp.b 0, 0\n" +
                             timedPrint("black.png", "white.png", "print 2, 1000, \"irisup\"") +
                             timedPrint("black.png", "b.png", "print 2, 1000, \"slideinleft\"") +
                             timedPrint("black.png", "white.png", "print 2, 1000, \"shutterdown\"") +
                             timedPrint("black.png", "white.png", "print 2, 1000, \"curtainright\"") +
                             timedPrint("a.png", "b.png", "print 2, 1000, \"rotateinplusccy\"");
  std::string input;
  const char* names[] = {"iris.png", "slide.png", "shutter.png", "curtain.png", "rotate.png"};
  const int times[] = {400, 1500, 2600, 3700, 4800};
  for (int i = 0; i < 5; ++i) input += std::to_string(times[i]) + " screenshot " + (game / names[i]).string() + "\n";
  ASSERT_EQ(run(script, input), 0) << errors();
  const std::vector<int> s = starts();
  ASSERT_EQ(s.size(), 5u) << errors();
  auto white = [](const image::PixelImage& img, int x, int y) {
    const Rgb c = at(img, x, y);
    return c.r == 255 && c.g == 255 && c.b == 255;
  };
  auto black = [](const image::PixelImage& img, int x, int y) {
    const Rgb c = at(img, x, y);
    return c.r == 0 && c.g == 0 && c.b == 0;
  };

  // irisup: rows e(H, R)..H are the new stage.
  const image::PixelImage iris = shot(names[0]);
  EXPECT_TRUE(someMoment(times[0], s[0], [&](int t) {
    const int top = ease(H, 1000 - t, 1000);
    for (int x : {0, 400, 799})
      for (int y = 0; y < H; ++y)
        if (y >= top ? !white(iris, x, y) : !black(iris, x, y)) return false;
    return top > 0 && top < H;
  }));
  // slideinleft: the new stage's columns 0..s arrive at W - s..W.
  const image::PixelImage slide = shot(names[1]);
  EXPECT_TRUE(someMoment(times[1], s[1], [&](int t) {
    const int shift = ease(W, t, 1000);
    for (int y : {0, 123, 599})
      for (int x = 0; x < W; ++x) {
        const Rgb c = at(slide, x, y);
        if (x < W - shift) {
          if (!black(slide, x, y)) return false;
        } else {
          const auto n = patternB(x - (W - shift), y);
          if (c.r != n[0] || c.g != n[1] || c.b != n[2]) return false;
        }
      }
    return true;
  }));
  // shutterdown: each 30-row slat fills e(30, t) rows from its top.
  const image::PixelImage shutter = shot(names[2]);
  EXPECT_TRUE(someMoment(times[2], s[2], [&](int t) {
    const int f = ease(H / 20, t, 1000);
    for (int y = 0; y < H; ++y)
      if ((y % 30) < f ? !white(shutter, 400, y) : !black(shutter, 400, y)) return false;
    return f > 0 && f < 30;
  }));
  // curtainright: slat k (40 columns) shows min(40, P - 2k) columns, P = t x 80 / D.
  const image::PixelImage curtain = shot(names[3]);
  EXPECT_TRUE(someMoment(times[3], s[3], [&](int t) {
    const int progress = t * 80 / 1000;
    for (int x = 0; x < W; ++x) {
      const int k = x / 40, h = std::min(40, progress - k * 40 / 20);
      if ((x % 40) < h ? !white(curtain, x, 300) : !black(curtain, x, 300)) return false;
    }
    return true;
  }));
  // rotateinplusccy at about 3/4 of its time: the new stage turns about the vertical
  // centre line, so the centre column is the new stage and one side still shows the old.
  const image::PixelImage rotate = shot(names[4]);
  auto near = [](const Rgb& c, const std::array<int, 3>& want) {
    return std::abs(c.r - want[0]) <= 6 && std::abs(c.g - want[1]) <= 6 && std::abs(c.b - want[2]) <= 6;
  };
  EXPECT_TRUE(near(at(rotate, 400, 300), patternB(400, 300)));
  EXPECT_NE(near(at(rotate, 2, 300), patternA(2, 300)), near(at(rotate, 797, 300), patternA(797, 300)));
}

TEST_F(Transitions, EveryFamilyEndsOnTheCommittedStageAndCancelJumpsThere) {
  const char* kinds[] = {"print 2, 90, \"irisup\"",          "print 2, 90, \"irisinrightdown\"",
                         "print 2, 90, \"irisoutleftright\"", "print 2, 90, \"slideoutdown\"",
                         "print 2, 90, \"slideinrightup\"",   "print 2, 90, \"slideinupdown\"",
                         "print 2, 90, \"scrollright\"",      "print 2, 90, \"shutterleft\"",
                         "print 2, 90, \"curtainup\"",        "print 2, 90, \"scaleoutleft\"",
                         "print 2, 90, \"scaleinleftdown\"",  "print 2, 90, \"scaleinupdown\"",
                         "print 2, 90, \"rotateinminuscuz\"", "print 2, 90, \"rotateoutplusccy\"",
                         "print 2, 90, \"rotateplusccx\"",    "print 2, 90, \"rotateminusldz\"",
                         "print 3, 90",                       "print 4, 90, \"rule.png\", 64"};
  // First a long print cancelled by a click at 300 ms; then every family in turn.
  std::string script = "sp 0, \"a.png\"\nsp.b 0, 0\nprint 1\nsp 0, \"b.png\"\nresettimer\n"
                       "print 2, 5000, \"irisdown\"\ngettimer %0\nerror %0\n"
                       "getscreenshot 800, 600\nsavescreenshot \"cancel.png\", 1, 24, 1\n";
  int n = 0;
  for (const char* k : kinds) {
    script += std::string("sp 0, \"") + (n % 2 == 0 ? "a.png" : "b.png") + "\"\n" + k + "\n" +
              "getscreenshot 800, 600\nsavescreenshot \"end" + std::to_string(n) + ".png\", 1, 24, 1\n";
    ++n;
  }
  ASSERT_EQ(run(script, "300 click 10 10\n"), 0) << errors();
  const std::vector<int> cancelledAfter = starts();
  ASSERT_EQ(cancelledAfter.size(), 1u) << errors();
  EXPECT_LT(cancelledAfter[0] + kBase, 400);  // gettimer after resettimer: ms the print took

  auto equals = [](const image::PixelImage& img, std::array<int, 3> (*pattern)(int, int)) {
    for (int y = 0; y < H; y += 3)
      for (int x = 0; x < W; x += 3) {
        const Rgb c = at(img, x, y);
        const auto want = pattern(x, y);
        if (c.r != want[0] || c.g != want[1] || c.b != want[2]) return false;
      }
    return true;
  };
  EXPECT_TRUE(equals(shot("cancel.png"), patternB));
  for (int i = 0; i < n; ++i) {
    SCOPED_TRACE(kinds[i]);
    EXPECT_TRUE(equals(shot(("end" + std::to_string(i) + ".png").c_str()), i % 2 == 0 ? patternA : patternB));
  }
}

}  // namespace
