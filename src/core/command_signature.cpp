#include "core/command_signature.h"

namespace core {

bool isValueKind(ArgumentKind kind) {
  return kind != ArgumentKind::NumberVariable && kind != ArgumentKind::StringVariable && kind != ArgumentKind::Target;
}

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
