// Finding and reading the script: the folder script/ of .txt files, or the packed
// script.sbx. Every file becomes a list of trimmed lines keyed by pathKey of its path.
#pragma once
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace core {

using ScriptLines = std::vector<std::string>;

constexpr const char* kMainScriptPath = "script/0.txt";
constexpr const char* kPackedScriptFile = "script.sbx";
constexpr std::size_t kLineLimit = 255;  // the reader's 256-byte line buffer

struct PackedEntry {
  std::uint8_t flag = 0;  // kept, not interpreted
  std::uint32_t offset = 0;
  std::uint32_t packedSize = 0;
  std::uint32_t unpackedSize = 0;
};

struct PackedIndexRecord {
  std::uint32_t key = 0;
  PackedEntry entry;
};

// The index of a packed script in file order, checked against the file's size.
std::optional<std::vector<PackedIndexRecord>> parsePackedIndex(std::string_view head, std::uint64_t fileSize,
                                                               std::string& why);

// Inflates one packed entry's bytes into `text`; false when the entry is damaged (zlib
// fails, or it claims more than the limit or than deflate can make of its bytes).
bool inflatePackedEntry(std::string_view packed, std::uint32_t unpackedSize, std::string& text);

// The .txt files below `folder` (disk path), as script paths beginning with `prefix`:
// entries in name order without regard to ASCII case, sub-folders expanded where they
// stand, names beginning with "." skipped.
std::vector<std::string> listScripts(const std::filesystem::path& folder, const std::string& prefix);

// Folder form: the file read in pieces of at most 255 bytes, as a 256-byte line buffer
// reads it (a longer physical line becomes several lines). Each piece is trimmed and a piece
// that then starts with ";" or "/" is kept as an empty line. With `physicalLines`, each
// stored line's 1-based line number in the file is appended there.
void splitFolderText(std::string_view bytes, ScriptLines& lines, std::vector<int>* physicalLines = nullptr);

// Packed form: lines ended by CR, LF or CR LF, two-byte characters taken whole.
void splitPackedText(std::string_view bytes, ScriptLines& lines, std::vector<int>* physicalLines = nullptr);

enum class LoadOutcome { Ok, Failed, Fatal };

// One script file as start-up reads it: its name in messages (the script path, or the key in
// hex inside script.sbx), its key and its bytes (inflated when packed).
struct ScriptFileText {
  std::string name;
  std::uint32_t key = 0;
  std::string bytes;
  bool packed = false;
};

// Reads the script files in load order: the entries of script.sbx when its index lists
// script/0.txt, else every .txt file below script/. Files that cannot be read are reported
// and passed over. `visit` returning false ends the walk with Fatal. Failed: no script.
LoadOutcome forEachScriptFile(const std::function<bool(const ScriptFileText&)>& visit);

// Cuts a file read by forEachScriptFile into lines, in the form its source uses.
void splitScriptText(const ScriptFileText& file, ScriptLines& lines, std::vector<int>* physicalLines = nullptr);

// Loads every file, filling the label table and the read-state maps; each file that looks
// like UTF-8 rather than CP932 is named once. Fatal: a label error was reported and the
// program must end.
LoadOutcome loadAllScripts();

// Fills `lines` with one file's lines; false when the file cannot be read.
bool loadScriptFile(std::uint32_t fileKey, ScriptLines& lines, bool clearFirst);

bool packedMode();

// True when the working folder holds a game: script.sbx, or a script folder in any letter
// case. A script folder without its main script is the loader's to report.
bool holdsGame();

// Resets the sources (tests load several games in one process).
void resetScriptSources();

}  // namespace core

namespace core {

// The 1-based number of the first physical line that the folder reader would cut into
// several lines (longer than its buffer), or 0 when there is none.
int firstOverlongLine(std::string_view bytes);

}  // namespace core
