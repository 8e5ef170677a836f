#include "core/archive.h"

#include <fstream>

#include "core/big_endian.h"
#include "core/error_report.h"
#include "core/path_key.h"
#include "core/statements.h"
#include "platform/cp932.h"
#include "platform/paths.h"

namespace core {
namespace {

constexpr const char* kArchiveFile = "arc.dat";
constexpr std::size_t kArchiveRecord = 17;

struct Archive {
  bool present = false;
  ArchiveIndex index;
} archive;

}  // namespace

std::optional<ArchiveIndex> parseArchiveIndex(std::string_view head, std::uint64_t fileSize, std::string& why) {
  ByteReader r{head};
  std::uint32_t count = 0;
  if (!r.u32(count)) {
    why = "the entry count is missing";
    return std::nullopt;
  }
  if (static_cast<std::uint64_t>(count) * kArchiveRecord + 4 > fileSize) {
    why = "the index of " + std::to_string(count) + " entries runs past the end of the file";
    return std::nullopt;
  }
  ArchiveIndex index;
  index.reserve(count);
  for (std::uint32_t i = 0; i < count; ++i) {
    std::uint32_t key = 0;
    ArchiveEntry e;
    if (!r.u32(key) || !r.u8(e.flag) || !r.u32(e.offset) || !r.u32(e.size) || !r.u32(e.spare)) {
      why = "the index ends inside entry " + std::to_string(i);
      return std::nullopt;
    }
    if (static_cast<std::uint64_t>(e.offset) + e.size > fileSize) {
      why = "entry " + keyHex(key) + " lies past the end of the file";
      return std::nullopt;
    }
    index[key] = e;
  }
  return index;
}

void loadArchiveIndex() {
  archive = Archive{};
  std::ifstream in(kArchiveFile, std::ios::binary);
  if (!in) return;
  in.seekg(0, std::ios::end);
  std::uint64_t size = static_cast<std::uint64_t>(in.tellg());
  in.seekg(0, std::ios::beg);
  char countBytes[4];
  std::string why;
  std::optional<ArchiveIndex> index;
  if (in.read(countBytes, 4)) {
    std::uint32_t count = readU32be(countBytes);
    std::uint64_t headSize = 4 + static_cast<std::uint64_t>(count) * kArchiveRecord;
    if (headSize <= size) {
      std::string head(static_cast<std::size_t>(headSize), '\0');
      in.seekg(0, std::ios::beg);
      if (in.read(head.data(), static_cast<std::streamsize>(headSize))) index = parseArchiveIndex(head, size, why);
      else why = "the index cannot be read";
    } else {
      index = parseArchiveIndex(std::string_view(countBytes, 4), size, why);
    }
  } else {
    why = "the entry count is missing";
  }
  if (!index) {
    showErrorBox(platform::jp("arc.dat が壊れています (") + why + ")");
    return;
  }
  archive.index = std::move(*index);
  archive.present = true;
}

bool archivePresent() { return archive.present; }

std::string normalizeResourceName(std::string_view path) {
  std::string out(path);
  for (std::size_t i = 0; i < out.size(); ++i) {
    unsigned char b = static_cast<unsigned char>(out[i]);
    if (isLeadByte(b)) {
      ++i;
    } else if (isCapital(b)) {
      out[i] = static_cast<char>(b + 32);
    } else if (b == '\\') {
      out[i] = '/';
    }
  }
  return out;
}

std::optional<ArchiveEntry> findArchiveEntry(std::string_view path) {
  if (!archive.present) return std::nullopt;
  // The key as written first, then the normalised name the packer stores, so that a script
  // may write "CG\Bg.png" for the entry of "cg/bg.png".
  if (auto it = archive.index.find(pathKey(path)); it != archive.index.end()) return it->second;
  if (auto it = archive.index.find(pathKey(normalizeResourceName(path))); it != archive.index.end()) return it->second;
  return std::nullopt;
}

bool archiveHolds(std::string_view path) { return findArchiveEntry(path).has_value(); }

std::optional<ResourceSpan> locateResource(std::string_view path) {
  if (auto entry = findArchiveEntry(path)) return ResourceSpan{kArchiveFile, entry->offset, entry->size, true};
  auto disk = platform::resolvePath(path);
  std::error_code ec;
  if (!disk || !std::filesystem::is_regular_file(*disk, ec)) return std::nullopt;
  const std::uint64_t size = std::filesystem::file_size(*disk, ec);
  if (ec) return std::nullopt;
  return ResourceSpan{*disk, 0, size, false};
}

ResourceRead readResourceFile(std::string_view path, std::string& out, std::uint64_t limit) {
  const std::optional<ResourceSpan> span = locateResource(path);
  if (!span) return ResourceRead::Missing;
  if (span->archived) {
    if (span->size > limit) return ResourceRead::TooLarge;
    std::ifstream in(span->file, std::ios::binary);
    if (!in) return ResourceRead::Missing;
    out.resize(span->size);
    in.seekg(static_cast<std::streamoff>(span->offset), std::ios::beg);
    // arc.dat replaced or cut short since its index was read: the entry is gone.
    if (span->size > 0 && !in.read(out.data(), static_cast<std::streamsize>(span->size))) {
      out.clear();
      return ResourceRead::Failed;
    }
    return ResourceRead::Ok;
  }
  switch (platform::readFileUpTo(span->file, out, limit)) {
    case platform::FileRead::Ok: return ResourceRead::Ok;
    case platform::FileRead::TooLarge: return ResourceRead::TooLarge;
    case platform::FileRead::Failed: break;
  }
  // The file vanished between the look-up and the read reads as missing.
  std::error_code ec;
  return std::filesystem::exists(span->file, ec) ? ResourceRead::Failed : ResourceRead::Missing;
}

bool resourceExists(std::string_view path) {
  std::error_code ec;
  if (auto disk = platform::resolvePath(path); disk && std::filesystem::is_regular_file(*disk, ec)) return true;
  return archiveHolds(path);
}

}  // namespace core
