// The ten sound streams. Each loaded stream keeps its whole Ogg Vorbis file in memory and a
// worker thread of its own that decodes it half a buffer at a time into a mixer buffer,
// follows the loop points of its comment and runs its volume and pan fades.
//
// Every function here runs on the main thread; the workers only touch their own stream's
// state, under that stream's lock.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

namespace sound {

constexpr int kStreamCount = 10;

// Start-up: opens the mixer at 44100 Hz and readies the ten streams. False after showing
// "DirectSound の初期化に失敗しました".
bool startSound();
// Start-up, once the settings are read: every stream takes its group's volume and switch.
void applyGroupVolumes();
// Shut-down: unloads every stream, then closes the mixer.
void stopSound();

// `name` is CP932 as the script wrote it; the archive is asked first. offset/size select a
// part of the file or archive entry (size 0: to its end). False with the stream empty.
bool loadStream(int stream, std::string_view name, std::uint32_t offset = 0, std::uint32_t size = 0);
void unloadStream(int stream);
bool streamLoaded(int stream);

// loops: 1 plays once, n passes, 0 (or less) without end. startSample 0: the stream's
// restart position. Nothing happens on an empty stream.
void playStream(int stream, int loops, int fadeMs, std::int64_t startSample);
// fadeMs < 2 unloads at once; otherwise the stream fades out and stays loaded, stopped.
void stopStream(int stream, int fadeMs);
void pauseStream(int stream, bool on);
void setStreamVolume(int stream, int volume, int fadeMs);  // 0..100
void setStreamPan(int stream, int pan, int fadeMs);        // -100..100
void seekStreamTime(int stream, double seconds);
void seekStreamSample(int stream, std::int64_t sample);

// Positions of the decoder; 0 for an empty stream or a negative answer.
double streamNowTime(int stream);
double streamTotalTime(int stream);
std::int64_t streamNowSample(int stream);
std::int64_t streamTotalSample(int stream);

enum StreamStatus : int { kPlaying = 0, kPaused = 1, kStopped = 2 };
int streamStatus(int stream);

// What a saved game records of a stream.
std::string streamFileName(int stream);
int streamVolume(int stream);  // the resting volume (the start value while a fade runs)
int streamPan(int stream);
struct StreamSnapshot {
  int status = kStopped;
  std::string fileName;
  int loops = 1;           // passes still to play, the present one included; 0 without end
  int volume = 100;        // the fade's target while a volume fade runs
  int pan = 0;
  std::int64_t sample = 0; // the sample being heard
};
StreamSnapshot streamSnapshot(int stream);

// Gain = group on x master on x master volume x group volume / 100 (0..100), applied to the
// buffer at once.
void setStreamGroupVolume(int stream, int volume);
void setStreamGroupOn(int stream, int on);
void refreshStreamGain(int stream);
int streamGain(int stream);

// Tests of the unloading deadline only: every fill first sleeps this long; the count of
// fills that began such a sleep tells a test that one is under way.
void setWorkerFillDelayForTests(int ms);
int delayedFillsStartedForTests();
int liveWorkerCount();  // workers started and not yet ended, late ones included

}  // namespace sound
