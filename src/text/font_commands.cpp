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
bool readCurrentAndDefault(std::string_view args, bool wantString, T& current, T& fallback) {
  std::vector<ScriptValue> values = core::evaluateArguments(args);
  if (!core::checkArgumentCount(values)) return false;
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (wantString ? !core::stringOrOmitted(values, i) : !core::numberOrOmitted(values, i)) return false;
  }
  auto valueOf = [&](const ScriptValue& v) {
    if constexpr (std::is_same_v<T, std::string>) {
      return v.text;
    } else {
      return static_cast<T>(v.toInt());
    }
  };
  if (values.empty()) current = fallback;
  if (values.size() >= 1 && !values[0].isOmitted()) current = valueOf(values[0]);
  if (values.size() >= 2 && !values[1].isOmitted()) fallback = valueOf(values[1]);
  return true;
}

void cmdSetFontFile(std::string_view args) {
  MessageFontSettings& font = messageFont();
  if (!readCurrentAndDefault(args, true, font.face, font.defaultFace)) return;
  applyMessageFont();
}

void cmdSetFontStyle(std::string_view args) {
  MessageFontSettings& font = messageFont();
  if (!readCurrentAndDefault(args, false, font.style, font.defaultStyle)) return;
  applyMessageFont();
}

void cmdSetFontColor(std::string_view args) {
  MessageFontSettings& font = messageFont();
  if (!readCurrentAndDefault(args, false, font.colour1, font.defaultColour1)) return;
  applyMessageFont();
}

void cmdSetFontColor2(std::string_view args) {
  MessageFontSettings& font = messageFont();
  if (!readCurrentAndDefault(args, false, font.colour2, font.defaultColour2)) return;
  applyMessageFont();
}

void cmdSetFontColor3(std::string_view args) {
  MessageFontSettings& font = messageFont();
  if (!readCurrentAndDefault(args, false, font.colour3, font.defaultColour3)) return;
  applyMessageFont();
}

void cmdGetFontFile(std::string_view args) {
  std::vector<std::string_view> pieces = core::argumentPieces(args);
  if (!core::countInRange(pieces)) return;
  std::string* current = core::stringVariableRef(pieces[0]);
  if (!current) return core::reportArgumentFault(ArgumentFault::BadStringVariable, 1);
  std::string* fallback = nullptr;
  if (pieces.size() == 2 && !(fallback = core::stringVariableRef(pieces[1]))) {
    return core::reportArgumentFault(ArgumentFault::BadStringVariable, 2);
  }
  *current = messageFont().face;
  if (fallback) *fallback = messageFont().defaultFace;
}

void cmdGetFontStyle(std::string_view args) {
  std::vector<std::string_view> pieces = core::argumentPieces(args);
  if (!core::countInRange(pieces)) return;
  std::int32_t* current = core::numberVariableRef(pieces[0]);
  if (!current) return core::reportArgumentFault(ArgumentFault::BadNumberVariable, 1);
  std::int32_t* fallback = nullptr;
  if (pieces.size() == 2 && !(fallback = core::numberVariableRef(pieces[1]))) {
    return core::reportArgumentFault(ArgumentFault::BadNumberVariable, 2);
  }
  *current = messageFont().style;
  if (fallback) *fallback = messageFont().defaultStyle;
}

void cmdGetFontListNum(std::string_view args) {
  std::vector<std::string_view> pieces = core::argumentPieces(args);
  if (!core::countInRange(pieces)) return;
  std::int32_t* count = core::numberVariableRef(pieces[0]);
  if (!count) return core::reportArgumentFault(ArgumentFault::BadNumberVariable, 1);
  ScriptValue flags = core::evaluateExpression(pieces[1]);
  if (!flags.isNumber()) return core::reportArgumentFault(ArgumentFault::NotNumber, 2);
  *count = enumerateFonts(flags.toInt());
}

void cmdGetFontListStr(std::string_view args) {
  std::vector<std::string_view> pieces = core::argumentPieces(args);
  if (!core::countInRange(pieces)) return;
  std::string* name = core::stringVariableRef(pieces[0]);
  if (!name) return core::reportArgumentFault(ArgumentFault::BadStringVariable, 1);
  ScriptValue index = core::evaluateExpression(pieces[1]);
  if (!index.isNumber()) return core::reportArgumentFault(ArgumentFault::NotNumber, 2);
  std::int32_t i = index.toInt();
  const std::vector<std::string>& list = fontList();
  if (i < 0 || static_cast<std::size_t>(i) >= list.size()) {
    core::reportCommandError(platform::jp("リスト番号がリスト範囲を超えています"));
    return;
  }
  *name = list[static_cast<std::size_t>(i)];
}

constexpr core::CommandEntry kFontCommands[] = {
    {"setfontfile", cmdSetFontFile, "setFontFile", 0, 2},
    {"getfontfile", cmdGetFontFile, "getFontFile", 1, 2},
    {"setfontstyle", cmdSetFontStyle, "setFontStyle", 0, 2},
    {"getfontstyle", cmdGetFontStyle, "getFontStyle", 1, 2},
    {"setfontcolor", cmdSetFontColor, "setFontColor", 0, 2},
    {"setfontcolor2", cmdSetFontColor2, "setFontColor2", 0, 2},
    {"setfontcolor3", cmdSetFontColor3, "setFontColor3", 0, 2},
    {"getfontlistnum", cmdGetFontListNum, "getFontListNum", 2, 2},
    {"getfontliststr", cmdGetFontListStr, "getFontListStr", 2, 2},
};

}  // namespace

std::span<const core::CommandEntry> fontCommands() { return kFontCommands; }

}  // namespace text
