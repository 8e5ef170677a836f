// The bytes of a movie file, mapped read-only: the arc.dat entry when the archive holds the
// name, else the loose file. Frames are decoded straight from the mapping, so a movie costs
// no more memory than the pages being read.
#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace movie {

enum class SourceOpen { Ok, Missing, NoMemory };

class MovieSource {
 public:
  MovieSource() = default;
  MovieSource(const MovieSource&) = delete;
  MovieSource& operator=(const MovieSource&) = delete;
  ~MovieSource() { close(); }

  // `name` is CP932 as the script wrote it. Missing: neither the archive nor the disk has
  // it (or arc.dat cannot be opened); NoMemory: the mapping was refused.
  SourceOpen open(std::string_view name);
  void close();
  std::span<const std::uint8_t> bytes() const { return bytes_; }

 private:
  void* mapping_ = nullptr;  // from mmap; null for an empty file
  std::size_t mappedLength_ = 0;
  std::span<const std::uint8_t> bytes_;
};

}  // namespace movie
