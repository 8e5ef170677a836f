// The device's GL state, shared by the *_gl.cpp files and no one else.
#pragma once
#include <epoxy/gl.h>

#include <SDL.h>

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

  // The five surfaces. g_pBackBuffer is an off-screen surface too: the window only ever
  // receives a copy of it at presentation, so read-back never meets an undefined buffer.
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
// Every drawing into a surface passes here first: the presented frame it may hold is kept
// aside, unless the frame being drawn is the next one to present.
inline void beforeDrawingInto(const Surface* target) {
  GlDevice& d = gl();
  if (target == d.presentedIn && target && !d.drawingStageFrame) keepPresentedFrame();
}

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
Surface* surfaceFor(RenderTarget target);

}  // namespace graphics::detail
