// The rule frame on the device: the new stage laid over the old one with an opacity taken
// per pixel from the rule picture's blue channel. The threshold is computed in the fragment
// shader with the same integer arithmetic as the table on the CPU would give, so no 480,000
// bytes are rewritten every frame. Main thread only.
#include <cassert>

#include "graphics/device_gl_state.h"
#include "platform/window.h"

namespace graphics {
namespace detail {
namespace {

// The rule's blue values live in a one-channel texture of the stage's size: a quarter of
// the bytes to fetch per pixel. Both textures hold the stage at their top-left, one texel a pixel, rows top-down as the
// targets keep them: the fragment's own position addresses them, with no filtering.
//
// 255 x (level - blue) / gradation truncated, done in floats: `scale` is 255 / gradation.
// Only results below 256 matter (the clamp takes the rest), so the product is off by less
// than 1e-4; a true quotient that is not whole lies at least 1 / 512 below the next whole
// number, and 1e-3 added before the floor lifts the whole ones that fall just short.
// The same value as the integer division, at a fraction of its cost on a software
// rasteriser, where an integer division is not vectorised.
constexpr const char* kRuleFragmentShader = R"(#version 330 core
uniform sampler2D ruleTex;
uniform sampler2D stageTex;
uniform float level;  // eased 0 .. gradation + 255
uniform float scale;  // 255 / gradation; gradation 0 comes as a level no blue can reach
out vec4 fragColour;
void main() {
  ivec2 p = ivec2(gl_FragCoord.xy);
  float blue = floor(texelFetch(ruleTex, p, 0).r * 255.0 + 0.5);
  float alpha = clamp(floor((level - blue) * scale + 1e-3), 0.0, 255.0);
  fragColour = vec4(texelFetch(stageTex, p, 0).rgb, alpha / 255.0);
}
)";

}  // namespace

bool createRuleProgram(std::uint32_t& code) {
  GlDevice::RuleProgram& r = gl().rule;
  r.id = buildProgram(kPictureVertexShader, kRuleFragmentShader, code);
  if (!r.id) return false;
  r.uTransform = glGetUniformLocation(r.id, "transform");
  r.uLevel = glGetUniformLocation(r.id, "level");
  r.uScale = glGetUniformLocation(r.id, "scale");
  glUseProgram(r.id);
  glUniform1i(glGetUniformLocation(r.id, "ruleTex"), 0);
  glUniform1i(glGetUniformLocation(r.id, "stageTex"), 1);
  gl().active = nullptr;
  return true;
}

void destroyRuleProgram() {
  GlDevice::RuleProgram& r = gl().rule;
  if (r.id) glDeleteProgram(r.id);
  if (r.blue) glDeleteTextures(1, &r.blue);
  r = GlDevice::RuleProgram{};
}

}  // namespace detail

using namespace detail;

bool uploadRuleBlue(const std::uint8_t* blue) {
  GlDevice& d = gl();
  if (!d.alive || !blue) return false;
  takeGlError();
  const bool fresh = d.rule.blue == 0;
  if (fresh) glGenTextures(1, &d.rule.blue);
  glBindTexture(GL_TEXTURE_2D, d.rule.blue);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  if (fresh) {
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_BASE_LEVEL, 0);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_R8, platform::kStageWidth, platform::kStageHeight, 0, GL_RED, GL_UNSIGNED_BYTE,
                 blue);
  } else {
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, platform::kStageWidth, platform::kStageHeight, GL_RED, GL_UNSIGNED_BYTE,
                    blue);
  }
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  return takeGlError() == kD3dOk;
}

void drawRuleQuad(TextureHandle stage, int level, int gradation) {
  GlDevice& d = gl();
  if (!d.alive || !d.rule.id || !d.rule.blue) return;
  setBlendPreset(1);
  glUseProgram(d.rule.id);
  d.active = nullptr;  // the picture programs are bound again below

  Surface* target = boundSurface();
  assert(target && "a frame drawn into the window is made of recorded quads only");
  const float w = static_cast<float>(target && target->width > 0 ? target->width : platform::kStageWidth);
  const float h = static_cast<float>(target && target->height > 0 ? target->height : platform::kStageHeight);
  // Stage pixels to clip space, rows top-down as every target keeps them.
  const float transform[16] = {2.0f / w, 0, 0, 0, 0, -2.0f / h, 0, 0, 0, 0, 1, 0, -1, 1, 0, 1};
  glUniformMatrix4fv(d.rule.uTransform, 1, GL_FALSE, transform);
  // Gradation 0 shows the new stage whole: a level past any blue, at full scale.
  glUniform1f(d.rule.uLevel, gradation > 0 ? static_cast<float>(level) : 1024.0f);
  glUniform1f(d.rule.uScale, gradation > 0 ? 255.0f / static_cast<float>(gradation) : 1.0f);

  float u = 1, v = 1;
  stageTextureCoordinates(u, v);
  const float sw = platform::kStageWidth, sh = platform::kStageHeight;
  const std::uint32_t white = 0xFFFFFFFF;
  const TextureVertex quad[4] = {{0, 0, 0, white, 0, 0, 0, 0},
                                 {0, sh, 0, white, 0, v, 0, v},
                                 {sw, 0, 0, white, u, 0, u, 0},
                                 {sw, sh, 0, white, u, v, u, v}};
  // Both textures point sampled: one texel of each lands on one pixel.
  glActiveTexture(GL_TEXTURE1);
  glBindTexture(GL_TEXTURE_2D, stage);
  glBindSampler(1, d.pointSampler);
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D, d.rule.blue);
  setLinearFiltering(false);
  glBufferData(GL_ARRAY_BUFFER, sizeof quad, quad, GL_STREAM_DRAW);
  glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);

  glActiveTexture(GL_TEXTURE1);
  glBindTexture(GL_TEXTURE_2D, 0);
  glBindSampler(1, 0);
  glActiveTexture(GL_TEXTURE0);
  setTintStage(0, 0);  // texture stage 1 off: the plain picture program again
}

}  // namespace graphics
