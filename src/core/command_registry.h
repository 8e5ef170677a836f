// The table of script commands: lowercase names to handlers, filled once at start-up from
// each subsystem's own table and read-only afterwards.
#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace core {

// A handler receives the statement's argument text: the bytes after the command name,
// leading blank included.
using CommandHandler = void (*)(std::string_view args);

// The maxArguments of a command that takes its minimum or any more (split's result variables).
constexpr std::int8_t kNoArgumentLimit = -1;

// One command of a subsystem's table. The registry sets the name error messages give
// before the handler runs, so handlers do not.
struct CommandEntry {
  std::string_view name;              // lowercase, as scripts are matched
  CommandHandler handler;
  const char* displayName = nullptr;  // the name in error messages ("eventWait"); null: `name`
  // How many arguments the command takes; the handler checks against these (see
  // checkArgumentCount). minArguments -1: the handler applies a rule of its own.
  std::int8_t minArguments = -1, maxArguments = -1;
};

struct ArgumentCounts {
  std::size_t min = 0;
  std::size_t max = 0;  // SIZE_MAX for kNoArgumentLimit
};

// The range of the entry; nothing for a null entry or one whose handler has a rule of its own.
std::optional<ArgumentCounts> argumentCounts(const CommandEntry* entry);

void addCommands(std::span<const CommandEntry> table);
// The entry of a command; null when there is none. Tools that read scripts (an authoring
// checker) look commands up here, in the same tables the interpreter runs.
const CommandEntry* findCommandEntry(std::string_view name);
CommandHandler findCommand(std::string_view name);
// Sets the error name of the entry and runs its handler.
void runCommand(const CommandEntry& entry, std::string_view args);
// The entry whose handler is running; null outside a command.
const CommandEntry* currentCommand();
std::size_t commandCount();

// Empties the registry (app::registerCommands fills it at start-up).
void clearCommands();

}  // namespace core
