// Labels and the per-file read-state maps, built once while the script files load.
#pragma once
#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace core {

struct LabelInfo {
  int line = 0;              // 0-based index of the label line in its file
  std::uint32_t fileKey = 0;
  std::string text;          // lowercased, with the leading "*"
};

struct LabelTable {
  std::unordered_map<std::uint32_t, LabelInfo> labels;       // pathKey of the label text
  std::unordered_map<std::uint32_t, std::string> fileNames;  // file key -> name for messages
};

// First line of each text block -> 0 unread, 1 read.
using ReadStateMap = std::map<int, std::uint8_t>;

// An invalid or duplicate label as scanLabels finds it.
struct LabelFault {
  int line = 0;         // 0-based index of the label line
  bool duplicate = false;
  std::string message;  // CP932: the line text and " ※ラベル名が不正です" or its duplicate sibling
};

// Scans one file's lines: registers labels (lowercasing them in the line) and returns the
// file's read-state map in `readState`. False after an invalid or duplicate label, which it
// has already reported (or, given `fault`, described there): the program must end.
bool scanLabels(std::string_view fileName, std::uint32_t fileKey, std::vector<std::string>& lines,
                LabelTable& table, ReadStateMap& readState, LabelFault* fault = nullptr);
// The same over views of a file's bytes, which stay as they are (the start-up's scan: no
// line of the script is copied).
bool scanLabels(std::string_view fileName, std::uint32_t fileKey, std::span<const std::string_view> lines,
                LabelTable& table, ReadStateMap& readState);

// The run's tables.
LabelTable& labelTable();
std::unordered_map<std::uint32_t, ReadStateMap>& readStateMaps();
const LabelInfo* findLabel(std::string_view labelText);
const std::string* fileNameOf(std::uint32_t fileKey);

}  // namespace core
