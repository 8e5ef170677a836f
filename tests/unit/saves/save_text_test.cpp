// Save and settings texts: the data-only Lua state and what it refuses, the compressed
// container, and round trips of every record through the writer and the reader.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/cp932.h"
#include "saves/compressed_file.h"
#include "saves/lua_data_reader.h"
#include "saves/save_reader.h"
#include "saves/save_writer.h"
#include "saves/settings_file.h"

namespace {

using namespace saves;

// Bytes whose CP932 trail byte is 0x5C, quotes of both kinds, backslashes, control bytes.
std::string awkwardText() {
  return platform::jp("表ソ能") + "\"q\" 'a' \\n\\ " + std::string("\x01\r\n\x7f", 4) + platform::jp("十予");
}

TEST(LuaData, HostileTextsRunNothingAndAreRefused) {
  const char* hostile[] = {
      "os.execute('touch /tmp/utsushi-hostile-marker')",
      "io.open('/tmp/utsushi-hostile-marker', 'w')",
      "require('os')",
      "loadstring('x=1')()",
      "x = string.rep('a', 1e9)",
      "x = ('a'):rep(1e9)",
      "while true do end",
      "local function f() return f() end f()",
      "local function f() return 1 + f() end f()",
      "x = 'a' for i = 1, 40 do x = x .. x end",
      "t = {} for i = 1, 1e9 do t[i] = i end",
      "x = {{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{"
      "{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{"
      "{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{{",
      "Image1={\"a\",",  // syntax error
      "\x1bLuaQ\x00\x01\x04\x04\x04\x08\x00",
      "setmetatable(_G, {})",
  };
  for (const char* text : hostile) {
    std::string why;
    EXPECT_EQ(runDataText(text, why), nullptr) << text;
    EXPECT_FALSE(why.empty()) << text;
  }
  EXPECT_FALSE(std::filesystem::exists("/tmp/utsushi-hostile-marker"));
  // The budgets leave honest texts alone: 20000 records of a few dozen fields each.
  std::string big;
  for (int i = 0; i < 20000; ++i) big += "R" + std::to_string(i) + "={1,2,3,4,5,6,7,8,9,10,\"text\",0xFFFFFF,1.5}\n";
  std::string why;
  LuaDataHolder ok = runDataText(big, why);
  ASSERT_NE(ok, nullptr) << why;
  std::vector<DataValue> v;
  ASSERT_TRUE(globalArray(*ok, "R19999", 13, v));
  EXPECT_EQ(v[9].toInt(), 10);
  EXPECT_EQ(v[10].text, "text");
  EXPECT_EQ(v[11].toBits(), 0xFFFFFFu);
  EXPECT_DOUBLE_EQ(v[12].number, 1.5);
}

TEST(LuaData, ValuesAsLuaChecksSeeThem) {
  std::string why;
  LuaDataHolder d = runDataText("n = 3.9  s = '12'  t = 'x'  c = 0xFF000000  neg = -2.7  big = 1e300", why);
  ASSERT_NE(d, nullptr) << why;
  double n = 0;
  EXPECT_TRUE(globalNumber(*d, "n", n));
  EXPECT_TRUE(globalNumber(*d, "s", n));  // a numeric string counts as a number
  EXPECT_EQ(n, 12);
  EXPECT_FALSE(globalNumber(*d, "t", n));
  EXPECT_FALSE(globalNumber(*d, "missing", n));
  std::string s;
  EXPECT_TRUE(globalString(*d, "n", s));  // and a number as a string
  EXPECT_FALSE(globalString(*d, "missing", s));
  std::vector<DataValue> v;
  EXPECT_FALSE(globalArray(*d, "n", 3, v));
  EXPECT_EQ((DataValue{true, false, -2.7, {}}).toInt(), -2);
  EXPECT_EQ((DataValue{true, false, 1e300, {}}).toInt(), 2147483647);
  EXPECT_EQ((DataValue{true, false, 4278190080.0, {}}).toBits(), 0xFF000000u);
  EXPECT_EQ((DataValue{true, false, -16777216.0, {}}).toBits(), 0xFF000000u);
}

TEST(CompressedFile, ContainerAndItsRefusals) {
  const std::string text = awkwardText() + std::string(5000, 'x');
  const std::string packed = packCompressed(text);
  std::string out;
  ASSERT_EQ(unpackCompressed(packed, out), Unpack::Ok);
  EXPECT_EQ(out, text);
  EXPECT_EQ(static_cast<unsigned char>(packed[0]) | static_cast<unsigned char>(packed[1]) << 8, text.size());

  EXPECT_EQ(unpackCompressed("ab", out), Unpack::TooShort);
  std::string absurd = packed;
  absurd[3] = '\x7f';  // ~2 GiB stated
  EXPECT_EQ(unpackCompressed(absurd, out), Unpack::AbsurdLength);
  std::string longer = packed;
  longer[0] = static_cast<char>(static_cast<unsigned char>(longer[0]) + 1);  // one byte more than inflates
  EXPECT_EQ(unpackCompressed(longer, out), Unpack::LengthMismatch);
  EXPECT_EQ(unpackCompressed(longer, out, false), Unpack::Ok) << "the already-read record takes what inflates";
  std::string shorter = packed;
  shorter[0] = static_cast<char>(static_cast<unsigned char>(shorter[0]) - 1);
  EXPECT_EQ(unpackCompressed(shorter, out, false), Unpack::LengthMismatch);
  EXPECT_EQ(unpackCompressed(packed.substr(0, packed.size() / 2), out), Unpack::BadStream);
  std::string garbage = packed.substr(0, 4) + "not zlib at all";
  EXPECT_EQ(unpackCompressed(garbage, out), Unpack::BadStream);
  EXPECT_TRUE(out.empty());
}

SaveData fullSave() {
  SaveData d;
  graphics::SpriteRecord pic;
  pic.slot = 3;
  pic.name = "cg/" + platform::jp("表示") + ".png";
  pic.reverse = 1; pic.bcOn = 1; pic.brightness = -20; pic.contrast = 30; pic.colourOn = 1; pic.redCyan = 5;
  pic.greenMagenta = -5; pic.blueYellow = 10; pic.hslOn = 1; pic.hue = -180; pic.saturation = 256; pic.lightness = 255;
  pic.blurOn = 1; pic.blurX = 3; pic.blurY = 4; pic.mosaicOn = 1; pic.mosaicX = 8; pic.mosaicY = 9;
  pic.layer = 2;
  pic.alpha = 128;
  pic.blendMode = 4;
  pic.colourOp = 0x4;
  pic.colourFactor = 0xFF102030;
  pic.width = 640;
  pic.height = 480;
  pic.x = 12.5;
  pic.y = -3;
  pic.scaleX = 1.5;
  pic.scaleY = 0.25;
  pic.rotX = 10;
  pic.rotY = 20;
  pic.rotZ = 45.5;
  pic.pivotX = 0;
  pic.pivotY = 2;
  d.sprites.push_back(pic);
  graphics::SpriteRecord textSprite;
  textSprite.slot = 999;
  textSprite.name = awkwardText();
  textSprite.second = platform::jp("ＭＳ ゴシック");
  textSprite.size = 30;
  textSprite.style = 14;
  textSprite.colour1 = 0xFF0000; textSprite.colour2 = 0x00FF00; textSprite.colour3 = 0x0000FF;
  textSprite.width = 154;
  textSprite.height = 34;
  textSprite.x = 100;
  textSprite.y = 200;
  textSprite.repeatMode = 1;
  graphics::StepRecord step;
  step.deleteFlag = 1;
  for (std::size_t i = 0; i < step.tracks.size(); ++i) step.tracks[i] = static_cast<std::int32_t>(i * 7) - 50;
  step.colour = {0xFFFFFF, 0x808080, 500, 0xFFFFFFFE};
  textSprite.steps = {step, graphics::StepRecord{}};
  d.sprites.push_back(textSprite);
  graphics::SpriteRecord stand;
  stand.slot = 10;
  stand.name = "stand.png";
  stand.second = "\x01";
  stand.width = 300;
  stand.height = 600;
  d.sprites.push_back(stand);
  d.sounds.push_back({0, "bgm/" + platform::jp("曲") + ".ogg", 0, 80, -30, 123456789012LL});
  d.sounds.push_back({9, "se.ogg", 3, 100, 100, 0});
  d.text.pages[0] = {awkwardText(), platform::jp("花子"), 3};
  d.text.pages[99] = {"last", "", 1};
  d.text.pages[50] = {"", "", 7};  // a line count without text is kept too
  d.text.message = text::MessageRecord{40, 800, 1, 2, 1, 0, 99, 100};
  d.text.font = text::FontRecord{platform::jp("ＭＳ 明朝"), 9, 1, 2, 3, "DejaVu \"Sans\"", 15, 4, 5, 6, 40};
  d.text.window = text::WindowRecord{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
  d.script.resume = core::ScriptPosition{0xDEADBEEFu, 1234};
  d.script.integers = {{"g_count", -5}, {"g_max", 2147483647}};
  d.script.strings = {{"g_name", awkwardText()}, {"g_quote", "it's '' \"q\""}, {"g_empty", ""}};
  d.comment = awkwardText();
  return d;
}

TEST(SaveText, EveryRecordReadsBackByteForByte) {
  const SaveData d = fullSave();
  std::string text = formatSaveText(d);
  appendCommentRecord(text, *d.comment);
  std::string why;
  std::optional<SaveData> back = parseSaveText(text, why);
  ASSERT_TRUE(back) << why << "\n" << text;
  // Text-sprite fields of a picture are not read (its second string is empty).
  SaveData want = d;
  EXPECT_EQ(back->sprites.size(), 3u);
  EXPECT_EQ(back->sprites[0], want.sprites[0]);
  // With an animation list position and rotations are whole numbers.
  EXPECT_EQ(back->sprites[2], want.sprites[1]);
  EXPECT_EQ(back->sprites[1], want.sprites[2]);
  EXPECT_EQ(back->sounds, want.sounds);
  EXPECT_EQ(back->text, want.text);
  EXPECT_EQ(back->script, want.script);
  EXPECT_EQ(back->comment, want.comment);
  std::optional<std::string> comment = parseSaveComment(text, why);
  ASSERT_TRUE(comment);
  EXPECT_EQ(*comment, *d.comment);
}

TEST(SaveText, RecordLinesHaveTheirFixedShape) {
  SaveData d;
  graphics::SpriteRecord s;
  s.slot = 12;
  s.name = "a.png";
  s.width = 2;
  s.height = 3;
  d.sprites.push_back(s);
  d.script.resume = core::ScriptPosition{0x5C83CC60u, 7};
  d.script.integers = {{"g_a", 3}};
  d.script.strings = {{"g_s", "x"}};
  const std::string text = formatSaveText(d);
  std::string filters;
  for (int i = 0; i < 19; ++i) filters += " 0,";
  // Nineteen filters, then layer, alpha, blend, colour operation, factor, size, place.
  EXPECT_EQ(text.substr(0, text.find('\n') + 1),
            "Image12={\"a.png\",\"\",0,0,0x0,0x0,0x0," + filters + " 0,255,1,0x0,0,2,3,400,300,1,1,0,0,0,1,1, 0}\n");
  EXPECT_NE(text.find("\nmsgLines={0,0,"), std::string::npos);
  EXPECT_NE(text.find(",0,0}\nFile={0x5c83cc60,7}\nInteger={\"g_a=3\",\"\"}\nString={\"g_s='x'\",\"\"}\n"),
            std::string::npos);
  EXPECT_EQ(text.find('\r'), std::string::npos);
}

TEST(SaveText, RawTextsOfOtherToolsLoadAsFarAsLuaReadsThem) {
  // Unescaped strings as the original format writes them, with CP932 that has no 0x5C.
  const std::string raw = platform::jp("Image1={\"あ.png\",\"\",0,0,0x0,0x0,0x0, 0,}\nComment=\"セーブ\"\n"
                                      "Integer={\"g_a=3.7\",\"g_b=4\",\"\",\"g_c=5\"}\nString={\"g_s='it''s'\",\"bad\",\"\"}\n");
  std::string why;
  std::optional<SaveData> d = parseSaveText(raw, why);
  ASSERT_TRUE(d) << why;
  ASSERT_EQ(d->sprites.size(), 1u);
  EXPECT_EQ(d->sprites[0].name, platform::jp("あ.png"));
  EXPECT_EQ(d->sprites[0].alpha, 0) << "missing fields read as 0";
  EXPECT_EQ(d->comment, platform::jp("セーブ"));
  // "3.7" is no whole number: that entry is passed over; the list ends at the empty string.
  EXPECT_EQ(d->script.integers, (std::vector<std::pair<std::string, std::int32_t>>{{"g_b", 4}}));
  EXPECT_EQ(d->script.strings, (std::vector<std::pair<std::string, std::string>>{{"g_s", "it''s"}}));
}

TEST(SaveText, ImpossibleCoordinatesAreKeptWithinAFloat) {
  std::string why;
  std::optional<SaveData> d = parseSaveText(
      "Image1={'a','',0,0,0,0,0, 0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0, 0,255,1,0,0,1,1,7.7e74,-1e300,0/0,1,1,1,1,1,1, 1}\n"
      "Image1_0={0}\n",
      why);
  ASSERT_TRUE(d) << why;
  ASSERT_EQ(d->sprites.size(), 1u);
  EXPECT_EQ(d->sprites[0].x, 1e9);
  EXPECT_EQ(d->sprites[0].y, -1e9);
  EXPECT_EQ(d->sprites[0].scaleX, 0) << "not a number reads as 0";
  // Written again as whole numbers (the slot has a step) without overflow.
  EXPECT_NE(formatSaveText(*d).find(",1000000000,-1000000000,0,"), std::string::npos);
}

TEST(SettingsText, EveryKeyRoundTripsAndMissingKeysKeepDefaults) {
  Settings s;
  s.fontFile = platform::jp("表示フォント");
  s.thread = 3;
  s.streamBufferSize = 16;
  s.fontColor1 = 0xFF0000;
  s.windowMode = 5;
  s.fullMode = -1;
  s.masterMute = 0;
  s.cursorFile = "sys\\cursor.ani";
  s.wallPaper = "\"quoted" + platform::jp("ソ") + "\\wall.png";
  s.saveProtect[0] = 1;
  s.saveProtect[99] = 255;
  s.integers = {{"s_runs", 12}};
  s.strings = {{"s_name", awkwardText()}};
  const std::string text = formatSettingsText(s);
  EXPECT_EQ(text.substr(0, 13), "Thread = 3\r\nM");
  EXPECT_NE(text.find("AlreadyRead = 1\r\nFontFile = \""), std::string::npos);
  EXPECT_NE(text.find("FontColor1 = 0xFF0000\r\n"), std::string::npos);
  EXPECT_NE(text.find("SysSeMute = 1\r\n\r\nCursorFile = \"sys/cursor.ani\"\r\n"), std::string::npos);
  Settings back;
  std::string why;
  ASSERT_TRUE(parseSettingsText(text, back, why)) << why;
  Settings want = s;
  want.cursorFile = "sys/cursor.ani";
  want.wallPaper = "\"quoted" + platform::jp("ソ") + "/wall.png";  // the trail byte stays
  EXPECT_EQ(back, want);

  Settings only;
  ASSERT_TRUE(parseSettingsText("StreamBufferSize = 16\nFontColor1 = 0xFF0000\nTextSpeed = 'fast'\n"
                                "Integer={\"g_no=1\",\"s_yes=2\",\"\"}",
                                only, why));
  Settings defaults;
  defaults.streamBufferSize = 16;
  defaults.fontColor1 = 0xFF0000;
  defaults.integers = {{"s_yes", 2}};
  EXPECT_EQ(only, defaults);
  Settings untouched;
  untouched.textSpeed = 77;
  EXPECT_FALSE(parseSettingsText("TextSpeed = 5 os.exit()", untouched, why));
  EXPECT_EQ(untouched.textSpeed, 77);
}

}  // namespace
