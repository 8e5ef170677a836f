// Number and string variables: 1000 numbered of each family, and named ones that exist
// once `int` or `string` declares them. Names are compared byte for byte.
#include <algorithm>
#include <array>
#include <iterator>
#include <unordered_map>

#include "core/expression.h"

namespace core {
namespace {

struct NameHash {
  using is_transparent = void;
  std::size_t operator()(std::string_view s) const noexcept {
    std::size_t h = 1469598103934665603ull;
    for (unsigned char c : s) h = (h ^ c) * 1099511628211ull;
    return h;
  }
};

struct Variables {
  std::array<std::int32_t, kNumberedVariables> numbers{};
  std::array<std::string, kNumberedVariables> strings;
  // Node-based maps: a loop keeps a pointer to its variable while others are declared.
  std::unordered_map<std::string, std::int32_t, NameHash, std::equal_to<>> namedNumbers;
  std::unordered_map<std::string, std::string, NameHash, std::equal_to<>> namedStrings;
};

Variables& vars() {
  static Variables v;
  return v;
}

}  // namespace

std::int32_t* numberedNumber(int index) {
  if (index < 0 || index >= kNumberedVariables) return nullptr;
  return &vars().numbers[static_cast<std::size_t>(index)];
}

std::string* numberedString(int index) {
  if (index < 0 || index >= kNumberedVariables) return nullptr;
  return &vars().strings[static_cast<std::size_t>(index)];
}

std::int32_t* namedNumber(std::string_view name) {
  auto& m = vars().namedNumbers;
  auto it = m.find(name);
  return it == m.end() ? nullptr : &it->second;
}

std::string* namedString(std::string_view name) {
  auto& m = vars().namedStrings;
  auto it = m.find(name);
  return it == m.end() ? nullptr : &it->second;
}

std::int32_t& declareNumber(std::string_view name) {
  auto& m = vars().namedNumbers;
  auto it = m.find(name);
  if (it == m.end()) it = m.emplace(std::string(name), 0).first;
  return it->second;
}

std::string& declareString(std::string_view name) {
  auto& m = vars().namedStrings;
  auto it = m.find(name);
  if (it == m.end()) it = m.emplace(std::string(name), std::string()).first;
  return it->second;
}

void resetVariables() {
  Variables& v = vars();
  v.numbers.fill(0);
  for (auto& s : v.strings) s.clear();
  v.namedNumbers.clear();
  v.namedStrings.clear();
}

namespace {

template <typename Map>
auto collectWithPrefix(const Map& m, std::string_view prefix) {
  std::vector<std::pair<std::string, typename Map::mapped_type>> out;
  for (const auto& [name, value] : m)
    if (std::string_view(name).starts_with(prefix)) out.emplace_back(name, value);
  std::sort(out.begin(), out.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  return out;
}

template <typename Map>
void eraseWithPrefix(Map& m, std::string_view prefix) {
  std::erase_if(m, [&](const auto& entry) { return std::string_view(entry.first).starts_with(prefix); });
}

}  // namespace

std::vector<std::pair<std::string, std::int32_t>> namedNumbersWithPrefix(std::string_view prefix) {
  return collectWithPrefix(vars().namedNumbers, prefix);
}

std::vector<std::pair<std::string, std::string>> namedStringsWithPrefix(std::string_view prefix) {
  return collectWithPrefix(vars().namedStrings, prefix);
}

void eraseNamedVariablesWithPrefix(std::string_view prefix) {
  eraseWithPrefix(vars().namedNumbers, prefix);
  eraseWithPrefix(vars().namedStrings, prefix);
}

VariableSnapshot captureVariables(std::string_view keptPrefix) {
  const Variables& v = vars();
  VariableSnapshot snap;
  for (int i = 0; i < kNumberedVariables; ++i) {
    const auto at = static_cast<std::size_t>(i);
    if (v.numbers[at] != 0) snap.numbers.emplace_back(i, v.numbers[at]);
    if (!v.strings[at].empty()) snap.strings.emplace_back(i, v.strings[at]);
  }
  auto outside = [&](const auto& entry) { return !std::string_view(entry.first).starts_with(keptPrefix); };
  std::copy_if(v.namedNumbers.begin(), v.namedNumbers.end(), std::back_inserter(snap.namedNumbers), outside);
  std::copy_if(v.namedStrings.begin(), v.namedStrings.end(), std::back_inserter(snap.namedStrings), outside);
  // By name: two snapshots of the same variables compare equal whatever order the maps keep.
  auto byName = [](const auto& a, const auto& b) { return a.first < b.first; };
  std::sort(snap.namedNumbers.begin(), snap.namedNumbers.end(), byName);
  std::sort(snap.namedStrings.begin(), snap.namedStrings.end(), byName);
  return snap;
}

void restoreVariables(const VariableSnapshot& snap, std::string_view keptPrefix) {
  Variables& v = vars();
  v.numbers.fill(0);
  for (std::string& s : v.strings) s.clear();
  for (const auto& [i, value] : snap.numbers)
    if (i >= 0 && i < kNumberedVariables) v.numbers[static_cast<std::size_t>(i)] = value;
  for (const auto& [i, value] : snap.strings)
    if (i >= 0 && i < kNumberedVariables) v.strings[static_cast<std::size_t>(i)] = value;
  auto outside = [&](const auto& entry) { return !std::string_view(entry.first).starts_with(keptPrefix); };
  std::erase_if(v.namedNumbers, outside);
  std::erase_if(v.namedStrings, outside);
  for (const auto& [name, value] : snap.namedNumbers) v.namedNumbers.insert_or_assign(name, value);
  for (const auto& [name, value] : snap.namedStrings) v.namedStrings.insert_or_assign(name, value);
}

}  // namespace core
