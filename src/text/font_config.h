// The fontconfig side of font look-up: one configuration for the run with aliases that map
// the Windows Japanese face names to the faces Linux ships, face matching for the Japanese
// language, and the list of installed Japanese faces.
#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace text {

// The default face of every renderer and the fall-back of every look-up, in UTF-8.
inline constexpr const char* kDefaultFaceUtf8 = "ＭＳ ゴシック";

struct InstalledFace {
  std::string file;
  int index = 0;  // face number inside a collection (.ttc)
};

// A scalable face for `familyUtf8`; nothing when neither the family nor an alias of ours is
// installed (the caller falls back to the default face).
std::optional<InstalledFace> matchInstalledFace(std::string_view familyUtf8, bool bold);

// Any scalable Japanese-capable face, the last resort.
std::optional<InstalledFace> matchAnyFace();

struct ListedFace {
  std::string name;  // UTF-8: the Japanese family name when the face has one
  bool fixedPitch = false;
};

// Installed outline faces (TrueType or OpenType) that cover Japanese, one per family,
// ordered by name so that a script sees the same numbering on every run.
std::vector<ListedFace> installedJapaneseFaces();

}  // namespace text
