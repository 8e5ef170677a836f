#include "core/command_registry.h"

#include <unordered_map>

#include "core/command_tables.h"

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
  std::unordered_map<std::string_view, CommandHandler, NameHash> handlers;
} registry;

}  // namespace

void addCommands(std::span<const CommandEntry> table) {
  for (const CommandEntry& e : table) registry.handlers[e.name] = e.handler;
}

CommandHandler findCommand(std::string_view name) {
  auto it = registry.handlers.find(name);
  return it == registry.handlers.end() ? nullptr : it->second;
}

std::size_t commandCount() { return registry.handlers.size(); }

void registerCommands() {
  registry.handlers.clear();
  for (auto table : allCommandTables()) addCommands(table);
}

}  // namespace core
