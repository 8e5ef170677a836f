// The script commands of the message font (face, style, three colours, each with a current
// and a default value) and of the installed-font list.
#include <cstdint>
#include <string>
#include <type_traits>
#include <vector>

#include "core/argument_pieces.h"
#include "core/command_support.h"
#include "core/error_report.h"
#include "core/statements.h"
#include "platform/cp932.h"
#include "text/font_list.h"
#include "text/font_settings.h"
#include "text/text_commands.h"

namespace text {

namespace {

using core::ArgumentFault;
using core::ScriptValue;

// The current/default pattern of the setters: no argument copies the default into the
// current value; a written first argument sets the current, a written second the default.
template <typename T>
bool readCurrentAndDefault(const core::Arguments& args, T& current, T& fallback) {
  const std::vector<core::Argument>& values = args.list;
  auto valueOf = [&](const ScriptValue& v) {
    if constexpr (std::is_same_v<T, std::string>) {
      return v.text;
    } else {
      return static_cast<T>(v.toInt());
    }
  };
  if (values.empty()) current = fallback;
  if (args.given(0)) current = valueOf(values[0].value);
  if (args.given(1)) fallback = valueOf(values[1].value);
  return true;
}

void cmdSetFontFile(const core::Arguments& args) {
  MessageFontSettings& font = messageFont();
  if (!readCurrentAndDefault(args, font.face, font.defaultFace)) return;
  applyMessageFont();
}

void cmdSetFontStyle(const core::Arguments& args) {
  MessageFontSettings& font = messageFont();
  if (!readCurrentAndDefault(args, font.style, font.defaultStyle)) return;
  applyMessageFont();
}

void cmdSetFontColor(const core::Arguments& args) {
  MessageFontSettings& font = messageFont();
  if (!readCurrentAndDefault(args, font.colour1, font.defaultColour1)) return;
  applyMessageFont();
}

void cmdSetFontColor2(const core::Arguments& args) {
  MessageFontSettings& font = messageFont();
  if (!readCurrentAndDefault(args, font.colour2, font.defaultColour2)) return;
  applyMessageFont();
}

void cmdSetFontColor3(const core::Arguments& args) {
  MessageFontSettings& font = messageFont();
  if (!readCurrentAndDefault(args, font.colour3, font.defaultColour3)) return;
  applyMessageFont();
}

void cmdGetFontFile(const core::Arguments& args) {
  args.stringVariable(0) = messageFont().face;
  if (args.size() == 2) args.stringVariable(1) = messageFont().defaultFace;
}

void cmdGetFontStyle(const core::Arguments& args) {
  args.numberVariable(0) = messageFont().style;
  if (args.size() == 2) args.numberVariable(1) = messageFont().defaultStyle;
}

void cmdGetFontListNum(const core::Arguments& args) { args.numberVariable(0) = enumerateFonts(args.number(1)); }

void cmdGetFontListStr(const core::Arguments& args) {
  const std::int32_t i = args.number(1);
  const std::vector<std::string>& list = fontList();
  if (i < 0 || static_cast<std::size_t>(i) >= list.size()) {
    core::reportCommandError(platform::jp("リスト番号がリスト範囲を超えています"));
    return;
  }
  args.stringVariable(0) = list[static_cast<std::size_t>(i)];
}

constexpr core::CommandEntry kFontCommands[] = {
    {"setfontfile", cmdSetFontFile, "setFontFile", "[F?] [F?]"},
    {"getfontfile", cmdGetFontFile, "getFontFile", "S [S]", core::ArgumentReading::InTurn},
    {"setfontstyle", cmdSetFontStyle, "setFontStyle", "[n?] [n?]"},
    {"getfontstyle", cmdGetFontStyle, "getFontStyle", "N [N]", core::ArgumentReading::InTurn},
    {"setfontcolor", cmdSetFontColor, "setFontColor", "[n?] [n?]"},
    {"setfontcolor2", cmdSetFontColor2, "setFontColor2", "[n?] [n?]"},
    {"setfontcolor3", cmdSetFontColor3, "setFontColor3", "[n?] [n?]"},
    {"getfontlistnum", cmdGetFontListNum, "getFontListNum", "N n", core::ArgumentReading::InTurn},
    {"getfontliststr", cmdGetFontListStr, "getFontListStr", "S n", core::ArgumentReading::InTurn},
};

}  // namespace

std::span<const core::CommandEntry> fontCommands() { return kFontCommands; }

}  // namespace text
