// The drawing device: one OpenGL context on the main window, the fixed 800 x 600 render
// surfaces, the texture record behind every drawable picture (TextureImage), the blend
// presets, presentation with its pacing, and read-back of the presented frame.
// Main thread only. Nothing above this layer sees GL: textures are plain numbers.
//
// With --video=none there is no device: every drawing call does nothing and reports nothing,
// while TextureImage records still get their geometry and keep their pixel buffers.
//
// Every stage-sized target holds its rows top to bottom, as the pictures do: a pixel (x, y)
// of the stage is row y of the surface. The window is reached by presentFrame, and by the
// frames beginWindowFrame sends straight there.
#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "image/pixel_image.h"

namespace graphics {

using TextureHandle = std::uint32_t;  // a texture of the device; 0 for none

constexpr int kMaxTiles = 35;  // a picture that needs more tiles is refused

// One corner of a tile quad: model position, diffuse colour (ARGB), then two texture
// coordinate pairs of which only the first is used. 32 bytes, as frame composition expects.
struct TextureVertex {
  float x = 0, y = 0, z = 0;
  std::uint32_t diffuse = 0xFFFFFFFF;
  float u = 0, v = 0;
  float u2 = 0, v2 = 0;
};
static_assert(sizeof(TextureVertex) == 32);

// The record behind every drawable picture. Made zero-filled by loadTexture or
// createBlankTexture; whoever holds the pointer owns it. Not copyable: it owns textures.
struct TextureImage {
  std::int32_t reserved0 = 0, reserved1 = 0;  // carried along when properties are copied
  int width = 0, height = 0;                  // picture size in pixels
  std::uint32_t layer = 0;                    // 2 or more: drawn only with the message window shown
  int alpha = 0;                              // 0..255; 0 skips the picture
  std::uint32_t blendMode = 0;                // blend preset 0..8
  std::uint32_t colourOp = 0;                 // texture operation of the tint; 0 = none
  std::uint32_t colourFactor = 0;             // ARGB factor used with colourOp
  float posX = 0, posY = 0;                   // centre (pivot) on the stage, pixels
  float scaleX = 0, scaleY = 0;
  float rotX = 0, rotY = 0, rotZ = 0;  // degrees
  int tilesAcross = 0, tilesDown = 0, tileCount = 0;
  int texWidth = 0, texHeight = 0;  // size of the first tile's texture
  std::array<int, kMaxTiles> tileTexWidth{}, tileTexHeight{};
  // Pixels that the 2 model units of one tile quad stand for: the texture size for a single
  // tile, the tile maximums for several. Frame composition maps model units with these.
  int tileSpanWidth = 0, tileSpanHeight = 0;
  float pivotX = 0, pivotY = 0;  // 0 left/top edge, 1 centre, 2 right/bottom edge
  std::vector<std::uint8_t> pixels;  // width * height * 4 bytes B,G,R,A, top-down; owned
  bool opaque = false;  // the textures hold `pixels` and every one has alpha 255 (loadTexture)
  std::array<TextureHandle, kMaxTiles> tiles{};
  std::array<std::array<TextureVertex, 4>, kMaxTiles> vertices{};  // strip order per tile

  TextureImage() = default;
  TextureImage(const TextureImage&) = delete;
  TextureImage& operator=(const TextureImage&) = delete;
  ~TextureImage();  // releases the tile textures
};

using TextureHolder = std::unique_ptr<TextureImage>;

// ---- Settings the device reads (filled from the settings file at start-up) ----
struct DeviceSettings {
  int maxTextureSize = 0;         // not 0: the tile maximum for both sides
  int fixationTexturePow2 = 0;    // not 0: single-tile textures get power-of-two sides
  int fixationTextureSquare = 0;  // not 0: textures are square
  int vsyncWait = 1;              // bit 0: wait for vertical sync; bit 1: also wait for the GPU
  int limitFps = 0;               // not 0: frames a second; 0: the display's refresh rate
};
const DeviceSettings& deviceSettings();
// Each setter takes effect at once, also on a running device.
void setMaxTextureSize(int value);
void setFixationTexturePow2(int value);
void setFixationTextureSquare(int value);
void setVSyncWait(int value);
void setLimitFps(int value);

// ---- Device life ----
// Creates the context on platform::mainSdlWindow(), appends the capability report to
// Information.txt and builds the rule threshold table. A failure is shown in the error box.
bool initDevice();
// The five surfaces g_pBackBuffer, g_pBackSurface, g_pRenderTexture (+ g_pRenderSurface),
// g_pTexture, then the default state; the main target is bound and cleared to black.
bool createRenderTargets();
void releaseRenderTargets();
// Start-up's one call (initDevice, then createRenderTargets) and shut-down's one call.
bool startDevice();

// Called after every presented frame (the soak test's statistics); null for none.
void setPresentObserver(void (*observer)());
void shutDownDevice();
bool hasDevice();  // false with --video=none and before initDevice

// ---- Pictures ----
// Makes or refreshes the record in `holder` from a B,G,R,A picture; the record takes the
// pixel buffer. Same size as the record already held: the textures are rewritten in place.
// On failure the error is reported as a script error and the holder is left null.
bool loadTexture(TextureHolder& holder, image::PixelImage&& picture);
// One empty (transparent) texture of width x height, for pictures the program draws itself.
bool createBlankTexture(TextureHolder& holder, int width, int height, bool forcePow2);
// Frees textures, buffer and record; the holder becomes null.
void releaseTextureImage(TextureHolder& holder);
// Frees textures and buffer but keeps the record (before refilling it).
void releaseTextures(TextureImage& image);
// Moves the pivot (0 left/top edge, 1 centre, 2 right/bottom edge) and shifts the tile
// vertices with it, so the new pivot is the point that lands on (posX, posY).
void setPivot(TextureImage& image, float pivotX, float pivotY);
// Rewrites the whole texture of `tile` from a B,G,R,A buffer of the texture's size
// (tileTexWidth x tileTexHeight) with rows `pitchBytes` apart. For pictures drawn by the
// program into a blank texture. False if there is no such tile texture.
bool writeTextureTile(TextureImage& image, int tile, const std::uint8_t* bgra, int pitchBytes);

// ---- Plain textures (glyph cells and other screen-space pictures) ----
// A texture of width x height, transparent black; 0 on failure or without a device.
TextureHandle createPlainTexture(int width, int height);
std::size_t liveTextureCount();  // textures made and not yet released (run statistics)
// Rewrites the whole texture from a B,G,R,A buffer with rows `pitchBytes` apart.
bool uploadPlainTexture(TextureHandle texture, int width, int height, const std::uint8_t* bgra, int pitchBytes);
void releasePlainTexture(TextureHandle& texture);

// ---- Writing a texture in place (movie frames) ----
// The storage of a width x height region at the top-left of `texture` for writing, as a
// lock that discards the old contents gives it: B,G,R,A rows top-down, pitchBytes apart,
// undefined until written. Null without a device. One lock at a time.
std::uint8_t* lockTexture(TextureHandle texture, int width, int height, int& pitchBytes);
// Ends the lock: the top-left writtenWidth x writtenHeight of what was written replace the
// texture's pixels there; 0 x 0 keeps the texture as it was (a write that went wrong).
void unlockTexture(TextureHandle texture, int writtenWidth, int writtenHeight);
// Copies the top-left width x height texels of `texture` onto the bound target with their
// top-left corner at (left, top), one texel a pixel, replacing what was there: what a quad
// drawn with the copy preset and point sampling leaves, for the price of a copy.
void copyTextureToTarget(TextureHandle texture, int width, int height, int left, int top);

// ---- Drawing state and drawing ----
// Entry `index` (0..8) of the blend preset table; the tint stage is reset by it.
void setBlendPreset(unsigned index);
// The tint stage (texture stage 1): a texture operation number applied to the colour with
// argument 1 the current colour and argument 2 the factor (ARGB). 0 or 1 switches it off.
void setTintStage(std::uint32_t colourOp, std::uint32_t factorArgb);
// Sampler 0: linear (true) or point (false) filtering.
void setLinearFiltering(bool linear);

enum class RenderTarget { BackBuffer, BackSurface, RenderSurface };
// The target that finished frames are drawn into: the back surface in the stretched
// full-screen modes, else the back buffer.
void setStretchedMainTarget(bool stretched);
RenderTarget mainTarget();
void bindRenderTarget(RenderTarget target);
// Binds `target` and says whether it can be drawn into: 0, or the Direct3D code of the fault.
std::uint32_t setRenderTarget(RenderTarget target);
void clearRenderTarget(std::uint32_t argb);
int stretchFilter();  // 2 linear, 1 point, 0 none: the filter of the final stretch
TextureHandle ruleTexture();    // g_pTexture: screen-sized, B,G,R,A (rule pictures, movie frames)
TextureHandle renderTexture();  // g_pRenderTexture: what the render surface holds, rows top-down
// The far corner of the stage in the screen-sized textures' coordinates (1, 1 while the
// screen is 800 x 600).
void stageTextureCoordinates(float& u, float& v);

// A screen-space quad at pixel edges (left, top)-(right, bottom) of the bound target, the
// texture spanning it whole, vertex colour `argb`, with the current blend state. One texel
// lands on one pixel when the quad has the texture's size: there is no half-pixel offset.
void drawScreenQuad(TextureHandle texture, float left, float top, float right, float bottom, std::uint32_t argb);
// The whole stage covered by the stage part of a screen-sized texture (the render texture,
// the rule texture): their top-left 800 x 600, whatever the screen size, one texel a pixel.
void drawStageTextureQuad(TextureHandle texture, std::uint32_t argb);
// The rule of rule transitions: the blue value of each of the 800 x 600 stage pixels, rows
// top-down. Kept until the next rule. False without a device or on failure.
bool uploadRuleBlue(const std::uint8_t* blue);
// The rule frame: `stage` (the render texture) over the bound target with an opacity per
// pixel from the rule's blue value b: 255 everywhere for gradation 0, else
// clamp(255 x (level - b) / gradation, 0, 255) with truncating division.
void drawRuleQuad(TextureHandle stage, int level, int gradation);
// Every tile of `image` with the picture's top-left corner at (left, top) of the bound
// target, unscaled and unrotated, with its blend preset, tint and vertex colours.
// Skipped when alpha is 0.
void drawTextureImageAt(const TextureImage& image, float left, float top);

// Every tile of `textures` with the vertices of `props` (usually the same record), through
// `transform` (column-major, Direct3D-style clip space: y up, depth 0..1) over the 800 x 600
// stage at the top-left of the bound target, with the current blend and tint state.
void drawPictureTiles(const TextureImage& textures, const TextureImage& props, const std::array<float, 16>& transform);

// StretchRect: copies a rectangle of one surface into a rectangle of another (rows
// top-down in both), scaled with `filter` (stretchFilter()'s values). The Direct3D code of
// a failure, kD3dOk (0) on success.
struct SurfaceRect {
  int left = 0, top = 0, right = 0, bottom = 0;  // right and bottom exclusive
};
std::uint32_t stretchRect(RenderTarget from, const SurfaceRect& source, RenderTarget to, const SurfaceRect& destination,
                          int filter);

// ---- Presentation ----
// Makes the window the main target of the frame about to be drawn, when the stage is shown
// unscaled: the caller vouches that the frame's first picture hides the whole stage, since
// the window keeps nothing of the last frame. Only drawScene's kind of drawing may go there
// (textured quads); presentFrame ends it. False (the frame goes into the main target as
// usual) when the stage is shown scaled or there is no device.
bool beginWindowFrame();
// Paces and presents the main target to the window (see readPresentedFrame). 1 on success, 0
// after a reported failure (the script is asked to stop).
int presentFrame();
// Shows the last presented frame in the window again (the window lost it: a modal box was
// over it). Does nothing in the middle of a frame.
void repaintPresentedFrame();
// True while the frame a present will follow is drawn into the stage: the presented frame
// the stage holds need not be kept aside from it.
void setDrawingStageFrame(bool drawing);
// True when the main target holds the last presented frame (or can be given it again from
// its recorded draws): nothing else was drawn there since, and the stage is not stretched.
// A frame that changes a few pictures may then draw only where they were and are.
bool stageHoldsPresentedFrame();
// Limits drawing into the bound surface to `area` (stage pixels, rows top-down); null lifts
// the limit.
void setStageScissor(const SurfaceRect* area);
// The textures whose pixels changed, or which were deleted, since the last call; `overflow`
// is set when too many changed to keep track of them one by one.
void takeChangedTextures(std::vector<TextureHandle>& out, bool& overflow);
// The pacing wait presentFrame begins with, for a frame that has nothing new to show.
void paceFrame();
// Ms until the pacing lets the next frame be presented (0: now).
int msUntilFrameDue();
// Draws into the window's strip above the stage (the menu) after the stage is shown; called
// with the default framebuffer bound, in window pixels.
using WindowOverlayDrawer = void (*)(int drawableWidth, int drawableHeight);
void setWindowOverlayDrawer(WindowOverlayDrawer drawer);
// Copies an opaque picture into the window at (x, y), window pixels; only inside the
// overlay drawer.
void blitPictureToWindow(const image::PixelImage& picture, int x, int y);
// Takes the pacing rate from LimitFPS, else from the refresh rate the display was set up
// with (a rate the system cannot report counts as 60). presentFrame does this every frame.
void refreshPacingFromDisplay();
// Part of a display-mode change: the back buffer becomes width x height.
bool changeScreenSize(int width, int height, bool skipIfSame);
// The back buffer's size (the stage size without a device).
void backBufferSize(int& width, int& height);
// The frame as last presented: 800 x 600, B,G,R,A (alpha 255), rows top-down; black before
// the first present. False without a device.
bool readPresentedFrame(image::PixelImage& out);

// ---- Tables ----
// The name used in every device failure message ("D3DERR_NOTFAUND 153" for unknown codes).
std::string d3dErrorName(std::uint32_t code);
// Rule transitions: row c (0..512) of 1024 thresholds; built by initDevice.
const std::uint8_t* ruleThresholdRow(int c);

}  // namespace graphics
