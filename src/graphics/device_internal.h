// What the device's own files share. GL-free on purpose: the texture record's geometry and
// the tables can be built and tested without a context. Only the files named *_gl.cpp talk
// to OpenGL; they implement the functions below.
#pragma once
#include <cstdint>
#include <string>

#include "graphics/device.h"

namespace graphics::detail {

// Direct3D result codes, kept because failure messages name them.
constexpr std::uint32_t kD3dOk = 0x00000000;
constexpr std::uint32_t kEOutOfMemory = 0x8007000E;
constexpr std::uint32_t kD3dErrOutOfVideoMemory = 0x8876017C;
constexpr std::uint32_t kD3dErrDriverInternalError = 0x88760827;
constexpr std::uint32_t kD3dErrNotFound = 0x88760866;
constexpr std::uint32_t kD3dErrDeviceLost = 0x88760868;
constexpr std::uint32_t kD3dErrNotAvailable = 0x8876086A;
constexpr std::uint32_t kD3dErrInvalidDevice = 0x8876086B;
constexpr std::uint32_t kD3dErrInvalidCall = 0x8876086C;

// The Direct3D code nearest to a GL error (glGetError value or framebuffer status).
std::uint32_t d3dCodeFromGlError(unsigned glError);

// "prefix" + d3dErrorName(code); prefixes end in a blank, as every such message reads.
std::string failureText(const char* prefix, std::uint32_t code);

// How a picture becomes tiles: the tile maximums and the rounding rules in force.
struct TileLimits {
  int maxWidth = 0, maxHeight = 0;  // TW, TH
  bool pow2 = false;                // single tile: power-of-two sides
  bool square = false;              // square textures
};
TileLimits currentTileLimits();

// Tiles across and down of a width x height picture under `limits` (64-bit: a tiny tile
// maximum must not overflow the product).
void countTiles(int width, int height, const TileLimits& limits, std::int64_t& across, std::int64_t& down);

// Lays out the tiles of a picture of width x height: tiling, texture sizes and vertices,
// with the record's pivot factors. The picture must need at most kMaxTiles tiles.
void layoutPicture(TextureImage& r, int width, int height, const TileLimits& limits);
// One tile of exactly the picture's size (rounded up only by the power-of-two and square
// rules), for pictures the program draws itself.
void layoutBlank(TextureImage& r, int width, int height, bool pow2, bool square);

// The rectangle of the picture that tile `tile` covers.
struct TileRect {
  int x = 0, y = 0, width = 0, height = 0;
};
TileRect tileRect(const TextureImage& r, int tile);

int nextPowerOfTwo(int v);  // v itself when it is one; 1 for v <= 1

// ---- implemented by the GL files ----
bool deviceAlive();
int deviceMaxTextureSize();  // GL_MAX_TEXTURE_SIZE, 0 without a device
bool deviceBlendOpCapability();
// Tests draw the subtractive preset's form for devices without a subtracting blend.
void overrideBlendOpCapability(bool available);

// A texture of texWidth x texHeight whose top-left coverWidth x coverHeight come from
// `src` (rows of srcRowPixels pixels) and whose remainder is transparent black; `src` may be
// null for an all-transparent texture. 0 with `code` set on failure.
TextureHandle createTileTexture(int texWidth, int texHeight, const std::uint8_t* src, int srcRowPixels, int coverWidth,
                                int coverHeight, std::uint32_t& code);
// Rewrites the top-left coverWidth x coverHeight of an existing texture.
bool updateTileTexture(TextureHandle texture, const std::uint8_t* src, int srcRowPixels, int coverWidth,
                       int coverHeight);
void deleteTexture(TextureHandle& texture);

// Pacing (frame_pacing.cpp): n frames a second become periodMs and stepFrames.
struct Pacing {
  std::uint32_t periodMs = 50;   // 1000 / gcd(1000, n)
  std::uint32_t stepFrames = 3;  // n / gcd(1000, n)
  std::uint32_t lastMs = 0;
  std::int64_t carry = 0;  // milliseconds x frames left over from earlier frames
  bool started = false;
};
void setPacingRate(Pacing& p, int framesPerSecond);  // <= 1 counts as 60
// One frame's wait: sleeps in 1 ms steps on the engine clock until the frame is due.
void waitForFrame(Pacing& p);
// Ms until waitForFrame would return at once.
int framesDueIn(const Pacing& p);

// The capability report appended to Information.txt (capability_report.cpp).
struct Capabilities {
  int screenFormat = 22;
  int deviceType = 1;  // 1 HAL (hardware), 2 REF (software rasteriser)
  bool readScanline = false;
  bool canManageResource = true, dynamicTextures = true;
  bool alphaFullscreenFlipOrDiscard = true, copyToVidmem = true, copyToSystemmem = true;
  bool intervalImmediate = true, intervalOne = false;
  bool drawPrimTlVertex = true, hwTransformAndLight = true, pureDevice = false, textureNonLocalVidmem = false;
  bool blendOp = true, separateAlphaBlend = true;
  bool textureAlpha = true, textureMipmap = true, pow2 = false, squareOnly = false;
  bool filterMagPoint = true, filterMinPoint = true, filterMipPoint = true;
  bool filterMagLinear = true, filterMinLinear = true, filterMipLinear = true;
  bool addressMirror = true, addressClamp = true, addressMirrorOnce = false;
  int maxTextureWidth = 0, maxTextureHeight = 0, maxTextureRepeat = 0;
  bool opBlendCurrentAlpha = true, opDisable = true, opSelectArg1 = true, opAdd = true, opSubtract = true,
       opModulate = true;
  int maxTextureBlendStages = 0, maxSimultaneousTextures = 0;
  int vertexShaderMajor = 0, vertexShaderMinor = 0, maxVertexShaderConst = 0;
  int pixelShaderMajor = 0, pixelShaderMinor = 0;
  double pixelShader1xMaxValue = 0;
  int numSimultaneousRts = 0;
  bool stretchMinPoint = true, stretchMagPoint = true, stretchMinLinear = true, stretchMagLinear = true;
  bool vertexTextureFilter = false;
};
std::string formatCapabilityReport(const Capabilities& c);
// Appends `text` to Information.txt in the working folder; nothing when it cannot be opened.
void appendInformation(const std::string& text);

}  // namespace graphics::detail
