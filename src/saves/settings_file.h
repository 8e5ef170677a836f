// The settings file save/setting.dat: the reader's preferences and machine options, the
// protect flags of save slots 0..99 and the "s_" variables. Read once at start-up before
// the window, the drawing device and the sound device exist; written at exit together
// with the already-read record. Main thread.
#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "saves/save_data.h"

namespace saves {

// Every key with its default, in the order the file lists them.
struct Settings {
  std::int32_t thread = 0, mmx = 1, sse = 1, sse2 = 1;
  std::int32_t hardwareSound = 0, streamBufferSize = 64, globalFocus = 1;
  std::int32_t vsyncWait = 1, limitFps = 0, maxVramSize = 64, maxTextureSize = 0;
  std::int32_t fixationTexturePow2 = 0, fixationTextureSquare = 0;
  std::int32_t fullScreen = 0, fullMode = 0, windowMode = 3;
  std::int32_t effectSkip = 0, effectCancel = 1;
  std::int32_t textSpeed = 20, autoWait = 400, windowAlpha = 80, alreadyRead = 1;
  std::string fontFile;  // CP932; "ＭＳ ゴシック" unless the file says otherwise
  std::int32_t fontStyle = 14;
  std::int32_t fontColor1 = 0xFFFFFF, fontColor2 = 0xFFFFFF, fontColor3 = 0;  // 0xRRGGBB
  std::int32_t masterVolume = 100, masterMute = 1, bgmVolume = 100, bgmMute = 1;
  std::int32_t seVolume = 100, seMute = 1, sysSeVolume = 100, sysSeMute = 1;
  std::string cursorFile, wallPaper;
  std::array<std::uint8_t, kProtectedSlots> saveProtect{};
  std::vector<std::pair<std::string, std::int32_t>> integers;  // "s_" number variables
  std::vector<std::pair<std::string, std::string>> strings;    // "s_" string variables
  bool operator==(const Settings&) const = default;
};

// Defaults, with CursorFile and WallPaper set to sys/cursor.ani and sys/wall.png when
// those files exist (as files or in the archive).
Settings defaultSettings();

// The file's text (CR LF line ends), before compression.
std::string formatSettingsText(const Settings& s);
// Keys that are present and of the right kind replace those of `s`; false (and `s` as it
// was) when the text does not run as data.
bool parseSettingsText(std::string_view text, Settings& s, std::string& why);

// Start-up: reads save/setting.dat (defaults when it is missing, unreadable or damaged)
// and hands every value to its subsystem. The cursor waits for the window: see below.
void readSettings();
// Once the window exists: the cursor from CursorFile.
void applyWindowSettings();
// Exit: gathers the values from the subsystems and writes save/setting.dat and
// save/already.dat, each whole or not at all.
void writeSettings();

// The settings of this run as read at start-up (tests, the filter workers' count).
const Settings& currentSettings();

}  // namespace saves
