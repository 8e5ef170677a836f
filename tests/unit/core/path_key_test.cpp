#include "core/path_key.h"

#include <gtest/gtest.h>

namespace {

TEST(PathKey, IsTheComplementOfCrc32) {
  // CRC-32 of "123456789" is 0xCBF43926; the key leaves out the final inversion.
  EXPECT_EQ(core::pathKey("123456789"), ~0xCBF43926u);
  EXPECT_EQ(core::pathKey(""), 0xFFFFFFFFu);
  // CRC-32("script/0.txt") computed independently with Python's zlib.crc32.
  EXPECT_EQ(core::pathKey("script/0.txt"), ~0xA37C339Fu);
}

TEST(PathKey, HexHasNoLeadingZeros) {
  EXPECT_EQ(core::keyHex(0x00ABCDEFu), "ABCDEF");
  EXPECT_EQ(core::keyHex(0), "0");
  EXPECT_EQ(core::keyHex(0xFFFFFFFFu), "FFFFFFFF");
}

}  // namespace
