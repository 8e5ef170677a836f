#include "sound/ogg_source.h"

#include <gtest/gtest.h>

#include <array>
#include <fstream>
#include <iterator>
#include <climits>

namespace {

using sound::LoopCommentKind;

sound::LoopComment parse(std::vector<std::string_view> comments, std::int64_t rate = 44100) {
  return sound::parseLoopComment(comments, rate);
}

TEST(LoopComment, SamplesAndMilliseconds) {
  auto s = parse({"ENCODER=x", "COMMENT=setsample 0,1000,5000"});
  ASSERT_EQ(s.kind, LoopCommentKind::Valid);
  EXPECT_EQ(s.points.restart, 0);
  EXPECT_EQ(s.points.loopStart, 1000);
  EXPECT_EQ(s.points.loopEnd, 5000);
  // Milliseconds become samples with integer division: 1001 ms at 22050 Hz is 22072.05.
  auto t = parse({"COMMENT=settime 10,1001,5000"}, 22050);
  ASSERT_EQ(t.kind, LoopCommentKind::Valid);
  EXPECT_EQ(t.points.restart, 220);
  EXPECT_EQ(t.points.loopStart, 22072);
  EXPECT_EQ(t.points.loopEnd, 110250);
}

TEST(LoopComment, KeywordAndValueRules) {
  // Blanks before the keyword, capitals in it, blanks around the numbers, trailing junk.
  auto a = parse({"COMMENT=  SetSample 5 , 6,7xyz"});
  ASSERT_EQ(a.kind, LoopCommentKind::Valid);
  EXPECT_EQ(a.points.restart, 5);
  EXPECT_EQ(a.points.loopStart, 6);
  EXPECT_EQ(a.points.loopEnd, 7);
  // Any comment whose text holds COMMENT counts, and only the first one.
  EXPECT_EQ(parse({"MYCOMMENT=setsample 1,2,3"}).points.loopEnd, 3);
  EXPECT_EQ(parse({"COMMENT=hello", "COMMENT=setsample 1,2,3"}).kind, LoopCommentKind::None);
  EXPECT_EQ(parse({"comment=setsample 1,2,3"}).kind, LoopCommentKind::None);  // the name is case-sensitive
  EXPECT_EQ(parse({"COMMENT"}).kind, LoopCommentKind::None);
  EXPECT_EQ(parse({"COMMENT=settimes 1,2,3"}).kind, LoopCommentKind::None);
  EXPECT_EQ(parse({}).kind, LoopCommentKind::None);
  // A value that is no number reads as 0, as the C library's parse does.
  EXPECT_EQ(parse({"COMMENT=setsample x,2,3"}).points.restart, 0);
}

TEST(LoopComment, WrongCountsAreReported) {
  for (std::string_view c : {"COMMENT=setsample 0,1000", "COMMENT=settime", "COMMENT=setsample 1,2,3,4",
                             "COMMENT=settime ,,,"}) {
    SCOPED_TRACE(c);
    EXPECT_EQ(parse({c}).kind, LoopCommentKind::BadCount);
  }
}

TEST(LoopComment, HugeValuesHoldAtTheLimits) {
  auto a = parse({"COMMENT=setsample 99999999999999999999999,-99999999999999999999999,1"});
  EXPECT_EQ(a.points.restart, LLONG_MAX);
  EXPECT_EQ(a.points.loopStart, LLONG_MIN);
  auto t = parse({"COMMENT=settime 9223372036854775807,0,1"});
  EXPECT_EQ(t.points.restart, LLONG_MAX);
}

// The decoder's view of the file: reads hand out whole items, seeks clamp and say whether
// the target was inside.
TEST(MemoryFile, CallbacksFollowTheFileLimits) {
  sound::MemoryFile f;
  f.bytes = {1, 2, 3, 4, 5, 6, 7};
  ov_callbacks cb = sound::memoryCallbacks();
  std::array<unsigned char, 16> buf{};
  EXPECT_EQ(cb.read_func(buf.data(), 2, 3, &f), 3u);
  EXPECT_EQ(cb.tell_func(&f), 6);
  EXPECT_EQ(cb.read_func(buf.data(), 2, 3, &f), 0u);  // one byte left: copied, no whole item
  EXPECT_EQ(cb.tell_func(&f), 7);
  EXPECT_EQ(cb.read_func(buf.data(), 1, SIZE_MAX, &f), 0u);
  EXPECT_EQ(cb.seek_func(&f, 2, SEEK_SET), 0);
  EXPECT_EQ(cb.seek_func(&f, -1, SEEK_CUR), 0);
  EXPECT_EQ(cb.tell_func(&f), 1);
  EXPECT_EQ(cb.seek_func(&f, 0, SEEK_END), 0);
  EXPECT_EQ(cb.tell_func(&f), 7);
  EXPECT_EQ(cb.seek_func(&f, 5, SEEK_END), -1);
  EXPECT_EQ(cb.tell_func(&f), 7);
  EXPECT_EQ(cb.seek_func(&f, -100, SEEK_SET), -1);
  EXPECT_EQ(cb.tell_func(&f), 0);
  EXPECT_EQ(cb.seek_func(&f, LLONG_MAX, SEEK_END), -1);
  EXPECT_EQ(cb.seek_func(&f, 0, 7), -1);
  EXPECT_EQ(cb.close_func(&f), 0);
}

TEST(MemoryFile, NonVorbisDataDoesNotOpen) {
  sound::MemoryFile f;
  f.bytes.assign(4000, 0x4f);
  OggVorbis_File vf{};
  std::string why;
  EXPECT_FALSE(sound::openMemoryDecoder(vf, f, why));
  EXPECT_FALSE(why.empty());
}

// The pages of a real file, repeated, dropped or chained: what a real encoder writes, or a
// damaged copy of it, opens; a repeated page (which once let a seek crash inside libogg) does not.
TEST(MemoryFile, PagesOutOfOrderAreRefusedBeforeDecoding) {
  std::ifstream in(std::string(UTSUSHI_TEST_DATA) + "/../../tools/pack/template/chime.ogg", std::ios::binary);
  const std::vector<std::uint8_t> whole{std::istreambuf_iterator<char>(in), {}};
  std::vector<std::vector<std::uint8_t>> pages;
  for (std::size_t at = 0; at + 27 <= whole.size();) {
    std::size_t length = 27 + whole[at + 26];
    for (std::size_t k = 0; k < whole[at + 26]; ++k) length += whole[at + 27 + k];
    pages.emplace_back(whole.begin() + static_cast<std::ptrdiff_t>(at), whole.begin() + static_cast<std::ptrdiff_t>(at + length));
    at += length;
  }
  ASSERT_GE(pages.size(), 3u);
  auto opens = [](std::vector<std::vector<std::uint8_t>> list, std::string& why) {
    sound::MemoryFile f;
    for (auto& p : list) f.bytes.insert(f.bytes.end(), p.begin(), p.end());
    OggVorbis_File vf{};
    why.clear();
    if (!sound::openMemoryDecoder(vf, f, why)) return false;
    ov_clear(&vf);
    return true;
  };
  std::string why;
  EXPECT_TRUE(opens(pages, why)) << why;
  auto chained = pages;
  chained.insert(chained.end(), pages.begin(), pages.end());
  EXPECT_TRUE(opens(chained, why)) << why;

  auto repeated = pages;
  repeated.insert(repeated.begin() + 2, pages[1]);
  EXPECT_FALSE(opens(repeated, why));
  EXPECT_EQ(why, "damaged Ogg pages (pages repeated)");
  auto missing = pages;  // a page lost to damage: the rest still plays
  missing.erase(missing.begin() + 2);
  EXPECT_TRUE(opens(missing, why)) << why;
  auto headless = pages;
  headless.erase(headless.begin());
  EXPECT_FALSE(opens(headless, why));
  EXPECT_EQ(why, "damaged Ogg pages (data before the first stream)");
}

}  // namespace
