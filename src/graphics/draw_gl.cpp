// Drawing on the device: the one shader program that stands in for the fixed-function
// texture stages, the blend presets, textured quads and the textures behind them.
// Main thread only; every entry point does nothing without a device.
//
// Stage 0 always modulates texture and vertex colour. Stage 1 (tint, and the colour
// adjustments some blend presets need) applies one Direct3D texture operation to the colour
// with argument 1 the current colour and argument 2 the texture factor; the alpha passes
// through. Operation numbers are Direct3D's, because scripts name them (sp.c).
#include <algorithm>
#include <array>
#include <cassert>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "graphics/device_gl_state.h"
#include "platform/window.h"

namespace graphics {
namespace detail {

const char* const kPictureVertexShader = R"(#version 330 core
layout(location = 0) in vec3 position;
layout(location = 1) in vec4 colour;
layout(location = 2) in vec2 uv;
uniform mat4 transform;  // to clip space with y up, as Direct3D's matrices give
out vec4 vColour;
out vec2 vUv;
void main() {
  vec4 p = transform * vec4(position, 1.0);
  p.y = -p.y;  // every target keeps its rows top-down: stage row 0 is GL row 0
  gl_Position = p;
  vColour = colour;
  vUv = uv;
}
)";

namespace {

// Argument codes: 0 current, 1 texture factor; +16 alpha replicated. Built twice: the
// version line and "#define WITH_TINT" or nothing come first.
constexpr const char* kFragmentShader = R"(
in vec4 vColour;
in vec2 vUv;
uniform sampler2D tex0;
uniform int tintOp;
uniform int tintArg1;
uniform int tintArg2;
uniform vec4 factor;
out vec4 fragColour;

vec4 arg(int code, vec4 current) {
  vec4 v = (code & 15) == 1 ? factor : current;
  return (code & 16) != 0 ? vec4(v.a) : v;
}

vec3 stage1(int op, vec4 a1, vec4 a2, vec4 current) {
  switch (op) {
    case 2: return a1.rgb;                                   // SELECTARG1
    case 3: return a2.rgb;                                   // SELECTARG2
    case 4: return a1.rgb * a2.rgb;                          // MODULATE
    case 5: return 2.0 * a1.rgb * a2.rgb;                    // MODULATE2X
    case 6: return 4.0 * a1.rgb * a2.rgb;                    // MODULATE4X
    case 7: return a1.rgb + a2.rgb;                          // ADD
    case 8: return a1.rgb + a2.rgb - 0.5;                    // ADDSIGNED
    case 9: return 2.0 * (a1.rgb + a2.rgb - 0.5);            // ADDSIGNED2X
    case 10: return a1.rgb - a2.rgb;                         // SUBTRACT
    case 11: return a1.rgb + a2.rgb - a1.rgb * a2.rgb;       // ADDSMOOTH
    case 12: return mix(a2.rgb, a1.rgb, vColour.a);          // BLENDDIFFUSEALPHA
    case 13: return a1.rgb;                                  // BLENDTEXTUREALPHA (no stage-1 texture: alpha 1)
    case 14: return mix(a2.rgb, a1.rgb, factor.a);           // BLENDFACTORALPHA
    case 15: return a1.rgb;                                  // BLENDTEXTUREALPHAPM (alpha 1)
    case 16: return mix(a2.rgb, a1.rgb, current.a);          // BLENDCURRENTALPHA
    case 17: return a1.rgb;                                  // PREMODULATE (no later stage)
    case 18: return a1.rgb + a1.a * a2.rgb;                  // MODULATEALPHA_ADDCOLOR
    case 19: return a1.rgb * a2.rgb + a1.a;                  // MODULATECOLOR_ADDALPHA
    case 20: return (1.0 - a1.a) * a2.rgb + a1.rgb;          // MODULATEINVALPHA_ADDCOLOR
    case 21: return (1.0 - a1.rgb) * a2.rgb + a1.a;          // MODULATEINVCOLOR_ADDALPHA
    case 24: return vec3(dot(a1.rgb - 0.5, a2.rgb - 0.5) * 4.0);  // DOTPRODUCT3
    case 25: return current.rgb + a1.rgb * a2.rgb;           // MULTIPLYADD (argument 0 is current)
    case 26: return mix(a2.rgb, a1.rgb, current.rgb);        // LERP
    default: return current.rgb;                             // DISABLE, bump mapping, unknown
  }
}

void main() {
  vec4 current = texture(tex0, vUv) * vColour;
#ifdef WITH_TINT
  if (tintOp > 1) current.rgb = clamp(stage1(tintOp, arg(tintArg1, current), arg(tintArg2, current), current), 0.0, 1.0);
#endif
  fragColour = current;
}
)";

constexpr int kArgCurrent = 0, kArgFactor = 1, kAlphaReplicate = 16;
constexpr std::uint32_t kOpDisable = 1, kOpModulate = 4, kOpBlendCurrentAlpha = 16;

GLuint compile(GLenum kind, const char* source, std::uint32_t& code) {
  GLuint s = glCreateShader(kind);
  glShaderSource(s, 1, &source, nullptr);
  glCompileShader(s);
  GLint ok = GL_FALSE;
  glGetShaderiv(s, GL_COMPILE_STATUS, &ok);
  if (!ok) {
    char log[1024] = {};
    glGetShaderInfoLog(s, sizeof log, nullptr, log);
    std::fprintf(stderr, "utsushi: shader: %s\n", log);
    glDeleteShader(s);
    code = kD3dErrNotAvailable;
    return 0;
  }
  return s;
}

}  // namespace

GLuint buildProgram(const char* vertexSource, const char* fragmentSource, std::uint32_t& code) {
  GLuint vs = compile(GL_VERTEX_SHADER, vertexSource, code);
  if (!vs) return 0;
  GLuint fs = compile(GL_FRAGMENT_SHADER, fragmentSource, code);
  if (!fs) {
    glDeleteShader(vs);
    return 0;
  }
  GLuint id = glCreateProgram();
  glAttachShader(id, vs);
  glAttachShader(id, fs);
  glLinkProgram(id);
  glDeleteShader(vs);
  glDeleteShader(fs);
  GLint linked = GL_FALSE;
  glGetProgramiv(id, GL_LINK_STATUS, &linked);
  if (!linked) {
    glDeleteProgram(id);
    code = kD3dErrNotAvailable;
    return 0;
  }
  return id;
}

namespace {

void useProgram(const GlDevice::Program& p) {
  GlDevice& d = gl();
  if (d.active == &p) return;
  glUseProgram(p.id);
  d.active = &p;
}

void setTint(std::uint32_t op, int arg1, int arg2, std::uint32_t factorArgb) {
  GlDevice& d = gl();
  d.state.tintOp = op;
  d.state.tintArg1 = arg1;
  d.state.tintArg2 = arg2;
  d.state.tintFactor = factorArgb;
  if (op <= kOpDisable) {
    useProgram(d.plain);
    return;
  }
  useProgram(d.tinted);
  glUniform1i(d.tinted.uTintOp, static_cast<GLint>(op));
  glUniform1i(d.tinted.uTintArg1, arg1);
  glUniform1i(d.tinted.uTintArg2, arg2);
  glUniform4f(d.tinted.uFactor, ((factorArgb >> 16) & 0xFF) / 255.0f, ((factorArgb >> 8) & 0xFF) / 255.0f,
              (factorArgb & 0xFF) / 255.0f, ((factorArgb >> 24) & 0xFF) / 255.0f);
}

void boundTargetSize(int& w, int& h) {
  Surface* s = surfaceFor(gl().bound);
  w = s && s->width > 0 ? s->width : 800;
  h = s && s->height > 0 ? s->height : 600;
}

// Column-major 4x4 that maps x and y affinely: clip = (ax * x + bx, ay * y + by).
std::array<float, 16> affine(float ax, float bx, float ay, float by) {
  return {ax, 0, 0, 0, 0, ay, 0, 0, 0, 0, 1, 0, bx, by, 0, 1};
}

void drawQuad(GLuint texture, const TextureVertex* quad, const float* transform) {
  GlDevice& d = gl();
  glUniformMatrix4fv(d.active->uTransform, 1, GL_FALSE, transform);
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D, texture ? texture : d.whiteTexture);
  glBufferData(GL_ARRAY_BUFFER, 4 * sizeof(TextureVertex), quad, GL_STREAM_DRAW);
  glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
}

void drawStrip(TextureHandle texture, const TextureVertex* quad, const std::array<float, 16>& transform) {
  GlDevice& d = gl();
  Surface* target = boundSurface();
  beforeDrawingInto(target);
  if (target) {
    drawQuad(texture, quad, transform.data());
    return;
  }
  // Into the window, whose rows run bottom-up: the shader's turn of the y axis is undone
  // by turning it once more here. The draw is kept as it would go into a surface.
  GlDevice::RecordedDraw& r = d.drawing.emplace_back();
  r.texture = texture;
  std::copy(quad, quad + 4, r.quad.begin());
  r.transform = transform;
  r.state = d.state;
  std::array<float, 16> turned = transform;
  for (int column = 0; column < 4; ++column) turned[column * 4 + 1] = -turned[column * 4 + 1];
  drawQuad(texture, quad, turned.data());
}

// Clears a rectangle of the bound texture to transparent black. calloc hands large zeroed
// blocks straight from the system, so this costs little more than the upload itself.
void clearTextureRect(int x, int y, int w, int h) {
  if (w <= 0 || h <= 0) return;
  std::unique_ptr<void, decltype(&std::free)> zeros(std::calloc(static_cast<std::size_t>(w) * h, 4), &std::free);
  if (!zeros) return;
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  glTexSubImage2D(GL_TEXTURE_2D, 0, x, y, w, h, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, zeros.get());
}

bool linkProgram(GlDevice::Program& p, bool withTint, std::uint32_t& code) {
  const std::string fragment = std::string("#version 330 core\n") + (withTint ? "#define WITH_TINT\n" : "") +
                               kFragmentShader;
  p.id = buildProgram(kPictureVertexShader, fragment.c_str(), code);
  if (!p.id) return false;
  p.uTransform = glGetUniformLocation(p.id, "transform");
  p.uTintOp = glGetUniformLocation(p.id, "tintOp");
  p.uTintArg1 = glGetUniformLocation(p.id, "tintArg1");
  p.uTintArg2 = glGetUniformLocation(p.id, "tintArg2");
  p.uFactor = glGetUniformLocation(p.id, "factor");
  p.uTexture = glGetUniformLocation(p.id, "tex0");
  glUseProgram(p.id);
  glUniform1i(p.uTexture, 0);
  return true;
}

}  // namespace

bool createDrawingState(std::uint32_t& code) {
  GlDevice& d = gl();
  d.active = nullptr;
  if (!linkProgram(d.plain, false, code) || !linkProgram(d.tinted, true, code) || !createRuleProgram(code))
    return false;

  glGenVertexArrays(1, &d.vertexArray);
  glBindVertexArray(d.vertexArray);
  glGenBuffers(1, &d.vertexBuffer);
  glBindBuffer(GL_ARRAY_BUFFER, d.vertexBuffer);
  glBufferData(GL_ARRAY_BUFFER, 4 * sizeof(TextureVertex), nullptr, GL_STREAM_DRAW);
  glEnableVertexAttribArray(0);
  glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, sizeof(TextureVertex), reinterpret_cast<void*>(0));
  // The ARGB word is B,G,R,A in memory; GL_BGRA size reads it as (r, g, b, a).
  glEnableVertexAttribArray(1);
  glVertexAttribPointer(1, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE, sizeof(TextureVertex),
                        reinterpret_cast<void*>(offsetof(TextureVertex, diffuse)));
  glEnableVertexAttribArray(2);
  glVertexAttribPointer(2, 2, GL_FLOAT, GL_FALSE, sizeof(TextureVertex),
                        reinterpret_cast<void*>(offsetof(TextureVertex, u)));

  glGenSamplers(1, &d.pointSampler);
  glGenSamplers(1, &d.linearSampler);
  for (GLuint s : {d.pointSampler, d.linearSampler}) {
    glSamplerParameteri(s, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glSamplerParameteri(s, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  }
  glSamplerParameteri(d.pointSampler, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glSamplerParameteri(d.pointSampler, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glSamplerParameteri(d.linearSampler, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
  glSamplerParameteri(d.linearSampler, GL_TEXTURE_MAG_FILTER, GL_LINEAR);

  const std::uint8_t white[4] = {255, 255, 255, 255};
  d.whiteTexture = createTileTexture(1, 1, white, 1, 1, 1, code);
  if (!d.whiteTexture) return false;
  code = takeGlError();
  return code == kD3dOk;
}

void destroyDrawingState() {
  GlDevice& d = gl();
  deleteTexture(d.whiteTexture);
  if (d.pointSampler) glDeleteSamplers(1, &d.pointSampler);
  if (d.linearSampler) glDeleteSamplers(1, &d.linearSampler);
  if (d.vertexBuffer) glDeleteBuffers(1, &d.vertexBuffer);
  if (d.vertexArray) glDeleteVertexArrays(1, &d.vertexArray);
  destroyRuleProgram();
  for (GlDevice::Program* p : {&d.plain, &d.tinted}) {
    if (p->id) glDeleteProgram(p->id);
    *p = GlDevice::Program{};
  }
  d.active = nullptr;
  d.pointSampler = d.linearSampler = d.vertexBuffer = d.vertexArray = 0;
}

// The state every frame starts from: no culling, depth or dithering; blending on as a plain
// copy; stage 0 modulating; sampler 0 point-filtered and clamped.
void applyDefaultDrawingState() {
  GlDevice& d = gl();
  glDisable(GL_CULL_FACE);
  glDisable(GL_DEPTH_TEST);
  glDepthMask(GL_FALSE);
  glDisable(GL_DITHER);
  glDisable(GL_MULTISAMPLE);
  glDisable(GL_SCISSOR_TEST);
  glEnable(GL_BLEND);
  glBlendEquation(GL_FUNC_ADD);
  glBlendFunc(GL_ONE, GL_ZERO);
  d.active = nullptr;  // the context's program binding is not known here
  glBindVertexArray(d.vertexArray);
  glBindBuffer(GL_ARRAY_BUFFER, d.vertexBuffer);
  setTint(kOpDisable, kArgCurrent, kArgFactor, 0);
  glBindSampler(0, d.pointSampler);
  // Blending ONE, ZERO leaves what the copy preset leaves: recorded draws take it as that.
  d.state.blendPreset = 0;
  d.state.linear = false;
}

namespace {

void applyDrawState(const GlDevice::DrawState& s) {
  setBlendPreset(s.blendPreset);  // resets the tint stage: it comes after
  setTint(s.tintOp, s.tintArg1, s.tintArg2, s.tintFactor);
  setLinearFiltering(s.linear);
}

}  // namespace

void replayDraws(const std::vector<GlDevice::RecordedDraw>& draws) {
  const GlDevice::DrawState kept = gl().state;
  for (const GlDevice::RecordedDraw& r : draws) {
    applyDrawState(r.state);
    drawQuad(r.texture, r.quad.data(), r.transform.data());
  }
  applyDrawState(kept);
}

namespace {
// Textures made by createTileTexture and not yet deleted, for the run's statistics: a count
// that keeps growing in a long run is a leak.
std::size_t liveTileTextures = 0;
}  // namespace

std::size_t liveTileTextureCount() { return liveTileTextures; }

TextureHandle createTileTexture(int texWidth, int texHeight, const std::uint8_t* src, int srcRowPixels, int coverWidth,
                                int coverHeight, std::uint32_t& code) {
  takeGlError();
  GLuint t = 0;
  glGenTextures(1, &t);
  glBindTexture(GL_TEXTURE_2D, t);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_BASE_LEVEL, 0);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);  // complete without mipmaps
  // An unsized RGBA texture filled from B,G,R,A words uploads at copy speed; a sized one
  // converts every texel.
  const bool whole = src && coverWidth == texWidth && coverHeight == texHeight;
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, whole ? srcRowPixels : 0);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, texWidth, texHeight, 0, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV,
               whole ? src : nullptr);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  code = takeGlError();
  if (code != kD3dOk) {
    glDeleteTextures(1, &t);
    return 0;
  }
  if (!whole) {
    // The part of the texture beyond the picture is drawn too: make it transparent.
    const int cw = src ? coverWidth : 0, ch = src ? coverHeight : 0;
    if (cw > 0 && ch > 0) updateTileTexture(t, src, srcRowPixels, cw, ch);
    glBindTexture(GL_TEXTURE_2D, t);
    clearTextureRect(cw, 0, texWidth - cw, ch);
    clearTextureRect(0, ch, texWidth, texHeight - ch);
    code = takeGlError();
    if (code != kD3dOk) {
      glDeleteTextures(1, &t);
      return 0;
    }
  }
  ++liveTileTextures;
  return t;
}

bool updateTileTexture(TextureHandle texture, const std::uint8_t* src, int srcRowPixels, int coverWidth,
                       int coverHeight) {
  if (!deviceAlive() || texture == 0) return false;
  beforeTextureChange(texture);
  glBindTexture(GL_TEXTURE_2D, texture);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, srcRowPixels);
  glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, coverWidth, coverHeight, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, src);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  return takeGlError() == kD3dOk;
}

void deleteTexture(TextureHandle& texture) {
  if (texture && deviceAlive()) {
    beforeTextureChange(texture);
    glDeleteTextures(1, &texture);
    assert(liveTileTextures > 0 && "every texture deleted here was counted when createTileTexture made it");
    --liveTileTextures;
  }
  texture = 0;
}

}  // namespace detail

using namespace detail;

void setBlendPreset(unsigned index) {
  if (!deviceAlive()) return;
  const std::uint32_t white = 0xFFFFFFFF;
  gl().state.blendPreset = index;
  setTint(kOpDisable, kArgCurrent, kArgFactor, 0);
  // A copy needs no blending at all; a software rasteriser then skips reading the target,
  // which is most of the cost of an opaque full-screen picture.
  if (index == 0) glDisable(GL_BLEND);
  else glEnable(GL_BLEND);
  switch (index) {
    case 0:  // copy
      glBlendEquation(GL_FUNC_ADD);
      glBlendFunc(GL_ONE, GL_ZERO);
      break;
    default:  // an index outside the table draws as normal alpha rather than with stale state
    case 1:
      glBlendEquation(GL_FUNC_ADD);
      glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
      break;
    case 2:  // additive
      glBlendEquation(GL_FUNC_ADD);
      glBlendFunc(GL_SRC_ALPHA, GL_ONE);
      break;
    case 3:  // subtractive
      if (gl().blendOp) {
        glBlendEquation(GL_FUNC_REVERSE_SUBTRACT);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE);
      } else {
        // Without a subtracting blend: darken by the source colour times its alpha.
        setTint(kOpBlendCurrentAlpha, kArgCurrent, kArgFactor, 0xFF000000);
        glBlendEquation(GL_FUNC_ADD);
        glBlendFunc(GL_ZERO, GL_ONE_MINUS_SRC_COLOR);
      }
      break;
    case 4:  // multiply: the colour fades to white as alpha falls
      setTint(kOpBlendCurrentAlpha, kArgCurrent, kArgFactor, white);
      glBlendEquation(GL_FUNC_ADD);
      glBlendFunc(GL_ZERO, GL_SRC_COLOR);
      break;
    case 5:  // screen
      setTint(kOpModulate, kArgCurrent | kAlphaReplicate, kArgCurrent, 0);
      glBlendEquation(GL_FUNC_ADD);
      glBlendFunc(GL_ONE_MINUS_DST_COLOR, GL_ONE);
      break;
    case 6:  // lighten
      setTint(kOpModulate, kArgCurrent | kAlphaReplicate, kArgCurrent, 0);
      glBlendEquation(GL_MAX);
      break;
    case 7:  // darken
      setTint(kOpBlendCurrentAlpha, kArgCurrent, kArgFactor, white);
      glBlendEquation(GL_MIN);
      break;
    case 8:  // exclusion
      setTint(kOpModulate, kArgCurrent | kAlphaReplicate, kArgCurrent, 0);
      glBlendEquation(GL_FUNC_ADD);
      glBlendFunc(GL_ONE_MINUS_DST_COLOR, GL_ONE_MINUS_SRC_COLOR);
      break;
  }
}

void setTintStage(std::uint32_t colourOp, std::uint32_t factorArgb) {
  if (!deviceAlive()) return;
  setTint(colourOp == 0 ? kOpDisable : colourOp, kArgCurrent, kArgFactor, factorArgb);
}

void setLinearFiltering(bool linear) {
  if (!deviceAlive()) return;
  gl().state.linear = linear;
  glBindSampler(0, linear ? gl().linearSampler : gl().pointSampler);
}

void drawScreenQuad(TextureHandle texture, float left, float top, float right, float bottom, std::uint32_t argb) {
  if (!deviceAlive()) return;
  int w, h;
  boundTargetSize(w, h);
  TextureVertex quad[4] = {{left, top, 0, argb, 0, 0, 0, 0},
                           {left, bottom, 0, argb, 0, 1, 0, 1},
                           {right, top, 0, argb, 1, 0, 1, 0},
                           {right, bottom, 0, argb, 1, 1, 1, 1}};
  drawStrip(texture, quad, affine(2.0f / w, -1.0f, -2.0f / h, 1.0f));
}

void drawStageTextureQuad(TextureHandle texture, std::uint32_t argb) {
  if (!deviceAlive()) return;
  int w, h;
  boundTargetSize(w, h);
  const float sw = platform::kStageWidth, sh = platform::kStageHeight;
  float u = 1, v = 1;
  stageTextureCoordinates(u, v);
  TextureVertex quad[4] = {{0, 0, 0, argb, 0, 0, 0, 0},
                           {0, sh, 0, argb, 0, v, 0, v},
                           {sw, 0, 0, argb, u, 0, u, 0},
                           {sw, sh, 0, argb, u, v, u, v}};
  drawStrip(texture, quad, affine(2.0f / w, -1.0f, -2.0f / h, 1.0f));
}

void drawTextureImageAt(const TextureImage& image, float left, float top) {
  if (!deviceAlive() || image.alpha == 0 || image.tileCount <= 0) return;
  int w, h;
  boundTargetSize(w, h);
  setBlendPreset(image.blendMode);
  if (image.colourOp != 0) setTintStage(image.colourOp, image.colourFactor);
  // Model to pixels: the picture's top-left corner (vertex 0 of tile 0) goes to (left, top)
  // and 2 units become one tile span; then pixels to clip space.
  const float x0 = image.vertices[0][0].x, y0 = image.vertices[0][0].y;
  const float kx = image.tileSpanWidth / 2.0f, ky = image.tileSpanHeight / 2.0f;
  const float ax = 2.0f / w * kx, bx = 2.0f / w * (left - x0 * kx) - 1.0f;
  const float ay = 2.0f / h * ky, by = 1.0f - 2.0f / h * (top + y0 * ky);
  const auto transform = affine(ax, bx, ay, by);
  for (int t = 0; t < image.tileCount && t < kMaxTiles; ++t)
    drawStrip(image.tiles[t], image.vertices[t].data(), transform);
}

void drawPictureTiles(const TextureImage& textures, const TextureImage& props, const std::array<float, 16>& transform) {
  if (!deviceAlive() || textures.tileCount <= 0) return;
  int w, h;
  boundTargetSize(w, h);
  const bool stageSized = w == platform::kStageWidth && h == platform::kStageHeight;
  // The camera maps onto the stage; a screen-sized surface holds it in its top-left corner.
  if (!stageSized) glViewport(0, 0, platform::kStageWidth, platform::kStageHeight);
  const int tiles = std::min({textures.tileCount, props.tileCount, kMaxTiles});
  for (int t = 0; t < tiles; ++t) drawStrip(textures.tiles[t], props.vertices[t].data(), transform);
  if (!stageSized) glViewport(0, 0, w, h);
}

std::uint32_t stretchRect(RenderTarget from, const SurfaceRect& source, RenderTarget to, const SurfaceRect& destination,
                          int filter) {
  if (!deviceAlive()) return kD3dOk;
  Surface* src = surfaceFor(from);
  Surface* dst = surfaceFor(to);
  assert(!(gl().toWindow && dst == &gl().backBuffer) && "a frame drawn into the window is made of recorded quads only");
  if (!src || !dst || source.right <= source.left || source.bottom <= source.top ||
      destination.right <= destination.left || destination.bottom <= destination.top)
    return kD3dErrInvalidCall;
  takeGlError();
  beforeDrawingInto(dst);
  glBindFramebuffer(GL_READ_FRAMEBUFFER, src->framebuffer);
  glBindFramebuffer(GL_DRAW_FRAMEBUFFER, dst->framebuffer);
  glBlitFramebuffer(source.left, source.top, source.right, source.bottom, destination.left, destination.top,
                    destination.right, destination.bottom, GL_COLOR_BUFFER_BIT, filter == 2 ? GL_LINEAR : GL_NEAREST);
  bindRenderTarget(gl().bound);
  return takeGlError();
}

TextureHandle createPlainTexture(int width, int height) {
  if (!deviceAlive() || width <= 0 || height <= 0) return 0;
  std::uint32_t code = kD3dOk;
  return createTileTexture(width, height, nullptr, 0, 0, 0, code);
}

bool uploadPlainTexture(TextureHandle texture, int width, int height, const std::uint8_t* bgra, int pitchBytes) {
  if (!bgra || width <= 0 || height <= 0 || pitchBytes < width * 4 || pitchBytes % 4 != 0) return false;
  return updateTileTexture(texture, bgra, pitchBytes / 4, width, height);
}

void releasePlainTexture(TextureHandle& texture) { deleteTexture(texture); }

std::size_t liveTextureCount() { return liveTileTextureCount(); }

}  // namespace graphics
