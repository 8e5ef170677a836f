// Mapping a movie file or its archive entry. Main thread.
#include "movie/movie_source.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "core/archive.h"

namespace movie {
namespace {

// Maps [offset, offset + length) of an open file. mmap wants a page-aligned offset, so the
// mapping starts at the page holding `offset`.
SourceOpen mapRange(int fd, std::uint64_t offset, std::uint64_t length, void*& mapping, std::size_t& mappedLength,
                    std::span<const std::uint8_t>& bytes) {
  if (length == 0) return SourceOpen::Ok;
  const std::uint64_t page = static_cast<std::uint64_t>(sysconf(_SC_PAGESIZE));
  const std::uint64_t start = offset - offset % page;
  const std::uint64_t total = length + (offset - start);
  if (total > SIZE_MAX) return SourceOpen::NoMemory;
  void* p = mmap(nullptr, static_cast<std::size_t>(total), PROT_READ, MAP_PRIVATE, fd, static_cast<off_t>(start));
  if (p == MAP_FAILED) return errno == ENOMEM ? SourceOpen::NoMemory : SourceOpen::Missing;
  mapping = p;
  mappedLength = static_cast<std::size_t>(total);
  bytes = {static_cast<const std::uint8_t*>(p) + (offset - start), static_cast<std::size_t>(length)};
  return SourceOpen::Ok;
}

}  // namespace

SourceOpen MovieSource::open(std::string_view name) {
  close();
  const std::optional<core::ResourceSpan> span = core::locateResource(core::normalizeResourceName(name));
  if (!span) return SourceOpen::Missing;
  const std::uint64_t offset = span->offset;
  std::uint64_t length = span->size;
  const int fd = ::open(span->file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return SourceOpen::Missing;
  struct stat st {};
  SourceOpen result = SourceOpen::Missing;
  if (fstat(fd, &st) == 0 && st.st_size >= 0) {
    const auto fileSize = static_cast<std::uint64_t>(st.st_size);
    if (!span->archived) length = fileSize;
    // The archive index was checked against the file when it was read; a file changed
    // since then gets no mapping past its end.
    if (offset > fileSize) length = 0;
    else if (length > fileSize - offset) length = fileSize - offset;
    result = mapRange(fd, offset, length, mapping_, mappedLength_, bytes_);
  }
  ::close(fd);  // the mapping stays valid without the descriptor
  return result;
}

void MovieSource::close() {
  if (mapping_) munmap(mapping_, mappedLength_);
  mapping_ = nullptr;
  mappedLength_ = 0;
  bytes_ = {};
}

}  // namespace movie
