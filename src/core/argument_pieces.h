// The argument text cut into pieces as commands read them one at a time: at "," outside
// quotes, each piece trimmed.
#pragma once
#include <string_view>
#include <vector>

namespace core {

// None for a blank text.
std::vector<std::string_view> argumentPieces(std::string_view args);

}  // namespace core
