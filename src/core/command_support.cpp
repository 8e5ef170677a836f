#include "core/command_support.h"

#include "core/error_report.h"
#include "platform/cp932.h"

namespace core {

std::string ordinalText(int ordinal) {
  static const char* const kOrdinals[] = {"第一", "第二", "第三", "第四", "第五", "第六", "第七", "第八"};
  if (ordinal >= 1 && ordinal <= 8) return platform::jp(kOrdinals[ordinal - 1]);
  return platform::jp("第") + std::to_string(ordinal);
}

void reportArgumentFault(ArgumentFault fault, int ordinal) {
  std::string text = ordinalText(ordinal);
  switch (fault) {
    case ArgumentFault::NotNumber: text += platform::jp("引数が数値ではありません"); break;
    case ArgumentFault::NotString: text += platform::jp("引数が文字列ではありません"); break;
    case ArgumentFault::BadNumberVariable: text += platform::jp("引数の数値変数が不正です"); break;
    case ArgumentFault::BadStringVariable: text += platform::jp("引数の文字列変数が不正です"); break;
    case ArgumentFault::BadIndex: text += platform::jp("引数の番号が不正です"); break;
    case ArgumentFault::BadValue:
      // The third argument's message has always read this way; scripts' authors know it so.
      text += platform::jp(ordinal == 3 ? "引数が数値が不正です" : "引数の数値が不正です");
      break;
  }
  reportCommandError(text);
}

}  // namespace core
