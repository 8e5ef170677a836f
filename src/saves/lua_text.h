// Writing values into the Lua text of save games and the settings file.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace saves {

// The bytes between double quotes so that Lua reads back exactly these bytes: every "\"
// (also the trail byte 0x5C of CP932 characters such as 表 or ソ), double quote and control
// byte is escaped; other bytes, CP932 text included, are written as they are.
void appendLuaString(std::string& out, std::string_view bytes);

void appendDecimal(std::string& out, std::int64_t value);
void appendHex(std::string& out, std::uint32_t value);  // "0x" and upper-case digits
void appendFloat(std::string& out, double value);       // shortest "%g" form

// The variable records of save games and the settings file: Integer={"name=value",...,""}
// and String={"name='value'",...,""}, each line ended by `lineEnd`.
void appendVariableRecords(std::string& out, const std::vector<std::pair<std::string, std::int32_t>>& integers,
                           const std::vector<std::pair<std::string, std::string>>& strings, std::string_view lineEnd);

}  // namespace saves
