// The page order of an Ogg Vorbis file, checked before the decoder sees it.
#pragma once
#include <cstdint>
#include <span>
#include <string>

namespace sound {

// True when every intact page (checksum right) belongs to one logical stream at a time, each
// stream begins with its first page and counts its pages up without going back (a gap left
// by a damaged page is allowed), and nothing follows a stream's last page but the first page
// of the next. Otherwise false with `why`. Bytes that form no intact page are passed over,
// as the decoder does.
bool pagesInOrder(std::span<const std::uint8_t> bytes, std::string& why);

}  // namespace sound
