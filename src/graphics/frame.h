// One finished frame: animations advanced, the stage drawn by the chosen drawer,
// stretched for the scaled full-screen modes, and presented; and the pieces drawers use.
#pragma once
#include <cstdint>

#include "graphics/device.h"

namespace graphics {

enum FrameDrawer : int { kDrawPlain = 0, kDrawNamedTransition = 1, kDrawFade = 2, kDrawRule = 3 };

// 1 normally, 0 after a reported failure. `elapsed`, `duration` and `accel` drive the
// transition drawers.
int renderFrame(int drawer = kDrawPlain, int elapsed = 0, int duration = 0, int accel = 0);

// A pass of a waiting loop: animations advanced, and the stage presented when statements
// ran since the last frame, `changed` is set, an animation moved a picture or the window
// asked for a repaint. Otherwise nothing is drawn; under the virtual clock the frame's
// pacing still passes, so scripts observe the same times either way.
// `drawer`, `elapsed` and `duration` choose the frame as renderFrame's do.
void waitFrame(bool changed, int drawer = kDrawPlain, int elapsed = 0, int duration = 0);
// Frames presented since start. With UTSUSHI_TRACE_PRESENTS=1 in the environment each
// present also writes "present TICK" (engine clock ms since start) to stderr.
std::uint64_t presentedFrames();
// Of those, the frames that drew only the rectangles that changed since the frame before.
std::uint64_t framesDrawnInPart();
// The next plain frame is drawn whole, whatever changed.
void drawWholeNextFrame();

// A frame drawer paints the whole stage into the bound target.
using FrameDrawerFunction = void (*)(int elapsed, int duration, int accel);
// The transitions install drawers 1 to 3; an empty entry draws the plain frame.
void setFrameDrawer(int index, FrameDrawerFunction drawer);

// What renderFrame does around its drawer, for a caller that paints the stage itself (movie
// frames): `draw` paints into the main target, which is stretched onto the back buffer in the
// scaled full-screen modes, and the frame is presented. Sprite animations do not advance.
int presentDrawnFrame(FrameDrawerFunction draw, int elapsed = 0, int duration = 0, int accel = 0);

// The message layer, which text registers: whether the message window is up (pictures on
// layer 2 and above show only with it) and the drawing of its glyphs over every sprite.
// `revision` changes whenever what `draw` draws changes; without it every frame with a
// message layer is drawn whole.
struct MessageLayer {
  bool (*shown)() = nullptr;
  void (*draw)() = nullptr;
  std::uint64_t (*revision)() = nullptr;
};
void setMessageLayer(const MessageLayer& layer);

// What the plain frame shows of slot n's picture. Seen: some of it may show. Hidden: nothing
// is drawn (no picture, or layer 2 and above while the message window is down); only a
// command or the reader's input shows it. Transparent: its alpha is 0. Covered: an opaque
// picture drawn above it covers every stage pixel it reaches, or it lies off the stage.
enum class SpriteSight { Seen, Hidden, Transparent, Covered };
SpriteSight spriteSight(int n);

// Every sprite, then the message layer, into the bound target. `useStaged`: the stage as the
// next commit will leave it (the new picture of a transition).
void drawScene(bool useStaged);
// One picture: the tiles and textures of `textures`, the vertices and properties of `props`.
void drawPicture(const TextureImage& textures, const TextureImage& props);
// The whole stage covered by `texture` with vertex alpha `alpha` (0..255), normal alpha
// blending, point sampled.
void drawFullScreenQuad(TextureHandle texture, int alpha);

}  // namespace graphics
