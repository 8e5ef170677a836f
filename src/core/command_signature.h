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
  const SignatureItem& item(std::size_t i) const { return items[i < count ? i : count - 1]; }
};

// Nothing for a text that is no signature (an unknown letter, a required item after an
// optional one, too many items); the table test reads every entry through this.
std::optional<Signature> parseSignature(std::string_view text);

bool isValueKind(ArgumentKind kind);  // evaluated as an expression (not a variable or target)
bool isStringKind(ArgumentKind kind); // a value that must be a string: files and labels too
bool isFileKind(ArgumentKind kind);
const char* argumentKindName(ArgumentKind kind);  // "picture", "number variable", ...

}  // namespace core
