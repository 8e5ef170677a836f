#include "saves/save_reader.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <vector>

#include "saves/lua_data_reader.h"

namespace saves {

namespace {

constexpr int kImageFields = 43;
constexpr int kStepFields = 37;
constexpr int kStepLimit = 4096;  // steps read back for one slot

// Positions, scales and rotations: kept within what a float (and a whole number when
// written again) can hold; no stage needs more than this.
constexpr double kCoordinateLimit = 1e9;

double numberAt(const std::vector<DataValue>& v, std::size_t i) {
  if (i >= v.size() || !v[i].isNumber || !std::isfinite(v[i].number)) return 0.0;
  return std::clamp(v[i].number, -kCoordinateLimit, kCoordinateLimit);
}
std::int32_t intAt(const std::vector<DataValue>& v, std::size_t i) { return i < v.size() ? v[i].toInt() : 0; }
std::uint32_t bitsAt(const std::vector<DataValue>& v, std::size_t i) { return i < v.size() ? v[i].toBits() : 0; }
std::string textAt(const std::vector<DataValue>& v, std::size_t i) {
  return i < v.size() ? v[i].textOf() : std::string();
}

bool readSprite(LuaData& lua, int slot, SavedSprite& s, std::vector<DataValue>& v) {
  char name[32];
  std::snprintf(name, sizeof name, "Image%d", slot);
  if (!globalArray(lua, name, kImageFields, v)) return false;
  s.slot = slot;
  s.name = textAt(v, 0);
  s.second = textAt(v, 1);
  if (!s.second.empty()) {
    s.size = intAt(v, 2);
    s.style = intAt(v, 3);
    for (std::size_t c = 0; c < 3; ++c) s.colours[c] = bitsAt(v, 4 + c);
  }
  for (std::size_t f = 0; f < s.filters.size(); ++f) s.filters[f] = intAt(v, 7 + f);
  s.layer = intAt(v, 26);
  s.alpha = intAt(v, 27);
  s.blendMode = intAt(v, 28);
  s.colourOp = bitsAt(v, 29);
  s.colourFactor = bitsAt(v, 30);
  s.width = intAt(v, 31);
  s.height = intAt(v, 32);
  s.x = numberAt(v, 33);
  s.y = numberAt(v, 34);
  s.scaleX = numberAt(v, 35);
  s.scaleY = numberAt(v, 36);
  s.rotX = numberAt(v, 37);
  s.rotY = numberAt(v, 38);
  s.rotZ = numberAt(v, 39);
  s.pivotX = numberAt(v, 40);
  s.pivotY = numberAt(v, 41);
  s.repeatMode = intAt(v, 42);
  for (int k = 0; k < kStepLimit; ++k) {
    std::snprintf(name, sizeof name, "Image%d_%d", slot, k);
    if (!globalArray(lua, name, kStepFields, v)) break;
    SavedStep step;
    step.deleteFlag = intAt(v, 0);
    for (std::size_t t = 0; t < step.tracks.size(); ++t) step.tracks[t] = intAt(v, 1 + t);
    for (std::size_t t = 0; t < step.colour.size(); ++t) step.colour[t] = bitsAt(v, 33 + t);
    s.steps.push_back(step);
  }
  return true;
}

template <std::size_t N>
std::optional<std::array<std::int32_t, N>> readNumbers(LuaData& lua, const char* record, std::vector<DataValue>& v) {
  if (!globalArray(lua, record, static_cast<int>(N), v)) return std::nullopt;
  std::array<std::int32_t, N> out{};
  for (std::size_t i = 0; i < N; ++i) out[i] = intAt(v, i);
  return out;
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
  char name[32];
  for (int slot = 0; slot < 1000; ++slot) {
    SavedSprite s;
    if (readSprite(*lua, slot, s, v)) data.sprites.push_back(std::move(s));
  }
  for (int stream = 0; stream < 10; ++stream) {
    std::snprintf(name, sizeof name, "Sound%d", stream);
    if (!globalArray(*lua, name, 5, v)) continue;
    SavedSound s;
    s.stream = stream;
    s.file = textAt(v, 0);
    s.loops = intAt(v, 1);
    s.volume = intAt(v, 2);
    s.pan = intAt(v, 3);
    const double sample = v.size() > 4 && v[4].isNumber ? v[4].number : 0.0;
    s.sample = std::fabs(sample) < 9.2e18 ? static_cast<std::int64_t>(sample) : 0;
    data.sounds.push_back(std::move(s));
  }
  for (int i = 0; i < kSavedBacklogPages; ++i) {
    SavedPage& p = data.pages[static_cast<std::size_t>(i)];
    std::snprintf(name, sizeof name, "msgBuffer%d", i);
    globalString(*lua, name, p.text);
    std::snprintf(name, sizeof name, "tagBuffer%d", i);
    globalString(*lua, name, p.speaker);
  }
  if (globalArray(*lua, "msgLines", kSavedBacklogPages, v))
    for (int i = 0; i < kSavedBacklogPages; ++i) data.pages[static_cast<std::size_t>(i)].lineCount = intAt(v, i);
  data.message = readNumbers<8>(*lua, "Massage", v);
  if (globalArray(*lua, "Font", 11, v)) {
    SavedFont f;
    f.face = textAt(v, 0);
    f.style = intAt(v, 1);
    for (std::size_t c = 0; c < 3; ++c) f.colours[c] = bitsAt(v, 2 + c);
    f.spriteFace = textAt(v, 5);
    f.spriteStyle = intAt(v, 6);
    for (std::size_t c = 0; c < 3; ++c) f.spriteColours[c] = bitsAt(v, 7 + c);
    f.spriteSize = intAt(v, 10);
    data.font = std::move(f);
  }
  data.window = readNumbers<12>(*lua, "Window", v);
  if (globalArray(*lua, "File", 2, v)) data.resume = std::make_pair(bitsAt(v, 0), intAt(v, 1));
  readVariableRecords(*lua, "g_", data.integers, data.strings);
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
