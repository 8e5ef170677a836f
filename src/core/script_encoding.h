// The start-up check that script files are CP932: a file saved as UTF-8 runs, but every
// Japanese text in it comes out garbled, so the author is told which files to re-save.
#pragma once

#include "core/script_sources.h"

namespace core {

// Shows one message box naming the file when its bytes look like UTF-8 rather than CP932.
void warnIfScriptIsUtf8(const ScriptFileText& file);

}  // namespace core
