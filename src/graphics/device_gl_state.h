// The device's GL state, shared by the *_gl.cpp files and no one else.
#pragma once
#include <epoxy/gl.h>

#include <SDL.h>

#include <array>
#include <vector>

#include "graphics/device_internal.h"

namespace graphics::detail {

struct Surface {
  GLuint framebuffer = 0;
  GLuint renderbuffer = 0;  // colour storage of a plain surface
  GLuint texture = 0;       // colour storage of a texture target
  int width = 0, height = 0;
};

struct GlDevice {
  SDL_GLContext context = nullptr;
  bool alive = false;

  // What initDevice learnt.
  int screenFormat = 0;  // 22 X8R8G8B8, 23 R5G6B5, 0 unset
  bool sixteenBit = false;
  int maxTextureSize = 0;
  bool blendOp = true;   // REVSUBTRACT, MIN and MAX blending exist
  int stretchFilter = 2;
  int screenWidth = 800, screenHeight = 600;  // the back buffer's size

  // The five surfaces. g_pBackBuffer is an off-screen surface too, so read-back never meets
  // an undefined buffer: the window receives a copy of it at presentation, or the frame
  // itself when nothing of the last frame shows through (see `toWindow`).
  Surface backBuffer;     // g_pBackBuffer
  Surface backSurface;    // g_pBackSurface
  Surface renderSurface;  // g_pRenderTexture (texture) and g_pRenderSurface (framebuffer)
  GLuint ruleTexture = 0;  // g_pTexture
  // The stage as last presented (800 x 600). A present leaves the frame in the stage surface
  // it came from (`presentedIn`); it is copied here only when something other than the next
  // frame is about to be drawn there, or when it is read back.
  Surface presented;
  Surface* presentedIn = nullptr;
  bool drawingStageFrame = false;  // the next frame is being drawn: no copy is needed
  // The back buffer holds the presented frame (after replaying `shown`, if only the window
  // has it): set by a present through it, cleared by any other drawing into it.
  bool stageKept = false;
  // Textures changed or deleted since frame composition last asked (takeChangedTextures).
  std::vector<GLuint> changedTextures;
  bool changedTexturesOverflow = false;
  // A frame that hides the whole stage is drawn straight into the window (present_gl.cpp):
  // while `toWindow`, the back buffer as a target stands for the stage's rectangle of the
  // window. Such a frame reaches no surface; its draws are kept instead (`shown`, once it
  // is presented) and drawn into the back buffer only when something needs its pixels.
  bool toWindow = false;
  int windowStageLeft = 0, windowStageBottom = 0;  // the stage's rectangle in GL window rows
  // The drawing state a draw is made with: blend preset, tint stage, filtering.
  struct DrawState {
    unsigned blendPreset = 0;
    std::uint32_t tintOp = 1;
    int tintArg1 = 0, tintArg2 = 0;
    std::uint32_t tintFactor = 0;
    bool linear = false;
  };
  DrawState state;  // the state in force now
  struct RecordedDraw {
    GLuint texture = 0;
    std::array<TextureVertex, 4> quad{};
    std::array<float, 16> transform{};
    DrawState state;
  };
  std::vector<RecordedDraw> drawing;  // the frame being drawn into the window
  std::vector<RecordedDraw> shown;    // the presented frame, when only the window holds it
  bool shownOnlyInWindow = false;
  bool drawingUnrepeatable = false;  // a texture it drew changed before the present
  bool stretched = false;  // main target is the back surface
  RenderTarget bound = RenderTarget::BackBuffer;

  // Drawing.
  // Two builds of the one shader: with the tint stage, and without it for the common case
  // (on a software rasteriser the stage's branch costs as much as the rest of the shader).
  struct Program {
    GLuint id = 0;
    GLint uTransform = -1, uTintOp = -1, uTintArg1 = -1, uTintArg2 = -1, uFactor = -1, uTexture = -1;
  };
  Program plain, tinted;
  const Program* active = nullptr;  // the program in use; null before the default state
  // The rule transition's program (rule_gl.cpp): the threshold per pixel from two textures.
  struct RuleProgram {
    GLuint id = 0;
    GLint uTransform = -1, uLevel = -1, uScale = -1;
    GLuint blue = 0;  // the rule picture's blue channel, 800 x 600, one byte a texel
  } rule;
  GLuint vertexArray = 0, vertexBuffer = 0;
  GLuint pointSampler = 0, linearSampler = 0;
  GLuint whiteTexture = 0;  // stands in for "no texture" (D3D samples opaque white there)

  Pacing pacing;
};

GlDevice& gl();

// Copies the presented frame out of the stage surface that still holds it, if one does.
void keepPresentedFrame();
// Draws a presented frame that only the window holds into the back buffer, from its
// recorded draws; the back buffer then holds it as after a present through it.
void drawShownFrameIntoStage();
// True when `draws` samples `texture`.
bool drawsFrom(const std::vector<GlDevice::RecordedDraw>& draws, GLuint texture);
// The surface drawing goes into now; null for the window.
Surface* boundSurface();
// Every drawing into a surface passes here first. The back buffer must hold the presented
// frame before anything is drawn over it (frames build on what the last one left); a frame
// only the window holds must be drawn while the textures it reads still hold what it
// showed. Then the presented frame a surface may hold is kept aside, unless the frame being
// drawn is the next one to present.
inline void beforeDrawingInto(const Surface* target) {
  GlDevice& d = gl();
  if (!target) return;  // the window
  if (d.shownOnlyInWindow &&
      (target == &d.backBuffer || (target->texture && drawsFrom(d.shown, target->texture))))
    drawShownFrameIntoStage();
  if (target == d.presentedIn && !d.drawingStageFrame) keepPresentedFrame();
  if (target == &d.backBuffer && !d.drawingStageFrame) d.stageKept = false;
}
// Every change to a texture's pixels and every deletion passes here first, for the same
// reason: recorded draws that read it are drawn (or marked) while it is as they saw it.
void beforeTextureChange(GLuint texture);

// GL errors pending since the last call, as the nearest Direct3D code (the first one wins).
std::uint32_t takeGlError();

// Drawing pieces (draw_gl.cpp).
extern const char* const kPictureVertexShader;  // position, colour, uv through `transform`
// A linked program from two shader sources; 0 with `code` set on failure.
GLuint buildProgram(const char* vertexSource, const char* fragmentSource, std::uint32_t& code);
// rule_gl.cpp, called by the drawing state's creation and destruction.
bool createRuleProgram(std::uint32_t& code);
void destroyRuleProgram();
bool createDrawingState(std::uint32_t& code);
void destroyDrawingState();
void applyDefaultDrawingState();
// Draws `draws` into the bound target with the state each was recorded with; the drawing
// state is as before afterwards.
void replayDraws(const std::vector<GlDevice::RecordedDraw>& draws);
Surface* surfaceFor(RenderTarget target);

}  // namespace graphics::detail
