// Sizes the engine chooses for itself, none of which a script can observe: caches, tile
// sizes, pooled buffers and the chunks work is done in. A stress build (CMake option
// UTSUSHI_STRESS) shrinks each to a few entries or bytes, so that eviction, tiling, wrapping
// and refilling happen all the time in ordinary tests instead of only in long games.
#pragma once
#include <cstddef>
#include <cstdint>

namespace core {

#ifdef UTSUSHI_STRESS
inline constexpr bool kStressBuild = true;
#else
inline constexpr bool kStressBuild = false;
#endif

// Rasterised glyphs kept for reuse, by count and by bytes; the cache is emptied when either
// is reached (a game uses a few thousand distinct glyphs, a 1024-pixel glyph is 1 MiB).
inline constexpr std::size_t kGlyphCacheEntries = kStressBuild ? 8 : 40000;
inline constexpr std::size_t kGlyphCacheBytes = kStressBuild ? 16u << 10 : 48u << 20;

// The side of the largest texture a picture tile may use, below what the device allows.
// 0: the device's own limit. Under stress a stage-sized picture becomes 2 x 2 tiles.
inline constexpr int kTileSideCap = kStressBuild ? 512 : 0;

// Compiled regular expressions kept for reuse (scripts tend to run the same few in loops).
inline constexpr std::size_t kCachedPatterns = kStressBuild ? 2 : 16;

// The mixer: frames the device asks for in one callback, and the most bytes a converting
// stream takes from its ring in one step.
inline constexpr int kMixerDeviceFrames = kStressBuild ? 256 : 1024;
inline constexpr std::uint32_t kMixerConvertChunk = kStressBuild ? 64 : 4096;

// The most bytes of one half of a stream's ring, whatever the setting asks (0: no cap):
// under stress the worker refills many times a second and the ring wraps constantly.
inline constexpr std::uint32_t kStreamHalfCap = kStressBuild ? 2048 : 0;

}  // namespace core
