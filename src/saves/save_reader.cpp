#include "saves/save_reader.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <type_traits>
#include <vector>

#include "graphics/sprites.h"
#include "saves/lua_data_reader.h"
#include "sound/sound_stream.h"

namespace saves {

namespace {

// Positions, scales and rotations: kept within what a float (and a whole number when
// written again) can hold; no stage needs more than this.
constexpr double kCoordinateLimit = 1e9;

// One value as the member's type reads it; a missing element reads as 0 or "".
template <class T>
void readValue(const std::vector<DataValue>& v, std::size_t i, T& out) {
  if (i >= v.size()) {
    out = T{};
  } else if constexpr (std::is_same_v<T, std::string>) {
    out = v[i].textOf();
  } else if constexpr (std::is_same_v<T, double>) {
    out = v[i].isNumber && std::isfinite(v[i].number) ? std::clamp(v[i].number, -kCoordinateLimit, kCoordinateLimit) : 0.0;
  } else if constexpr (std::is_same_v<T, std::int64_t>) {
    const double sample = v[i].isNumber ? v[i].number : 0.0;
    out = std::fabs(sample) < 9.2e18 ? static_cast<std::int64_t>(sample) : 0;
  } else if constexpr (std::is_same_v<T, std::uint32_t>) {
    out = v[i].toBits();
  } else {
    out = v[i].toInt();
  }
}

// The record `name` through its field table; false when it is no table.
template <class Record>
bool readRecord(LuaData& lua, const std::string& name, std::span<const core::SavedField<Record>> fields, Record& record,
                std::vector<DataValue>& v) {
  if (!globalArray(lua, name.c_str(), core::savedValueCount(fields), v)) return false;
  std::size_t i = 0;
  for (const core::SavedField<Record>& f : fields) {
    std::visit(
        [&](auto member) {
          auto& value = record.*member;
          using T = std::remove_cvref_t<decltype(value)>;
          if constexpr (requires { std::tuple_size<T>::value; }) {
            for (auto& element : value) readValue(v, i++, element);
          } else {
            readValue(v, i++, value);
          }
        },
        f.member);
  }
  return true;
}

template <class Record>
std::optional<Record> readOptional(LuaData& lua, const char* name, std::span<const core::SavedField<Record>> fields,
                                   std::vector<DataValue>& v) {
  Record record;
  if (!readRecord(lua, name, fields, record, v)) return std::nullopt;
  return record;
}

bool readSprite(LuaData& lua, int slot, graphics::SpriteRecord& s, std::vector<DataValue>& v) {
  const std::string name = "Image" + std::to_string(slot);
  // Both forms read alike: positions are numbers either way.
  if (!readRecord(lua, name, graphics::spriteFields(false), s, v)) return false;
  s.slot = slot;
  for (int k = 0; k < graphics::kStepRecordLimit; ++k) {
    graphics::StepRecord step;
    if (!readRecord(lua, name + "_" + std::to_string(k), graphics::stepFields(), step, v)) break;
    s.steps.push_back(step);
  }
  return true;
}

void readPages(LuaData& lua, text::TextSnapshot& t, std::vector<DataValue>& v) {
  char name[32];
  for (int i = 0; i < text::kSavedPages; ++i) {
    text::PageRecord& p = t.pages[static_cast<std::size_t>(i)];
    std::snprintf(name, sizeof name, "msgBuffer%d", i);
    globalString(lua, name, p.text);
    std::snprintf(name, sizeof name, "tagBuffer%d", i);
    globalString(lua, name, p.speaker);
  }
  if (globalArray(lua, "msgLines", text::kSavedPages, v))
    for (int i = 0; i < text::kSavedPages; ++i)
      t.pages[static_cast<std::size_t>(i)].lineCount = static_cast<std::size_t>(i) < v.size() ? v[static_cast<std::size_t>(i)].toInt() : 0;
}

}  // namespace

bool splitIntegerEntry(std::string_view entry, std::string& name, std::int32_t& value) {
  const std::size_t eq = entry.find('=');
  if (eq == 0 || eq == std::string_view::npos) return false;
  std::string_view number = entry.substr(eq + 1);
  while (!number.empty() && number.front() == ' ') number.remove_prefix(1);
  while (!number.empty() && number.back() == ' ') number.remove_suffix(1);
  if (!number.empty() && number.front() == '+') number.remove_prefix(1);
  std::int64_t v = 0;
  auto r = std::from_chars(number.data(), number.data() + number.size(), v);
  if (r.ec != std::errc() || r.ptr != number.data() + number.size()) return false;
  name.assign(entry.substr(0, eq));
  value = static_cast<std::int32_t>(static_cast<std::uint32_t>(v));
  return true;
}

bool splitStringEntry(std::string_view entry, std::string& name, std::string& value) {
  const std::size_t eq = entry.find('=');
  if (eq == 0 || eq == std::string_view::npos) return false;
  std::string_view rest = entry.substr(eq + 1);
  if (rest.size() < 2 || rest.front() != '\'' || rest.back() != '\'') return false;
  name.assign(entry.substr(0, eq));
  value.assign(rest.substr(1, rest.size() - 2));
  return true;
}

void readVariableRecords(LuaData& lua, std::string_view prefix, std::vector<std::pair<std::string, std::int32_t>>& integers,
                         std::vector<std::pair<std::string, std::string>>& strings) {
  std::vector<DataValue> v;
  if (globalArray(lua, "Integer", -1, v)) {
    integers.clear();
    for (const DataValue& e : v) {
      const std::string text = e.textOf();
      if (text.empty()) break;
      std::string name;
      std::int32_t value = 0;
      if (splitIntegerEntry(text, name, value) && name.starts_with(prefix)) integers.emplace_back(std::move(name), value);
    }
  }
  if (globalArray(lua, "String", -1, v)) {
    strings.clear();
    for (const DataValue& e : v) {
      const std::string text = e.textOf();
      if (text.empty()) break;
      std::string name, value;
      if (splitStringEntry(text, name, value) && name.starts_with(prefix)) strings.emplace_back(std::move(name), std::move(value));
    }
  }
}

std::optional<SaveData> parseSaveText(std::string_view text, std::string& why) {
  LuaDataHolder lua = runDataText(text, why);
  if (!lua) return std::nullopt;
  SaveData data;
  std::vector<DataValue> v;
  for (int slot = 0; slot < graphics::kSpriteSlots; ++slot) {
    graphics::SpriteRecord s;
    if (readSprite(*lua, slot, s, v)) data.sprites.push_back(std::move(s));
  }
  for (int stream = 0; stream < sound::kStreamCount; ++stream) {
    sound::StreamRecord s;
    if (!readRecord(*lua, "Sound" + std::to_string(stream), sound::streamFields(), s, v)) continue;
    s.stream = stream;
    data.sounds.push_back(std::move(s));
  }
  readPages(*lua, data.text, v);
  data.text.message = readOptional(*lua, "Massage", text::messageFields(), v);
  data.text.font = readOptional(*lua, "Font", text::fontFields(), v);
  data.text.window = readOptional(*lua, "Window", text::windowFields(), v);
  data.script.resume = readOptional(*lua, "File", core::positionFields(), v);
  readVariableRecords(*lua, "g_", data.script.integers, data.script.strings);
  std::string comment;
  if (globalString(*lua, "Comment", comment)) data.comment = std::move(comment);
  return data;
}

std::optional<std::string> parseSaveComment(std::string_view text, std::string& why) {
  LuaDataHolder lua = runDataText(text, why);
  if (!lua) return std::nullopt;
  std::string comment;
  globalString(*lua, "Comment", comment);
  return comment;
}

}  // namespace saves
