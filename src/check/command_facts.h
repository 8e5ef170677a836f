// What the checker and the command reference need to know about each command beyond its
// handler: its argument-count range and error name (read from the registry entry), and which
// arguments name files.
#pragma once
#include <cstddef>
#include <optional>
#include <span>
#include <string_view>

#include "core/command_registry.h"

namespace check {

// max is SIZE_MAX for a command that takes any number from its minimum on.
using ArgumentRange = core::ArgumentCounts;

// The range the command's handler accepts, from its registry entry; nothing when the handler
// applies a rule of its own. The registry must be filled.
std::optional<ArgumentRange> argumentRange(std::string_view command);

// The name the command's errors are reported under, from its registry entry; empty for an
// unknown command.
std::string_view errorName(std::string_view command);

enum class FileKind { Picture, Sound, Movie, Font, Cursor, LoadedFile };

struct FileArgument {
  std::string_view command;
  std::size_t index;  // 0-based argument position
  FileKind kind;
};

// Every argument the engine opens as a file (archive first, then the game folder).
std::span<const FileArgument> fileArguments();

const char* fileKindName(FileKind kind);

}  // namespace check
