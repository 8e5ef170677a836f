// The movie container's reader: header checks and chunks read without ever leaving the file.
#include <gtest/gtest.h>

#include <string>

#include "movie/movie_file.h"

namespace {

std::span<const std::uint8_t> bytesOf(const std::string& s) {
  return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

movie::MovieHeader header(std::uint32_t rate, std::uint32_t scale, std::uint32_t sound = 0) {
  movie::MovieHeader h;
  h.rate = rate;
  h.scale = scale;
  h.width = 320;
  h.height = 240;
  h.soundLength = sound;
  return h;
}

TEST(MovieFile, HeaderFieldsAndRefusals) {
  std::string file = movie::movieHeaderBytes(header(2997, 100, 3)) + "Ogg";
  std::string why;
  auto h = movie::parseMovieHeader(bytesOf(file), why);
  ASSERT_TRUE(h) << why;
  EXPECT_EQ(h->rate, 2997u);
  EXPECT_EQ(h->scale, 100u);
  EXPECT_EQ(h->width, 320u);
  EXPECT_EQ(h->height, 240u);
  EXPECT_EQ(movie::firstChunkOffset(*h), 47u);
  // ceil(100 x 1000 / 2997) = ceil(33.37)
  EXPECT_EQ(movie::framePeriodMs(*h), 34u);
  // A scale whose x 1000 leaves 32 bits.
  EXPECT_EQ(movie::framePeriodMs(header(1, 0xFFFFFFFFu)), 4294967295000ull);

  EXPECT_FALSE(movie::parseMovieHeader(bytesOf("MJP"), why));
  EXPECT_FALSE(movie::parseMovieHeader(bytesOf("RIFF" + file.substr(4)), why));
  EXPECT_FALSE(movie::parseMovieHeader(bytesOf(file.substr(0, 43)), why));
  EXPECT_FALSE(movie::parseMovieHeader(bytesOf(movie::movieHeaderBytes(header(0, 1))), why));
  EXPECT_FALSE(movie::parseMovieHeader(bytesOf(file.substr(0, 46)), why)) << "the sound track runs past the end";
  EXPECT_TRUE(movie::parseMovieHeader(bytesOf(movie::movieHeaderBytes(header(30, 1))), why));
}

TEST(MovieFile, ChunksStopAtTheEndTagOrWhereTheFileEnds) {
  std::string file = movie::movieHeaderBytes(header(30, 1));
  movie::appendChunk(file, "00dc", 0, "\xFF\xD8jpeg");
  movie::appendChunk(file, "00dc", 33, "");
  movie::appendChunk(file, "00dc", 66, "text");
  movie::appendChunk(file, "EOF ", 99, "");
  auto bytes = bytesOf(file);
  std::string why;
  auto h = movie::parseMovieHeader(bytes, why);
  ASSERT_TRUE(h);
  movie::Chunk c = movie::readChunk(bytes, movie::firstChunkOffset(*h));
  ASSERT_EQ(c.kind, movie::ChunkKind::Frame);
  EXPECT_EQ(c.time, 0u);
  EXPECT_EQ(c.length, 6u);
  EXPECT_TRUE(c.complete);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(movie::chunkData(bytes, c).data()), 6), "\xFF\xD8jpeg");
  c = movie::readChunk(bytes, c.next);
  EXPECT_EQ(c.length, 0u);
  EXPECT_EQ(c.time, 33u);

  movie::MovieSummary s = movie::summarizeMovie(bytes, *h);
  EXPECT_EQ(s.chunks, 3u);
  EXPECT_EQ(s.frames, 2u);
  EXPECT_EQ(s.holds, 1u);
  EXPECT_EQ(s.notJpeg, 1u);
  EXPECT_EQ(s.lastTime, 66u);
  EXPECT_TRUE(s.endTag);

  // Cut inside the last frame's data, then inside a chunk head, then inside a tag.
  const std::size_t endTagAt = file.size() - 12;
  for (std::size_t cut : {endTagAt - 1, endTagAt - 10, endTagAt + 2}) {
    auto part = bytes.first(cut);
    movie::MovieSummary t = movie::summarizeMovie(part, *h);
    EXPECT_FALSE(t.endTag) << cut;
  }
  movie::Chunk cutShort = movie::readChunk(bytes.first(endTagAt - 1), file.find("text") - 12);
  EXPECT_EQ(cutShort.kind, movie::ChunkKind::Frame);
  EXPECT_FALSE(cutShort.complete);
  EXPECT_TRUE(movie::chunkData(bytes.first(endTagAt - 1), cutShort).empty());

  // A length near 4 GiB and positions far past the end.
  std::string huge = movie::movieHeaderBytes(header(30, 1));
  huge += std::string("00dc") + std::string(4, '\0') + std::string(4, '\xFF');
  EXPECT_FALSE(movie::readChunk(bytesOf(huge), 44).complete);
  EXPECT_EQ(movie::readChunk(bytesOf(huge), 44).next, 44u + 12u + 0xFFFFFFFFull);
  EXPECT_EQ(movie::readChunk(bytesOf(huge), 0xFFFFFFFFFFFFull).kind, movie::ChunkKind::Broken);
  EXPECT_EQ(movie::readChunk(bytesOf(huge), 4).kind, movie::ChunkKind::Broken);
}

}  // namespace
