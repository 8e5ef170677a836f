// Presentation: pacing, frames drawn straight into the window, the blit of the back buffer
// to the window for the others, the presented frame kept for read-back, and back-buffer
// size changes. Main thread only.
//
// After a swap GL leaves the window's back buffer undefined, so nothing is ever read from
// it after a swap, and a frame may only go straight into it when it owes nothing to the
// last one: when its first picture hides the whole stage, every picture lies texel for
// pixel (frame.cpp decides) and the stage is shown unscaled. Such a frame costs one pass
// over the stage instead of two (drawing it off screen, then copying it flipped into the
// window). The stage surface then misses that
// frame, but its draws are kept (a few dozen quads); they are drawn into the back buffer
// only when the frame's pixels are needed: for a read-back, before anything is drawn over
// the back buffer (the frames that build on the last one), and before a texture they read
// changes. Drawing again from the same textures and state gives the same pixels, so every
// read-back sees exactly what the window showed, and a run of such frames (a page waiting,
// a sprite moving over a background) never draws the stage twice.
//
// Otherwise the presented frame stays in the stage surface it came from until something
// else is drawn there; only then (or for a read-back) is it copied aside, so a frame
// followed by the next frame costs no copy.
#include <algorithm>

#include "core/error_report.h"
#include "core/interpreter.h"
#include "graphics/device_gl_state.h"
#include "platform/display_modes.h"
#include "platform/window.h"

namespace graphics {

namespace {
void (*presentObserver)() = nullptr;
}  // namespace

void setPresentObserver(void (*observer)()) { presentObserver = observer; }

using namespace detail;

namespace {

WindowOverlayDrawer overlayDrawer = nullptr;

// A texture and framebuffer that window pictures (the menu) pass through on their way to
// the window; kept between frames, resized when a picture of another size comes.
struct WindowPictureCache {
  GLuint texture = 0, framebuffer = 0;
  int width = 0, height = 0;
  int drawableHeight = 0;  // of the frame being presented
} windowPicture;

// The strip above the stage in a window (and the bar at the top edge in full screen): the
// menu draws itself there; without a menu the strip keeps the menu's background colour.
void drawWindowOverlay(int drawableWidth, int drawableHeight, bool clearStrip) {
  platform::Rect stage = platform::stageRectInWindow();
  glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
  if (clearStrip) {
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, drawableHeight - stage.top, drawableWidth, stage.top);
    glClearColor(0.94f, 0.94f, 0.94f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);
  }
  windowPicture.drawableHeight = drawableHeight;
  if (overlayDrawer) overlayDrawer(drawableWidth, drawableHeight);
}

}  // namespace

void blitPictureToWindow(const image::PixelImage& picture, int x, int y) {
  if (!deviceAlive() || picture.width <= 0 || picture.height <= 0) return;
  WindowPictureCache& c = windowPicture;
  if (!c.texture) {
    glGenTextures(1, &c.texture);
    glGenFramebuffers(1, &c.framebuffer);
  }
  glBindTexture(GL_TEXTURE_2D, c.texture);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  if (c.width != picture.width || c.height != picture.height) {
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, picture.width, picture.height, 0, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV,
                 picture.pixels.data());
    c.width = picture.width;
    c.height = picture.height;
    glBindFramebuffer(GL_READ_FRAMEBUFFER, c.framebuffer);
    glFramebufferTexture2D(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, c.texture, 0);
  } else {
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, picture.width, picture.height, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV,
                    picture.pixels.data());
  }
  glBindFramebuffer(GL_READ_FRAMEBUFFER, c.framebuffer);
  glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
  // The picture's first row is the texture's row 0; the window counts rows from the bottom.
  const int dh = c.drawableHeight;
  glBlitFramebuffer(0, 0, picture.width, picture.height, x, dh - y, x + picture.width, dh - y - picture.height,
                    GL_COLOR_BUFFER_BIT, GL_NEAREST);
}

void setWindowOverlayDrawer(WindowOverlayDrawer drawer) { overlayDrawer = drawer; }

void refreshPacingFromDisplay() {
  Pacing& p = gl().pacing;
  const int limit = deviceSettings().limitFps;
  if (limit > 0) {
    setPacingRate(p, limit);
    return;
  }
  // The display code reduces the refresh rate it set the window up with (60 Hz when the
  // system does not report one) to the same fraction the pacing uses.
  const platform::DisplayState& ds = platform::displayState();
  if (ds.refreshNumerator > 0 && ds.refreshDenominator > 0) {
    p.periodMs = static_cast<std::uint32_t>(ds.refreshNumerator);
    p.stepFrames = static_cast<std::uint32_t>(ds.refreshDenominator);
  } else {
    setPacingRate(p, 0);
  }
}

void paceFrame() {
  GlDevice& d = gl();
  if (!d.alive) return;
  refreshPacingFromDisplay();
  waitForFrame(d.pacing);
}

int msUntilFrameDue() {
  GlDevice& d = gl();
  return d.alive ? framesDueIn(d.pacing) : 0;
}

namespace {

// The stage's place in the window: below the menu strip in a window, the whole screen in
// full screen. Window pixels equal drawable pixels (the window is not high-DPI).
platform::Rect windowStageRect(int drawableWidth, int drawableHeight) {
  platform::Rect r = platform::stageRectInWindow();
  if (r.width() <= 0 || r.height() <= 0) r = platform::Rect{0, 0, drawableWidth, drawableHeight};
  return r;
}

void blitIntoWindow(const Surface& source, const platform::Rect& r, int drawableHeight) {
  glBindFramebuffer(GL_READ_FRAMEBUFFER, source.framebuffer);
  glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
  const bool sameSize = r.width() == source.width && r.height() == source.height;
  // Our rows run top-down, the window's bottom-up: the destination is given upside down.
  glBlitFramebuffer(0, 0, source.width, source.height, r.left, drawableHeight - r.top, r.right,
                    drawableHeight - r.bottom, GL_COLOR_BUFFER_BIT, sameSize ? GL_NEAREST : GL_LINEAR);
}

void swapWindow(int drawableWidth, int drawableHeight, const platform::Rect& r) {
  if (r.top > 0 || overlayDrawer) drawWindowOverlay(drawableWidth, drawableHeight, r.top > 0);
  SDL_GL_SwapWindow(platform::mainSdlWindow());
  // Without a flush some drivers (the offscreen one) queue frames without bound and stall.
  glFlush();
}

// Bound again as it was, without the copy a bind for other drawing makes.
void bindBoundAgain() {
  const Surface* bound = surfaceFor(gl().bound);
  glBindFramebuffer(GL_FRAMEBUFFER, bound->framebuffer);
  glViewport(0, 0, bound->width, bound->height);
}

}  // namespace

void repaintPresentedFrame() {
  GlDevice& d = gl();
  // In the middle of a frame the window's back buffer holds half of it: the frame's own
  // present comes soon enough.
  if (!d.alive || d.toWindow || d.drawingStageFrame) return;
  drawShownFrameIntoStage();
  // Scaled modes keep the finished picture (wallpaper and all) in the back buffer until the
  // next frame; otherwise the frame is in the back buffer unless something drew over it
  // since, and then it was kept aside first.
  const Surface& source = d.stretched || d.presentedIn ? d.backBuffer : d.presented;
  if (!source.framebuffer) return;
  int dw = 0, dh = 0;
  SDL_GL_GetDrawableSize(platform::mainSdlWindow(), &dw, &dh);
  const platform::Rect r = windowStageRect(dw, dh);
  glDisable(GL_SCISSOR_TEST);
  blitIntoWindow(source, r, dh);
  swapWindow(dw, dh, r);
  bindBoundAgain();
  takeGlError();
}

bool beginWindowFrame() {
  GlDevice& d = gl();
  const Surface& back = d.backBuffer;
  if (!d.alive || d.stretched || !back.framebuffer || back.width != platform::kStageWidth ||
      back.height != platform::kStageHeight)
    return false;
  int dw = 0, dh = 0;
  SDL_GL_GetDrawableSize(platform::mainSdlWindow(), &dw, &dh);
  const platform::Rect r = windowStageRect(dw, dh);
  // A stage shown scaled is filtered by the blit from the whole finished stage.
  if (r.width() != back.width || r.height() != back.height) return false;
  d.toWindow = true;
  d.windowStageLeft = r.left;
  d.windowStageBottom = dh - r.bottom;
  d.drawing.clear();
  d.drawingUnrepeatable = false;
  return true;
}

int presentFrame() {
  GlDevice& d = gl();
  if (!d.alive) return 1;
  takeGlError();  // a drawing fault is not the presentation's
  // Bit 1 waits until the GPU has finished the frame; GL offers no scan-line position, so
  // that half of the wait ends at once, as a failing raster query does.
  if (deviceSettings().vsyncWait & 2) glFinish();
  refreshPacingFromDisplay();  // the display mode may have changed since the last frame
  waitForFrame(d.pacing);

  SDL_Window* window = platform::mainSdlWindow();
  int dw = 0, dh = 0;
  SDL_GL_GetDrawableSize(window, &dw, &dh);
  const Surface& back = d.backBuffer;
  const platform::Rect r = windowStageRect(dw, dh);
  const bool direct = d.toWindow;
  if (direct) {
    d.toWindow = false;
    glDisable(GL_SCISSOR_TEST);
    if (d.drawingUnrepeatable) {
      // A texture the frame drew changed before the present: its draws would not give it
      // again. The window's back buffer still holds it until the swap; it goes into the
      // back buffer surface, rows turned back to top-down.
      d.shownOnlyInWindow = false;
      d.shown.clear();
      glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
      glBindFramebuffer(GL_DRAW_FRAMEBUFFER, back.framebuffer);
      glBlitFramebuffer(d.windowStageLeft, d.windowStageBottom, d.windowStageLeft + back.width,
                        d.windowStageBottom + back.height, 0, back.height, back.width, 0, GL_COLOR_BUFFER_BIT,
                        GL_NEAREST);
    } else {
      d.shown.swap(d.drawing);
      d.shownOnlyInWindow = true;
    }
    d.drawing.clear();
  } else {
    // A frame that drew nothing over the back buffer shows what it holds: the last frame.
    if (d.shownOnlyInWindow) drawShownFrameIntoStage();
    blitIntoWindow(back, r, dh);
  }
  swapWindow(dw, dh, r);
  d.presentedIn = d.shownOnlyInWindow ? nullptr : surfaceFor(mainTarget());
  d.stageKept = !d.stretched;
  bindBoundAgain();

  if (presentObserver) presentObserver();
  std::uint32_t code = takeGlError();
  if (code == kD3dOk || code == kD3dErrDeviceLost) return 1;  // a lost context: retry next frame
  core::reportCommandError(failureText("DeviceReset2 ", code));
  core::interpreter().quitRequested = true;
  return 0;
}

bool changeScreenSize(int width, int height, bool skipIfSame) {
  GlDevice& d = gl();
  if (!d.alive) return true;
  if (skipIfSame && width == d.screenWidth && height == d.screenHeight) return true;
  bool ok = false;
  if (width > 0 && height > 0) {
    d.screenWidth = width;
    d.screenHeight = height;
    releaseRenderTargets();
    ok = createRenderTargets();  // reports its own failure
  } else {
    core::showErrorBox(failureText("Screen Change ", kD3dErrInvalidCall));
  }
  if (!ok) {
    // Without surfaces nothing can be shown: end the program as a destroyed window does.
    SDL_Event e{};
    e.type = SDL_QUIT;
    SDL_PushEvent(&e);
  }
  return ok;
}

void backBufferSize(int& width, int& height) {
  const GlDevice& d = gl();
  width = d.alive ? d.screenWidth : platform::kStageWidth;
  height = d.alive ? d.screenHeight : platform::kStageHeight;
}

bool detail::drawsFrom(const std::vector<GlDevice::RecordedDraw>& draws, GLuint texture) {
  return std::any_of(draws.begin(), draws.end(), [texture](const GlDevice::RecordedDraw& r) { return r.texture == texture; });
}

void detail::drawShownFrameIntoStage() {
  GlDevice& d = gl();
  if (!d.shownOnlyInWindow) return;
  d.shownOnlyInWindow = false;
  std::vector<GlDevice::RecordedDraw> draws;
  draws.swap(d.shown);
  const Surface& back = d.backBuffer;
  if (!d.alive || !back.framebuffer) return;
  // The whole frame, whatever limit the drawing that needs it has set.
  const bool scissored = glIsEnabled(GL_SCISSOR_TEST) == GL_TRUE;
  glDisable(GL_SCISSOR_TEST);
  glBindFramebuffer(GL_FRAMEBUFFER, back.framebuffer);
  glViewport(0, 0, back.width, back.height);
  replayDraws(draws);
  if (scissored && !d.toWindow) glEnable(GL_SCISSOR_TEST);
  d.presentedIn = &d.backBuffer;
  bindRenderTarget(d.bound);  // the window again, with its scissor, inside a window frame
}

void detail::beforeTextureChange(GLuint texture) {
  GlDevice& d = gl();
  // Past this many the frame is drawn whole anyway; the list stays short between frames.
  constexpr std::size_t kTrackedChanges = 256;
  if (d.changedTextures.size() < kTrackedChanges)
    d.changedTextures.push_back(texture);
  else
    d.changedTexturesOverflow = true;
  if (d.shownOnlyInWindow && drawsFrom(d.shown, texture)) drawShownFrameIntoStage();
  if (d.toWindow && drawsFrom(d.drawing, texture)) d.drawingUnrepeatable = true;
}

void detail::keepPresentedFrame() {
  GlDevice& d = gl();
  drawShownFrameIntoStage();
  Surface* stage = d.presentedIn;
  d.presentedIn = nullptr;
  if (!d.alive || !stage || !d.presented.framebuffer) return;
  const int sw = std::min(stage->width, platform::kStageWidth), sh = std::min(stage->height, platform::kStageHeight);
  glBindFramebuffer(GL_READ_FRAMEBUFFER, stage->framebuffer);
  glBindFramebuffer(GL_DRAW_FRAMEBUFFER, d.presented.framebuffer);
  glBlitFramebuffer(0, 0, sw, sh, 0, 0, sw, sh, GL_COLOR_BUFFER_BIT, GL_NEAREST);
  const Surface* bound = surfaceFor(d.bound);
  glBindFramebuffer(GL_FRAMEBUFFER, bound->framebuffer);
}

void setDrawingStageFrame(bool drawing) { gl().drawingStageFrame = drawing; }

bool stageHoldsPresentedFrame() {
  const GlDevice& d = gl();
  return d.alive && d.stageKept && !d.stretched;
}

void setStageScissor(const SurfaceRect* area) {
  GlDevice& d = gl();
  if (!d.alive || d.toWindow) return;  // a window frame keeps the scissor of the stage's rectangle
  if (!area) {
    glDisable(GL_SCISSOR_TEST);
    return;
  }
  // Surface rows run top-down from GL row 0, so stage rows are GL rows as they are.
  glScissor(area->left, area->top, area->right - area->left, area->bottom - area->top);
  glEnable(GL_SCISSOR_TEST);
}

void takeChangedTextures(std::vector<TextureHandle>& out, bool& overflow) {
  GlDevice& d = gl();
  out.assign(d.changedTextures.begin(), d.changedTextures.end());
  overflow = d.changedTexturesOverflow;
  d.changedTextures.clear();
  d.changedTexturesOverflow = false;
}

bool readPresentedFrame(image::PixelImage& out) {
  GlDevice& d = gl();
  if (!d.alive || !d.presented.framebuffer) return false;
  keepPresentedFrame();
  out = image::PixelImage{};
  out.width = platform::kStageWidth;
  out.height = platform::kStageHeight;
  out.pixels.resize(static_cast<std::size_t>(out.width) * out.height * 4);
  glBindFramebuffer(GL_READ_FRAMEBUFFER, d.presented.framebuffer);
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  glPixelStorei(GL_PACK_ROW_LENGTH, 0);
  // B,G,R,A words in memory; rows already top-down (see device.h). The surface has no
  // alpha, which reads back as 255.
  glReadPixels(0, 0, out.width, out.height, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, out.pixels.data());
  bindRenderTarget(d.bound);
  return takeGlError() == kD3dOk;
}

}  // namespace graphics
