// The already-read record's text and the commands of the skip-mode stop at unread text.
#include "text/already_read.h"

#include <algorithm>
#include <cstdio>

#include "core/command_support.h"
#include "core/error_report.h"
#include "graphics/reading_modes.h"
#include "platform/cp932.h"
#include "text/message_state.h"
#include "text/text_commands.h"

namespace text {

namespace {

bool isHexDigit(unsigned char c) { return std::isxdigit(c) != 0; }

std::uint32_t parseHexKey(std::string_view keyText) {
  std::size_t i = 0;
  while (i < keyText.size() && (keyText[i] == ' ' || keyText[i] == '\t')) ++i;
  std::uint32_t key = 0;
  for (; i < keyText.size() && isHexDigit(static_cast<unsigned char>(keyText[i])); ++i) {
    char c = keyText[i];
    int v = c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10;
    key = key << 4 | static_cast<std::uint32_t>(v);
  }
  return key;
}

}  // namespace

std::string formatAlreadyRead(const ReadStateMaps& maps) {
  std::string out;
  char key[16];
  for (const auto& [fileKey, blocks] : maps) {
    std::snprintf(key, sizeof key, "S%X=", static_cast<unsigned>(fileKey));
    out += key;
    for (const auto& [line, flag] : blocks) out += flag != 0 ? '1' : '0';
    out += "\r\n";
  }
  return out;
}

void applyAlreadyRead(std::string_view text, ReadStateMaps& maps, std::vector<std::string>& unknownKeys) {
  // Each line: its first byte (the "S") is passed over, the key runs to "=", the digits to
  // the line's end. Lines without "=" carry nothing.
  std::size_t lineStart = 0;
  while (lineStart < text.size()) {
    std::size_t lineEnd = text.find('\n', lineStart);
    if (lineEnd == std::string_view::npos) lineEnd = text.size();
    std::string_view line = text.substr(lineStart, lineEnd - lineStart);
    lineStart = lineEnd + 1;
    std::size_t equals = std::string_view::npos;
    for (std::size_t i = 1; i < line.size(); ++i) {
      if (line[i] == '=') {
        equals = i;
        break;
      }
      if (platform::isLeadByte(static_cast<unsigned char>(line[i]))) ++i;
    }
    if (equals == std::string_view::npos) continue;
    std::string_view keyText = line.substr(1, equals - 1);
    auto file = maps.find(parseHexKey(keyText));
    if (file == maps.end()) {
      unknownKeys.emplace_back(keyText);
      continue;
    }
    std::size_t d = equals + 1;
    for (auto& [blockLine, flag] : file->second) {
      if (d >= line.size() || line[d] < '0' || line[d] > '9') break;
      flag = line[d] != '0' ? 1 : 0;
      ++d;
    }
  }
}

namespace {

void cmdSetAlreadyRead(const core::Arguments& v) {
  bool& flag = graphics::readingModes().alreadyReadStop;
  if (v.size() == 0) {
    flag = !flag;
    return;
  }
  flag = v.value(0).number != 0;
}

void cmdGetAlreadyRead(const core::Arguments& args) {
  args.numberVariable(0) = graphics::readingModes().alreadyReadStop ? 1 : 0;
}

constexpr core::CommandEntry kAlreadyReadCommands[] = {
    {"setalreadyread", cmdSetAlreadyRead, "setAlreadyRead", "[n]"},
    {"getalreadyread", cmdGetAlreadyRead, "getAlreadyRead", "N", core::ArgumentReading::Whole},
};

}  // namespace

std::span<const core::CommandEntry> alreadyReadCommands() { return kAlreadyReadCommands; }

}  // namespace text
