// The picture camera: a left-handed look-at from (0, 0, -5) toward the origin and a
// perspective of pi/4 vertically at 4:3 with near plane 5 and far plane 100. A picture lies
// in the plane that stage depth 0.5 unprojects to, scaled so its texture spans as many
// stage pixels as it has texels; only rotations leave that plane.
#include "graphics/camera.h"

#include <glm/glm.hpp>
#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>

namespace graphics {
namespace {

constexpr float kDegrees = 0.017453292f;

struct Camera {
  glm::mat4 viewProjection;
  glm::mat4 inverse;
};

const Camera& camera() {
  static const Camera c = [] {
    Camera k;
    const glm::mat4 view = glm::lookAtLH(glm::vec3(0, 0, -5), glm::vec3(0, 0, 0), glm::vec3(0, 1, 0));
    const glm::mat4 projection = glm::perspectiveLH_ZO(glm::pi<float>() / 4, 1.3333334f, 5.0f, 100.0f);
    k.viewProjection = projection * view;
    k.inverse = glm::inverse(k.viewProjection);
    return k;
  }();
  return c;
}

// Stage point (x, y) at normalised depth 0.5, back into world space.
glm::vec3 unproject(float x, float y) {
  const glm::vec4 ndc(x / 400.0f - 1.0f, 1.0f - y / 300.0f, 0.5f, 1.0f);
  const glm::vec4 w = camera().inverse * ndc;
  return glm::vec3(w) / w.w;
}

}  // namespace

std::array<float, 16> pictureTransform(const TextureImage& textures, const TextureImage& props) {
  // Two model units span one tile's texture: half the world size of that many pixels.
  static const glm::vec3 origin = unproject(0, 0);
  const glm::vec3 corner = unproject(static_cast<float>(textures.tileSpanWidth), static_cast<float>(textures.tileSpanHeight));
  const float sx = (corner.x - origin.x) * 0.5f * props.scaleX;
  const float sy = (corner.y - origin.y) * -0.5f * props.scaleY;
  // Pixel edges are whole numbers here (GL samples at pixel centres), so the pivot goes to
  // (posX, posY) itself: a 200 x 100 picture at 400, 300 covers columns 300..499.
  const glm::vec3 t = unproject(props.posX, props.posY);

  glm::mat4 world = glm::translate(glm::mat4(1.0f), t);
  world = glm::rotate(world, props.rotY * kDegrees, glm::vec3(0, 1, 0));
  world = glm::rotate(world, props.rotX * kDegrees, glm::vec3(1, 0, 0));
  world = glm::rotate(world, props.rotZ * kDegrees, glm::vec3(0, 0, 1));
  world = glm::scale(world, glm::vec3(sx, sy, 0.0f));

  const glm::mat4 m = camera().viewProjection * world;
  std::array<float, 16> out{};
  const float* p = glm::value_ptr(m);
  for (int i = 0; i < 16; ++i) out[i] = p[i];
  return out;
}

void projectToStage(const std::array<float, 16>& transform, float mx, float my, float& x, float& y) {
  const glm::mat4 m = glm::make_mat4(transform.data());
  const glm::vec4 clip = m * glm::vec4(mx, my, 0.0f, 1.0f);
  x = (clip.x / clip.w + 1.0f) * 400.0f;
  y = (1.0f - clip.y / clip.w) * 300.0f;
}

}  // namespace graphics
