#include "core/script_sources.h"

#include <zlib.h>

#include <algorithm>
#include <cassert>
#include <fstream>
#include <unordered_set>

#include "core/big_endian.h"
#include "core/error_report.h"
#include "core/labels.h"
#include "core/path_key.h"
#include "core/resource_limits.h"
#include "core/script_encoding.h"
#include "core/statements.h"
#include "platform/cp932.h"
#include "platform/paths.h"

namespace core {
namespace fs = std::filesystem;
namespace {

constexpr std::size_t kPackedRecord = 17;

struct Sources {
  bool packedMode = false;
  std::unordered_map<std::uint32_t, PackedEntry> packedIndex;
} sources;

bool isTrimByte(unsigned char b) { return b == ' ' || b == '\t' || b == '\r' || b == '\n'; }

// A line as the loaders store it: cut at a NUL (the line buffers are C strings), trimmed of
// spaces, tabs, CR and LF, emptied when it is a comment.
std::string_view storedLine(std::string_view piece) {
  if (std::size_t nul = piece.find('\0'); nul != std::string_view::npos) piece = piece.substr(0, nul);
  std::size_t a = 0, b = piece.size();
  while (a < b && isTrimByte(static_cast<unsigned char>(piece[a]))) ++a;
  while (b > a && isTrimByte(static_cast<unsigned char>(piece[b - 1]))) --b;
  piece = piece.substr(a, std::min(b - a, kLineLimit));
  if (!piece.empty() && (piece[0] == ';' || piece[0] == '/')) return {};
  return piece;
}

bool lessIgnoringAsciiCase(const std::string& a, const std::string& b) {
  std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    unsigned char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x -= 32;
    if (y >= 'a' && y <= 'z') y -= 32;
    if (x != y) return x < y;
  }
  return a.size() < b.size();
}

// A script file too large to be one is refused here, with its own message.
bool readFolderScriptBytes(const std::string& scriptPath, std::string& bytes) {
  auto disk = platform::resolvePath(scriptPath);
  if (!disk) return false;
  switch (platform::readFileUpTo(*disk, bytes, kLargestScriptBytes)) {
    case platform::FileRead::Ok: return true;
    case platform::FileRead::Failed: return false;
    case platform::FileRead::TooLarge: showErrorBox(tooLargeMessage(scriptPath, kLargestScriptBytes)); return false;
  }
  return false;
}

bool readFolderFile(const std::string& scriptPath, ScriptLines& lines) {
  std::string bytes;
  if (!readFolderScriptBytes(scriptPath, bytes)) return false;
  splitFolderText(bytes, lines);
  return true;
}

// Reads and inflates one entry of script.sbx. False when the file cannot be read or memory
// runs out; a damaged entry is reported and leaves the text empty.
bool readPackedEntryText(std::uint32_t key, const PackedEntry& entry, std::string& text) {
  text.clear();
  std::ifstream in(kPackedScriptFile, std::ios::binary);
  if (!in) {
    reportCommandError(platform::jp("script.sbx が存在しません"));
    return false;
  }
  if (entry.unpackedSize > kLargestScriptBytes) {
    reportCommandError(tooLargeMessage(keyHex(key), kLargestScriptBytes));
    return true;
  }
  std::string packed;
  try {
    packed.resize(entry.packedSize);
  } catch (const std::bad_alloc&) {
    reportCommandError(platform::jp("メモリを確保出来ませんでした"));
    return false;
  }
  in.seekg(entry.offset, std::ios::beg);
  if (entry.packedSize > 0 && !in.read(packed.data(), entry.packedSize)) packed.clear();
  try {
    if (!inflatePackedEntry(packed, entry.unpackedSize, text)) {
      reportCommandError(keyHex(key) + platform::jp(" 解凍失敗しました"));
      return true;
    }
  } catch (const std::bad_alloc&) {
    reportCommandError(platform::jp("メモリを確保出来ませんでした"));
    return false;
  }
  return true;
}

bool loadPackedEntry(std::uint32_t key, const PackedEntry& entry, ScriptLines& lines) {
  std::string text;
  if (!readPackedEntryText(key, entry, text)) return false;
  splitPackedText(text, lines);
  return true;
}

// The index of script.sbx in the working folder: nothing when there is no such file, no
// records when its index is damaged.
std::optional<std::vector<PackedIndexRecord>> readPackedIndex() {
  std::ifstream packed(kPackedScriptFile, std::ios::binary);
  if (!packed) return std::nullopt;
  packed.seekg(0, std::ios::end);
  std::uint64_t size = static_cast<std::uint64_t>(packed.tellg());
  packed.seekg(0, std::ios::beg);
  char countBytes[4];
  if (!packed.read(countBytes, 4)) return std::vector<PackedIndexRecord>{};
  std::string head;
  std::uint64_t headSize = 4 + static_cast<std::uint64_t>(readU32be(countBytes)) * kPackedRecord;
  if (headSize <= size) {
    head.resize(static_cast<std::size_t>(headSize));
    packed.seekg(0, std::ios::beg);
    packed.read(head.data(), static_cast<std::streamsize>(headSize));
  } else {
    head.assign(countBytes, 4);
  }
  std::string why;
  auto records = parsePackedIndex(head, size, why);
  return records ? records : std::vector<PackedIndexRecord>{};
}

}  // namespace

bool inflatePackedEntry(std::string_view packed, std::uint32_t unpackedSize, std::string& text) {
  text.clear();
  // The claim is checked before anything of its size is allocated: above the limit, or more
  // than deflate can make of the packed bytes, the entry is damaged.
  if (unpackedSize > kLargestScriptBytes || unpackedSize > packed.size() * kLargestInflateRatio + 64) return false;
  text.resize(std::max<std::size_t>(unpackedSize, 1));
  uLongf outSize = unpackedSize;
  int rc = uncompress(reinterpret_cast<Bytef*>(text.data()), &outSize, reinterpret_cast<const Bytef*>(packed.data()),
                      static_cast<uLong>(packed.size()));
  if (rc != Z_OK) {
    text.clear();
    return false;
  }
  text.resize(outSize);
  return true;
}

std::optional<std::vector<PackedIndexRecord>> parsePackedIndex(std::string_view head, std::uint64_t fileSize,
                                                               std::string& why) {
  ByteReader r{head};
  std::uint32_t count = 0;
  if (!r.u32(count)) {
    why = "the entry count is missing";
    return std::nullopt;
  }
  if (static_cast<std::uint64_t>(count) * kPackedRecord + 4 > fileSize) {
    why = "the index of " + std::to_string(count) + " entries runs past the end of the file";
    return std::nullopt;
  }
  std::vector<PackedIndexRecord> records;
  records.reserve(count);
  for (std::uint32_t i = 0; i < count; ++i) {
    PackedIndexRecord rec;
    PackedEntry& e = rec.entry;
    if (!r.u32(rec.key) || !r.u8(e.flag) || !r.u32(e.offset) || !r.u32(e.packedSize) || !r.u32(e.unpackedSize)) {
      why = "the index ends inside entry " + std::to_string(i);
      return std::nullopt;
    }
    if (static_cast<std::uint64_t>(e.offset) + e.packedSize > fileSize) {
      why = "entry " + keyHex(rec.key) + " lies past the end of the file";
      return std::nullopt;
    }
    records.push_back(rec);
  }
  return records;
}

std::vector<std::string> listScripts(const fs::path& folder, const std::string& prefix) {
  struct Entry {
    std::string name;  // UTF-8, as on disk
    bool isFolder;
  };
  std::vector<Entry> entries;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    std::string name = it->path().filename().string();
    if (name.empty() || name[0] == '.') continue;
    std::error_code typeEc;
    entries.push_back({name, it->is_directory(typeEc)});
  }
  // Windows lists a folder in name order without regard to case; scripts see that order
  // through the file order of the packed script and the order of load messages.
  std::sort(entries.begin(), entries.end(),
            [](const Entry& a, const Entry& b) { return lessIgnoringAsciiCase(a.name, b.name); });
  std::vector<std::string> out;
  for (const Entry& e : entries) {
    std::string scriptName = platform::utf8ToCp932(e.name);
    if (e.isFolder) {
      std::vector<std::string> inner = listScripts(folder / e.name, prefix + scriptName + "/");
      out.insert(out.end(), std::make_move_iterator(inner.begin()), std::make_move_iterator(inner.end()));
      continue;
    }
    if (scriptName.size() < 4) continue;
    std::string ext = scriptName.substr(scriptName.size() - 4);
    for (char& c : ext)
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    if (ext == ".txt") out.push_back(prefix + scriptName);
  }
  return out;
}

// Both splits fill either stored lines (strings) or views of the file's bytes: the label
// scan at start-up only reads the lines, and a view costs no copy of the script.
template <class Lines>
void cutFolderText(std::string_view bytes, Lines& lines, std::vector<int>* physicalLines) {
  std::size_t pos = 0;
  int physical = 1;
  while (pos < bytes.size()) {
    // One read of the 256-byte buffer: up to 255 bytes, or through the next LF.
    std::size_t limit = std::min(bytes.size(), pos + kLineLimit);
    std::size_t end = pos;
    while (end < limit && bytes[end] != '\n') ++end;
    if (physicalLines) physicalLines->push_back(physical);
    if (end < limit) {
      ++end;  // take the LF along
      ++physical;
    }
    lines.emplace_back(storedLine(bytes.substr(pos, end - pos)));
    assert(lines.back().size() <= kLineLimit && "every line fits the interpreter's 256-byte statement buffer");
    pos = end;
  }
}

template <class Lines>
void cutPackedText(std::string_view bytes, Lines& lines, std::vector<int>* physicalLines) {
  std::size_t start = 0, i = 0;
  const std::size_t n = bytes.size();
  while (i < n) {
    unsigned char b = static_cast<unsigned char>(bytes[i]);
    if (isLeadByte(b)) {
      i += 2;
      continue;
    }
    if (b == '\r' || b == '\n') {
      if (physicalLines) physicalLines->push_back(static_cast<int>(lines.size()) + 1);
      lines.emplace_back(storedLine(bytes.substr(start, i - start)));
      if (b == '\r' && i + 1 < n && bytes[i + 1] == '\n') ++i;
      ++i;
      start = i;
      continue;
    }
    ++i;
  }
  if (start < n) {
    if (physicalLines) physicalLines->push_back(static_cast<int>(lines.size()) + 1);
    lines.emplace_back(storedLine(bytes.substr(start)));
  }
}

void splitFolderText(std::string_view bytes, ScriptLines& lines, std::vector<int>* physicalLines) {
  cutFolderText(bytes, lines, physicalLines);
}

void splitPackedText(std::string_view bytes, ScriptLines& lines, std::vector<int>* physicalLines) {
  cutPackedText(bytes, lines, physicalLines);
}

bool packedMode() { return sources.packedMode; }

bool holdsGame() {
  std::error_code ec;
  if (fs::is_regular_file(kPackedScriptFile, ec)) return true;
  auto folder = platform::resolvePath("script");
  return folder && fs::is_directory(*folder, ec);
}

void resetScriptSources() {
  sources = Sources{};
  labelTable() = LabelTable{};
  readStateMaps().clear();
}

LoadOutcome forEachScriptFile(const std::function<bool(const ScriptFileText&)>& visit) {
  const std::uint32_t mainKey = pathKey(kMainScriptPath);
  if (std::optional<std::vector<PackedIndexRecord>> records = readPackedIndex()) {
    bool haveMain = std::any_of(records->begin(), records->end(),
                                [&](const PackedIndexRecord& rec) { return rec.key == mainKey; });
    if (haveMain) {
      sources.packedMode = true;
      for (const PackedIndexRecord& rec : *records) {
        sources.packedIndex[rec.key] = rec.entry;
        ScriptFileText file{keyHex(rec.key), rec.key, {}, true};
        if (!readPackedEntryText(rec.key, rec.entry, file.bytes)) {
          showErrorBox(file.name + platform::jp(" を読み込めませんでした"));
          continue;
        }
        if (!visit(file)) return LoadOutcome::Fatal;
      }
      return LoadOutcome::Ok;
    }
    showErrorBox(platform::jp("script.sbxが正常に読み込めませんでした"));
  }

  std::error_code ec;
  auto mainFile = platform::resolvePath(kMainScriptPath);
  if (!mainFile || !fs::is_regular_file(*mainFile, ec)) {
    showErrorBox(platform::jp("スクリプトファイルを読み込めませんでした"));
    return LoadOutcome::Failed;
  }
  auto folder = platform::resolvePath("script");
  for (const std::string& path : listScripts(folder ? *folder : fs::path("script"), "script/")) {
    ScriptFileText file{path, pathKey(path), {}, false};
    if (!readFolderScriptBytes(path, file.bytes)) {
      showErrorBox(path + platform::jp(" を読み込めませんでした"));
      continue;
    }
    if (!visit(file)) return LoadOutcome::Fatal;
  }
  return LoadOutcome::Ok;
}

void splitScriptText(const ScriptFileText& file, ScriptLines& lines, std::vector<int>* physicalLines) {
  if (file.packed) splitPackedText(file.bytes, lines, physicalLines);
  else splitFolderText(file.bytes, lines, physicalLines);
}

LoadOutcome loadAllScripts() {
  std::unordered_set<std::uint32_t> warned;  // a key listed twice in script.sbx is named once
  return forEachScriptFile([&](const ScriptFileText& file) {
    // Before its labels: a label error in a garbled file is explained by the warning.
    if (warned.insert(file.key).second) warnIfScriptIsUtf8(file);
    std::vector<std::string_view> lines;
    if (file.packed) cutPackedText(file.bytes, lines, nullptr);
    else cutFolderText(file.bytes, lines, nullptr);
    ReadStateMap readState;
    if (!scanLabels(file.name, file.key, lines, labelTable(), readState)) return false;
    readStateMaps()[file.key] = std::move(readState);
    return true;
  });
}

bool loadScriptFile(std::uint32_t fileKey, ScriptLines& lines, bool clearFirst) {
  if (sources.packedMode) {
    if (auto it = sources.packedIndex.find(fileKey); it != sources.packedIndex.end()) {
      if (clearFirst) lines.clear();
      return loadPackedEntry(fileKey, it->second, lines);
    }
  }
  const std::string* name = fileNameOf(fileKey);
  std::string path = name ? *name : (fileKey == pathKey(kMainScriptPath) ? kMainScriptPath : "");
  if (path.empty()) return false;
  ScriptLines fresh;
  if (!readFolderFile(path, fresh)) return false;
  if (clearFirst) lines.clear();
  lines.insert(lines.end(), std::make_move_iterator(fresh.begin()), std::make_move_iterator(fresh.end()));
  return true;
}

}  // namespace core

namespace core {

int firstOverlongLine(std::string_view bytes) {
  int lineNo = 1;
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    std::size_t limit = std::min(bytes.size(), pos + kLineLimit);
    std::size_t end = pos;
    while (end < limit && bytes[end] != '\n') ++end;
    if (end < limit) {
      pos = end + 1;
      ++lineNo;
      continue;
    }
    if (end == bytes.size()) return 0;  // the last line, without a terminator, fits
    return lineNo;
  }
  return 0;
}

}  // namespace core
