// The movie container's reader and writer. Pure functions over bytes, no state.
#include "movie/movie_file.h"

#include <cstring>

namespace movie {
namespace {

std::uint32_t u32le(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

void appendU32le(std::string& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

bool tagIs(const std::uint8_t* p, const char (&tag)[5]) { return std::memcmp(p, tag, 4) == 0; }

}  // namespace

std::optional<MovieHeader> parseMovieHeader(std::span<const std::uint8_t> file, std::string& why) {
  if (file.size() < 4 || !tagIs(file.data(), "MJPG")) return why = "no MJPG signature", std::nullopt;
  if (file.size() < kHeaderBytes) return why = "the header is cut short", std::nullopt;
  MovieHeader h;
  h.rate = u32le(file.data() + 20);
  h.scale = u32le(file.data() + 24);
  h.width = u32le(file.data() + 28);
  h.height = u32le(file.data() + 32);
  h.soundLength = u32le(file.data() + 40);
  if (h.rate == 0) return why = "a rate of 0", std::nullopt;
  if (firstChunkOffset(h) > file.size()) return why = "the sound track runs past the end of the file", std::nullopt;
  return h;
}

std::uint64_t framePeriodMs(const MovieHeader& header) {
  if (header.rate == 0) return 0;
  return (static_cast<std::uint64_t>(header.scale) * 1000 + header.rate - 1) / header.rate;
}

Chunk readChunk(std::span<const std::uint8_t> file, std::uint64_t pos) {
  Chunk c;
  if (pos > file.size() || file.size() - pos < 4) return c;
  const std::uint8_t* p = file.data() + pos;
  if (tagIs(p, "EOF ")) {
    c.kind = ChunkKind::End;
    return c;
  }
  if (!tagIs(p, "00dc") || file.size() - pos < kChunkHeadBytes) return c;
  c.kind = ChunkKind::Frame;
  c.time = u32le(p + 4);
  c.length = u32le(p + 8);
  c.data = pos + kChunkHeadBytes;
  c.next = c.data + c.length;
  c.complete = c.next <= file.size();
  return c;
}

std::span<const std::uint8_t> chunkData(std::span<const std::uint8_t> file, const Chunk& chunk) {
  if (chunk.kind != ChunkKind::Frame || !chunk.complete) return {};
  return file.subspan(static_cast<std::size_t>(chunk.data), chunk.length);
}

MovieSummary summarizeMovie(std::span<const std::uint8_t> file, const MovieHeader& header) {
  MovieSummary s;
  std::uint64_t pos = firstChunkOffset(header);
  for (;;) {
    const Chunk c = readChunk(file, pos);
    if (c.kind == ChunkKind::End) s.endTag = true;
    if (c.kind != ChunkKind::Frame) break;
    ++s.chunks;
    s.lastTime = c.time;
    if (c.length == 0) {
      ++s.holds;
    } else if (c.length > core::kLargestMovieChunkBytes) {
      ++s.oversized;
    } else if (!c.complete) {
      ++s.truncated;
    } else {
      ++s.frames;
      const auto data = chunkData(file, c);
      if (data.size() < 2 || data[0] != 0xFF || data[1] != 0xD8) ++s.notJpeg;
    }
    pos = c.next;
  }
  return s;
}

std::string movieHeaderBytes(const MovieHeader& header) {
  std::string out = "MJPG";
  out.append(16, '\0');
  appendU32le(out, header.rate);
  appendU32le(out, header.scale);
  appendU32le(out, header.width);
  appendU32le(out, header.height);
  appendU32le(out, 0);
  appendU32le(out, header.soundLength);
  return out;
}

void appendChunk(std::string& out, std::string_view tag, std::uint32_t time, std::string_view data) {
  out.append(tag.substr(0, 4));
  appendU32le(out, time);
  appendU32le(out, static_cast<std::uint32_t>(data.size()));
  out.append(data);
}

}  // namespace movie
