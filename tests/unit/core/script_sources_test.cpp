#include "core/script_sources.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

#include <fstream>

#include "core/archive.h"
#include "core/big_endian.h"
#include "core/labels.h"
#include "core/path_key.h"

namespace {

using Lines = std::vector<std::string>;

Lines folderLines(std::string_view bytes) {
  Lines lines;
  core::splitFolderText(bytes, lines);
  return lines;
}

Lines packedLines(std::string_view bytes) {
  Lines lines;
  core::splitPackedText(bytes, lines);
  return lines;
}

TEST(FolderText, LongLinesBecomeSeveralLinesAndCommentsStayAsEmptyLines) {
  std::string longLine(300, 'x');
  Lines lines = folderLines("  a  \r\n" + longLine + "\n; comment\n//c\n /x\nend");
  ASSERT_EQ(lines.size(), 7u);
  EXPECT_EQ(lines[0], "a");
  EXPECT_EQ(lines[1], std::string(255, 'x'));
  EXPECT_EQ(lines[2], std::string(45, 'x'));
  EXPECT_EQ(lines[3], "");
  EXPECT_EQ(lines[4], "");
  EXPECT_EQ(lines[5], "");  // the comment test runs after trimming
  EXPECT_EQ(lines[6], "end");
}

TEST(FolderText, ALineFillingTheBufferLeavesAnEmptyLineBehind) {
  // 255 bytes fill the buffer; the LF is read on its own as the next (empty) line.
  Lines lines = folderLines(std::string(255, 'y') + "\nz\n");
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[1], "");
  EXPECT_EQ(core::firstOverlongLine(std::string(254, 'y') + "\nz\n"), 0);
  EXPECT_EQ(core::firstOverlongLine("a\n" + std::string(255, 'y') + "\nz\n"), 2);
  EXPECT_EQ(core::firstOverlongLine(std::string(400, 'y')), 1);
}

TEST(ScriptText, EachStoredLineKnowsItsLineInTheFile) {
  Lines lines;
  std::vector<int> physical;
  core::splitFolderText("a\n" + std::string(300, 'x') + "\nb\n" + std::string(255, 'y') + "\nc", lines, &physical);
  EXPECT_EQ(physical, (std::vector<int>{1, 2, 2, 3, 4, 4, 5}));
  lines.clear();
  physical.clear();
  core::splitPackedText("a\r\nb\rc\n\nd", lines, &physical);
  EXPECT_EQ(physical, (std::vector<int>{1, 2, 3, 4, 5}));
}

TEST(PackedText, LineEndsAndTheLastLine) {
  EXPECT_EQ(packedLines("a\rb\nc\r\nd"), (Lines{"a", "b", "c", "d"}));
  EXPECT_EQ(packedLines("a\r\rb"), (Lines{"a", "", "b"}));
  EXPECT_EQ(packedLines("a\n"), (Lines{"a"}));
  EXPECT_EQ(packedLines("x"), (Lines{"x"}));
  // A lead byte takes the next byte along, even a line end.
  EXPECT_EQ(packedLines("\x82\nA\nB").size(), 2u);
  EXPECT_EQ(packedLines(std::string_view("a\0b\nc", 5)), (Lines{"a", "c"}));
}

TEST(PackedIndex, RejectsCountsAndOffsetsPastTheEnd) {
  std::string head;
  core::appendU32be(head, 2);
  std::string why;
  EXPECT_FALSE(core::parsePackedIndex(head, 10, why));
  EXPECT_NE(why.find("past the end"), std::string::npos);

  std::string one;
  core::appendU32be(one, 1);
  core::appendU32be(one, 0xABCD);
  one += '\0';
  core::appendU32be(one, 21);
  core::appendU32be(one, 100);
  core::appendU32be(one, 50);
  EXPECT_FALSE(core::parsePackedIndex(one, 50, why));
  auto ok = core::parsePackedIndex(one, 121, why);
  ASSERT_TRUE(ok);
  EXPECT_EQ((*ok)[0].key, 0xABCDu);
  EXPECT_EQ((*ok)[0].entry.unpackedSize, 50u);
  EXPECT_FALSE(core::parsePackedIndex(std::string_view("\0\0", 2), 2, why));
}

TEST(ArchiveIndex, LaterEntriesReplaceEarlierOnesAndBoundsAreChecked) {
  std::string head;
  core::appendU32be(head, 2);
  for (std::uint32_t size : {3u, 4u}) {
    core::appendU32be(head, 7);
    head += '\x01';
    core::appendU32be(head, 38);
    core::appendU32be(head, size);
    core::appendU32be(head, 0);
  }
  std::string why;
  auto index = core::parseArchiveIndex(head, 42, why);
  ASSERT_TRUE(index);
  EXPECT_EQ(index->size(), 1u);
  EXPECT_EQ(index->at(7).size, 4u);
  EXPECT_FALSE(core::parseArchiveIndex(head, 41, why));
  // A count whose index would wrap a 32-bit size calculation is still refused.
  std::string huge;
  core::appendU32be(huge, 0xFFFFFFFFu);
  EXPECT_FALSE(core::parseArchiveIndex(huge, 1000, why));
}

TEST(ArchiveNames, NormalisationLeavesTwoByteCharactersAlone) {
  // 表 is 0x95 0x5C: its trail byte must not become "/".
  EXPECT_EQ(core::normalizeResourceName("CG\\Bg\x95\x5C" "A.PNG"), "cg/bg\x95\x5C" "a.png");
}

class ScriptFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    root = std::filesystem::temp_directory_path() / ("utsushi-list-" + std::to_string(::getpid()));
    std::filesystem::remove_all(root);
    for (const char* f : {"b.txt", "A.TXT", ".hidden.txt", "notes.md", "Sub/z.txt", "sub2/.x/y.txt", "a0.txt"}) {
      std::filesystem::create_directories((root / f).parent_path());
      std::ofstream(root / f) << "x\n";
    }
  }
  void TearDown() override { std::filesystem::remove_all(root); }
  std::filesystem::path root;
};

TEST_F(ScriptFolder, ListsTextFilesInCaseInsensitiveOrder) {
  auto list = core::listScripts(root, "script/");
  EXPECT_EQ(list, (std::vector<std::string>{"script/A.TXT", "script/a0.txt", "script/b.txt", "script/Sub/z.txt"}));
}

TEST(LabelScan, RegistersLabelsLowercasedAndSkipsTextBlocks) {
  core::LabelTable table;
  core::ReadStateMap readState;
  // A text block runs to the next empty line whatever its lines end with: a page wait ("\\")
  // ends the page, not the block, and the label under it is the block's.
  Lines lines = {"*Start:goto *x", "cal %0=1", "\x81\x75text", "*inside_text", "", "*second label", "\x82\xA0", "",
                 "*\x88\xA4", "", "\x82\xA0\\", "*under_page_wait", "", "*after_empty"};
  ASSERT_TRUE(core::scanLabels("f.txt", 99, lines, table, readState));
  EXPECT_EQ(lines[0], "*start:goto *x");
  ASSERT_TRUE(table.labels.count(core::pathKey("*start")));
  EXPECT_EQ(table.labels.at(core::pathKey("*start")).line, 0);
  EXPECT_FALSE(table.labels.count(core::pathKey("*inside_text")));
  EXPECT_EQ(table.labels.at(core::pathKey("*second")).line, 5);
  EXPECT_TRUE(table.labels.count(core::pathKey("*\x88\xA4")));  // two-byte label names
  EXPECT_FALSE(table.labels.count(core::pathKey("*under_page_wait")));
  EXPECT_EQ(table.labels.at(core::pathKey("*after_empty")).line, 13);
  EXPECT_EQ(readState, (core::ReadStateMap{{2, 0}, {6, 0}, {10, 0}}));
  EXPECT_EQ(table.fileNames.at(99), "f.txt");
}

}  // namespace
