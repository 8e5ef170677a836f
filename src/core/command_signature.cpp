#include "core/command_signature.h"

namespace core {
namespace {

std::optional<ArgumentKind> kindOfLetter(char c) {
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

}  // namespace

std::optional<Signature> parseSignature(std::string_view text) {
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

bool isValueKind(ArgumentKind kind) {
  return kind != ArgumentKind::NumberVariable && kind != ArgumentKind::StringVariable && kind != ArgumentKind::Target;
}

bool isStringKind(ArgumentKind kind) { return isValueKind(kind) && kind != ArgumentKind::Number; }

bool isFileKind(ArgumentKind kind) {
  switch (kind) {
    case ArgumentKind::Picture:
    case ArgumentKind::Sound:
    case ArgumentKind::Movie:
    case ArgumentKind::Font:
    case ArgumentKind::Cursor:
    case ArgumentKind::DataFile: return true;
    default: return false;
  }
}

const char* argumentKindName(ArgumentKind kind) {
  switch (kind) {
    case ArgumentKind::Number: return "number";
    case ArgumentKind::String: return "string";
    case ArgumentKind::NumberVariable: return "number variable";
    case ArgumentKind::StringVariable: return "string variable";
    case ArgumentKind::Picture: return "picture";
    case ArgumentKind::Sound: return "sound";
    case ArgumentKind::Movie: return "movie";
    case ArgumentKind::Font: return "font file";
    case ArgumentKind::Cursor: return "cursor";
    case ArgumentKind::DataFile: return "file";
    case ArgumentKind::Target: return "target";
  }
  return "argument";
}

}  // namespace core
