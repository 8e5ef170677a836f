// A command's argument signature: the kinds of its arguments in order, written in its table
// entry ("n P [n]": a number, a picture file, an optional number). The dispatcher checks
// arguments against it, the checker reads counts and file names from it, and the command
// reference prints it, so the three cannot drift apart.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace core {

enum class ArgumentKind : std::uint8_t {
  Number,          // n
  String,          // s
  NumberVariable,  // N: a %reference that receives a result
  StringVariable,  // S: a $reference that receives a result
  Picture,         // P: a picture file (BMP, PNG, JPEG)
  Sound,           // A: an Ogg Vorbis file
  Movie,           // M: a movie file
  Font,            // F: a face name, or a font file (.ttf, .otf, .ttc)
  Cursor,          // C: a cursor file (.ani, .cur) or a picture
  DataFile,        // D: any file read whole
  Target,          // T: a piece the handler reads itself: a variable with an optional
                   //    "= default", or a reference that may name nothing
};

struct SignatureItem {
  ArgumentKind kind = ArgumentKind::Number;
  bool optional = false;   // [x]: may be left off at the end
  bool omittable = false;  // x?: an empty piece is taken as left out
};

// The maximum of a signature whose last item repeats ("S...").
constexpr std::size_t kNoArgumentLimit = SIZE_MAX;
constexpr std::size_t kMaxSignatureItems = 12;

struct Signature {
  std::array<SignatureItem, kMaxSignatureItems> items{};
  std::size_t count = 0;        // items written
  std::size_t min = 0, max = 0;  // arguments accepted; max kNoArgumentLimit when the last repeats

  // The item of argument i (0-based); the last one for arguments it repeats into.
  constexpr const SignatureItem& item(std::size_t i) const { return items[i < count ? i : count - 1]; }
};

// The kind a signature letter stands for.
constexpr std::optional<ArgumentKind> kindOfLetter(char c) {
  switch (c) {
    case 'n': return ArgumentKind::Number;
    case 's': return ArgumentKind::String;
    case 'N': return ArgumentKind::NumberVariable;
    case 'S': return ArgumentKind::StringVariable;
    case 'P': return ArgumentKind::Picture;
    case 'A': return ArgumentKind::Sound;
    case 'M': return ArgumentKind::Movie;
    case 'F': return ArgumentKind::Font;
    case 'C': return ArgumentKind::Cursor;
    case 'D': return ArgumentKind::DataFile;
    case 'T': return ArgumentKind::Target;
    default: return std::nullopt;
  }
}

// Nothing for a text that is no signature (an unknown letter, a required item after an
// optional one, too many items). Command tables are read through it as they are compiled, so
// a table with a bad signature does not build.
constexpr std::optional<Signature> parseSignature(std::string_view text) {
  Signature sig;
  bool repeats = false;
  std::size_t i = 0;
  while (i < text.size()) {
    if (text[i] == ' ') {
      ++i;
      continue;
    }
    if (repeats || sig.count == kMaxSignatureItems) return std::nullopt;  // "..." ends a signature
    SignatureItem item;
    const bool bracketed = text[i] == '[';
    if (bracketed) ++i;
    if (i >= text.size()) return std::nullopt;
    const std::optional<ArgumentKind> kind = kindOfLetter(text[i++]);
    if (!kind) return std::nullopt;
    item.kind = *kind;
    if (i < text.size() && text[i] == '?') {
      item.omittable = true;
      ++i;
    }
    if (text.substr(i, 3) == "...") {
      repeats = true;
      i += 3;
    }
    if (bracketed) {
      if (i >= text.size() || text[i] != ']') return std::nullopt;
      ++i;
    }
    item.optional = bracketed;
    // A required argument cannot follow one that may be left off.
    if (!bracketed && sig.count > 0 && sig.items[sig.count - 1].optional) return std::nullopt;
    if (!bracketed) ++sig.min;
    sig.items[sig.count++] = item;
  }
  sig.max = repeats ? kNoArgumentLimit : sig.count;
  return sig;
}

bool isValueKind(ArgumentKind kind);  // evaluated as an expression (not a variable or target)
bool isFileKind(ArgumentKind kind);
const char* argumentKindName(ArgumentKind kind);  // "picture", "number variable", ...

}  // namespace core
