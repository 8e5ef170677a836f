#include "saves/lua_data_reader.h"

#include <lua5.1/lua.hpp>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace saves {

namespace {

// Budgets scale with the text: an honest text runs about one instruction and a few dozen
// bytes of state a byte of source (a full save of 1000 animated sprites, ~2 MB, stays far
// below both), while `while true do end` or a doubling concatenation ends within a blink.
constexpr long long kBaseInstructions = 200000;
constexpr long long kInstructionsPerByte = 8;
constexpr std::size_t kBaseMemory = 64u << 20;
constexpr std::size_t kMemoryPerByte = 16;
constexpr int kHookEvery = 1000;

struct Budget {
  std::size_t used = 0;
  std::size_t limit = 0;  // 0: none (reading values back must never fail)
  long long instructionsLeft = 0;
};

void* limitedAlloc(void* ud, void* ptr, std::size_t oldSize, std::size_t newSize) {
  auto* budget = static_cast<Budget*>(ud);
  if (newSize == 0) {
    std::free(ptr);
    budget->used -= oldSize;
    return nullptr;
  }
  const std::size_t after = budget->used - oldSize + newSize;
  if (budget->limit != 0 && newSize > oldSize && after > budget->limit) return nullptr;  // Lua raises "not enough memory"
  void* p = std::realloc(ptr, newSize);
  if (p) budget->used = after;
  return p;
}

void countHook(lua_State* L, lua_Debug*) {
  void* ud = nullptr;
  lua_getallocf(L, &ud);
  auto* budget = static_cast<Budget*>(ud);
  budget->instructionsLeft -= kHookEvery;
  if (budget->instructionsLeft < 0) luaL_error(L, "the text runs too long");
}

}  // namespace

struct LuaData {
  Budget budget;
  lua_State* L = nullptr;
};

void LuaDataDeleter::operator()(LuaData* data) const {
  if (data->L) lua_close(data->L);
  delete data;
}

LuaDataHolder runDataText(std::string_view text, std::string& why) {
  // Precompiled chunks bypass the parser's checks and can crash the virtual machine.
  if (!text.empty() && static_cast<unsigned char>(text[0]) == 0x1B) {
    why = "precompiled chunks are not accepted";
    return nullptr;
  }
  LuaDataHolder data(new LuaData);
  data->budget.limit = kBaseMemory + kMemoryPerByte * text.size();
  data->budget.instructionsLeft = kBaseInstructions + kInstructionsPerByte * static_cast<long long>(text.size());
  // No luaL_openlibs: the globals table starts empty.
  data->L = lua_newstate(limitedAlloc, &data->budget);
  if (!data->L) {
    why = "no memory for a Lua state";
    return nullptr;
  }
  lua_State* L = data->L;
  lua_sethook(L, countHook, LUA_MASKCOUNT, kHookEvery);
  int rc = luaL_loadbuffer(L, text.data(), text.size(), "data");
  if (rc == 0) rc = lua_pcall(L, 0, LUA_MULTRET, 0);
  if (rc != 0) {
    const char* message = lua_tostring(L, -1);
    why = message ? message : (rc == LUA_ERRMEM ? "not enough memory" : "error");
    return nullptr;
  }
  lua_sethook(L, nullptr, 0, 0);
  lua_settop(L, 0);
  data->budget.limit = 0;
  return data;
}

int DataValue::toInt() const {
  if (!isNumber || std::isnan(number)) return 0;
  double t = std::trunc(number);
  if (t >= 2147483647.0) return std::numeric_limits<int>::max();
  if (t <= -2147483648.0) return std::numeric_limits<int>::min();
  return static_cast<int>(t);
}

std::uint32_t DataValue::toBits() const {
  if (!isNumber || !std::isfinite(number) || std::fabs(number) >= 9.2e18) return 0;
  return static_cast<std::uint32_t>(static_cast<std::int64_t>(std::trunc(number)));
}

std::string DataValue::textOf() const {
  if (!isString) return {};
  if (!text.empty() || !isNumber) return text;
  char buf[32];
  std::snprintf(buf, sizeof buf, LUA_NUMBER_FMT, number);
  return buf;
}

namespace {

DataValue valueAt(lua_State* L, int index) {
  DataValue v;
  if (lua_type(L, index) == LUA_TNUMBER) {
    // Most elements are numbers: their text is made only when a string field asks for it.
    v.isNumber = v.isString = true;
    v.number = lua_tonumber(L, index);
    return v;
  }
  if (lua_isnumber(L, index)) {
    v.isNumber = true;
    v.number = lua_tonumber(L, index);
  }
  if (lua_isstring(L, index)) {
    v.isString = true;
    std::size_t n = 0;
    const char* s = lua_tolstring(L, index, &n);
    v.text.assign(s, n);
  }
  return v;
}

}  // namespace

bool globalNumber(LuaData& data, const char* name, double& out) {
  lua_State* L = data.L;
  lua_getfield(L, LUA_GLOBALSINDEX, name);
  const bool ok = lua_isnumber(L, -1) != 0;
  if (ok) out = lua_tonumber(L, -1);
  lua_settop(L, 0);
  return ok;
}

bool globalString(LuaData& data, const char* name, std::string& out) {
  lua_State* L = data.L;
  lua_getfield(L, LUA_GLOBALSINDEX, name);
  const bool ok = lua_isstring(L, -1) != 0;
  if (ok) {
    std::size_t n = 0;
    const char* s = lua_tolstring(L, -1, &n);
    out.assign(s, n);
  }
  lua_settop(L, 0);
  return ok;
}

bool globalArray(LuaData& data, const char* name, int count, std::vector<DataValue>& out) {
  lua_State* L = data.L;
  out.clear();
  lua_getfield(L, LUA_GLOBALSINDEX, name);
  if (lua_type(L, -1) != LUA_TTABLE) {
    lua_settop(L, 0);
    return false;
  }
  const int limit = count < 0 ? kListLimit : count;
  for (int i = 1; i <= limit; ++i) {
    lua_rawgeti(L, 1, i);
    if (count < 0 && lua_isnil(L, -1)) {
      lua_pop(L, 1);
      break;
    }
    out.push_back(valueAt(L, -1));
    lua_pop(L, 1);
  }
  lua_settop(L, 0);
  return true;
}

}  // namespace saves
