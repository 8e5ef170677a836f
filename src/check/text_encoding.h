// Telling CP932 script text from text saved in another encoding.
#pragma once
#include <cstddef>
#include <optional>
#include <string_view>

namespace check {

// The offset of the first byte sequence that is not a CP932 character, if any.
std::optional<std::size_t> firstInvalidCp932(std::string_view text);

// True when the text is valid UTF-8 and holds at least one multi-byte character (or starts
// with a UTF-8 byte-order mark): a file saved as UTF-8 by mistake.
bool looksLikeUtf8(std::string_view text);

}  // namespace check
