// The pure pieces of the string and path commands: byte ranges, the separator split and
// path parts, with the CP932 characters whose trail byte is "\" (表 95 5C, ソ 83 5C).
#include <gtest/gtest.h>

#include "core/file_commands.h"
#include "core/string_commands.h"
#include "platform/cp932.h"

namespace {

std::string sj(std::string_view utf8) { return platform::utf8ToCp932(utf8); }

std::string joined(const std::vector<std::string_view>& pieces) {
  std::string out;
  for (std::size_t i = 0; i < pieces.size(); ++i) out += (i ? "|" : "") + std::string(pieces[i]);
  return out;
}

std::string parts(std::string_view path) {
  std::optional<core::PathParts> p = core::splitPathParts(path);
  if (!p) return "none";
  return p->folder + "," + p->base + "," + p->extension;
}

TEST(MidBytes, ClipsToTheText) {
  EXPECT_EQ(core::midBytes("abcdef", 2, 3), "cde");
  EXPECT_EQ(core::midBytes("abcdef", 4, 10), "ef");
  EXPECT_EQ(core::midBytes("abcdef", 6, 1), "");
  EXPECT_EQ(core::midBytes("abcdef", 9, 2), "");
  EXPECT_EQ(core::midBytes("abcdef", -2, 4), "ab");
  EXPECT_EQ(core::midBytes("abcdef", 1, -1), "");
  EXPECT_EQ(core::midBytes("abc", INT32_MAX, INT32_MAX), "");
  EXPECT_EQ(core::midBytes("abc", INT32_MIN, INT32_MIN), "");
  EXPECT_EQ(core::midBytes(sj("表示"), 1, 2), "\x5C\x8E");  // byte offsets may cut a character
}

TEST(SplitAtSeparator, CutsAtTheFirstCharacterAndTrims) {
  EXPECT_EQ(joined(core::splitAtSeparator("a, b,,c", ",")), "a|b||c");
  EXPECT_EQ(joined(core::splitAtSeparator("a;b", ";x")), "a|b");  // only the first byte counts
  EXPECT_EQ(joined(core::splitAtSeparator("", ",")), "");
  EXPECT_EQ(core::splitAtSeparator("", ",").size(), 1u);
  EXPECT_EQ(joined(core::splitAtSeparator(" a b ", "")), "a b");
  EXPECT_EQ(joined(core::splitAtSeparator(",", ",")), "|");
  // A trail byte "\" is not a separator; a two-byte separator cuts at its character.
  EXPECT_EQ(joined(core::splitAtSeparator(sj("表\\ソ\\x"), "\\")), sj("表|ソ|x"));
  EXPECT_EQ(joined(core::splitAtSeparator(sj("表示、ソ、能"), sj("、"))), sj("表示|ソ|能"));
  // Pieces longer than an argument piece keep every byte.
  std::string longLine(600, 'x');
  EXPECT_EQ(core::splitAtSeparator(longLine + "," + longLine, ",")[1].size(), 600u);
}

TEST(PathParts, FolderBaseAndExtension) {
  EXPECT_EQ(parts("bg\\sky.png"), "bg/,sky,.png");
  EXPECT_EQ(parts("readme"), "readme\\,,");
  EXPECT_EQ(parts("sky.png"), ",sky,.png");
  EXPECT_EQ(parts("a/b/c.tar.gz"), "a/b/,c.tar,.gz");
  EXPECT_EQ(parts("a.d/file"), "a.d/,file,");
  EXPECT_EQ(parts("dir/"), "dir/,,");
  EXPECT_EQ(parts("dir/.hidden"), "dir/,,.hidden");
  EXPECT_EQ(parts(".hidden"), ".hidden\\,,");
  EXPECT_EQ(parts("/sky.png"), ",sky,.png");
  EXPECT_EQ(parts("name."), ",name,.");
  EXPECT_EQ(parts(""), "none");
  // 表 and ソ end in 5C: their trail bytes are not separators and are not rewritten.
  EXPECT_EQ(parts(sj("save\\表\\ソ.dat")), sj("save/表/,ソ,.dat"));
  EXPECT_EQ(parts(sj("表ソ")), sj("表ソ\\,,"));
}

}  // namespace
