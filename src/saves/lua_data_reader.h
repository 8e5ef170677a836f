// Save games and the settings file are Lua chunks of global assignments. They are data, not
// programs: a text runs in a Lua state with no library opened (no os, io, require, load or
// string functions to reach), precompiled chunks are refused, and a text that runs too long
// or allocates too much is stopped. After the run only plain values are read back.
// Main thread (or a fuzzer); one state per text.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace saves {

struct LuaData;  // a state that has run a text; released by the deleter below
struct LuaDataDeleter {
  void operator()(LuaData* data) const;
};
using LuaDataHolder = std::unique_ptr<LuaData, LuaDataDeleter>;

// Runs the text with the chunk name "data". Null, with `why` in English for the curious
// (the caller reports its own message), when the text is bytecode, does not parse, fails,
// runs past its instruction budget or its memory budget.
LuaDataHolder runDataText(std::string_view text, std::string& why);

// One element as Lua's checks see it: a number (or a numeric string, as lua_isnumber
// accepts), a string (or a number, as lua_isstring accepts), or neither.
struct DataValue {
  bool isNumber = false;
  bool isString = false;
  double number = 0;
  std::string text;  // of a string; a number's text is made only when asked (textOf)
  int toInt() const;  // truncated toward zero, clamped to 32 bits
  // The text as lua_tolstring gives it ("%.14g" for a number); "" for neither.
  std::string textOf() const;
  // Colours and other 32-bit patterns, written signed or unsigned: the low 32 bits.
  std::uint32_t toBits() const;
};

// A global read as above; false (and `out` untouched) when it is neither.
bool globalNumber(LuaData& data, const char* name, double& out);
bool globalString(LuaData& data, const char* name, std::string& out);

// Elements 1..count of a global table; count < 0 reads up to the first nil (at most
// kListLimit). False when the global is not a table.
constexpr int kListLimit = 1 << 20;
bool globalArray(LuaData& data, const char* name, int count, std::vector<DataValue>& out);

}  // namespace saves
