#include "check/text_encoding.h"

#include <gtest/gtest.h>

namespace {

TEST(TextEncoding, Cp932CharactersAndTheFirstByteThatIsNot) {
  EXPECT_EQ(check::firstInvalidCp932("abc"), std::nullopt);
  EXPECT_EQ(check::firstInvalidCp932("\x82\xA0\x95\x5C\xB1"), std::nullopt);  // あ, 表 (trail 0x5C), ｱ
  EXPECT_EQ(check::firstInvalidCp932("\x87\x40"), std::nullopt);              // ① (NEC extension)
  EXPECT_EQ(check::firstInvalidCp932("a\x82"), std::optional<std::size_t>(1));      // cut in half
  EXPECT_EQ(check::firstInvalidCp932("ab\x82\x20"), std::optional<std::size_t>(2)); // bad trail byte
  EXPECT_EQ(check::firstInvalidCp932("\x80"), std::optional<std::size_t>(0));
  EXPECT_EQ(check::firstInvalidCp932("\x82\xA0\xFD"), std::optional<std::size_t>(2));
}

TEST(TextEncoding, Utf8SavedByMistakeIsRecognised) {
  EXPECT_TRUE(check::looksLikeUtf8("\xE3\x81\x82"));        // あ in UTF-8
  EXPECT_TRUE(check::looksLikeUtf8("\xEF\xBB\xBF" "abc"));  // a byte-order mark
  EXPECT_FALSE(check::looksLikeUtf8("plain ASCII"));
  EXPECT_FALSE(check::looksLikeUtf8("\x82\xA0\x82\xA2"));  // あい in CP932
  EXPECT_FALSE(check::looksLikeUtf8("\xE3\x81"));          // cut short
}

}  // namespace
