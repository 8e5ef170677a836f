#include "core/script_encoding.h"

#include <string>

#include "core/error_report.h"
#include "core/interpreter.h"
#include "core/resource_limits.h"
#include "core/script_sources.h"
#include "platform/cp932.h"
#include "platform/paths.h"

namespace core {

void warnIfMainScriptIsUtf8() {
  std::string bytes;
  if (packedMode()) {
    // The lines already loaded into slot 0: loading the entry again would report a damaged
    // entry a second time.
    for (const std::string& line : interpreter().slots[0].lines) (bytes += line) += '\n';
  } else if (auto path = platform::resolvePath(kMainScriptPath);
             !path || platform::readFileUpTo(*path, bytes, kLargestScriptBytes) != platform::FileRead::Ok) {
    return;  // the loader has said what was wrong with it
  }
  if (!platform::looksLikeUtf8NotCp932(bytes)) return;
  showErrorBox(std::string(kMainScriptPath) +
               platform::jp(" は UTF-8 で保存されているようです。CP932 (Shift-JIS) で保存し直してください"));
}

}  // namespace core
