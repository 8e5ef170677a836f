#include "core/statements.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> split(std::string text, char sep = ':') {
  std::vector<std::string_view> pieces;
  core::splitStatements(text, sep, pieces);
  return {pieces.begin(), pieces.end()};
}

using Pieces = std::vector<std::string>;

TEST(SplitStatements, CutsAtColonsAndEndsAtComments) {
  EXPECT_EQ(split("cal %A=1 : Print 1 ; comment"), (Pieces{"cal %a=1", "print 1"}));
  EXPECT_EQ(split("a::b"), (Pieces{"a", "", "b"}));
  EXPECT_EQ(split("goto *x // jump"), (Pieces{"goto *x"}));
  EXPECT_EQ(split("a/b : c"), (Pieces{"a/b", "c"}));  // one slash is no comment
  EXPECT_EQ(split("; only a comment"), (Pieces{""}));
  EXPECT_TRUE(split("").empty());
}

TEST(SplitStatements, QuotesKeepSeparatorsCommentsAndCapitals) {
  EXPECT_EQ(split("error \"a:B;c\""), (Pieces{"error \"a:B;c\""}));
  EXPECT_EQ(split("error 'x // Y' : End"), (Pieces{"error 'x // Y'", "end"}));
  // An apostrophe inside double quotes does not open a quote of its own.
  EXPECT_EQ(split("error \"it's\" : b"), (Pieces{"error \"it's\"", "b"}));
}

TEST(SplitStatements, LowercasesTheLineInPlace) {
  std::string line = "Cal %X = 1 : Error \"Keep\"";
  std::vector<std::string_view> pieces;
  core::splitStatements(line, ':', pieces);
  EXPECT_EQ(line, "cal %x = 1 : error \"Keep\"");
}

TEST(SplitStatements, TextLinesStartingWithTwoByteCharactersStayWhole) {
  // "あ:い;う" in CP932: the ":" and ";" belong to the text.
  std::string text = "\x82\xA0:\x82\xA2;\x82\xA4";
  EXPECT_EQ(split(text), (Pieces{text}));
  // A two-byte character whose trail byte is ":" (0x3A does not occur as a trail, but
  // "\" 0x5C does): ソ = 0x83 0x5C must not be split or taken as an escape.
  std::string so = "error \"\x83\x5C\" : b";
  EXPECT_EQ(split(so), (Pieces{"error \"\x83\x5C\"", "b"}));
}

TEST(SplitStatements, PiecesAreCutAtTheBufferLimit) {
  std::string longText(300, 'a');
  auto pieces = split(longText);
  ASSERT_EQ(pieces.size(), 1u);
  EXPECT_EQ(pieces[0].size(), core::kPieceLimit);
}

TEST(SplitOutsideQuotes, LeavesTextUnchangedAndKeepsComments) {
  std::vector<std::string_view> p = core::splitOutsideQuotes(" %A , \"x,y\" ; z ", ',');
  ASSERT_EQ(p.size(), 2u);
  EXPECT_EQ(p[0], "%A");
  EXPECT_EQ(p[1], "\"x,y\" ; z");
  EXPECT_TRUE(core::splitOutsideQuotes("", ',').empty());
  EXPECT_EQ(core::splitOutsideQuotes("a,", ',').size(), 2u);
}

TEST(TrimBlank, TrimsBlanksAndHandlesEmptyRanges) {
  EXPECT_EQ(core::trimBlank(" \t ab c\r\n", 0, 8), "ab c");
  EXPECT_EQ(core::trimBlank("abc", 2, 1), "");
  EXPECT_EQ(core::trimBlank("   ", 0, 2), "");
}

}  // namespace
