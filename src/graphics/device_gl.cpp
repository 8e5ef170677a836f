// The device's life on OpenGL 3.3 core (through libepoxy) on the SDL main window: creation
// with the capability report, the five fixed surfaces as framebuffer objects and textures,
// render-target selection, and the settings the device reads. Main thread only.
//
// Direct3D step names survive in the failure messages because authors know them; each GL
// failure is reported under the step it stands in for with the nearest Direct3D result name.
#include <cassert>
#include <cfloat>
#include <cstdio>
#include <cstring>

#include "core/error_report.h"
#include "graphics/device_gl_state.h"
#include "image/screenshot.h"
#include "platform/options.h"
#include "platform/window.h"

namespace graphics {
namespace detail {
namespace {

GlDevice device;
DeviceSettings settings;

bool isSoftwareRenderer(const char* renderer) {
  if (!renderer) return false;
  for (const char* name : {"llvmpipe", "softpipe", "swrast", "Software Rasterizer", "SWR"})
    if (std::strstr(renderer, name)) return true;
  return false;
}

void parseShadingVersion(int& major, int& minor) {
  major = minor = 0;
  const char* v = reinterpret_cast<const char*>(glGetString(GL_SHADING_LANGUAGE_VERSION));
  if (v) std::sscanf(v, "%d.%d", &major, &minor);
}

int glInt(GLenum name) {
  GLint v = 0;
  glGetIntegerv(name, &v);
  return v;
}

Capabilities queryCapabilities(bool software, bool canWaitForSync) {
  Capabilities c;
  c.screenFormat = device.screenFormat;
  c.deviceType = software ? 2 : 1;
  c.intervalOne = canWaitForSync;
  c.hwTransformAndLight = !software;
  c.blendOp = device.blendOp;
  c.addressMirrorOnce = epoxy_gl_version() >= 44 || epoxy_has_gl_extension("GL_ARB_texture_mirror_clamp_to_edge") ||
                        epoxy_has_gl_extension("GL_EXT_texture_mirror_clamp");
  // GL sets no rule on texture sizes beyond the maximum, and no repeat limit of its own.
  c.maxTextureWidth = c.maxTextureHeight = c.maxTextureRepeat = device.maxTextureSize;
  c.maxTextureBlendStages = glInt(GL_MAX_TEXTURE_IMAGE_UNITS);
  c.maxSimultaneousTextures = glInt(GL_MAX_TEXTURE_IMAGE_UNITS);
  parseShadingVersion(c.vertexShaderMajor, c.vertexShaderMinor);
  c.pixelShaderMajor = c.vertexShaderMajor;
  c.pixelShaderMinor = c.vertexShaderMinor;
  c.maxVertexShaderConst = glInt(GL_MAX_VERTEX_UNIFORM_VECTORS);
  c.pixelShader1xMaxValue = FLT_MAX;  // fragments compute in single-precision floats
  c.numSimultaneousRts = glInt(GL_MAX_DRAW_BUFFERS);
  c.vertexTextureFilter = glInt(GL_MAX_VERTEX_TEXTURE_IMAGE_UNITS) > 0;
  return c;
}

void deleteSurface(Surface& s) {
  if (s.framebuffer) glDeleteFramebuffers(1, &s.framebuffer);
  if (s.renderbuffer) glDeleteRenderbuffers(1, &s.renderbuffer);
  if (s.texture) glDeleteTextures(1, &s.texture);
  s = Surface{};
}

// A framebuffer of width x height whose colour lives in a renderbuffer, or in a texture
// when `asTexture` (the render texture is sampled by transitions).
bool makeSurface(Surface& s, int width, int height, GLenum format, bool asTexture, std::uint32_t& code) {
  takeGlError();
  s.width = width;
  s.height = height;
  glGenFramebuffers(1, &s.framebuffer);
  glBindFramebuffer(GL_FRAMEBUFFER, s.framebuffer);
  if (asTexture) {
    glGenTextures(1, &s.texture);
    glBindTexture(GL_TEXTURE_2D, s.texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(format), width, height, 0, GL_RGB, GL_UNSIGNED_BYTE, nullptr);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, s.texture, 0);
  } else {
    glGenRenderbuffers(1, &s.renderbuffer);
    glBindRenderbuffer(GL_RENDERBUFFER, s.renderbuffer);
    glRenderbufferStorage(GL_RENDERBUFFER, format, width, height);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, s.renderbuffer);
  }
  code = takeGlError();
  if (code == kD3dOk) {
    GLenum status = glCheckFramebufferStatus(GL_FRAMEBUFFER);
    if (status != GL_FRAMEBUFFER_COMPLETE) code = d3dCodeFromGlError(status);
  }
  if (code != kD3dOk) {
    deleteSurface(s);
    return false;
  }
  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  return true;
}

GLenum screenColourFormat() { return device.sixteenBit ? GL_RGB565 : GL_RGB8; }

void fail(const char* prefix, std::uint32_t code) { core::showErrorBox(failureText(prefix, code)); }

void destroyContext() {
  destroyDrawingState();
  deleteSurface(device.presented);
  device.presentedIn = nullptr;
  device.toWindow = device.shownOnlyInWindow = device.drawingUnrepeatable = false;
  device.drawing.clear();
  device.shown.clear();
  device.alive = false;
  if (device.context) SDL_GL_DeleteContext(device.context);
  device.context = nullptr;
}

}  // namespace

GlDevice& gl() { return device; }

std::uint32_t takeGlError() {
  std::uint32_t first = kD3dOk;
  // A lost context can report forever: look at a bounded number of errors.
  for (int i = 0; i < 32; ++i) {
    GLenum e = glGetError();
    if (e == GL_NO_ERROR) break;
    if (first == kD3dOk) first = d3dCodeFromGlError(e);
  }
  return first;
}

bool deviceAlive() { return device.alive; }
int deviceMaxTextureSize() { return device.maxTextureSize; }
bool deviceBlendOpCapability() { return device.blendOp; }
void overrideBlendOpCapability(bool available) { device.blendOp = available; }

Surface* surfaceFor(RenderTarget target) {
  switch (target) {
    case RenderTarget::BackBuffer: return &device.backBuffer;
    case RenderTarget::BackSurface: return &device.backSurface;
    case RenderTarget::RenderSurface: return &device.renderSurface;
  }
  return nullptr;
}

Surface* boundSurface() {
  return device.toWindow && device.bound == RenderTarget::BackBuffer ? nullptr : surfaceFor(device.bound);
}

}  // namespace detail

using namespace detail;

const DeviceSettings& deviceSettings() { return settings; }
void setMaxTextureSize(int value) { settings.maxTextureSize = value; }
void setFixationTexturePow2(int value) { settings.fixationTexturePow2 = value; }
void setFixationTextureSquare(int value) { settings.fixationTextureSquare = value; }
void setVSyncWait(int value) {
  settings.vsyncWait = value;
  if (device.alive) SDL_GL_SetSwapInterval(value & 1);
}
void setLimitFps(int value) {
  settings.limitFps = value;
  refreshPacingFromDisplay();
}

bool hasDevice() { return device.alive; }

bool initDevice() {
  refreshPacingFromDisplay();
  if (platform::options().videoNone) return true;
  if (device.alive) return true;

  SDL_Window* window = platform::mainSdlWindow();
  if (!window) {
    core::showErrorBox("Direct3DCreate9");
    return false;
  }
  SDL_DisplayMode desktop{};
  int display = SDL_GetWindowDisplayIndex(window);
  if (SDL_GetDesktopDisplayMode(display < 0 ? 0 : display, &desktop) != 0) {
    fail("GetAdapterDisplayMode ", kD3dErrNotAvailable);
    return false;
  }
  device.context = SDL_GL_CreateContext(window);
  if (!device.context || SDL_GL_MakeCurrent(window, device.context) != 0) {
    fail("GetDeviceCaps ", kD3dErrNotAvailable);
    destroyContext();
    return false;
  }

  // Colour depth of the desktop decides the screen format; drivers that do not tell count
  // as 32-bit.
  const int bits = static_cast<int>(SDL_BITSPERPIXEL(desktop.format));
  device.screenFormat = 0;
  device.sixteenBit = false;
  if (bits == 0 || bits >= 24) {
    device.screenFormat = 22;
  } else if (bits == 15 || bits == 16) {
    device.screenFormat = 23;
    device.sixteenBit = true;
  } else {
    core::showErrorBox("Change Color 16bit or 32bit");
  }
  if (!epoxy_is_desktop_gl() || epoxy_gl_version() < 33) {
    fail(device.sixteenBit ? "CheckDeviceType 16bit " : "CheckDeviceType 32bit ", kD3dErrNotAvailable);
    destroyContext();
    return false;
  }

  const char* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
  const bool software = isSoftwareRenderer(renderer);
  device.maxTextureSize = glInt(GL_MAX_TEXTURE_SIZE);
  device.blendOp = true;       // REVERSE_SUBTRACT, MIN and MAX are core since GL 1.4
  device.stretchFilter = 2;    // framebuffer blits filter linearly
  device.screenWidth = platform::kStageWidth;
  device.screenHeight = platform::kStageHeight;
  const bool canWaitForSync = SDL_GL_SetSwapInterval(1) == 0;
  appendInformation(formatCapabilityReport(queryCapabilities(software, canWaitForSync)));

  device.alive = true;
  std::uint32_t code = kD3dOk;
  if (!createDrawingState(code) ||
      !makeSurface(device.presented, platform::kStageWidth, platform::kStageHeight, GL_RGB8, false, code)) {
    fail("CreateDevice ", code);
    destroyContext();
    return false;
  }
  SDL_GL_SetSwapInterval(settings.vsyncWait & 1);
  appendInformation(software ? "D3DDEVTYPE_REF D3DCREATE_SOFTWARE_VERTEXPROCESSING\n"
                             : "D3DDEVTYPE_HAL D3DCREATE_HARDWARE_VERTEXPROCESSING\n");
  device.pacing = Pacing{};
  refreshPacingFromDisplay();
  return true;
}

bool createRenderTargets() {
  if (!device.alive) return true;
  releaseRenderTargets();  // a second call must not leak the first set
  const int w = device.screenWidth, h = device.screenHeight;
  std::uint32_t code = kD3dOk;
  if (!makeSurface(device.backBuffer, w, h, screenColourFormat(), false, code)) {
    fail("GetBackBuffer g_pBackBuffer ", code);
    return false;
  }
  if (!makeSurface(device.backSurface, w, h, screenColourFormat(), false, code)) {
    fail("CreateRenderTarget g_pBackSurface ", code);
    return false;
  }
  // The render texture and its surface are one framebuffer with a texture behind it; a
  // failure of the texture is reported as its creation, of the framebuffer as its surface.
  takeGlError();
  if (!makeSurface(device.renderSurface, w, h, screenColourFormat(), true, code)) {
    fail(code == kD3dErrNotAvailable ? "GetSurfaceLevel g_pRenderSurface " : "CreateTexture g_pRenderTexture ", code);
    return false;
  }
  device.ruleTexture = createTileTexture(w, h, nullptr, 0, 0, 0, code);
  if (!device.ruleTexture) {
    fail("CreateTexture g_pTexture ", code);
    return false;
  }
  applyDefaultDrawingState();
  bindRenderTarget(mainTarget());
  clearRenderTarget(0xFF000000);
  return true;
}

void releaseRenderTargets() {
  if (!device.alive) return;
  keepPresentedFrame();  // the surfaces go; the presented frame stays readable
  device.stageKept = false;
  deleteTexture(device.ruleTexture);
  deleteSurface(device.renderSurface);  // g_pRenderSurface with g_pRenderTexture
  deleteSurface(device.backBuffer);
  deleteSurface(device.backSurface);
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
}

bool startDevice() {
  if (!initDevice()) return false;
  if (createRenderTargets()) {
    image::setFrameReader(readPresentedFrame, d3dErrorName(kD3dErrInvalidCall));
    return true;
  }
  shutDownDevice();
  return false;
}

void shutDownDevice() {
  if (!device.alive) return;
  releaseRenderTargets();
  destroyContext();
}

void setStretchedMainTarget(bool stretched) { device.stretched = stretched; }
RenderTarget mainTarget() { return device.stretched ? RenderTarget::BackSurface : RenderTarget::BackBuffer; }

void bindRenderTarget(RenderTarget target) {
  device.bound = target;
  if (!device.alive) return;
  Surface* s = boundSurface();
  if (!s) {
    // The stage's rectangle of the window, the same size as the back buffer. The scissor
    // keeps the parts of a picture beyond the stage out of the menu strip.
    const Surface& back = device.backBuffer;
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glViewport(device.windowStageLeft, device.windowStageBottom, back.width, back.height);
    glScissor(device.windowStageLeft, device.windowStageBottom, back.width, back.height);
    glEnable(GL_SCISSOR_TEST);
    return;
  }
  if (device.toWindow) glDisable(GL_SCISSOR_TEST);
  glBindFramebuffer(GL_FRAMEBUFFER, s->framebuffer);
  glViewport(0, 0, s->width, s->height);
}

std::uint32_t setRenderTarget(RenderTarget target) {
  bindRenderTarget(target);
  if (!device.alive) return kD3dOk;
  const GLenum status = glCheckFramebufferStatus(GL_FRAMEBUFFER);
  return status == GL_FRAMEBUFFER_COMPLETE ? kD3dOk : d3dCodeFromGlError(status);
}

void clearRenderTarget(std::uint32_t argb) {
  if (!device.alive) return;
  assert(boundSurface() && "a frame drawn into the window is made of recorded quads only");
  beforeDrawingInto(boundSurface());
  glClearColor(((argb >> 16) & 0xFF) / 255.0f, ((argb >> 8) & 0xFF) / 255.0f, (argb & 0xFF) / 255.0f,
               ((argb >> 24) & 0xFF) / 255.0f);
  glClear(GL_COLOR_BUFFER_BIT);
}

int stretchFilter() { return device.stretchFilter; }

TextureHandle ruleTexture() { return device.ruleTexture; }

void stageTextureCoordinates(float& u, float& v) {
  u = device.screenWidth > 0 ? static_cast<float>(platform::kStageWidth) / static_cast<float>(device.screenWidth) : 1.0f;
  v = device.screenHeight > 0 ? static_cast<float>(platform::kStageHeight) / static_cast<float>(device.screenHeight)
                              : 1.0f;
}
TextureHandle renderTexture() { return device.renderSurface.texture; }

}  // namespace graphics
