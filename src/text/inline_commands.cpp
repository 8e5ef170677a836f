#include "text/inline_commands.h"

#include "core/command_registry.h"
#include "core/error_report.h"
#include "platform/cp932.h"

namespace text {
namespace {

bool isNameByte(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '.' ||
         c == '@';
}

}  // namespace

InlineCommandText parseInlineCommand(std::string_view text, std::size_t open) {
  InlineCommandText out;
  std::size_t i = open + 1;
  while (i < text.size() && isNameByte(static_cast<unsigned char>(text[i]))) {
    char c = text[i++];
    out.name += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  }
  out.nameEnd = i;
  std::size_t close = i;
  while (close < text.size() && text[close] != ']') {
    close += platform::isLeadByte(static_cast<unsigned char>(text[close])) ? 2 : 1;
  }
  close = std::min(close, text.size());
  out.args = text.substr(i, close - i);
  out.next = std::min(close + 1, text.size());
  return out;
}

std::size_t runInlineCommand(std::string_view text, std::size_t open) {
  InlineCommandText command = parseInlineCommand(text, open);
  const core::CommandEntry* entry = core::findCommandEntry(command.name);
  if (!entry) {
    core::setCommandName(command.name);
    core::reportCommandError(platform::jp("未対応の命令です"));
    std::size_t after = command.nameEnd;
    if (after < text.size()) after += platform::isLeadByte(static_cast<unsigned char>(text[after])) ? 2 : 1;
    return std::min(after, text.size());
  }
  core::runCommand(*entry, command.args);
  return command.next;
}

}  // namespace text
