// The table of script commands: lowercase names to handlers, filled once at start-up from
// each subsystem's own table and read-only afterwards.
#pragma once
#include <span>
#include <string_view>

namespace core {

// A handler receives the statement's argument text: the bytes after the command name,
// leading blank included.
using CommandHandler = void (*)(std::string_view args);

struct CommandEntry {
  std::string_view name;
  CommandHandler handler;
};

void addCommands(std::span<const CommandEntry> table);
CommandHandler findCommand(std::string_view name);
std::size_t commandCount();

// Fills the registry with every subsystem's table (start-up).
void registerCommands();

}  // namespace core
