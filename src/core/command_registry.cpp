#include "core/command_registry.h"

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

struct Registry {
  std::unordered_map<std::string_view, const CommandEntry*, NameHash> entries;  // into the static tables
  const CommandEntry* running = nullptr;
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
  setCommandName(entry.displayName ? std::string_view(entry.displayName) : entry.name);
  const CommandEntry* outer = registry.running;
  registry.running = &entry;
  entry.handler(args);
  registry.running = outer;
}

const CommandEntry* currentCommand() { return registry.running; }

std::optional<ArgumentCounts> argumentCounts(const CommandEntry* entry) {
  if (!entry || entry->minArguments < 0) return std::nullopt;
  const std::size_t max = entry->maxArguments == kNoArgumentLimit ? SIZE_MAX : static_cast<std::size_t>(entry->maxArguments);
  return ArgumentCounts{static_cast<std::size_t>(entry->minArguments), max};
}

std::size_t commandCount() { return registry.entries.size(); }

void clearCommands() { registry.entries.clear(); }

}  // namespace core
