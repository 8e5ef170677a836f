#include "core/command_registry.h"

#include <array>
#include <cstdint>
#include <unordered_map>

#include "core/error_report.h"

namespace core {
namespace {

struct NameHash {
  std::size_t operator()(std::string_view s) const noexcept {
    std::size_t h = 1469598103934665603ull;  // FNV-1a: names are short, this is cheap
    for (unsigned char c : s) h = (h ^ c) * 1099511628211ull;
    return h;
  }
};

// Commands can run inside commands (a tag in text a command shows), so each nesting depth
// keeps its own arguments; reusing them spares an allocation per statement.
constexpr std::size_t kKeptDepths = 8;

struct Registry {
  std::unordered_map<std::string_view, const CommandEntry*, NameHash> entries;  // into the static tables
  const CommandEntry* running = nullptr;
  std::size_t depth = 0;
  std::array<Arguments, kKeptDepths> arguments;
} registry;

}  // namespace

void addCommands(std::span<const CommandEntry> table) {
  for (const CommandEntry& e : table) registry.entries[e.name] = &e;
}

const CommandEntry* findCommandEntry(std::string_view name) {
  auto it = registry.entries.find(name);
  return it == registry.entries.end() ? nullptr : it->second;
}

CommandHandler findCommand(std::string_view name) {
  const CommandEntry* e = findCommandEntry(name);
  return e ? e->handler : nullptr;
}

void runCommand(const CommandEntry& entry, std::string_view args) {
  setCommandName(errorName(entry));
  const CommandEntry* outer = registry.running;
  registry.running = &entry;
  Arguments deeper;
  Arguments& call = registry.depth < kKeptDepths ? registry.arguments[registry.depth] : deeper;
  ++registry.depth;
  bool read = true;
  if (entry.signature && entry.reading != ArgumentReading::ByHandler) {
    read = readArguments(entry, args, call);
  } else {
    call.text = args;  // the handler reads the text itself
    call.list.clear();
  }
  if (read) entry.handler(call);
  --registry.depth;
  registry.running = outer;
}

const CommandEntry* currentCommand() { return registry.running; }

const Signature* entrySignature(const CommandEntry* entry) {
  return entry && entry->signature ? &entry->parsed : nullptr;
}

std::optional<ArgumentCounts> argumentCounts(const CommandEntry* entry) {
  const Signature* sig = entrySignature(entry);
  if (!sig || entry->reading == ArgumentReading::Whole) return std::nullopt;
  return ArgumentCounts{sig->min, sig->max};
}

std::string_view errorName(const CommandEntry& entry) {
  return entry.displayName ? std::string_view(entry.displayName) : entry.name;
}

std::size_t commandCount() { return registry.entries.size(); }

void clearCommands() { registry.entries.clear(); }

}  // namespace core
