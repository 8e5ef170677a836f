#include "saves/lua_text.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace saves {

void appendLuaString(std::string& out, std::string_view bytes) {
  out += '"';
  for (unsigned char c : bytes) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '"': out += "\\\""; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      default:
        if (c < 0x20 || c == 0x7F) {
          // Three digits always: a digit that follows must not join the escape.
          char buf[5];
          std::snprintf(buf, sizeof buf, "\\%03u", static_cast<unsigned>(c));
          out += buf;
        } else {
          out += static_cast<char>(c);
        }
    }
  }
  out += '"';
}

void appendDecimal(std::string& out, std::int64_t value) {
  char buf[24];
  auto r = std::to_chars(buf, buf + sizeof buf, value);
  out.append(buf, r.ptr);
}

void appendHex(std::string& out, std::uint32_t value) {
  char buf[12];
  int n = std::snprintf(buf, sizeof buf, "0x%X", static_cast<unsigned>(value));
  out.append(buf, static_cast<std::size_t>(n));
}

void appendFloat(std::string& out, double value) {
  if (!std::isfinite(value)) value = 0;  // "inf" would read back as an unset name
  char buf[32];
  int n = std::snprintf(buf, sizeof buf, "%g", value);
  out.append(buf, static_cast<std::size_t>(n));
}

void appendVariableRecords(std::string& out, const std::vector<std::pair<std::string, std::int32_t>>& integers,
                           const std::vector<std::pair<std::string, std::string>>& strings, std::string_view lineEnd) {
  out += "Integer={";
  for (const auto& [name, value] : integers) {
    appendLuaString(out, name + "=" + std::to_string(value));
    out += ',';
  }
  out += "\"\"}";
  out += lineEnd;
  out += "String={";
  for (const auto& [name, value] : strings) {
    appendLuaString(out, name + "='" + value + "'");
    out += ',';
  }
  out += "\"\"}";
  out += lineEnd;
}

}  // namespace saves
