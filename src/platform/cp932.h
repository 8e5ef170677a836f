// CP932 (Windows Shift-JIS) <-> UTF-8 conversion at the engine's edges: file names on disk,
// window title, message boxes, font look-up and stderr. Inside the engine all text stays CP932.
#pragma once
#include <string>
#include <string_view>

namespace platform {

// Bytes that cannot be converted become "?" so that a message is never lost entirely.
std::string cp932ToUtf8(std::string_view cp932);
std::string utf8ToCp932(std::string_view utf8);

// One character code as the script sees it (one byte, or lead << 8 | trail) to its Unicode
// code point; 0 when CP932 has no such character.
char32_t cp932CodeToUnicode(unsigned code);

// True for text that is not valid CP932 but is valid UTF-8 holding at least one multi-byte
// character: a script saved in the wrong encoding, the commonest mistake of a new author.
bool looksLikeUtf8NotCp932(std::string_view bytes);

// True for a byte that starts a two-byte character in the engine's scanning rule
// (0x81..0xFE, half-width katakana 0xA1..0xDF included).
constexpr bool isLeadByte(unsigned char b) { return b >= 0x81 && b <= 0xFE; }

}  // namespace platform

namespace platform {
// The engine's own Japanese texts are written in the source as UTF-8; this gives their CP932
// bytes, the form every engine text takes.
inline std::string jp(std::string_view utf8) { return utf8ToCp932(utf8); }
}  // namespace platform
