#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/cp932.h"
#include "platform/paths.h"

namespace {

TEST(Cp932, UsesTheWindowsCodePageNotPlainShiftJis) {
  EXPECT_EQ(platform::utf8ToCp932("ソ表"), "\x83\x5C\x95\x5C");
  EXPECT_EQ(platform::cp932ToUtf8("\x5C"), "\\");  // a backslash, not a yen sign
  EXPECT_EQ(platform::cp932CodeToUnicode(0x8160), U'\uFF5E');  // ～
  EXPECT_EQ(platform::cp932CodeToUnicode(0x8740), U'\u2460');  // ① (NEC row 13)
  EXPECT_EQ(platform::cp932CodeToUnicode(0xB1), U'\uFF71');    // half-width ｱ
  EXPECT_EQ(platform::cp932CodeToUnicode('A'), U'A');
  // Bytes with no character still convert, as "?", so a message is never lost.
  EXPECT_EQ(platform::cp932ToUtf8("a\xFF" "b"), "a?b");
}

TEST(Cp932, TellsAScriptSavedAsUtf8) {
  // UTF-8 Japanese that is broken CP932: "。" ends in 0x82, a lead byte, before the newline.
  EXPECT_TRUE(platform::looksLikeUtf8NotCp932("\xE3\x80\x8C\xE3\x81\x82\xE3\x80\x82\n"));
  // Short UTF-8 that happens to read as CP932 as well is left alone: nothing proves it wrong.
  EXPECT_FALSE(platform::looksLikeUtf8NotCp932("\xE3\x81\x93\xE3\x82\x93"));  // こん
  EXPECT_FALSE(platform::looksLikeUtf8NotCp932(platform::utf8ToCp932("「あいうえお。」\n")));
  EXPECT_FALSE(platform::looksLikeUtf8NotCp932("plain ASCII\n"));  // no multi-byte character
  // Neither encoding (a stray 0xFF, an overlong form, a surrogate): not UTF-8 either.
  EXPECT_FALSE(platform::looksLikeUtf8NotCp932("\xE3\x80\x82\xFF\n"));
  EXPECT_FALSE(platform::looksLikeUtf8NotCp932("\xC0\xAF\xE3\x80\x82\n"));
  EXPECT_FALSE(platform::looksLikeUtf8NotCp932("\xED\xA0\x80\xE3\x80\x82\n"));
  EXPECT_FALSE(platform::looksLikeUtf8NotCp932("\xE3\x80"));  // cut short
}

TEST(Paths, ResolveBackslashesAndLetterCase) {
  namespace fs = std::filesystem;
  fs::path root = fs::temp_directory_path() / ("utsushi-paths-" + std::to_string(::getpid()));
  fs::create_directories(root / "CG" / "表");
  std::ofstream(root / "CG" / "表" / "Bg.PNG") << "x";
  fs::path old = fs::current_path();
  fs::current_path(root);
  auto found = platform::resolvePath(platform::utf8ToCp932("cg\\表\\bg.png"));
  ASSERT_TRUE(found);
  EXPECT_TRUE(fs::equivalent(*found, root / "CG" / "表" / "Bg.PNG"));
  EXPECT_FALSE(platform::resolvePath("cg/missing.png"));
  auto target = platform::resolvePathForWrite("cg/new.txt");
  ASSERT_TRUE(target);
  EXPECT_TRUE(platform::writeFileAtomically(*target, "data"));
  std::string back;
  EXPECT_TRUE(platform::readWholeFile(std::string_view("CG/NEW.TXT"), back));
  EXPECT_EQ(back, "data");
  EXPECT_FALSE(platform::resolvePathForWrite("nofolder/x.txt"));
  fs::current_path(old);
  fs::remove_all(root);
}

}  // namespace
