// The rule frame on the device: the new stage laid over the old one with an opacity taken
// per pixel from the rule picture's blue channel. The threshold is computed in the fragment
// shader with the same integer arithmetic as the table on the CPU would give, so no 480,000
// bytes are rewritten every frame. Main thread only.
#include "graphics/device_gl_state.h"
#include "platform/window.h"

namespace graphics {
namespace detail {
namespace {

// level - blue is at most 767 and 255 x 767 fits an int many times over; the division only
// ever sees positive operands, where GLSL's integer division is exact.
constexpr const char* kRuleFragmentShader = R"(#version 330 core
in vec4 vColour;
in vec2 vUv;
uniform sampler2D ruleTex;
uniform sampler2D stageTex;
uniform int level;      // eased 0 .. gradation + 255
uniform int gradation;  // 0 .. 512; 0 shows the new stage whole
out vec4 fragColour;
void main() {
  int blue = int(texture(ruleTex, vUv).b * 255.0 + 0.5);
  int alpha = 255;
  if (gradation > 0) {
    int d = level - blue;
    alpha = d <= 0 ? 0 : min(255 * d / gradation, 255);
  }
  fragColour = vec4(texture(stageTex, vUv).rgb, float(alpha) / 255.0);
}
)";

}  // namespace

bool createRuleProgram(std::uint32_t& code) {
  GlDevice::RuleProgram& r = gl().rule;
  r.id = buildProgram(kPictureVertexShader, kRuleFragmentShader, code);
  if (!r.id) return false;
  r.uTransform = glGetUniformLocation(r.id, "transform");
  r.uLevel = glGetUniformLocation(r.id, "level");
  r.uGradation = glGetUniformLocation(r.id, "gradation");
  glUseProgram(r.id);
  glUniform1i(glGetUniformLocation(r.id, "ruleTex"), 0);
  glUniform1i(glGetUniformLocation(r.id, "stageTex"), 1);
  gl().active = nullptr;
  return true;
}

void destroyRuleProgram() {
  GlDevice::RuleProgram& r = gl().rule;
  if (r.id) glDeleteProgram(r.id);
  r = GlDevice::RuleProgram{};
}

}  // namespace detail

using namespace detail;

void drawRuleQuad(TextureHandle rule, TextureHandle stage, int level, int gradation) {
  GlDevice& d = gl();
  if (!d.alive || !d.rule.id) return;
  setBlendPreset(1);
  glUseProgram(d.rule.id);
  d.active = nullptr;  // the picture programs are bound again below

  Surface* target = surfaceFor(d.bound);
  const float w = static_cast<float>(target && target->width > 0 ? target->width : platform::kStageWidth);
  const float h = static_cast<float>(target && target->height > 0 ? target->height : platform::kStageHeight);
  // Stage pixels to clip space, rows top-down as every target keeps them.
  const float transform[16] = {2.0f / w, 0, 0, 0, 0, -2.0f / h, 0, 0, 0, 0, 1, 0, -1, 1, 0, 1};
  glUniformMatrix4fv(d.rule.uTransform, 1, GL_FALSE, transform);
  glUniform1i(d.rule.uLevel, level);
  glUniform1i(d.rule.uGradation, gradation);

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
  glBindTexture(GL_TEXTURE_2D, rule);
  glBindSampler(0, d.pointSampler);
  glBufferData(GL_ARRAY_BUFFER, sizeof quad, quad, GL_STREAM_DRAW);
  glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);

  glActiveTexture(GL_TEXTURE1);
  glBindTexture(GL_TEXTURE_2D, 0);
  glBindSampler(1, 0);
  glActiveTexture(GL_TEXTURE0);
  setTintStage(0, 0);  // texture stage 1 off: the plain picture program again
}

}  // namespace graphics
