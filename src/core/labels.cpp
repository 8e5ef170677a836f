#include "core/labels.h"

#include <type_traits>

#include "core/error_report.h"
#include "core/path_key.h"
#include "core/statements.h"
#include "platform/cp932.h"

namespace core {
namespace {

struct Labels {
  LabelTable table;
  std::unordered_map<std::uint32_t, ReadStateMap> readStates;
} labelsState;

}  // namespace

LabelTable& labelTable() { return labelsState.table; }
std::unordered_map<std::uint32_t, ReadStateMap>& readStateMaps() { return labelsState.readStates; }

const LabelInfo* findLabel(std::string_view labelText) {
  auto it = labelsState.table.labels.find(pathKey(labelText));
  return it == labelsState.table.labels.end() ? nullptr : &it->second;
}

const std::string* fileNameOf(std::uint32_t fileKey) {
  auto it = labelsState.table.fileNames.find(fileKey);
  return it == labelsState.table.fileNames.end() ? nullptr : &it->second;
}

namespace {

// The scan for either kind of line: stored lines (the checker's) get their label lowercased
// in place, as the messages and the checker show them; views (the loader's, over the file's
// bytes) are left as they are and only the label's own text is copied.
template <class Line>
bool scanLabelLines(std::string_view fileName, std::uint32_t fileKey, std::span<Line> lines, LabelTable& table,
                    ReadStateMap& readState, LabelFault* fault) {
  readState.clear();
  const int count = static_cast<int>(lines.size());
  int i = 0;
  while (i < count) {
    Line& line = lines[static_cast<std::size_t>(i)];
    if (line.empty()) {
      ++i;
      continue;
    }
    unsigned char first = static_cast<unsigned char>(line[0]);
    if (isLetter(first)) {
      ++i;
      continue;
    }
    if (first != '*') {
      // A text block runs to the next empty line; whatever it holds (labels included)
      // belongs to the text.
      readState[i] = 0;
      while (i < count && !lines[static_cast<std::size_t>(i)].empty()) ++i;
      ++i;
      continue;
    }
    std::string label(line);  // lowercased as far as the scan reads
    std::size_t j = 1;
    bool valid = true;
    while (j < label.size()) {
      unsigned char b = static_cast<unsigned char>(label[j]);
      if (isLeadByte(b)) {
        j += 2;
        continue;
      }
      if (isCapital(b)) {
        label[j] = static_cast<char>(b + 32);
        ++j;
        continue;
      }
      if (isNameByte(b)) {
        ++j;
        continue;
      }
      if (b == ':' || b == ';' || b == '/' || b == ' ' || b == '\t') break;
      valid = false;
      break;
    }
    if constexpr (std::is_same_v<Line, std::string>) line = label;
    if (j > label.size()) j = label.size();  // a lead byte in the last position
    auto report = [&](const std::string& message) {
      if (fault) {
        *fault = LabelFault{i, valid, message};  // a valid label can only fault as a duplicate
        return false;
      }
      showErrorBox(std::string(fileName) + "[" + std::to_string(i + 1) + "] " + message);
      return false;
    };
    if (!valid) return report(label + platform::jp(" ※ラベル名が不正です"));
    std::string text = label.substr(0, j);
    std::uint32_t key = pathKey(text);
    if (auto it = table.labels.find(key); it != table.labels.end())
      return report(label + " " + it->second.text + platform::jp(" ※ラベルが重複しています"));
    table.labels[key] = LabelInfo{i, fileKey, std::move(text)};
    table.fileNames[fileKey] = std::string(fileName);
    ++i;
  }
  table.fileNames.emplace(fileKey, std::string(fileName));
  return true;
}

}  // namespace

bool scanLabels(std::string_view fileName, std::uint32_t fileKey, std::vector<std::string>& lines,
                LabelTable& table, ReadStateMap& readState, LabelFault* fault) {
  return scanLabelLines(fileName, fileKey, std::span<std::string>(lines), table, readState, fault);
}

bool scanLabels(std::string_view fileName, std::uint32_t fileKey, std::span<const std::string_view> lines,
                LabelTable& table, ReadStateMap& readState) {
  return scanLabelLines(fileName, fileKey, lines, table, readState, nullptr);
}

}  // namespace core
