#include "core/script_encoding.h"

#include <string>

#include "core/error_report.h"
#include "core/path_key.h"
#include "platform/cp932.h"

namespace core {

void warnIfScriptIsUtf8(const ScriptFileText& file) {
  if (!platform::looksLikeUtf8NotCp932(file.bytes)) return;
  // Inside script.sbx the other files are known by their key alone; the main script keeps
  // its path, as it does in every other message.
  const std::string name = file.key == pathKey(kMainScriptPath) ? std::string(kMainScriptPath) : file.name;
  showErrorBox(name + platform::jp(" は UTF-8 で保存されているようです。CP932 (Shift-JIS) で保存し直してください"));
}

}  // namespace core
