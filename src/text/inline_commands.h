// Script commands written inside message text in square brackets: "[name arguments]".
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

namespace text {

struct InlineCommandText {
  std::string name;       // lower-cased
  std::string_view args;  // from after the name (its blank included) up to "]"
  std::size_t nameEnd = 0;  // position of the byte that ended the name
  std::size_t next = 0;     // where display continues after a known command: after "]"
};

// Reads the command whose "[" is at `open`: the name is the letters, digits, "_", "." and
// "@" after it; the arguments run to the next "]" (two-byte characters are never taken
// apart), or to the end of the text when none follows.
InlineCommandText parseInlineCommand(std::string_view text, std::size_t open);

// Runs the command at `open` and returns where display continues. An unknown name is
// reported with the name as the command, and display continues after the character that
// ended the name, so the rest of the bracket shows as text.
std::size_t runInlineCommand(std::string_view text, std::size_t open);

}  // namespace text
