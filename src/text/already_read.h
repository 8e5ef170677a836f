// The already-read record: for every script file, which of its text blocks the reader has
// seen, kept across runs in save/already.dat. The flags themselves are the loader's per-file
// read-state maps; this file turns them into the record's text and back, and
// saves/already_read_file.h keeps that text on disk.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/labels.h"

namespace text {

using ReadStateMaps = std::unordered_map<std::uint32_t, core::ReadStateMap>;

// One line a file: "S", the key in upper-case hex, "=", a digit a block in line order, CR LF.
std::string formatAlreadyRead(const ReadStateMaps& maps);

// Assigns the digits of each line to the blocks of the file with that key, in line order;
// surplus digits are ignored, blocks without a digit keep their flag. The key texts of
// lines naming no loaded file go to `unknownKeys`.
void applyAlreadyRead(std::string_view text, ReadStateMaps& maps, std::vector<std::string>& unknownKeys);

}  // namespace text
