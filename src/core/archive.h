// The resource archive arc.dat: a big-endian index keyed by pathKey, then the entries'
// bytes stored as they are. Pictures, sounds, cursors and loadfile look here before the disk.
#pragma once
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace core {

struct ArchiveEntry {
  std::uint8_t flag = 0;     // kept, not interpreted
  std::uint32_t offset = 0;  // from the start of arc.dat
  std::uint32_t size = 0;
  std::uint32_t spare = 0;   // kept, not interpreted
};

using ArchiveIndex = std::unordered_map<std::uint32_t, ArchiveEntry>;

// Parses an index from the first bytes of an archive of `fileSize` bytes. Every entry must
// lie inside the file; a later entry with the same key replaces the earlier one.
std::optional<ArchiveIndex> parseArchiveIndex(std::string_view head, std::uint64_t fileSize, std::string& why);

// Reads arc.dat of the working folder. A missing file is no error; a damaged one is
// reported in the error box and the game runs from loose files.
void loadArchiveIndex();
bool archivePresent();

// Archive names: ASCII capitals lowercased, "\" made "/", two-byte characters untouched.
std::string normalizeResourceName(std::string_view path);

// True when the archive holds the name, as written or normalised.
bool archiveHolds(std::string_view path);

enum class ResourceRead { Ok, Missing, Failed, TooLarge };

// The archive entry when the archive holds the path, else the loose file; one of more than
// `limit` bytes (a limit of core/resource_limits.h) is refused before it is read.
ResourceRead readResourceFile(std::string_view path, std::string& out, std::uint64_t limit);

// A file of that path exists on disk, or the archive holds it.
bool resourceExists(std::string_view path);

// The archive's own record of an entry.
std::optional<ArchiveEntry> findArchiveEntry(std::string_view path);

// Where a resource's bytes are: arc.dat and the entry's range when the archive holds the
// name, else the loose file whole. Every reader of resources (whole files, sound streams,
// mapped movies) starts here, so all look the archive up before the disk in the same way.
struct ResourceSpan {
  std::filesystem::path file;  // arc.dat or the loose file
  std::uint64_t offset = 0;    // where the resource starts in `file`
  std::uint64_t size = 0;      // the entry's size, or the loose file's when it was found
  bool archived = false;
};
// Nothing when neither the archive nor the disk has it (a folder of that name included).
std::optional<ResourceSpan> locateResource(std::string_view path);

}  // namespace core
