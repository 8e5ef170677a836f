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

void reportBadBuffer() { core::reportCommandError(platform::jp("バッファ番号が不正です")); }
void reportBadVolume() { core::reportCommandError(platform::jp("ボリュームの範囲が不正です")); }
void reportBadPan() { core::reportCommandError(platform::jp("パンの範囲が不正です")); }

// The stream number, checked in its turn: before the file name and the other arguments.
bool bufferRule(std::size_t index, const core::Argument& a) {
  if (index != 0) return true;
  const std::int32_t buffer = a.value.toInt();
  if (buffer >= 0 && buffer < kStreamCount) return true;
  reportBadBuffer();
  return false;
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

std::int32_t clampToInt32(double v) {
  if (!(v > 0)) return 0;
  return v >= 2147483647.0 ? 2147483647 : static_cast<std::int32_t>(v);
}

// sd buf, file, [fade 0], [volume 100], [loops 1], [start 0]
void cmdSd(const core::Arguments& a) {
  const int buffer = a.number(0);
  const int fade = a.number(2, 0), volume = a.number(3, 100), loops = a.number(4, 1), start = a.number(5, 0);
  if (!volumeOk(volume)) return;
  if (!loadStream(buffer, a.string(1))) {
    core::reportCommandError(a.string(1) + platform::jp("が開けませんでした"));
    return;
  }
  setStreamVolume(buffer, volume, 0);
  playStream(buffer, loops, fade, start);
}

void cmdSdLoad(const core::Arguments& a) {
  const int buffer = a.number(0);
  if (!loadStream(buffer, a.string(1))) core::reportCommandError(a.string(1) + platform::jp("が開けませんでした"));
}

// sd.play buf, [fade 0], [volume 100], [loops 1], [start 0]
void cmdSdPlay(const core::Arguments& a) {
  const int buffer = a.number(0);
  const int fade = a.number(1, 0), volume = a.number(2, 100), loops = a.number(3, 1), start = a.number(4, 0);
  if (!volumeOk(volume)) return;
  setStreamVolume(buffer, volume, 0);
  playStream(buffer, loops, fade, start);
}

void cmdSdPause(const core::Arguments& a) {
  const int buffer = a.number(0);
  // An omitted switch reads as 0: resume.
  pauseStream(buffer, a.number(1, 0) != 0);
}

void cmdSdStop(const core::Arguments& a) {
  const int buffer = a.number(0);
  stopStream(buffer, a.number(1, 0));
}

void cmdSdVolume(const core::Arguments& a) {
  const int buffer = a.number(0);
  const int volume = a.number(1, 100);
  if (!volumeOk(volume)) return;
  setStreamVolume(buffer, volume, a.number(2, 0));
}

void cmdSdPanpot(const core::Arguments& a) {
  const int buffer = a.number(0);
  const int pan = a.number(1, 0);
  if (!panOk(pan)) return;
  setStreamPan(buffer, pan, a.number(2, 0));
}

void cmdSdSeekTime(const core::Arguments& a) {
  const int buffer = a.number(0);
  seekStreamTime(buffer, a.number(1, 0) / 1000.0);
}

void cmdSdSeekSample(const core::Arguments& a) {
  const int buffer = a.number(0);
  seekStreamSample(buffer, a.number(1, 0));
}

template <std::int32_t (*Read)(int)>
void getter(const core::Arguments& args) {
  args.numberVariable(1) = Read(args.number(0));
}

std::int32_t statusOf(int b) { return streamStatus(b); }
std::int32_t nowTimeOf(int b) { return clampToInt32(std::floor(streamNowTime(b) * 1000.0)); }
std::int32_t totalTimeOf(int b) { return clampToInt32(std::floor(streamTotalTime(b) * 1000.0)); }
std::int32_t nowSampleOf(int b) { return clampToInt32(static_cast<double>(streamNowSample(b))); }
std::int32_t totalSampleOf(int b) { return clampToInt32(static_cast<double>(streamTotalSample(b))); }

void cmdSdStatus(const core::Arguments& t) { getter<statusOf>(t); }
void cmdSdNowTime(const core::Arguments& t) { getter<nowTimeOf>(t); }
void cmdSdTotalTime(const core::Arguments& t) { getter<totalTimeOf>(t); }
void cmdSdNowSample(const core::Arguments& t) { getter<nowSampleOf>(t); }
void cmdSdTotalSample(const core::Arguments& t) { getter<totalSampleOf>(t); }

// The group setters take one number 0..100; the mute setters store it as an on switch.
template <VolumeGroup G, bool IsMute>
void groupSetter(const core::Arguments& a) {
  const int v = a.number(0);
  if (!volumeOk(v)) return;
  if (IsMute) setGroupOn(G, v != 0);
  else setGroupVolume(G, v);
}

template <VolumeGroup G, bool IsMute>
void groupGetter(const core::Arguments& a) {
  a.numberVariable(0) = IsMute ? groupOn(G) : groupVolume(G);
}

using enum VolumeGroup;
void cmdSetMasterVolume(const core::Arguments& t) { groupSetter<Master, false>(t); }
void cmdSetMasterMute(const core::Arguments& t) { groupSetter<Master, true>(t); }
void cmdSetBgmVolume(const core::Arguments& t) { groupSetter<Bgm, false>(t); }
void cmdSetBgmMute(const core::Arguments& t) { groupSetter<Bgm, true>(t); }
void cmdSetSeVolume(const core::Arguments& t) { groupSetter<Se, false>(t); }
void cmdSetSeMute(const core::Arguments& t) { groupSetter<Se, true>(t); }
void cmdSetSysSeVolume(const core::Arguments& t) { groupSetter<SysSe, false>(t); }
void cmdSetSysSeMute(const core::Arguments& t) { groupSetter<SysSe, true>(t); }
void cmdGetMasterVolume(const core::Arguments& t) { groupGetter<Master, false>(t); }
void cmdGetMasterMute(const core::Arguments& t) { groupGetter<Master, true>(t); }
void cmdGetBgmVolume(const core::Arguments& t) { groupGetter<Bgm, false>(t); }
void cmdGetBgmMute(const core::Arguments& t) { groupGetter<Bgm, true>(t); }
void cmdGetSeVolume(const core::Arguments& t) { groupGetter<Se, false>(t); }
void cmdGetSeMute(const core::Arguments& t) { groupGetter<Se, true>(t); }
void cmdGetSysSeVolume(const core::Arguments& t) { groupGetter<SysSe, false>(t); }
void cmdGetSysSeMute(const core::Arguments& t) { groupGetter<SysSe, true>(t); }

constexpr core::CommandEntry kSoundCommands[] = {
    {"sd", cmdSd, nullptr, "n A [n?] [n?] [n?] [n?]", core::ArgumentReading::Values, bufferRule},
    {"sd.load", cmdSdLoad, nullptr, "n A", core::ArgumentReading::Values, bufferRule},
    {"sd.play", cmdSdPlay, nullptr, "n [n?] [n?] [n?] [n?]", core::ArgumentReading::Values, bufferRule},
    {"sd.pause", cmdSdPause, nullptr, "n n?", core::ArgumentReading::Values, bufferRule},
    {"sd.stop", cmdSdStop, nullptr, "n [n?]", core::ArgumentReading::Values, bufferRule},
    {"sd.volume", cmdSdVolume, nullptr, "n n? [n?]", core::ArgumentReading::Values, bufferRule},
    {"sd.panpot", cmdSdPanpot, nullptr, "n n? [n?]", core::ArgumentReading::Values, bufferRule},
    {"sd.seektime", cmdSdSeekTime, nullptr, "n n?", core::ArgumentReading::Values, bufferRule},
    {"sd.seeksample", cmdSdSeekSample, nullptr, "n n?", core::ArgumentReading::Values, bufferRule},
    {"sd.status", cmdSdStatus, nullptr, "n N", core::ArgumentReading::InTurn, bufferRule},
    {"sd.nowtime", cmdSdNowTime, nullptr, "n N", core::ArgumentReading::InTurn, bufferRule},
    {"sd.totaltime", cmdSdTotalTime, nullptr, "n N", core::ArgumentReading::InTurn, bufferRule},
    {"sd.nowsample", cmdSdNowSample, nullptr, "n N", core::ArgumentReading::InTurn, bufferRule},
    {"sd.totalsample", cmdSdTotalSample, nullptr, "n N", core::ArgumentReading::InTurn, bufferRule},
    {"setmastervolume", cmdSetMasterVolume, "setMasterVolume", "n"},
    {"setmastermute", cmdSetMasterMute, "setMasterMute", "n"},
    {"setbgmvolume", cmdSetBgmVolume, "setBgmVolume", "n"},
    {"setbgmmute", cmdSetBgmMute, "setBgmMute", "n"},
    {"setsevolume", cmdSetSeVolume, "setSeVolume", "n"},
    {"setsemute", cmdSetSeMute, "setSeMute", "n"},
    {"setsyssevolume", cmdSetSysSeVolume, "setSysSeVolume", "n"},
    {"setsyssemute", cmdSetSysSeMute, "setSysSeMute", "n"},
    {"getmastervolume", cmdGetMasterVolume, "getMasterVolume", "N", core::ArgumentReading::Whole},
    {"getmastermute", cmdGetMasterMute, "getMasterMute", "N", core::ArgumentReading::Whole},
    {"getbgmvolume", cmdGetBgmVolume, "getBgmVolume", "N", core::ArgumentReading::Whole},
    {"getbgmmute", cmdGetBgmMute, "getBgmMute", "N", core::ArgumentReading::Whole},
    {"getsevolume", cmdGetSeVolume, "getSeVolume", "N", core::ArgumentReading::Whole},
    {"getsemute", cmdGetSeMute, "getSeMute", "N", core::ArgumentReading::Whole},
    {"getsyssevolume", cmdGetSysSeVolume, "getSysSeVolume", "N", core::ArgumentReading::Whole},
    {"getsyssemute", cmdGetSysSeMute, "getSysSeMute", "N", core::ArgumentReading::Whole},
};

}  // namespace

std::span<const core::CommandEntry> soundCommands() { return kSoundCommands; }

}  // namespace sound
