// The script's sound commands: the ten streams (sd, sd.*) and the four volume groups
// (set/get master, BGM, SE, SysSE volume and mute). Main thread.
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "core/argument_pieces.h"
#include "core/command_support.h"
#include "sound/sound_commands.h"
#include "core/error_report.h"
#include "core/expression.h"
#include "core/statements.h"
#include "platform/cp932.h"
#include "sound/sound_settings.h"
#include "sound/sound_stream.h"

namespace sound {
namespace {

using core::ScriptValue;
using Args = std::vector<ScriptValue>;

void reportBadBuffer() { core::reportCommandError(platform::jp("バッファ番号が不正です")); }
void reportBadVolume() { core::reportCommandError(platform::jp("ボリュームの範囲が不正です")); }
void reportBadPan() { core::reportCommandError(platform::jp("パンの範囲が不正です")); }

// Arguments are read as the engine reads every number: truncated toward zero.
int intAt(const Args& a, std::size_t i, int fallback) {
  return i < a.size() && a[i].isNumber() ? a[i].toInt() : fallback;
}

// Checks 1 to 4 shared by the stream commands: the count (the command's range), the buffer
// number, the file name (at fileAt, when the command takes one) and every other present
// argument a number.
bool readStreamArgs(std::string_view text, int fileAt, Args& a, int& buffer) {
  core::evaluateArguments(text, a);
  if (!core::checkArgumentCount(a)) return false;
  if (!core::needNumber(a, 0)) return false;
  buffer = a[0].toInt();
  if (buffer < 0 || buffer >= kStreamCount) {
    reportBadBuffer();
    return false;
  }
  if (fileAt > 0 && !core::needString(a, static_cast<std::size_t>(fileAt))) return false;
  for (std::size_t i = 1; i < a.size(); ++i)
    if (static_cast<int>(i) != fileAt && !core::numberOrOmitted(a, i)) return false;
  return true;
}

bool volumeOk(int v) {
  if (v >= 0 && v <= 100) return true;
  reportBadVolume();
  return false;
}

bool panOk(int p) {
  if (p >= -100 && p <= 100) return true;
  reportBadPan();
  return false;
}

// The getters: a buffer number, then the text of a number variable for the result. The
// variable is resolved, not evaluated, so a fresh name is no expression error.
std::int32_t* readGetterArgs(std::string_view text, int& buffer) {
  static std::string scratch;
  static std::vector<std::string_view> pieces;
  scratch.assign(text);
  pieces.clear();
  if (!text.empty()) core::splitStatements(scratch, ',', pieces);
  if (!core::countInRange(pieces)) return nullptr;
  Args a{core::evaluateExpression(pieces[0])};
  if (!core::needNumber(a, 0)) return nullptr;
  buffer = a[0].toInt();
  if (buffer < 0 || buffer >= kStreamCount) {
    reportBadBuffer();
    return nullptr;
  }
  std::int32_t* out = core::numberVariableRef(pieces[1]);
  if (!out) core::reportArgumentFault(core::ArgumentFault::BadNumberVariable, 2);
  return out;
}

std::int32_t clampToInt32(double v) {
  if (!(v > 0)) return 0;
  return v >= 2147483647.0 ? 2147483647 : static_cast<std::int32_t>(v);
}

// sd buf, file, [fade 0], [volume 100], [loops 1], [start 0]
void cmdSd(std::string_view text) {
  Args a;
  int buffer = 0;
  if (!readStreamArgs(text, 1, a, buffer)) return;
  const int fade = intAt(a, 2, 0), volume = intAt(a, 3, 100), loops = intAt(a, 4, 1), start = intAt(a, 5, 0);
  if (!volumeOk(volume)) return;
  if (!loadStream(buffer, a[1].text)) {
    core::reportCommandError(a[1].text + platform::jp("が開けませんでした"));
    return;
  }
  setStreamVolume(buffer, volume, 0);
  playStream(buffer, loops, fade, start);
}

void cmdSdLoad(std::string_view text) {
  Args a;
  int buffer = 0;
  if (!readStreamArgs(text, 1, a, buffer)) return;
  if (!loadStream(buffer, a[1].text)) core::reportCommandError(a[1].text + platform::jp("が開けませんでした"));
}

// sd.play buf, [fade 0], [volume 100], [loops 1], [start 0]
void cmdSdPlay(std::string_view text) {
  Args a;
  int buffer = 0;
  if (!readStreamArgs(text, 0, a, buffer)) return;
  const int fade = intAt(a, 1, 0), volume = intAt(a, 2, 100), loops = intAt(a, 3, 1), start = intAt(a, 4, 0);
  if (!volumeOk(volume)) return;
  setStreamVolume(buffer, volume, 0);
  playStream(buffer, loops, fade, start);
}

void cmdSdPause(std::string_view text) {
  Args a;
  int buffer = 0;
  if (!readStreamArgs(text, 0, a, buffer)) return;
  // An omitted switch reads as 0: resume.
  pauseStream(buffer, intAt(a, 1, 0) != 0);
}

void cmdSdStop(std::string_view text) {
  Args a;
  int buffer = 0;
  if (!readStreamArgs(text, 0, a, buffer)) return;
  stopStream(buffer, intAt(a, 1, 0));
}

void cmdSdVolume(std::string_view text) {
  Args a;
  int buffer = 0;
  if (!readStreamArgs(text, 0, a, buffer)) return;
  const int volume = intAt(a, 1, 100);
  if (!volumeOk(volume)) return;
  setStreamVolume(buffer, volume, intAt(a, 2, 0));
}

void cmdSdPanpot(std::string_view text) {
  Args a;
  int buffer = 0;
  if (!readStreamArgs(text, 0, a, buffer)) return;
  const int pan = intAt(a, 1, 0);
  if (!panOk(pan)) return;
  setStreamPan(buffer, pan, intAt(a, 2, 0));
}

void cmdSdSeekTime(std::string_view text) {
  Args a;
  int buffer = 0;
  if (!readStreamArgs(text, 0, a, buffer)) return;
  seekStreamTime(buffer, intAt(a, 1, 0) / 1000.0);
}

void cmdSdSeekSample(std::string_view text) {
  Args a;
  int buffer = 0;
  if (!readStreamArgs(text, 0, a, buffer)) return;
  seekStreamSample(buffer, intAt(a, 1, 0));
}

template <std::int32_t (*Read)(int)>
void getter(std::string_view text) {
  int buffer = 0;
  if (std::int32_t* out = readGetterArgs(text, buffer)) *out = Read(buffer);
}

std::int32_t statusOf(int b) { return streamStatus(b); }
std::int32_t nowTimeOf(int b) { return clampToInt32(std::floor(streamNowTime(b) * 1000.0)); }
std::int32_t totalTimeOf(int b) { return clampToInt32(std::floor(streamTotalTime(b) * 1000.0)); }
std::int32_t nowSampleOf(int b) { return clampToInt32(static_cast<double>(streamNowSample(b))); }
std::int32_t totalSampleOf(int b) { return clampToInt32(static_cast<double>(streamTotalSample(b))); }

void cmdSdStatus(std::string_view t) { getter<statusOf>(t); }
void cmdSdNowTime(std::string_view t) { getter<nowTimeOf>(t); }
void cmdSdTotalTime(std::string_view t) { getter<totalTimeOf>(t); }
void cmdSdNowSample(std::string_view t) { getter<nowSampleOf>(t); }
void cmdSdTotalSample(std::string_view t) { getter<totalSampleOf>(t); }

// The group setters take one number 0..100; the mute setters store it as an on switch.
template <VolumeGroup G, bool IsMute>
void groupSetter(std::string_view text) {
  Args a;
  core::evaluateArguments(text, a);
  if (!core::checkArgumentCount(a) || !core::needNumber(a, 0)) return;
  const int v = a[0].toInt();
  if (!volumeOk(v)) return;
  if (IsMute) setGroupOn(G, v != 0);
  else setGroupVolume(G, v);
}

template <VolumeGroup G, bool IsMute>
void groupGetter(std::string_view text) {
  core::storeNumberResult(text, IsMute ? groupOn(G) : groupVolume(G));
}

using enum VolumeGroup;
void cmdSetMasterVolume(std::string_view t) { groupSetter<Master, false>(t); }
void cmdSetMasterMute(std::string_view t) { groupSetter<Master, true>(t); }
void cmdSetBgmVolume(std::string_view t) { groupSetter<Bgm, false>(t); }
void cmdSetBgmMute(std::string_view t) { groupSetter<Bgm, true>(t); }
void cmdSetSeVolume(std::string_view t) { groupSetter<Se, false>(t); }
void cmdSetSeMute(std::string_view t) { groupSetter<Se, true>(t); }
void cmdSetSysSeVolume(std::string_view t) { groupSetter<SysSe, false>(t); }
void cmdSetSysSeMute(std::string_view t) { groupSetter<SysSe, true>(t); }
void cmdGetMasterVolume(std::string_view t) { groupGetter<Master, false>(t); }
void cmdGetMasterMute(std::string_view t) { groupGetter<Master, true>(t); }
void cmdGetBgmVolume(std::string_view t) { groupGetter<Bgm, false>(t); }
void cmdGetBgmMute(std::string_view t) { groupGetter<Bgm, true>(t); }
void cmdGetSeVolume(std::string_view t) { groupGetter<Se, false>(t); }
void cmdGetSeMute(std::string_view t) { groupGetter<Se, true>(t); }
void cmdGetSysSeVolume(std::string_view t) { groupGetter<SysSe, false>(t); }
void cmdGetSysSeMute(std::string_view t) { groupGetter<SysSe, true>(t); }

constexpr core::CommandEntry kSoundCommands[] = {
    {"sd", cmdSd, nullptr, 2, 6},
    {"sd.load", cmdSdLoad, nullptr, 2, 2},
    {"sd.play", cmdSdPlay, nullptr, 1, 5},
    {"sd.pause", cmdSdPause, nullptr, 2, 2},
    {"sd.stop", cmdSdStop, nullptr, 1, 2},
    {"sd.volume", cmdSdVolume, nullptr, 2, 3},
    {"sd.panpot", cmdSdPanpot, nullptr, 2, 3},
    {"sd.seektime", cmdSdSeekTime, nullptr, 2, 2},
    {"sd.seeksample", cmdSdSeekSample, nullptr, 2, 2},
    {"sd.status", cmdSdStatus, nullptr, 2, 2},
    {"sd.nowtime", cmdSdNowTime, nullptr, 2, 2},
    {"sd.totaltime", cmdSdTotalTime, nullptr, 2, 2},
    {"sd.nowsample", cmdSdNowSample, nullptr, 2, 2},
    {"sd.totalsample", cmdSdTotalSample, nullptr, 2, 2},
    {"setmastervolume", cmdSetMasterVolume, "setMasterVolume", 1, 1},
    {"setmastermute", cmdSetMasterMute, "setMasterMute", 1, 1},
    {"setbgmvolume", cmdSetBgmVolume, "setBgmVolume", 1, 1},
    {"setbgmmute", cmdSetBgmMute, "setBgmMute", 1, 1},
    {"setsevolume", cmdSetSeVolume, "setSeVolume", 1, 1},
    {"setsemute", cmdSetSeMute, "setSeMute", 1, 1},
    {"setsyssevolume", cmdSetSysSeVolume, "setSysSeVolume", 1, 1},
    {"setsyssemute", cmdSetSysSeMute, "setSysSeMute", 1, 1},
    {"getmastervolume", cmdGetMasterVolume, "getMasterVolume"},
    {"getmastermute", cmdGetMasterMute, "getMasterMute"},
    {"getbgmvolume", cmdGetBgmVolume, "getBgmVolume"},
    {"getbgmmute", cmdGetBgmMute, "getBgmMute"},
    {"getsevolume", cmdGetSeVolume, "getSeVolume"},
    {"getsemute", cmdGetSeMute, "getSeMute"},
    {"getsyssevolume", cmdGetSysSeVolume, "getSysSeVolume"},
    {"getsyssemute", cmdGetSysSeMute, "getSysSeMute"},
};

}  // namespace

std::span<const core::CommandEntry> soundCommands() { return kSoundCommands; }

}  // namespace sound
