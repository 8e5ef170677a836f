// The table of script commands: lowercase names to handlers, filled once at start-up from
// each subsystem's own table and read-only afterwards.
#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "core/arguments.h"
#include "core/command_signature.h"

namespace core {

// A handler receives its arguments already checked against the entry's signature; handlers
// that read their text themselves find it in `args.text` (the bytes after the command name,
// leading blank included).
using CommandHandler = void (*)(const Arguments& args);

// How the argument text becomes arguments before the handler runs.
enum class ArgumentReading : std::uint8_t {
  // Split at ",", every piece evaluated; then the count and each kind checked in order.
  Values,
  // Split at "," outside quotes; the count checked, then each piece evaluated (or resolved,
  // for a variable) and checked in turn, so a fault stops before later pieces are evaluated.
  InTurn,
  // The whole text is the one argument, evaluated or resolved; there is no count.
  Whole,
  // The handler reads the text by rules no signature says; the signature still tells the
  // checker and the reference what the command takes.
  ByHandler,
};

// A rule of the command's own on one argument, checked in its turn right after its kind
// (a stream number before the file name that follows it). False after reporting.
using ArgumentRule = bool (*)(std::size_t index, const Argument& argument);

// One command of a subsystem's table. The registry sets the name error messages give
// before the handler runs, so handlers do not.
struct CommandEntry {
  std::string_view name;              // lowercase, as scripts are matched
  CommandHandler handler = nullptr;
  const char* displayName = nullptr;  // the name in error messages ("eventWait"); null: `name`
  // The kinds of the arguments (see command_signature.h); null: the command reads no
  // argument and ignores any text after its name, or (ByHandler) reads it by its own rules.
  const char* signature = nullptr;
  ArgumentReading reading = ArgumentReading::Values;
  ArgumentRule rule = nullptr;
  Signature parsed{};  // `signature`, read as the table is compiled

  constexpr CommandEntry(std::string_view name_, CommandHandler handler_, const char* displayName_ = nullptr,
                         const char* signature_ = nullptr, ArgumentReading reading_ = ArgumentReading::Values,
                         ArgumentRule rule_ = nullptr)
      : name(name_), handler(handler_), displayName(displayName_), signature(signature_), reading(reading_),
        rule(rule_), parsed(signature_ ? readSignature(signature_) : Signature{}) {}

 private:
  // Reached while a constexpr table is built, the throw stops the build at a bad signature.
  static constexpr Signature readSignature(const char* text) {
    const std::optional<Signature> sig = parseSignature(text);
    if (!sig) throw "not an argument signature";
    return *sig;
  }
};

struct ArgumentCounts {
  std::size_t min = 0;
  std::size_t max = 0;  // kNoArgumentLimit for a command that takes its minimum or any more
};

// The entry's signature; null for a null entry or one without a signature.
const Signature* entrySignature(const CommandEntry* entry);
// The range of comma-separated arguments the entry takes; nothing for a null entry, one
// without a signature, or one that reads its whole text as one argument.
std::optional<ArgumentCounts> argumentCounts(const CommandEntry* entry);
// The name the entry's errors are reported under.
std::string_view errorName(const CommandEntry& entry);

void addCommands(std::span<const CommandEntry> table);
// The entry of a command; null when there is none. Tools that read scripts (an authoring
// checker) look commands up here, in the same tables the interpreter runs.
const CommandEntry* findCommandEntry(std::string_view name);
CommandHandler findCommand(std::string_view name);
// Sets the error name of the entry, reads and checks its arguments and, when they pass,
// runs its handler.
void runCommand(const CommandEntry& entry, std::string_view args);
// The entry whose handler is running; null outside a command.
const CommandEntry* currentCommand();
std::size_t commandCount();

// Empties the registry (app::registerCommands fills it at start-up).
void clearCommands();

}  // namespace core
