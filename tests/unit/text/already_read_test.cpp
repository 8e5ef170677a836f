// The already-read record: its text lines, reading them back onto the files' blocks, the
// compressed container and the file written at exit.
#include "text/already_read.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/cp932.h"
#include "saves/already_read_file.h"

namespace {

using text::ReadStateMaps;

TEST(AlreadyRead, LinesOfKeysAndDigits) {
  ReadStateMaps maps;
  maps[0x5C83CC60] = {{0, 1}, {4, 0}, {9, 1}};
  EXPECT_EQ(text::formatAlreadyRead(maps), "S5C83CC60=101\r\n");
  maps.clear();
  maps[0] = {};
  maps[0xAB] = {{3, 0}};
  std::string two = text::formatAlreadyRead(maps);
  EXPECT_NE(two.find("S0=\r\n"), std::string::npos) << "key 0 is written as 0";
  EXPECT_NE(two.find("SAB=0\r\n"), std::string::npos) << "no leading zeros";
}

TEST(AlreadyRead, DigitsGoToBlocksInLineOrder) {
  ReadStateMaps maps;
  maps[0x1F] = {{2, 0}, {7, 0}, {11, 0}};
  maps[0x20] = {{0, 0}, {5, 0}};
  std::vector<std::string> unknown;
  text::applyAlreadyRead("S1F=10\r\nS20=1111\r\nS ff=1\r\nS" + platform::jp("表") + "=1\r\n", maps, unknown);
  EXPECT_EQ(maps[0x1F][2], 1);
  EXPECT_EQ(maps[0x1F][7], 0);
  EXPECT_EQ(maps[0x1F][11], 0) << "a block without a digit keeps 0";
  EXPECT_EQ(maps[0x20][0], 1);
  EXPECT_EQ(maps[0x20][5], 1) << "surplus digits are ignored";
  ASSERT_EQ(unknown.size(), 2u);
  EXPECT_EQ(unknown[0], " ff") << "the key text as written";
  EXPECT_EQ(unknown[1], platform::jp("表")) << "a two-byte character's trail byte is not taken for '='";
}

TEST(AlreadyRead, ContainerRoundTripAndDamage) {
  std::string text = "S1=0101\r\nS2=1\r\n";
  std::string packed = saves::packAlreadyRead(text);
  ASSERT_GE(packed.size(), 4u);
  EXPECT_EQ(static_cast<unsigned char>(packed[0]), text.size());
  std::string back;
  ASSERT_TRUE(saves::unpackAlreadyRead(packed, back));
  EXPECT_EQ(back, text);
  EXPECT_FALSE(saves::unpackAlreadyRead(packed.substr(0, packed.size() - 3), back)) << "cut short";
  EXPECT_FALSE(saves::unpackAlreadyRead("abc", back));
  std::string huge = packed;
  huge[3] = '\x7F';  // a declared length of about 2 GB
  EXPECT_FALSE(saves::unpackAlreadyRead(huge, back));
  std::string garbage = packed.substr(0, 4) + "not a zlib stream";
  EXPECT_FALSE(saves::unpackAlreadyRead(garbage, back));
}

TEST(AlreadyRead, WrittenAtExitAndReadAtStart) {
  namespace fs = std::filesystem;
  fs::path old = fs::current_path();
  fs::path dir = fs::temp_directory_path() / "utsushi_already_read_test";
  fs::remove_all(dir);
  fs::create_directories(dir);
  fs::current_path(dir);
  ReadStateMaps& maps = core::readStateMaps();
  ReadStateMaps saved = maps;
  maps.clear();
  maps[0x77] = {{1, 1}, {6, 0}, {9, 1}};
  saves::saveAlreadyRead();
  EXPECT_TRUE(fs::exists("save/already.dat"));
  maps[0x77] = {{1, 0}, {6, 0}, {9, 0}, {12, 0}};  // the script has grown a block
  saves::loadAlreadyRead();
  EXPECT_EQ(maps[0x77][1], 1);
  EXPECT_EQ(maps[0x77][6], 0);
  EXPECT_EQ(maps[0x77][9], 1);
  EXPECT_EQ(maps[0x77][12], 0) << "a new block starts unread";
  maps = saved;
  fs::current_path(old);
  fs::remove_all(dir);
}

}  // namespace
