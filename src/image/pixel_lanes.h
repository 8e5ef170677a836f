// The four channels of a B, G, R, A pixel as one GCC/Clang vector, so that the blur and the
// mosaic sum, weigh and divide a pixel in one go; shared by those two filters.
#pragma once
#include <cstdint>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace image::lanes {

using U16x4 = std::uint16_t __attribute__((vector_size(8)));
using U32x4 = std::uint32_t __attribute__((vector_size(16)));
using U64x4 = std::uint64_t __attribute__((vector_size(32)));
using I32x4 = std::int32_t __attribute__((vector_size(16)));
using F32x4 = float __attribute__((vector_size(16)));
using F64x4 = double __attribute__((vector_size(32)));
using U8x4 = std::uint8_t __attribute__((vector_size(4)));

// Every x86-64 processor has SSE2; elsewhere the compiler's generic vectors do the same work.
#if defined(__SSE2__)

inline U32x4 loadPixel(const std::uint8_t* p) {
  std::int32_t word;
  std::memcpy(&word, p, 4);
  const __m128i zero = _mm_setzero_si128();
  return reinterpret_cast<U32x4>(_mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(word), zero), zero));
}

// A 32-bit picture's pixel as the blur and the mosaic sum it: each colour c becomes
// c x (a + (a >= 128)) >> 8, the alpha stays (a x 256 >> 8). Every product is below 2^16,
// so one 16-bit multiply serves the 32-bit lanes.
inline U32x4 weightedPixel(const std::uint8_t* p) {
  const std::uint32_t f = p[3] + (p[3] >= 128 ? 1u : 0u);
  const __m128i factor = _mm_set_epi32(256, static_cast<int>(f), static_cast<int>(f), static_cast<int>(f));
  return reinterpret_cast<U32x4>(_mm_srli_epi32(_mm_mullo_epi16(reinterpret_cast<__m128i>(loadPixel(p)), factor), 8));
}

// Lanes 0..255 to the pixel's four bytes.
inline void storePixel(std::uint8_t* p, U32x4 v) {
  __m128i packed = _mm_packs_epi32(reinterpret_cast<__m128i>(v), reinterpret_cast<__m128i>(v));
  packed = _mm_packus_epi16(packed, packed);
  const std::int32_t word = _mm_cvtsi128_si32(packed);
  std::memcpy(p, &word, 4);
}

#else

inline U32x4 loadPixel(const std::uint8_t* p) {
  U8x4 v;
  std::memcpy(&v, p, 4);
  return __builtin_convertvector(v, U32x4);
}

inline U32x4 weightedPixel(const std::uint8_t* p) {
  const std::uint32_t f = p[3] + (p[3] >= 128 ? 1u : 0u);
  const U32x4 factor = {f, f, f, 256};
  return (loadPixel(p) * factor) >> 8;
}

inline void storePixel(std::uint8_t* p, U32x4 v) {
  const U8x4 bytes = __builtin_convertvector(v, U8x4);
  std::memcpy(p, &bytes, 4);
}

#endif

}  // namespace image::lanes
