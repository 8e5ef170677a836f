// The 32-bit key of a path or label text: the CRC-32 table walk without the final
// inversion, so the bitwise complement of the usual CRC-32. Keys script files, labels,
// defined-command names and archive entries; packed files store it, so it must never change.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace core {

std::uint32_t pathKey(std::string_view text);

// The key written as uppercase hexadecimal without leading zeros: how packed script files
// are named in messages.
std::string keyHex(std::uint32_t key);

}  // namespace core
