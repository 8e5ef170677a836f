// Pattern texts and the matcher over CP932 bytes, without the interpreter. The troublesome
// characters: ソ 83 5C, 表 95 5C, 能 94 5C, 予 97 5C (trail "\"), ポ 83 7C (trail "|"),
// ～ 81 60, half-width katakana A1..DF (one byte each).
#include <gtest/gtest.h>

#include "core/regexp.h"
#include "core/regexp_pattern.h"
#include "platform/cp932.h"

namespace {

std::string sj(std::string_view utf8) { return platform::utf8ToCp932(utf8); }

core::ParsedPattern parsed(std::string_view text) {
  std::string why;
  std::optional<core::ParsedPattern> p = core::parsePattern(text, why);
  EXPECT_TRUE(p.has_value()) << platform::cp932ToUtf8(text) << ": " << platform::cp932ToUtf8(why);
  return p ? *p : core::ParsedPattern{};
}

std::string parseFailure(std::string_view text) {
  std::string why;
  EXPECT_FALSE(core::parsePattern(text, why).has_value()) << platform::cp932ToUtf8(text);
  return platform::cp932ToUtf8(why);
}

// "start:length" of the first match, "-" for none, the reason for a failure.
std::string firstMatch(std::string_view pattern, std::string_view target) {
  core::MatchResult r = core::regexpMatch(pattern, target);
  if (!r.ok) return "error: " + platform::cp932ToUtf8(r.why);
  if (!r.matched) return "-";
  return std::to_string(r.match.start) + ":" + std::to_string(r.match.size());
}

std::string substituted(std::string_view pattern, std::string_view target, int* count = nullptr) {
  core::SubstituteResult r = core::regexpSubstitute(pattern, target);
  if (!r.ok) return "error: " + platform::cp932ToUtf8(r.why);
  if (count) *count = r.count;
  return r.text;
}

// The pieces joined with "|", "error: ..." on failure.
std::string pieces(std::string_view pattern, std::string_view target) {
  core::SplitResult r = core::regexpSplit(pattern, target);
  if (!r.ok) return "error: " + platform::cp932ToUtf8(r.why);
  std::string out;
  for (std::size_t i = 0; i < r.pieces.size(); ++i) {
    if (i) out += '|';
    out.append(target.substr(r.pieces[i].start, r.pieces[i].size()));
  }
  return out + " (" + std::to_string(r.pieces.size()) + ")";
}

TEST(RegexpPattern, FormsDelimitersAndFlags) {
  core::ParsedPattern m = parsed("m/a.c/gimsxk");
  EXPECT_EQ(m.form, core::PatternForm::Match);
  EXPECT_EQ(m.body, "a.c");
  EXPECT_TRUE(m.flags.global && m.flags.ignoreCase && m.flags.multiLine && m.flags.dotAll && m.flags.extended);
  EXPECT_EQ(parsed("/x/").body, "x");
  EXPECT_EQ(parsed("  m#a/b#").body, "a/b");
  EXPECT_EQ(parsed("m{a{2}}").body, "a{2}");  // brackets pair up and nest
  EXPECT_EQ(parsed("m//").body, "");
  core::ParsedPattern s = parsed("s!a\\!b!c\\!d!g");
  EXPECT_EQ(s.form, core::PatternForm::Substitute);
  EXPECT_EQ(s.body, "a\\!b");  // the escape stays for the matcher: a literal "!"
  ASSERT_EQ(s.replacement.size(), 1u);
  EXPECT_EQ(s.replacement[0].literal, "c!d");
  EXPECT_TRUE(s.flags.global);
  core::ParsedPattern b = parsed("s{a} {b}");
  EXPECT_EQ(b.body, "a");
  EXPECT_EQ(b.replacement[0].literal, "b");
}

TEST(RegexpPattern, TwoByteCharactersStayWhole) {
  // The trail byte of ソ is "\": it neither escapes the delimiter nor is escaped itself.
  EXPECT_EQ(parsed(sj("/ソ/")).body, sj("ソ"));
  EXPECT_EQ(parsed(sj("m|ポ|")).body, sj("ポ"));  // trail "|" is not the closing delimiter
  EXPECT_EQ(parsed(sj("m@表@")).body, sj("表"));
  core::ParsedPattern s = parsed(sj("s/能/予\\表/"));
  EXPECT_EQ(s.body, sj("能"));
  ASSERT_EQ(s.replacement.size(), 1u);
  EXPECT_EQ(s.replacement[0].literal, sj("予表"));  // "\表" asks for 表 itself
}

TEST(RegexpPattern, Replacements) {
  auto parts = core::parseReplacement("<$1|$&|$9>\\n\\t\\\\\\$x$");
  ASSERT_EQ(parts.size(), 7u);
  EXPECT_EQ(parts[0].literal, "<");
  EXPECT_EQ(parts[1].group, 1);
  EXPECT_EQ(parts[2].literal, "|");
  EXPECT_EQ(parts[3].group, 0);
  EXPECT_EQ(parts[5].group, 9);
  EXPECT_EQ(parts[6].literal, ">\n\t\\$x$");
}

TEST(RegexpPattern, MalformedTextsSayWhy) {
  EXPECT_EQ(parseFailure(""), "パターンが空です");
  EXPECT_EQ(parseFailure("abc"), "m/…/ か s/…/…/ の形ではありません");
  EXPECT_EQ(parseFailure("ma"), "区切り文字が不正です");
  EXPECT_EQ(parseFailure("m\\a\\"), "区切り文字が不正です");
  EXPECT_EQ(parseFailure("m/abc"), "区切り文字 / が閉じていません");
  EXPECT_EQ(parseFailure("m/abc\\/"), "区切り文字 / が閉じていません");
  EXPECT_EQ(parseFailure("/a\x83/"), "区切り文字 / が閉じていません");  // a lead byte takes the "/"
  EXPECT_EQ(parseFailure("s/a/b"), "区切り文字 / が閉じていません");
  EXPECT_EQ(parseFailure("s{a}"), "置換文字列がありません");
  EXPECT_EQ(parseFailure("/a/q"), "不明なオプションです q");
  EXPECT_EQ(parseFailure("/a/ "), "不明なオプションです 0x20");
}

TEST(Regexp, FirstMatchByShiftJisCharacters) {
  EXPECT_EQ(firstMatch("/b(c)/", "abcabc"), "1:2");
  EXPECT_EQ(firstMatch("/x/", "abc"), "-");
  EXPECT_EQ(firstMatch("m//", "abc"), "0:0");
  // No match may begin on a trail byte: "\" and "|" inside 表 and ポ are not found.
  EXPECT_EQ(firstMatch("/\\\\/", sj("表示")), "-");
  EXPECT_EQ(firstMatch("/\\\\/", sj("ソ\\")), "2:1");
  EXPECT_EQ(firstMatch("/\\|/", sj("ポ|")), "2:1");
  EXPECT_EQ(firstMatch(sj("m#能#"), sj("表示能力")), "4:2");
  EXPECT_EQ(firstMatch(sj("/[ソ表]+/"), sj("aソ表能")), "1:4");
  EXPECT_EQ(firstMatch("/\\x5C/", sj("予")), "-");
  EXPECT_EQ(firstMatch(sj("/～/"), sj("1～3")), "1:2");
  // Half-width katakana are characters of one byte.
  EXPECT_EQ(firstMatch(sj("/ｲ./"), sj("ｱｲｳ")), "1:2");
  EXPECT_EQ(firstMatch("/^...$/", sj("ｱｲｳ")), "0:3");
  EXPECT_EQ(firstMatch("/^.$/", sj("表")), "0:2");
  // Case folding reads whole characters.
  EXPECT_EQ(firstMatch("/A/i", sj("表a")), "2:1");
  // A lone lead byte at the end is a broken character: it is not matched, and the matcher
  // does not read past the text for its missing trail byte.
  EXPECT_EQ(firstMatch("/./", std::string_view("\x83", 1)), "-");
  EXPECT_EQ(firstMatch("/a/", std::string_view("a\x83", 2)), "0:1");
  // A lead byte followed by a byte that cannot trail it still takes that byte along, as
  // everywhere in the engine: the "'" of 86 27 is not found, the later one is.
  EXPECT_EQ(firstMatch("/'/", "xa\x86'"), "-");
  int count = 0;
  EXPECT_EQ(substituted("s/'/!/g", "a\x86'b'", &count), "a\x86'b!");
  EXPECT_EQ(count, 1);
}

TEST(Regexp, QuantifiersAndFlags) {
  EXPECT_EQ(firstMatch("/<.+>/", "<a><b>"), "0:6");
  EXPECT_EQ(firstMatch("/<.+?>/", "<a><b>"), "0:3");
  EXPECT_EQ(firstMatch(sj("/ソ+?/"), sj("ソソソ")), "0:2");
  EXPECT_EQ(firstMatch(sj("/ソ{2}/"), sj("xソソソ")), "1:4");
  EXPECT_EQ(firstMatch("/ABC/", "xabc"), "-");
  EXPECT_EQ(firstMatch("/ABC/i", "xabc"), "1:3");
  EXPECT_EQ(firstMatch("/a b # comment\n c/x", "abc"), "0:3");
  EXPECT_EQ(firstMatch("/a.b/", "a\nb"), "-");
  EXPECT_EQ(firstMatch("/a.b/s", "a\nb"), "0:3");
  EXPECT_EQ(firstMatch("/^b/", "a\nb"), "-");
  EXPECT_EQ(firstMatch("/^b/m", "a\nb"), "2:1");
  EXPECT_EQ(firstMatch("/a$/", "a\nb"), "-");
  EXPECT_EQ(firstMatch("/a$/m", "a\nb"), "0:1");
  EXPECT_EQ(firstMatch("/(?<y>\\d+)-(\\d+)/", "x 12-34"), "2:5");
}

TEST(Regexp, Substitution) {
  int count = -1;
  EXPECT_EQ(substituted("s/,//g", "a,b,,c", &count), "abc");
  EXPECT_EQ(count, 3);
  EXPECT_EQ(substituted("s/,//", "a,b,,c", &count), "ab,,c");
  EXPECT_EQ(count, 1);
  EXPECT_EQ(substituted("s/x/y/g", "abc", &count), "abc");
  EXPECT_EQ(count, 0);
  EXPECT_EQ(substituted("s/(\\d+)-(\\d+)-(\\d+)/$3.$2.$1/", "2024-12-07"), "07.12.2024");
  EXPECT_EQ(substituted("s/b/[$&$0$5]/", "abc"), "a[bb]c");
  EXPECT_EQ(substituted("s/b/\\n\\t\\\\\\//", "abc"), "a\n\t\\/c");
  EXPECT_EQ(substituted("s!/!\\!!g", "a/b/c"), "a!b!c");
  EXPECT_EQ(substituted("s/A/x/gi", "aAa", &count), "xxx");
  EXPECT_EQ(count, 3);
  // Empty matches: one at every character boundary, never inside a two-byte character.
  EXPECT_EQ(substituted("s/y*/-/g", "x", &count), "-x-");
  EXPECT_EQ(count, 2);
  EXPECT_EQ(substituted("s/x*/-/g", "abxd"), "-a-b--d-");
  EXPECT_EQ(substituted("s//-/g", sj("表ｱ")), sj("-表-ｱ-"));
  EXPECT_EQ(substituted("s/$/!/", "ab"), "ab!");
  // Substitutions with the troublesome characters on either side.
  EXPECT_EQ(substituted(sj("s/能/脳/"), sj("表示能力")), sj("表示脳力"));
  EXPECT_EQ(substituted(sj("s/x/表ソ/g"), "axbx"), sj("a表ソb表ソ"));
  EXPECT_EQ(substituted(sj("s|ポ|ボ|g"), sj("ポップポ")), sj("ボップボ"));
  EXPECT_EQ(substituted("s/\\\\/\\//g", sj("表\\予")), sj("表/予"));
  EXPECT_EQ(substituted(sj("s/～/-/"), sj("1～3")), "1-3");
  EXPECT_EQ(substituted(sj("s/(ｱ)(ｲ)/$2$1/"), sj("ｱｲｳ")), sj("ｲｱｳ"));
  // Greedy and lazy.
  EXPECT_EQ(substituted("s/<.+>/x/g", "<a><b>", &count), "x");
  EXPECT_EQ(count, 1);
  EXPECT_EQ(substituted("s/<.+?>/x/g", "<a><b>", &count), "xx");
  EXPECT_EQ(count, 2);
  // A lead byte alone at the end: matching it would take the NUL after the text too (the
  // fuzzer found that read past the character table, whose bits end in a word here for a
  // sanitizer to see); it stays, untouched.
  const std::string leadAtEnd = std::string(62, 'a') + "\x88";
  EXPECT_EQ(substituted("s/(\\D)$/-$1/g", leadAtEnd, &count), leadAtEnd);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(substituted("s/(\\D)/-$1/g", "a\x88", &count), "-a\x88");
  EXPECT_EQ(count, 1);
  EXPECT_EQ(firstMatch("m/.$/", "\x88"), "-");
  EXPECT_EQ(pieces("m/(.)/", "\x88"), "\x88 (1)");
}

TEST(Regexp, Split) {
  EXPECT_EQ(pieces("/,/", "a,b,c"), "a|b|c (3)");
  EXPECT_EQ(pieces("/,/", "a,,b"), "a||b (3)");
  EXPECT_EQ(pieces("/,/", ",a"), "|a (2)");          // a leading empty piece stays
  EXPECT_EQ(pieces("/,/", "a,b,,"), "a|b (2)");      // trailing empty pieces go
  EXPECT_EQ(pieces("/,/", ",,,"), " (0)");
  EXPECT_EQ(pieces("/\\d+/", "a1b22c"), "a|b|c (3)");
  EXPECT_EQ(pieces("/(-)|,/", "a-b,c"), "a|-|b||c (5)");  // groups come after their piece
  EXPECT_EQ(pieces("//", sj("表ｱソ")), sj("表|ｱ|ソ (3)"));
  EXPECT_EQ(pieces("/x*/", "axb"), "a|b (2)");
  EXPECT_EQ(pieces(sj("/、/"), sj("表示、ソ、能")), sj("表示|ソ|能 (3)"));
  EXPECT_EQ(pieces("/\\\\/", sj("表\\能")), sj("表|能 (2)"));
  EXPECT_EQ(pieces("/\\s*;\\s*/", "a ; b;c"), "a|b|c (3)");
}

TEST(Regexp, FormsAndMalformedExpressionsAreReported) {
  EXPECT_EQ(firstMatch("/(a/", "a"), "error: end pattern with unmatched parenthesis");
  EXPECT_EQ(firstMatch("/*a/", "a"), "error: target of repeat operator is not specified");
  EXPECT_EQ(firstMatch("/[b-a]/", "a"), "error: empty range in char class");
  EXPECT_EQ(firstMatch("s/a/b/", "a"), "error: 照合には m/…/ の形を使います");
  EXPECT_EQ(substituted("/a/", "a"), "error: 置換には s/…/…/ の形を使います");
  EXPECT_EQ(pieces("s/a/b/", "a"), "error: 分割には m/…/ の形を使います");
  EXPECT_EQ(pieces("/a/z", "a"), "error: 不明なオプションです z");
  // A runaway pattern is stopped instead of hanging the script.
  std::string many = std::string(40, 'a') + "b";
  EXPECT_EQ(firstMatch("/^(a|a)*$/", many).rfind("error: ", 0), 0u);
  // A failed compile leaves nothing behind: the next good pattern still works.
  EXPECT_EQ(firstMatch("/a/", "a"), "0:1");
}

}  // namespace
