// The start-up check that the main script is CP932: a script saved as UTF-8 runs, but every
// Japanese text in it comes out garbled, so the author is told once which file to re-save.
#pragma once

namespace core {

// Shows one message box naming the main script when it looks like UTF-8 rather than CP932.
void warnIfMainScriptIsUtf8();

}  // namespace core
