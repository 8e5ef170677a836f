// Reading a save text back into records. The text runs in the data-only Lua state of
// lua_data_reader; records that are missing or not tables are left out, fields that are
// missing or of the wrong kind read as 0 or "" (as lua_tonumber and lua_tolstring give).
#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "saves/save_data.h"

namespace saves {

// Nothing, with `why` (English), when the text does not run as data.
std::optional<SaveData> parseSaveText(std::string_view text, std::string& why);

// Only the Comment record, for loadcomment; nothing as above. A missing comment is "".
std::optional<std::string> parseSaveComment(std::string_view text, std::string& why);

// "name=value" of an Integer entry and "name='value'" of a String entry; false for an entry
// of another shape. The value of a String entry is everything between the quote after "="
// and the entry's last byte, which must be a quote: quotes inside come back unchanged.
bool splitIntegerEntry(std::string_view entry, std::string& name, std::int32_t& value);
bool splitStringEntry(std::string_view entry, std::string& name, std::string& value);

// The Integer and String records of a text that has run: their entries up to the first
// empty string, those whose names begin with `prefix` ("g_" in saves, "s_" in the settings
// file). A list whose record is no table is left as it was.
struct LuaData;
void readVariableRecords(LuaData& lua, std::string_view prefix, std::vector<std::pair<std::string, std::int32_t>>& integers,
                         std::vector<std::pair<std::string, std::string>>& strings);

}  // namespace saves
