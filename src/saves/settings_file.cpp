#include "saves/settings_file.h"

#include <algorithm>

#include "core/archive.h"
#include "core/error_report.h"
#include "core/expression.h"
#include "core/resource_limits.h"
#include "graphics/device.h"
#include "graphics/reading_modes.h"
#include "image/crossfade.h"
#include "input/input_commands.h"
#include "platform/cp932.h"
#include "platform/cursor.h"
#include "platform/display_modes.h"
#include "platform/paths.h"
#include "saves/already_read_file.h"
#include "saves/compressed_file.h"
#include "saves/lua_data_reader.h"
#include "saves/lua_text.h"
#include "saves/save_commands.h"
#include "saves/save_files.h"
#include "saves/save_reader.h"
#include "sound/sound_settings.h"
#include "text/font_config.h"
#include "text/font_settings.h"
#include "text/message_state.h"

namespace saves {

namespace {

constexpr const char* kSettingsFile = "save/setting.dat";
constexpr const char* kDefaultCursor = "sys/cursor.ani";
constexpr const char* kDefaultWallpaper = "sys/wall.png";

struct NumberKey {
  const char* name;
  std::int32_t Settings::*field;
  bool hex;
};

// The numeric keys in file order; FontFile is written between FontAutoWait.. and FontStyle.
constexpr NumberKey kNumberKeys[] = {
    {"Thread", &Settings::thread, false},
    {"MMX", &Settings::mmx, false},
    {"SSE", &Settings::sse, false},
    {"SSE2", &Settings::sse2, false},
    {"HardwareSound", &Settings::hardwareSound, false},
    {"StreamBufferSize", &Settings::streamBufferSize, false},
    {"GlobalFocus", &Settings::globalFocus, false},
    {"VSyncWait", &Settings::vsyncWait, false},
    {"LimitFPS", &Settings::limitFps, false},
    {"MaxVramSize", &Settings::maxVramSize, false},
    {"MaxTextureSize", &Settings::maxTextureSize, false},
    {"FixationTexturePow2", &Settings::fixationTexturePow2, false},
    {"FixationTextureSquare", &Settings::fixationTextureSquare, false},
    {"FullScreen", &Settings::fullScreen, false},
    {"FullMode", &Settings::fullMode, false},
    {"WindowMode", &Settings::windowMode, false},
    {"EffectSkip", &Settings::effectSkip, false},
    {"EffectCancel", &Settings::effectCancel, false},
    {"TextSpeed", &Settings::textSpeed, false},
    {"AutoWait", &Settings::autoWait, false},
    {"WindowAlpha", &Settings::windowAlpha, false},
    {"AlreadyRead", &Settings::alreadyRead, false},
    // FontFile goes here.
    {"FontStyle", &Settings::fontStyle, false},
    {"FontColor1", &Settings::fontColor1, true},
    {"FontColor2", &Settings::fontColor2, true},
    {"FontColor3", &Settings::fontColor3, true},
    {"MasterVolume", &Settings::masterVolume, false},
    {"MasterMute", &Settings::masterMute, false},
    {"BgmVolume", &Settings::bgmVolume, false},
    {"BgmMute", &Settings::bgmMute, false},
    {"SeVolume", &Settings::seVolume, false},
    {"SeMute", &Settings::seMute, false},
    {"SysSeVolume", &Settings::sysSeVolume, false},
    {"SysSeMute", &Settings::sysSeMute, false},
};
constexpr std::string_view kKeyBeforeFontFile = "AlreadyRead";

Settings settings;
// The file as it is on disk: an exit that changed nothing does not write it again (the
// write's fsync is the largest part of an exit).
std::string onDisk;

// Paths are written with "/" (the trail byte 0x5C of a two-byte character is no separator).
std::string forwardSlashes(std::string path) {
  for (std::size_t i = 0; i < path.size(); ++i) {
    if (platform::isLeadByte(static_cast<unsigned char>(path[i]))) {
      ++i;
      continue;
    }
    if (path[i] == '\\') path[i] = '/';
  }
  return path;
}

void applyToSubsystems(const Settings& s) {
  image::setWorkerThreads(s.thread);
  sound::setHardwareSound(s.hardwareSound);
  sound::setStreamBufferSize(s.streamBufferSize);
  sound::setGlobalFocus(s.globalFocus);
  graphics::setVSyncWait(s.vsyncWait);
  graphics::setLimitFps(s.limitFps);
  graphics::setMaxTextureSize(s.maxTextureSize);
  graphics::setFixationTexturePow2(s.fixationTexturePow2);
  graphics::setFixationTextureSquare(s.fixationTextureSquare);
  // The window does not exist yet: start-up shows it in this state.
  platform::DisplayState& d = platform::displayState();
  d.fullScreen = s.fullScreen != 0;
  if (s.fullMode >= platform::kFitChangeResolution && s.fullMode <= platform::kFitCutEdges) d.fitMode = s.fullMode;
  if (s.windowMode >= 0 && s.windowMode < static_cast<int>(platform::kWindowSizes.size())) d.sizeIndex = s.windowMode;
  text::MessageState& ms = text::messageState();
  graphics::ReadingModes& modes = graphics::readingModes();
  modes.effectSkip = s.effectSkip != 0;
  modes.effectCancel = s.effectCancel != 0;
  ms.textSpeed = ms.defaultTextSpeed = s.textSpeed;
  text::setAutoWaitBase(ms, s.autoWait);
  ms.defaultAutoWaitBase = s.autoWait;
  ms.windowAlpha = s.windowAlpha;
  modes.alreadyReadStop = s.alreadyRead != 0;
  text::MessageFontSettings& f = text::messageFont();
  f.face = f.defaultFace = s.fontFile;
  f.style = f.defaultStyle = s.fontStyle;
  f.colour1 = f.defaultColour1 = static_cast<std::uint32_t>(s.fontColor1);
  f.colour2 = f.defaultColour2 = static_cast<std::uint32_t>(s.fontColor2);
  f.colour3 = f.defaultColour3 = static_cast<std::uint32_t>(s.fontColor3);
  sound::setGroupVolume(sound::VolumeGroup::Master, std::clamp(s.masterVolume, 0, 100));
  sound::setGroupOn(sound::VolumeGroup::Master, s.masterMute != 0);
  sound::setGroupVolume(sound::VolumeGroup::Bgm, std::clamp(s.bgmVolume, 0, 100));
  sound::setGroupOn(sound::VolumeGroup::Bgm, s.bgmMute != 0);
  sound::setGroupVolume(sound::VolumeGroup::Se, std::clamp(s.seVolume, 0, 100));
  sound::setGroupOn(sound::VolumeGroup::Se, s.seMute != 0);
  sound::setGroupVolume(sound::VolumeGroup::SysSe, std::clamp(s.sysSeVolume, 0, 100));
  sound::setGroupOn(sound::VolumeGroup::SysSe, s.sysSeMute != 0);
  platform::setWallpaper(s.wallPaper);
  protectFlags() = s.saveProtect;
  for (const auto& [name, value] : s.integers) core::declareNumber(name) = value;
  for (const auto& [name, value] : s.strings) core::declareString(name) = value;
}

// What the subsystems hold now, in the form the file keeps (the default forms of the
// values that have a current and a default one).
Settings gatherFromSubsystems() {
  Settings s = settings;
  const sound::SoundSettings& snd = sound::soundSettings();
  s.hardwareSound = snd.hardwareSound;
  s.streamBufferSize = snd.streamBufferSize;
  s.globalFocus = snd.globalFocus;
  const graphics::DeviceSettings& dev = graphics::deviceSettings();
  s.vsyncWait = dev.vsyncWait;
  s.limitFps = dev.limitFps;
  s.maxTextureSize = dev.maxTextureSize;
  s.fixationTexturePow2 = dev.fixationTexturePow2;
  s.fixationTextureSquare = dev.fixationTextureSquare;
  const platform::DisplayState& d = platform::displayState();
  s.fullScreen = d.fullScreen ? 1 : 0;
  s.fullMode = d.fitMode;
  s.windowMode = d.sizeIndex;
  const text::MessageState& ms = text::messageState();
  const graphics::ReadingModes& modes = graphics::readingModes();
  s.effectSkip = modes.effectSkip ? 1 : 0;
  s.effectCancel = modes.effectCancel ? 1 : 0;
  s.textSpeed = ms.defaultTextSpeed;
  s.autoWait = ms.defaultAutoWaitBase;
  s.windowAlpha = ms.windowAlpha;
  s.alreadyRead = modes.alreadyReadStop ? 1 : 0;
  const text::MessageFontSettings& f = text::messageFont();
  s.fontFile = f.defaultFace;
  s.fontStyle = f.defaultStyle;
  s.fontColor1 = static_cast<std::int32_t>(f.defaultColour1);
  s.fontColor2 = static_cast<std::int32_t>(f.defaultColour2);
  s.fontColor3 = static_cast<std::int32_t>(f.defaultColour3);
  s.masterVolume = sound::groupVolume(sound::VolumeGroup::Master);
  s.masterMute = sound::groupOn(sound::VolumeGroup::Master);
  s.bgmVolume = sound::groupVolume(sound::VolumeGroup::Bgm);
  s.bgmMute = sound::groupOn(sound::VolumeGroup::Bgm);
  s.seVolume = sound::groupVolume(sound::VolumeGroup::Se);
  s.seMute = sound::groupOn(sound::VolumeGroup::Se);
  s.sysSeVolume = sound::groupVolume(sound::VolumeGroup::SysSe);
  s.sysSeMute = sound::groupOn(sound::VolumeGroup::SysSe);
  s.wallPaper = platform::wallpaper();
  s.saveProtect = protectFlags();
  s.integers = core::namedNumbersWithPrefix("s_");
  s.strings = core::namedStringsWithPrefix("s_");
  return s;
}

}  // namespace

Settings defaultSettings() {
  Settings s;
  s.fontFile = platform::utf8ToCp932(text::kDefaultFaceUtf8);
  if (core::resourceExists(kDefaultCursor)) s.cursorFile = kDefaultCursor;
  if (core::resourceExists(kDefaultWallpaper)) s.wallPaper = kDefaultWallpaper;
  return s;
}

std::string formatSettingsText(const Settings& s) {
  std::string out;
  out.reserve(2048);
  for (const NumberKey& key : kNumberKeys) {
    out += key.name;
    out += " = ";
    if (key.hex) appendHex(out, static_cast<std::uint32_t>(s.*key.field));
    else appendDecimal(out, s.*key.field);
    out += "\r\n";
    if (key.name == kKeyBeforeFontFile) {
      out += "FontFile = ";
      appendLuaString(out, s.fontFile);
      out += "\r\n";
    }
  }
  out += "\r\nCursorFile = ";
  appendLuaString(out, forwardSlashes(s.cursorFile));
  out += "\r\nWallPaper = ";
  appendLuaString(out, forwardSlashes(s.wallPaper));
  out += "\r\nsaveProtect={";
  for (std::uint8_t flag : s.saveProtect) {
    appendDecimal(out, flag);
    out += ',';
  }
  out += "0}\r\n";
  appendVariableRecords(out, s.integers, s.strings, "\r\n");
  return out;
}

bool parseSettingsText(std::string_view text, Settings& s, std::string& why) {
  LuaDataHolder lua = runDataText(text, why);
  if (!lua) return false;
  for (const NumberKey& key : kNumberKeys) {
    double v = 0;
    if (globalNumber(*lua, key.name, v)) s.*key.field = DataValue{true, false, v, {}}.toInt();
  }
  globalString(*lua, "FontFile", s.fontFile);
  globalString(*lua, "CursorFile", s.cursorFile);
  globalString(*lua, "WallPaper", s.wallPaper);
  std::vector<DataValue> v;
  if (globalArray(*lua, "saveProtect", kProtectedSlots, v))
    for (std::size_t i = 0; i < v.size(); ++i) s.saveProtect[i] = static_cast<std::uint8_t>(v[i].toBits() & 0xFF);
  // The variables of the file are system variables: names other than s_ are not taken.
  readVariableRecords(*lua, "s_", s.integers, s.strings);
  return true;
}

void readSettings() {
  settings = defaultSettings();
  std::string file;
  const auto path = platform::writableGamePath(kSettingsFile);
  // A missing, unreadable or damaged file leaves every default; one too large to be real is
  // said so (the reader's settings are lost), and is replaced at exit like a damaged one.
  switch (platform::readFileUpTo(path, file, core::kLargestSaveFileBytes)) {
    case platform::FileRead::Failed: break;
    case platform::FileRead::TooLarge: refuseTooLarge(kSettingsFile, core::kLargestSaveFileBytes); break;
    case platform::FileRead::Ok: {
      onDisk = file;
      std::string text, why;
      Settings fromFile = settings;
      const Unpack unpacked = unpackCompressed(file, text);
      if (unpacked == Unpack::AbsurdLength) refuseTooLarge(kSettingsFile, core::kLargestSaveText);
      if (unpacked == Unpack::Ok && parseSettingsText(text, fromFile, why)) settings = std::move(fromFile);
      break;
    }
  }
  applyToSubsystems(settings);
}

void applyWindowSettings() {
  if (!settings.cursorFile.empty()) input::setCursorFromFile(settings.cursorFile);
}

void writeSettings() {
  settings = gatherFromSubsystems();
  const std::string text = formatSettingsText(settings);
  std::string packed = packCompressed(text);
  if (packed.empty()) writeSaveFile(kSettingsFile, text, true);  // shows why it failed
  else if (packed != onDisk && writeSaveFile(kSettingsFile, packed, false)) onDisk = std::move(packed);
  saveAlreadyRead();
}

const Settings& currentSettings() { return settings; }

}  // namespace saves
