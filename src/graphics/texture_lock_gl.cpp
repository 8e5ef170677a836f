// Writing a texture in place, and copying it onto the stage: the path of movie frames. The
// lock's storage is a pixel-unpack buffer mapped for writing, so the decoder writes where the
// driver reads the upload from, and the upload at unlock is one copy inside the driver. The
// frame then reaches the stage by a blit, which on a software rasteriser costs a good part
// less than drawing the same pixels as a textured quad. Main thread only.
#include <cassert>
#include <cstddef>

#include "graphics/device_gl_state.h"

namespace graphics {

using namespace detail;

namespace {

struct TextureLock {
  GLuint buffer = 0;        // the pixel-unpack buffer, kept between frames
  std::size_t bytes = 0;    // its storage size
  TextureHandle locked = 0; // the texture being written; 0 when nothing is locked
  int width = 0;            // row length of the locked region, pixels
  GLuint readFramebuffer = 0;  // the texture being copied, as a framebuffer to blit from
} lock;

}  // namespace

std::uint8_t* lockTexture(TextureHandle texture, int width, int height, int& pitchBytes) {
  if (!deviceAlive() || texture == 0 || width <= 0 || height <= 0 || lock.locked != 0) return nullptr;
  const std::size_t bytes = static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4;
  // A buffer made for an earlier context is gone with it.
  if (lock.buffer != 0 && !glIsBuffer(lock.buffer)) lock.buffer = 0, lock.bytes = 0;
  if (lock.buffer == 0) glGenBuffers(1, &lock.buffer);
  glBindBuffer(GL_PIXEL_UNPACK_BUFFER, lock.buffer);
  if (lock.bytes != bytes) {
    glBufferData(GL_PIXEL_UNPACK_BUFFER, static_cast<GLsizeiptr>(bytes), nullptr, GL_STREAM_DRAW);
    lock.bytes = bytes;
  }
  void* p = glMapBufferRange(GL_PIXEL_UNPACK_BUFFER, 0, static_cast<GLsizeiptr>(bytes),
                             GL_MAP_WRITE_BIT | GL_MAP_INVALIDATE_BUFFER_BIT);
  // Unbound again at once: every other upload passes client memory and must not meet it.
  glBindBuffer(GL_PIXEL_UNPACK_BUFFER, 0);
  if (!p) {
    takeGlError();
    lock.bytes = 0;  // remade at the next lock
    return nullptr;
  }
  lock.locked = texture;
  lock.width = width;
  pitchBytes = width * 4;
  return static_cast<std::uint8_t*>(p);
}

void unlockTexture(TextureHandle texture, int writtenWidth, int writtenHeight) {
  if (!deviceAlive() || lock.locked == 0 || texture != lock.locked) return;
  lock.locked = 0;
  if (writtenWidth > 0 && writtenHeight > 0) beforeTextureChange(texture);
  glBindBuffer(GL_PIXEL_UNPACK_BUFFER, lock.buffer);
  const bool intact = glUnmapBuffer(GL_PIXEL_UNPACK_BUFFER) == GL_TRUE;
  if (intact && writtenWidth > 0 && writtenHeight > 0) {
    glBindTexture(GL_TEXTURE_2D, texture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, lock.width);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, writtenWidth, writtenHeight, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, nullptr);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  }
  glBindBuffer(GL_PIXEL_UNPACK_BUFFER, 0);
  takeGlError();
}

void copyTextureToTarget(TextureHandle texture, int width, int height, int left, int top) {
  if (!deviceAlive() || texture == 0 || width <= 0 || height <= 0) return;
  if (lock.readFramebuffer != 0 && !glIsFramebuffer(lock.readFramebuffer)) lock.readFramebuffer = 0;
  if (lock.readFramebuffer == 0) glGenFramebuffers(1, &lock.readFramebuffer);
  Surface* target = boundSurface();
  assert(target && "a frame drawn into the window is made of recorded quads only");
  beforeDrawingInto(target);
  glBindFramebuffer(GL_READ_FRAMEBUFFER, lock.readFramebuffer);
  glFramebufferTexture2D(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture, 0);
  glBindFramebuffer(GL_DRAW_FRAMEBUFFER, target->framebuffer);
  glBlitFramebuffer(0, 0, width, height, left, top, left + width, top + height, GL_COLOR_BUFFER_BIT, GL_NEAREST);
  glBindFramebuffer(GL_FRAMEBUFFER, target->framebuffer);
  takeGlError();
}

}  // namespace graphics
