// Frame composition: the drawer table, the scene of sprites and message text, one picture
// through the camera, the full-screen quad, motion blur, the stretch of the stage for the
// scaled full-screen modes, and plain frames drawn only where they changed. Main thread only.
#include "graphics/frame.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "core/error_report.h"
#include "core/interpreter.h"
#include "graphics/camera.h"
#include "graphics/frame_damage.h"
#include "graphics/sprites.h"
#include "platform/clock.h"
#include "platform/display_modes.h"
#include "platform/window.h"

namespace graphics {
namespace {

void plainDrawer(int, int, int) { drawScene(false); }

// The new frame is laid over what the main target kept from the last one with opacity
// strength / 255; the render texture is not cleared either, so it holds the last scene
// under the sprites.
void motionBlurDrawer(int, int, int) {
  bindRenderTarget(RenderTarget::RenderSurface);
  drawScene(false);
  bindRenderTarget(mainTarget());
  drawFullScreenQuad(renderTexture(), motionBlurStrength());
}

struct Frames {
  std::array<FrameDrawerFunction, 4> drawers{plainDrawer, nullptr, nullptr, nullptr};
  bool motionBlur = false;
  int motionBlurStrength = 255;
  std::uint64_t presented = 0;
  std::uint64_t drawnInPart = 0;
  std::uint64_t statementsAtPresent = ~std::uint64_t{0};  // nothing presented yet
  bool tracePresents = std::getenv("UTSUSHI_TRACE_PRESENTS") != nullptr;
  bool presentForRepaint = false;  // the window system alone asked for this frame (traced as such)
  MessageLayer messageLayer;
  // What the last plain frame drew, and the scratch record of the frame being drawn.
  SceneRecord drawn, drawing;
  std::vector<TextureHandle> changedTextures;
  std::vector<SurfaceRect> damage;
} frames;

bool stretchedMode() {
  const platform::DisplayState& d = platform::displayState();
  return d.fullScreen && (d.fitMode == platform::kFitNoEnlarge || d.fitMode == platform::kFitFillEdges ||
                          d.fitMode == platform::kFitCutEdges);
}

SurfaceRect surfaceRect(const platform::Rect& r) { return {r.left, r.top, r.right, r.bottom}; }

bool isWhole(float v) { return std::fabs(v - std::round(v)) < 1e-3f; }

// Unrotated, unscaled and with its corner on a pixel edge, a picture lands texel for pixel:
// linear filtering would sample every texel at its centre and give exactly what point
// sampling gives, at a good part of the cost on a software rasteriser.
bool landsTexelForPixel(const TextureImage& textures, const TextureImage& props) {
  if (props.rotX != 0 || props.rotY != 0 || props.rotZ != 0 || props.scaleX != 1 || props.scaleY != 1) return false;
  const TextureVertex& corner = props.vertices[0][0];
  return isWhole(props.posX + corner.x * static_cast<float>(textures.tileSpanWidth) / 2) &&
         isWhole(props.posY - corner.y * static_cast<float>(textures.tileSpanHeight) / 2);
}

// The picture drawScene draws for slot n: false when it draws none. `textures` gives the
// tiles, `props` the vertices and properties.
bool scenePicture(int n, bool useStaged, bool windowShown, const TextureImage*& textures, const TextureImage*& props) {
  SpriteSlot& slot = *spriteSlot(n);
  textures = slot.shown();
  props = textures;
  if (useStaged && slot.flags != 0 && slot.fadeLevel == 0) {
    if (slot.flags & kClearAtCommit) return false;  // gone in the new stage
    props = slot.staged();
    // Properties only: the shown picture's textures under the staged properties.
    if (slot.flags != kStagedProperties) textures = props;
  }
  if (!textures || !props || props->alpha == 0) return false;
  if (props->layer >= 2 && !windowShown) return false;
  return textures->tileCount > 0 && textures->tiles[0] != 0;  // what drawPicture draws
}

// A rectangle of stage pixels, edges as the rasteriser's: [left, right) x [top, bottom).
struct StageArea {
  float left = 0, top = 0, right = 0, bottom = 0;
  bool contains(const StageArea& a) const { return left <= a.left && top <= a.top && right >= a.right && bottom >= a.bottom; }
};

constexpr StageArea kWholeStage{0, 0, platform::kStageWidth, platform::kStageHeight};

// Where `picture` replaces every pixel with a colour of its own: one tile, texel for pixel,
// copied or laid on with full alpha; false when it has no such part. Nothing under that
// area shows, and there the picture needs no blending (alpha 255 blends to the source
// colour exactly).
bool opaqueArea(const TextureImage& picture, StageArea& area) {
  if (picture.tileCount != 1 || picture.blendMode > 1 || !landsTexelForPixel(picture, picture)) return false;
  const auto& q = picture.vertices[0];
  const float spanX = static_cast<float>(picture.tileSpanWidth) / 2, spanY = static_cast<float>(picture.tileSpanHeight) / 2;
  // The layout's quad: the whole texture, corners in strip order.
  if (q[0].u != 0 || q[0].v != 0 || q[3].u != 1 || q[3].v != 1 || q[1].x != q[0].x || q[2].y != q[0].y ||
      q[3].x != q[2].x || q[3].y != q[1].y || q[1].u != 0 || q[1].v != 1 || q[2].u != 1 || q[2].v != 0)
    return false;
  if (picture.blendMode == 1) {
    if (!picture.opaque || picture.alpha != 255) return false;
    for (const TextureVertex& v : q)
      if ((v.diffuse >> 24) != 0xFF) return false;
  }
  area.left = picture.posX + q[0].x * spanX;
  area.top = picture.posY - q[0].y * spanY;
  // Beyond the picture's own width and height the texture is transparent padding.
  area.right = area.left + std::min(static_cast<float>(picture.width), (q[3].x - q[0].x) * spanX);
  area.bottom = area.top + std::min(static_cast<float>(picture.height), (q[0].y - q[3].y) * spanY);
  return true;
}

// True when `picture` replaces every stage pixel: the frame owes nothing to the last one.
bool hidesStage(const TextureImage& picture) {
  StageArea area;
  return opaqueArea(picture, area) && area.contains(kWholeStage);
}

// The stage pixels `picture` may touch (its transparent padding included), as far as the
// stage shows them; the whole stage for a turned or scaled picture, whose corners go
// through the camera.
StageArea reachedArea(const TextureImage& textures, const TextureImage& props) {
  if (props.rotX != 0 || props.rotY != 0 || props.rotZ != 0 || props.scaleX != 1 || props.scaleY != 1) return kWholeStage;
  const float spanX = static_cast<float>(textures.tileSpanWidth) / 2, spanY = static_cast<float>(textures.tileSpanHeight) / 2;
  StageArea a{kWholeStage.right, kWholeStage.bottom, kWholeStage.left, kWholeStage.top};
  for (int i = 0; i < textures.tileCount && i < static_cast<int>(props.vertices.size()); ++i) {
    for (const TextureVertex& v : props.vertices[static_cast<std::size_t>(i)]) {
      const float x = props.posX + v.x * spanX, y = props.posY - v.y * spanY;
      a.left = std::min(a.left, std::floor(x));
      a.right = std::max(a.right, std::ceil(x));
      a.top = std::min(a.top, std::floor(y));
      a.bottom = std::max(a.bottom, std::ceil(y));
    }
  }
  return {std::max(a.left, kWholeStage.left), std::max(a.top, kWholeStage.top), std::min(a.right, kWholeStage.right),
          std::min(a.bottom, kWholeStage.bottom)};
}

bool messageWindowShown() {
  const MessageLayer& message = frames.messageLayer;
  return !message.shown || message.shown();
}

// The first picture the plain frame draws, when it hides the whole stage.
const TextureImage* stageCover(bool useStaged) {
  const bool windowShown = messageWindowShown();
  for (int n : drawOrder()) {
    const TextureImage* textures = nullptr;
    const TextureImage* props = nullptr;
    if (!scenePicture(n, useStaged, windowShown, textures, props)) continue;
    return textures == props && hidesStage(*props) ? props : nullptr;
  }
  return nullptr;
}

// True when the plain frame drawn straight into the window gives the pixels it gives in the
// stage surface. The window's rows run the other way: a picture placed between pixels or
// turned is rasterised and filtered from the other side, and its edge rows and filtered
// texels may come out a step apart. Pictures laid texel for pixel come out the same.
bool windowShowsStagePixels() {
  const bool windowShown = messageWindowShown();
  for (int n : drawOrder()) {
    const TextureImage* textures = nullptr;
    const TextureImage* props = nullptr;
    if (scenePicture(n, false, windowShown, textures, props) && !landsTexelForPixel(*textures, *props)) return false;
  }
  return true;
}

// What the plain frame is about to draw, into `scene`.
void recordScene(SceneRecord& scene) {
  const MessageLayer& message = frames.messageLayer;
  const bool windowShown = messageWindowShown();
  scene.valid = true;
  scene.pictures.clear();
  for (int n : drawOrder()) {
    const TextureImage* textures = nullptr;
    const TextureImage* props = nullptr;
    if (scenePicture(n, false, windowShown, textures, props)) recordPicture(scene, n, *textures, *props);
  }
  scene.messageShown = windowShown;
  scene.messageKnown = !message.draw || message.revision;
  scene.messageRevision = message.revision ? message.revision() : 0;
}

// A plain frame under a picture that hides the stage depends on nothing but the scene, so
// where the scene is as it was the stage already holds the right pixels: only the damaged
// rectangles are drawn again. True when the frame was drawn that way; false leaves the
// whole frame to the caller.
bool drawDamagedAreas(bool tracked) {
  bool overflow = false;
  takeChangedTextures(frames.changedTextures, overflow);
  if (!tracked) {
    frames.drawn.valid = false;
    return false;
  }
  recordScene(frames.drawing);
  const bool partial = stageHoldsPresentedFrame() &&
                       stageDamage(frames.drawn, frames.drawing, frames.changedTextures, overflow, frames.damage);
  std::swap(frames.drawn, frames.drawing);
  if (!partial) return false;
  bindRenderTarget(mainTarget());
  for (const SurfaceRect& area : frames.damage) {
    setStageScissor(&area);
    drawScene(false);
  }
  setStageScissor(nullptr);
  ++frames.drawnInPart;
  return true;
}

void drawPictureWithBlend(const TextureImage& textures, const TextureImage& props, unsigned blendPreset) {
  if (textures.tileCount <= 0 || textures.tiles[0] == 0) return;
  setLinearFiltering(!landsTexelForPixel(textures, props));
  setBlendPreset(blendPreset);
  if (props.colourOp != 0) setTintStage(props.colourOp, props.colourFactor);
  drawPictureTiles(textures, props, pictureTransform(textures, props));
}

}  // namespace

SpriteSight spriteSight(int n) {
  SpriteSlot* slot = spriteSlot(n);
  const std::set<int>& order = drawOrder();
  if (!slot || !order.contains(n)) return SpriteSight::Hidden;
  const TextureImage* shown = slot->shown();
  if (!shown || shown->tileCount <= 0 || shown->tiles[0] == 0) return SpriteSight::Hidden;
  const bool windowShown = messageWindowShown();
  if (shown->layer >= 2 && !windowShown) return SpriteSight::Hidden;
  if (shown->alpha == 0) return SpriteSight::Transparent;
  const StageArea reached = reachedArea(*shown, *shown);
  if (reached.left >= reached.right || reached.top >= reached.bottom) return SpriteSight::Covered;  // off the stage
  for (auto it = order.upper_bound(n); it != order.end(); ++it) {
    const TextureImage* textures = nullptr;
    const TextureImage* props = nullptr;
    if (!scenePicture(*it, false, windowShown, textures, props) || textures != props) continue;
    StageArea cover;
    if (opaqueArea(*props, cover) && cover.contains(reached)) return SpriteSight::Covered;
  }
  return SpriteSight::Seen;
}

bool motionBlurOn() { return frames.motionBlur; }
int motionBlurStrength() { return frames.motionBlurStrength; }

void setMotionBlur(bool on, int strength) {
  frames.motionBlur = on;
  frames.motionBlurStrength = strength & 0xFF;
  frames.drawers[kDrawPlain] = on ? motionBlurDrawer : plainDrawer;
}

void setFrameDrawer(int index, FrameDrawerFunction drawer) {
  if (index > kDrawPlain && index < static_cast<int>(frames.drawers.size())) frames.drawers[index] = drawer;
}

int presentDrawnFrame(FrameDrawerFunction draw, int elapsed, int duration, int accel) {
  if (!hasDevice()) return 1;
  const bool stretched = stretchedMode();
  setStretchedMainTarget(stretched);
  setDrawingStageFrame(true);
  const bool covered = !stretched && draw == plainDrawer && stageCover(false);
  if (!drawDamagedAreas(covered)) {
    // The plain frame under a picture that hides the stage goes straight into the window.
    if (covered && windowShowsStagePixels()) beginWindowFrame();
    bindRenderTarget(mainTarget());
    draw(elapsed, duration, accel);
  }
  if (stretched) {
    const platform::DisplayState& d = platform::displayState();
    bindRenderTarget(RenderTarget::BackBuffer);
    const std::uint32_t code = stretchRect(RenderTarget::BackSurface, surfaceRect(d.source[d.fitMode]),
                                           RenderTarget::BackBuffer, surfaceRect(d.destination[d.fitMode]),
                                           stretchFilter());
    bindRenderTarget(mainTarget());
    if (code != 0) {
      setDrawingStageFrame(false);
      core::reportCommandError("StretchRect " + d3dErrorName(code));
      return 0;
    }
  }
  const int result = presentFrame();
  setDrawingStageFrame(false);
  ++frames.presented;
  frames.statementsAtPresent = core::interpreter().statementsRun;
  if (frames.tracePresents)
    std::fprintf(stderr, "present %u%s\n", static_cast<unsigned>(platform::tickMs() - platform::startTickMs()),
                 frames.presentForRepaint ? " repaint" : "");
  return result;
}

namespace {

int drawAndPresent(int drawer, int elapsed, int duration, int accel) {
  FrameDrawerFunction draw = drawer >= 0 && drawer < static_cast<int>(frames.drawers.size()) ? frames.drawers[drawer]
                                                                                            : nullptr;
  if (!draw) draw = frames.drawers[kDrawPlain];
  return presentDrawnFrame(draw, elapsed, duration, accel);
}

}  // namespace

int renderFrame(int drawer, int elapsed, int duration, int accel) {
  // Animations are part of the script's timeline: they run even when nothing is drawn.
  updateAnimations();
  return drawAndPresent(drawer, elapsed, duration, accel);
}

void waitFrame(bool changed, int drawer, int elapsed, int duration) {
  const bool animated = updateAnimations();
  if (!hasDevice()) return;
  const bool repaint = platform::takeRepaintRequest();
  const bool scriptRan = core::interpreter().statementsRun != frames.statementsAtPresent;
  if (changed || animated || repaint || scriptRan) {
    // An expose or a late "shown" from a busy X server may come at any tick: tests tell such
    // frames from the ones the stage asked for.
    frames.presentForRepaint = repaint && !changed && !animated && !scriptRan;
    drawAndPresent(drawer, elapsed, duration, 0);
    frames.presentForRepaint = false;
  } else if (platform::isVirtualClock()) {
    paceFrame();
  }
}

std::uint64_t presentedFrames() { return frames.presented; }
std::uint64_t framesDrawnInPart() { return frames.drawnInPart; }
void drawWholeNextFrame() { frames.drawn.valid = false; }

void setMessageLayer(const MessageLayer& layer) { frames.messageLayer = layer; }

void drawScene(bool useStaged) {
  const MessageLayer& message = frames.messageLayer;
  const bool windowShown = messageWindowShown();
  const TextureImage* cover = stageCover(useStaged);
  for (int n : drawOrder()) {
    const TextureImage* textures = nullptr;
    const TextureImage* props = nullptr;
    if (!scenePicture(n, useStaged, windowShown, textures, props)) continue;
    if (props == cover) {
      // Every pixel it lays on is opaque: copying gives the same pixels without reading
      // the target, which is most of the cost of a full-stage picture on a software
      // rasteriser.
      drawPictureWithBlend(*textures, *props, 0);
      continue;
    }
    drawPicture(*textures, *props);
  }
  // The message text lies over every sprite; a hidden window keeps its glyphs for later.
  if (windowShown && message.draw) message.draw();
}

void drawPicture(const TextureImage& textures, const TextureImage& props) {
  drawPictureWithBlend(textures, props, props.blendMode);
}

void drawFullScreenQuad(TextureHandle texture, int alpha) {
  setBlendPreset(1);
  setLinearFiltering(false);
  drawStageTextureQuad(texture, (static_cast<std::uint32_t>(alpha & 0xFF) << 24) | 0xFFFFFF);
}

}  // namespace graphics
