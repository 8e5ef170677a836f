// The list of installed Japanese faces that scripts read with getfontlistnum and
// getfontliststr. Filled again at every enumeration; face names are CP932.
#pragma once
#include <string>
#include <vector>

namespace text {

// Flag bit 0 drops vertical faces (names beginning with "@"), bit 1 keeps only fixed-pitch
// faces. Returns the number of faces listed.
int enumerateFonts(int flags);

const std::vector<std::string>& fontList();

}  // namespace text
