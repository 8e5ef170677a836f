// print and its transitions. The immediate form commits the staged sprites and draws the
// new stage once; the timed kinds (named, cross-fade, rule) draw the old and the new stage
// in every frame and combine them, on the engine clock, until the time is up, the reader
// cancels, or the window closes. Main thread only.
#include "graphics/transitions.h"

#include <optional>
#include <string>
#include <vector>

#include "core/command_support.h"
#include "core/error_report.h"
#include "graphics/frame.h"
#include "graphics/reading_modes.h"
#include "graphics/sprite_commands.h"
#include "graphics/sprites.h"
#include "graphics/transition_plans.h"
#include "graphics/wait_loop.h"
#include "image/image_loader.h"
#include "platform/clock.h"
#include "platform/cp932.h"
#include "platform/window.h"

namespace graphics {
namespace {

constexpr int kTypeImmediate = 1, kTypeNamed = 2, kTypeFade = 3, kTypeRule = 4;
constexpr int kMaxGradation = 512;
constexpr int kKeyReturn = 13, kKeyControl = 17;

struct Transitions {
  int gradation = 0;
  const NamedTransition* named = nullptr;  // found by the last successful look-up
  bool drawersInstalled = false;
} transitions;

void reportTargetFailure(const char* prefix, std::uint32_t code) {
  core::reportCommandError(std::string(prefix) + d3dErrorName(code));
}

// Draws `picture` into the bound target: a stage, or black.
void drawStagePicture(StagePicture picture) {
  if (picture == StagePicture::Black) clearRenderTarget(0xFF000000);
  else drawScene(picture == StagePicture::New);
}

// The whole stage (the render texture) as a card turned about its pivot, through the
// picture camera. The record borrows the render texture and gives it back unreleased.
void drawCard(const CardTurn& turn) {
  TextureImage card;
  card.width = card.texWidth = card.tileTexWidth[0] = card.tileSpanWidth = platform::kStageWidth;
  card.height = card.texHeight = card.tileTexHeight[0] = card.tileSpanHeight = platform::kStageHeight;
  card.tilesAcross = card.tilesDown = card.tileCount = 1;
  card.alpha = 255;
  card.blendMode = 1;
  card.scaleX = card.scaleY = 1;
  card.pivotX = turn.pivotX;
  card.pivotY = turn.pivotY;
  card.posX = turn.pivotX * platform::kStageWidth / 2;
  card.posY = turn.pivotY * platform::kStageHeight / 2;
  (turn.axis == 0 ? card.rotX : turn.axis == 1 ? card.rotY : card.rotZ) = turn.angle;
  float u = 1, v = 1;
  stageTextureCoordinates(u, v);
  const float left = -turn.pivotX, top = turn.pivotY;
  card.vertices[0] = {{{left, top, 0, 0xFFFFFFFF, 0, 0, 0, 0},
                       {left, top - 2, 0, 0xFFFFFFFF, 0, v, 0, v},
                       {left + 2, top, 0, 0xFFFFFFFF, u, 0, u, 0},
                       {left + 2, top - 2, 0, 0xFFFFFFFF, u, v, u, v}}};
  card.tiles[0] = renderTexture();
  drawPicture(card, card);
  card.tiles[0] = 0;
}

// Drawer 1: the plan of the current name for this moment.
void namedDrawer(int elapsed, int duration, int accel) {
  if (!transitions.named) {
    drawScene(false);
    return;
  }
  const TransitionPlan plan = planNamedFrame(*transitions.named, elapsed, duration, accel);
  const RenderTarget main = mainTarget();
  drawStagePicture(plan.background);
  for (int i = 0; i < plan.passCount; ++i) {
    const PlanPass& pass = plan.passes[i];
    if (std::uint32_t code = setRenderTarget(RenderTarget::RenderSurface)) {
      reportTargetFailure(pass.card ? "SetRenderTarget Rotate 1 " : "SetRenderTarget Stretch 1 ", code);
      bindRenderTarget(main);
      return;
    }
    drawStagePicture(pass.picture);
    if (std::uint32_t code = setRenderTarget(main)) {
      reportTargetFailure("SetRenderTarget Stretch 2 ", code);
      return;
    }
    if (pass.card) {
      drawCard(pass.turn);
      continue;
    }
    const int filter = pass.stretched ? stretchFilter() : 0;
    for (int c = 0; c < pass.copyCount; ++c)
      stretchRect(RenderTarget::RenderSurface, pass.copies[c].from, main, pass.copies[c].to, filter);
  }
}

// The old stage stays in the main target, the new one goes into the render surface.
// False after a reported failure (the frame is left as it is).
bool drawBothStages(const char* firstStep, const char* secondStep) {
  drawScene(false);
  const RenderTarget main = mainTarget();
  if (std::uint32_t code = setRenderTarget(RenderTarget::RenderSurface)) {
    reportTargetFailure(firstStep, code);
    bindRenderTarget(main);
    return false;
  }
  drawScene(true);
  if (std::uint32_t code = setRenderTarget(main)) {
    reportTargetFailure(secondStep, code);
    return false;
  }
  return true;
}

// Drawer 2: the new stage over the old one with one opacity.
void fadeDrawer(int elapsed, int duration, int accel) {
  if (!drawBothStages("SetRenderTarget Fade 1 ", "SetRenderTarget Fade 2 ")) return;
  drawFullScreenQuad(renderTexture(), easeValue(255, elapsed, duration, accel));
}

// Drawer 3: the new stage over the old one with an opacity per pixel from the rule picture.
void ruleDrawer(int elapsed, int duration, int accel) {
  if (!drawBothStages("SetRenderTarget Stage 1 ", "SetRenderTarget Stage 2 ")) return;
  const int g = transitions.gradation;
  drawRuleQuad(renderTexture(), easeValue(g + 255, elapsed, duration, accel), g);
}

void installDrawers() {
  if (transitions.drawersInstalled) return;
  setFrameDrawer(kDrawNamedTransition, namedDrawer);
  setFrameDrawer(kDrawFade, fadeDrawer);
  setFrameDrawer(kDrawRule, ruleDrawer);
  transitions.drawersInstalled = true;
}

// The rule picture's blue channel for the stage's 800 x 600 pixels. A picture of another
// size is stretched over the stage by nearest sampling: every stage pixel takes the blue
// value of one pixel inside the picture, so its pattern covers the whole screen and
// nothing outside it is read.
void uploadRulePicture(const image::PixelImage& picture) {
  constexpr int W = platform::kStageWidth, H = platform::kStageHeight;
  if (!hasDevice()) return;
  std::vector<std::uint8_t> blue(static_cast<std::size_t>(W) * H);
  for (int y = 0; y < H; ++y) {
    const std::uint8_t* src = picture.row(static_cast<int>(static_cast<std::int64_t>(y) * picture.height / H));
    std::uint8_t* dst = blue.data() + static_cast<std::size_t>(y) * W;
    for (int x = 0; x < W; ++x) dst[x] = src[static_cast<std::size_t>(static_cast<std::int64_t>(x) * picture.width / W) * 4];
  }
  uploadRuleBlue(blue.data());
}

// The start operation of each kind; false when the transition does not run.
bool startOperation(int type, const std::string& name) {
  if (type == kTypeNamed) {
    const NamedTransition* found = findNamedTransition(name);
    if (!found) {
      core::reportCommandError(name + platform::jp(" 存在しないエフェクトです"));
      return false;
    }
    transitions.named = found;
    return true;
  }
  if (type == kTypeRule) {
    std::optional<image::PixelImage> picture = image::loadImage(name);  // reports its own failure
    if (!picture || !image::holdsPixels(*picture)) return false;
    uploadRulePicture(*picture);
  }
  return true;
}

void finishTransition() {
  commitSprites();
  renderFrame(kDrawPlain);
}

// True when the reader cancels the transition with this message, which is consumed.
bool cancelsTransition(platform::WindowMessage& msg) {
  const platform::MessageKind kind = msg.kind;
  msg.kind = platform::MessageKind::None;
  if (!readingModes().effectCancel) return false;
  if (kind == platform::MessageKind::KeyDown) return msg.key == kKeyReturn || msg.key == kKeyControl;
  return kind == platform::MessageKind::LButtonUp;
}

// Frames until the time is up, the reader cancels or the window closes; then the commit
// and the plain frame, except after a close (nothing is committed).
void runTransition(int drawer, int duration) {
  const std::uint32_t start = platform::tickMs();
  auto elapsedAt = [start](std::uint32_t now) { return static_cast<std::int64_t>(static_cast<std::uint32_t>(now - start)); };
  auto before = [&] { return elapsedAt(platform::tickMs()) >= duration ? WaitStep::Done : WaitStep::Continue; };
  auto step = [&](WaitPass& pass) {
    if (cancelsTransition(pass.message)) return WaitStep::Done;
    const std::int64_t elapsed = elapsedAt(pass.now);
    if (elapsed >= duration) return WaitStep::Done;
    pass.changed = true;
    pass.dueInMs = 0;  // every frame differs
    pass.drawer = drawer;
    pass.elapsed = static_cast<int>(elapsed);
    pass.duration = duration;
    return WaitStep::Continue;
  };
  if (waitLoop(step, {before}) == WaitEnd::Quit) return;
  finishTransition();
}

void cmdPrint(const core::Arguments& v) {
  if (v.size() == 0) {
    commitSprites();  // drawn with the next frame
    return;
  }
  int type = v.number(0);
  const int duration = v.number(1);
  const int gradation = v.number(3, 1);
  if (gradation < 0 || gradation > kMaxGradation) {
    core::reportCommandError(platform::jp("グラデーション値の範囲が不正です"));
    return;
  }
  if (type < kTypeImmediate || type > kTypeRule) return;
  const std::string name = v.string(2);
  if (type == kTypeFade && !name.empty()) type = kTypeRule;

  if (type == kTypeImmediate || effectsSkipped()) {
    finishTransition();
    return;
  }
  if (!startTransition(type, name, gradation)) return;  // the staged sprites stay staged
  runTransition(type - 1, duration);
}

constexpr core::CommandEntry kPrintCommands[] = {{"print", cmdPrint, nullptr, "[n] [n] [P] [n]"}};

}  // namespace

bool startTransition(int type, const std::string& name, int gradation) {
  installDrawers();
  transitions.gradation = gradation;
  return startOperation(type, name);
}

int transitionGradation() { return transitions.gradation; }
void resetTransitionGradation() { transitions.gradation = 0; }

std::span<const core::CommandEntry> printCommands() { return kPrintCommands; }

}  // namespace graphics
