#include "check/command_facts.h"

#include "core/command_registry.h"

namespace check {
namespace {

// Arguments that name files. A font argument counts only when it names a font file
// (.ttf, .otf, .ttc); otherwise it is a face name for fontconfig.
constexpr FileArgument kFileArguments[] = {
    {"sp", 1, FileKind::Picture},        {"sp.st", 1, FileKind::Picture},
    {"setwallpaper", 0, FileKind::Picture}, {"print", 2, FileKind::Picture},
    {"sd", 1, FileKind::Sound},          {"sd.load", 1, FileKind::Sound},
    {"mpegplay", 0, FileKind::Movie},    {"setcursor", 0, FileKind::Cursor},
    {"setfontfile", 0, FileKind::Font},  {"setfontfile", 1, FileKind::Font},
    {"ssp.set", 0, FileKind::Font},      {"loadfile", 0, FileKind::LoadedFile},
    {"loadtext", 0, FileKind::LoadedFile},
};

}  // namespace

// Both read the registry entry, the same one the dispatcher and the handlers use.
std::optional<ArgumentRange> argumentRange(std::string_view command) {
  return core::argumentCounts(core::findCommandEntry(command));
}

std::string_view errorName(std::string_view command) {
  const core::CommandEntry* e = core::findCommandEntry(command);
  if (!e) return {};
  return e->displayName ? std::string_view(e->displayName) : e->name;
}

std::span<const FileArgument> fileArguments() { return kFileArguments; }

const char* fileKindName(FileKind kind) {
  switch (kind) {
    case FileKind::Picture: return "picture";
    case FileKind::Sound: return "sound";
    case FileKind::Movie: return "movie";
    case FileKind::Font: return "font file";
    case FileKind::Cursor: return "cursor";
    case FileKind::LoadedFile: return "file";
  }
  return "file";
}

}  // namespace check
