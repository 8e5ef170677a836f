// The lookup tables behind picture composition and the cross-fade: every per-pixel quotient
// of a blend is read from a table built once at start-up, so no blend divides.
// Tables are indexed [base value i][overlay value j]. Read-only after the first call, so any
// thread may read them.
#pragma once
#include <array>
#include <cstdint>

namespace image {

using ByteTable = std::array<std::array<std::uint8_t, 256>, 256>;

struct BlendTables {
  ByteTable multiply;     // i*j/255
  ByteTable baseWeight;   // (255 - i)*j/255
  ByteTable alphaUnion;   // i + (255 - i)*j/255: coverage of two layers
  ByteTable add;          // min(i + j, 255)
  ByteTable subtract;     // max(i - j, 0)
  ByteTable linearBurn;   // max(i + j - 255, 0)
  ByteTable screen;       // i + j - i*j/255
  ByteTable darken;       // min(i, j)
  ByteTable lighten;      // max(i, j)
  ByteTable difference;   // |i - j|
  ByteTable exclusion;    // i + j - 2*i*j/255, the product term rounded to nearest
  ByteTable colourDodge;  // j = 255: 255, else min(i*255/(255 - j), 255)
  ByteTable colourBurn;   // j = 0: 0, else max(0, 255 - (255 - i)*255/j)
  ByteTable overlay;      // multiply or screen, doubled, chosen by the base
  ByteTable hardLight;    // the same chosen by the overlay
  ByteTable softLight;    // 255*(i/255)^e, e = 127.5/j from j = 128, else 2 - j/127.5
  ByteTable vividLight;   // colour dodge above the middle, colour burn below, of 2j
  ByteTable linearLight;  // clamp(i + 2j - 255, 0, 255)
  ByteTable pinLight;     // j >= 128: max(i, 2j - 255), else min(i, 2j)
  ByteTable hardMix;      // 255 where vivid light >= 128, else 0
  // round(j*256/i), 0 for i = 0: the share of the overlay j in a coverage i, in 1/256.
  std::array<std::array<std::uint32_t, 256>, 256> mixFactor;
  // round(65535/i), 0 for i = 0.
  std::array<std::uint32_t, 256> reciprocal;
};

// Built on first use; start-up calls it so that no picture waits for it.
const BlendTables& blendTables();

}  // namespace image
