#include "platform/cursor_file.h"

#include <gtest/gtest.h>

#include <string>

namespace {

void put16(std::string& s, unsigned v) {
  s += static_cast<char>(v & 0xFF);
  s += static_cast<char>(v >> 8);
}
void put32(std::string& s, std::uint32_t v) {
  put16(s, v & 0xFFFF);
  put16(s, v >> 16);
}

// A .cur of one w x h picture at 1 bit a pixel (palette black, white), hot spot (hx, hy).
// Colour rows: pixel (x, y) is white when x == y. Mask: the left column transparent.
std::string makeCur(int w, int h, int hx, int hy) {
  std::string dib;
  put32(dib, 40);
  put32(dib, w);
  put32(dib, h * 2);
  put16(dib, 1);
  put16(dib, 1);
  put32(dib, 0);
  put32(dib, 0);
  put32(dib, 0);
  put32(dib, 0);
  put32(dib, 2);
  put32(dib, 0);
  put32(dib, 0x000000);
  put32(dib, 0xFFFFFF);
  int stride = ((w + 31) / 32) * 4;
  for (int row = h - 1; row >= 0; --row) {  // bottom-up
    std::string line(stride, '\0');
    if (row < w) line[row / 8] = static_cast<char>(line[row / 8] | (0x80 >> (row % 8)));
    dib += line;
  }
  for (int row = h - 1; row >= 0; --row) {
    std::string line(stride, '\0');
    line[0] = static_cast<char>(0x80);
    dib += line;
  }
  std::string file;
  put16(file, 0);
  put16(file, 2);
  put16(file, 1);
  file += static_cast<char>(w);
  file += static_cast<char>(h);
  file += '\0';
  file += '\0';
  put16(file, hx);
  put16(file, hy);
  put32(file, static_cast<std::uint32_t>(dib.size()));
  put32(file, 22);
  return file + dib;
}

std::string chunk(const std::string& id, const std::string& body) {
  std::string c = id;
  put32(c, static_cast<std::uint32_t>(body.size()));
  c += body;
  if (body.size() & 1) c += '\0';
  return c;
}

std::string makeAni(int frames, const std::vector<std::uint32_t>& rates, const std::vector<std::uint32_t>& seq) {
  std::string anih;
  put32(anih, 36);
  put32(anih, frames);
  put32(anih, static_cast<std::uint32_t>(seq.empty() ? frames : seq.size()));
  for (int i = 0; i < 4; ++i) put32(anih, 0);
  put32(anih, 6);  // default rate: 6 jiffies = 100 ms
  put32(anih, 1);
  std::string list = "fram";
  for (int i = 0; i < frames; ++i) list += chunk("icon", makeCur(8 + i * 8, 8 + i * 8, i, i));
  std::string body = "ACON" + chunk("anih", anih);
  if (!rates.empty()) {
    std::string r;
    for (auto v : rates) put32(r, v);
    body += chunk("rate", r);
  }
  if (!seq.empty()) {
    std::string s;
    for (auto v : seq) put32(s, v);
    body += chunk("seq ", s);
  }
  body += chunk("LIST", list);
  return chunk("RIFF", body);
}

TEST(CursorFile, DecodesPixelsMaskAndHotSpot) {
  std::string why;
  auto frame = platform::decodeCursor(makeCur(16, 16, 3, 5), why);
  ASSERT_TRUE(frame) << why;
  EXPECT_EQ(frame->width, 16);
  EXPECT_EQ(frame->height, 16);
  EXPECT_EQ(frame->hotX, 3);
  EXPECT_EQ(frame->hotY, 5);
  auto px = [&](int x, int y) { return frame->bgra.data() + (y * 16 + x) * 4; };
  EXPECT_EQ(px(4, 4)[0], 255);  // the white diagonal, top-down
  EXPECT_EQ(px(4, 4)[3], 255);
  EXPECT_EQ(px(5, 4)[0], 0);
  EXPECT_EQ(px(0, 7)[3], 0);  // the masked column
}

TEST(CursorFile, AnimatedCursorsKeepRatesAndSequence) {
  std::string why;
  auto anim = platform::decodeAnimatedCursor(makeAni(2, {3, 12, 6}, {1, 0, 1}), why);
  ASSERT_TRUE(anim) << why;
  ASSERT_EQ(anim->frames.size(), 2u);
  EXPECT_EQ(anim->frames[1].width, 16);
  EXPECT_EQ(anim->sequence, (std::vector<int>{1, 0, 1}));
  EXPECT_EQ(anim->stepMs, (std::vector<int>{50, 200, 100}));
  auto plain = platform::decodeAnimatedCursor(makeAni(3, {}, {}), why);
  ASSERT_TRUE(plain) << why;
  EXPECT_EQ(plain->sequence, (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(plain->stepMs, (std::vector<int>{100, 100, 100}));
  auto cur = platform::decodeAnimatedCursor(makeCur(8, 8, 0, 0), why);
  ASSERT_TRUE(cur);
  EXPECT_EQ(cur->frames.size(), 1u);
}

TEST(CursorFile, CorruptFilesGiveAReasonNotACrash) {
  std::string why;
  std::string good = makeAni(2, {3, 3}, {});
  for (std::size_t cut = 0; cut < good.size(); cut += 7) {
    auto a = platform::decodeAnimatedCursor(good.substr(0, cut), why);
    if (!a) {
      EXPECT_FALSE(why.empty());
    }
  }
  std::string cur = makeCur(16, 16, 0, 0);
  cur[18] = '\x7F';  // the picture offset points far past the end
  EXPECT_FALSE(platform::decodeCursor(cur, why));
  EXPECT_FALSE(platform::decodeCursor("garbage", why));
  std::string huge = makeCur(16, 16, 0, 0);
  huge[22 + 4] = '\x00';
  huge[22 + 5] = '\x40';  // width 16384
  EXPECT_FALSE(platform::decodeCursor(huge, why));
  EXPECT_NE(why.find("size"), std::string::npos);
}

}  // namespace
