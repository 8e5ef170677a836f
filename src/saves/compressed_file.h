// The compressed container of save games, the settings file and the already-read record:
// the text's length as an unsigned 32-bit little-endian number, then the text as one zlib
// stream (level 9). Pure functions over bytes.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "core/resource_limits.h"

namespace saves {

// Empty for a text over core::kLargestSaveText, or when zlib fails (it does not for any
// text below it).
std::string packCompressed(std::string_view text);

enum class Unpack {
  Ok,
  TooShort,        // fewer than the 4 length bytes
  AbsurdLength,    // the stated length is over core::kLargestSaveText: refused unallocated
  BadStream,       // not a whole zlib stream
  LengthMismatch,  // the stream inflates to another length than stated
};

// `exactLength`: a stream that inflates to fewer bytes than stated is refused (save games);
// otherwise the text is what inflated (the already-read record).
Unpack unpackCompressed(std::string_view file, std::string& text, bool exactLength = true);

}  // namespace saves
