// The ten streams: loading, the operations the commands and saved games call, unloading
// with its deadline, and the group gains. Main thread; the workers are in stream_worker.cpp.
#include "sound/sound_stream.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "core/archive.h"
#include "core/error_report.h"
#include "core/internal_limits.h"
#include "core/resource_limits.h"
#include "platform/clock.h"
#include "platform/cp932.h"
#include "sound/mixer.h"
#include "sound/ogg_source.h"
#include "sound/sound_settings.h"
#include "sound/stream_worker.h"

namespace sound {
namespace {

constexpr int kWorkerDeadlineMs = 1000;
constexpr std::size_t kFileNameLimit = 255;  // the name is kept in a 256-byte record

struct SoundStream {
  std::shared_ptr<StreamCore> core;  // null: empty
  std::thread worker;
  std::uint32_t workerGeneration = 0;
  int groupVolume = 100;
  int groupOn = 1;
  int gain = 100;
  std::string fileName;
};

struct Engine {
  std::array<SoundStream, kStreamCount> streams;
  std::uint32_t nextGeneration = 1;
} engine;

bool workerAlive(const SoundStream& s) {
  return s.core && s.workerGeneration != 0 && s.core->aliveGeneration == s.workerGeneration;
}

// Asks the worker to end and waits for it, polling every millisecond; after 1000 ms it is
// left to end on its own (it holds its StreamCore) and the author is told.
void endWorker(SoundStream& s) {
  if (!s.worker.joinable()) return;
  StreamCore& c = *s.core;
  c.running = 0;
  c.stopped = true;
  pokeEvents(*c.events);
  // Counted on the clock, not in polls: on a busy machine a 1 ms sleep can take many times
  // that, and the deadline must not stretch with it.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWorkerDeadlineMs);
  while (workerAlive(s) && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  if (workerAlive(s)) {
    s.worker.detach();
    core::showErrorBox(platform::jp("スレッドが正常に終了出来ませんでした"));
  } else {
    s.worker.join();
  }
  s.workerGeneration = 0;
}

void startWorker(SoundStream& s) {
  std::uint32_t generation = engine.nextGeneration++;
  if (generation == 0) generation = engine.nextGeneration++;
  s.core->running = generation;
  s.core->aliveGeneration = generation;
  s.workerGeneration = generation;
  countWorkerStart();
  s.worker = std::thread(workerMain, s.core, generation);
}

// Thread restart: the old worker ends, the buffer starts over from its first byte at the
// decoder position (moved to `seekTo` when given) and a new worker plays.
void restartAt(SoundStream& s, std::optional<std::int64_t> seekSample, std::optional<double> seekSeconds = {}) {
  StreamCore& c = *s.core;
  stopBuffer(c.buffer);  // first, so that the old sound ends with the call
  endWorker(s);
  setBufferPosition(c.buffer, 0);
  {
    std::lock_guard<std::mutex> g(c.lock);
    if (seekSample) ov_pcm_seek(&c.vf, std::max<std::int64_t>(*seekSample, 0));
    if (seekSeconds) ov_time_seek(&c.vf, std::max(*seekSeconds, 0.0));
    c.pausedSample = 0;
    c.stopped = false;
    c.tailPlaying = false;
    c.marks[0].clear();
    c.marks[1].clear();
  }
  startWorker(s);
}

// Stopped (the tail of a finished pass still playing does not count) or paused.
bool silent(const StreamCore& c) { return (c.stopped && !c.tailPlaying) || c.pausedSample != 0; }

SoundStream* streamAt(int index) { return index >= 0 && index < kStreamCount ? &engine.streams[index] : nullptr; }

// The bytes [offset, offset + size) of the archive entry or loose file (size 0: to its end).
bool readSoundFile(const std::string& name, std::uint32_t offset, std::uint32_t size, std::vector<std::uint8_t>& out) {
  const std::optional<core::ResourceSpan> span = core::locateResource(name);
  if (!span) return false;
  std::ifstream in(span->file, std::ios::binary);
  if (!in) return false;
  const std::uint64_t start = span->offset + offset;
  const std::uint64_t available = span->size > offset ? span->size - offset : 0;
  std::uint64_t count = size == 0 ? available : std::min<std::uint64_t>(size, available);
  // The whole file is held in memory; a size no sound file has is refused, not attempted.
  if (count > core::kLargestSoundFileBytes) {
    core::reportCommandError(core::tooLargeMessage(name, core::kLargestSoundFileBytes));
    return false;
  }
  out.resize(static_cast<std::size_t>(count));
  in.seekg(static_cast<std::streamoff>(start), std::ios::beg);
  return count == 0 || static_cast<bool>(in.read(reinterpret_cast<char*>(out.data()), static_cast<std::streamsize>(count)));
}

// Creates the ring, in hardware when the setting asks for it; there is none here, so that
// request reports once and the setting turns itself off.
BufferId createStreamBuffer(const StreamCore& c) {
  BufferDesc desc;
  desc.channels = c.channels;
  desc.rate = c.rate;
  desc.bytes = c.halfSize * 2;
  desc.globalFocus = soundSettings().globalFocus != 0;
  desc.hardware = soundSettings().hardwareSound != 0;
  std::string why;
  BufferId id = createBuffer(desc, why);
  if (id == 0 && desc.hardware) {
    core::showErrorBox(platform::jp("DirectSoundBuffer を HardWare で作成出来ませんでした\nSoftWare で作成します"));
    setHardwareSound(0);
    desc.hardware = false;
    id = createBuffer(desc, why);
  }
  return id;
}

}  // namespace

bool startSound() {
  std::string why;
  bool opened = openMixer(kMixRate, why);
  if (!opened && !std::getenv("SDL_AUDIODRIVER")) {
    // A desktop without a sound device still plays the game, silently: the mixer runs on
    // SDL's dummy driver. A driver the user chose explicitly is not second-guessed.
    std::fprintf(stderr, "utsushi: no sound device (%s); the game plays without sound\n", why.c_str());
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    opened = openMixer(kMixRate, why);
  }
  if (!opened) {
    core::showErrorBox(platform::jp("DirectSound の初期化に失敗しました"));
    return false;
  }
  for (int i = 0; i < kStreamCount; ++i) {
    engine.streams[i].fileName.clear();
    refreshStreamGain(i);
  }
  return true;
}

void applyGroupVolumes() {
  for (int i = 0; i < kStreamCount; ++i) {
    VolumeGroup g = groupOfStream(i);
    engine.streams[i].groupVolume = groupVolume(g);
    engine.streams[i].groupOn = groupOn(g);
    refreshStreamGain(i);
  }
}

void stopSound() {
  for (int i = 0; i < kStreamCount; ++i) unloadStream(i);
  // A worker that missed its deadline still owns its buffer: give it time to end before the
  // device goes away.
  const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (liveWorkerCount() > 0 && std::chrono::steady_clock::now() < giveUp)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  closeMixer();
}

bool loadStream(int index, std::string_view name, std::uint32_t offset, std::uint32_t size) {
  SoundStream* s = streamAt(index);
  if (!s) return false;
  s->fileName.assign(name.substr(0, kFileNameLimit));
  unloadStream(index);
  const std::string normalised = core::normalizeResourceName(name);

  auto c = std::make_shared<StreamCore>();
  if (!readSoundFile(normalised, offset, size, c->file.bytes)) return false;
  std::string why;
  if (!openMemoryDecoder(c->vf, c->file, why)) return false;
  c->decoderOpen = true;
  vorbis_info* info = ov_info(&c->vf, -1);
  c->channels = info->channels;
  c->rate = static_cast<int>(info->rate);
  c->frameBytes = static_cast<std::uint32_t>(c->channels) * 2;

  c->loop = {0, 0, std::max<std::int64_t>(ov_pcm_total(&c->vf, -1), 0)};
  auto comments = userComments(c->vf);
  LoopComment lc = parseLoopComment(comments, c->rate);
  if (lc.kind == LoopCommentKind::Valid) c->loop = lc.points;
  if (lc.kind == LoopCommentKind::BadCount)
    core::showErrorBox(s->fileName + platform::jp(": 再生情報の引数の数が不正です"));

  // Halves hold whole frames, so no frame is split between the two fills.
  std::uint32_t half = static_cast<std::uint32_t>(soundSettings().streamBufferSize) * 1024;
  if (core::kStreamHalfCap > 0) half = std::min(half, core::kStreamHalfCap);
  c->halfSize = std::max(half - half % c->frameBytes, c->frameBytes);
  c->buffer = createStreamBuffer(*c);
  if (c->buffer == 0) return false;
  const std::uint32_t offsets[] = {0, c->halfSize};
  setNotifications(c->buffer, offsets, c->events);

  c->gain = s->gain;
  c->volume = 100;
  // The group's gain applies from the start: a muted group stays muted for a new sound.
  applyVolume(*c, 100.0f);
  setBufferPan(c->buffer, 0);
  s->core = std::move(c);
  startWorker(*s);
  return true;
}

void unloadStream(int index) {
  SoundStream* s = streamAt(index);
  if (!s || !s->core) return;
  // No lock here: a worker stuck in a fill holds it, and unloading must still end within
  // its deadline.
  s->core->pausedSample = 0;
  s->core->volumeFadeMs = 0;
  s->core->panFadeMs = 0;
  s->core->stopped = true;
  endWorker(*s);
  stopBuffer(s->core->buffer);
  s->core.reset();
}

bool streamLoaded(int index) {
  SoundStream* s = streamAt(index);
  return s && s->core;
}

void playStream(int index, int loops, int fadeMs, std::int64_t startSample) {
  SoundStream* s = streamAt(index);
  if (!s || !s->core) return;
  StreamCore& c = *s->core;
  std::int64_t start = 0;
  {
    std::lock_guard<std::mutex> g(c.lock);
    c.loopsLeft = loops <= 0 ? -1 : loops - 1;
    if (fadeMs < 2) {
      c.volumeFadeMs = 0;
      c.stopAfterFade = false;
      applyVolume(c, static_cast<float>(c.volume));
    } else {
      int target = c.volumeFadeMs != 0 && !c.stopAfterFade ? c.volumeTarget.load() : c.volume.load();
      c.volume = 0;
      c.volumeTarget = target;
      c.volumeFadeStart = platform::tickMs();
      c.stopAfterFade = false;
      setBufferVolume(c.buffer, kVolumeSilent);
      c.volumeFadeMs = fadeMs;
      pokeEvents(*c.events);  // the worker steps fades; it may be in its idle wait
    }
    start = startSample != 0 ? startSample : c.loop.restart;
  }
  if (c.pausedSample != 0) {
    pauseStream(index, false);
    return;
  }
  // A playing stream asked for its restart position 0 carries on where it is; a stopped one
  // starts over at once (from the beginning when the data ran out or a fade-out ended it).
  if (start == 0 && workerAlive(*s) && !c.stopped) return;
  restartAt(*s, start);
}

void stopStream(int index, int fadeMs) {
  SoundStream* s = streamAt(index);
  if (!s || !s->core) return;
  StreamCore& c = *s->core;
  if (fadeMs < 2) {
    setBufferVolume(c.buffer, kVolumeSilent);
    unloadStream(index);
    return;
  }
  std::lock_guard<std::mutex> g(c.lock);
  if (!workerAlive(*s)) {
    // Paused, or already faded out: nothing is heard, so it is stopped at once.
    c.pausedSample = 0;
    c.stopped = true;
    return;
  }
  c.volume = static_cast<int>(currentVolume(c));
  c.volumeTarget = 0;
  c.volumeFadeStart = platform::tickMs();
  c.stopAfterFade = true;
  c.volumeFadeMs = fadeMs;
  pokeEvents(*c.events);
}

void pauseStream(int index, bool on) {
  SoundStream* s = streamAt(index);
  if (!s || !s->core) return;
  StreamCore& c = *s->core;
  if (on) {
    {
      std::lock_guard<std::mutex> g(c.lock);
      if (c.pausedSample != 0) return;
      c.stopped = true;
      c.tailPlaying = false;
      std::int64_t at = heardSample(c);
      c.pausedSample = at <= 0 ? 1 : at;
    }
    stopBuffer(c.buffer);  // the worker ends on the stop event
    return;
  }
  std::int64_t at = c.pausedSample;
  if (at == 0) return;
  restartAt(*s, at);
}

void setStreamVolume(int index, int volume, int fadeMs) {
  SoundStream* s = streamAt(index);
  if (!s || !s->core) return;
  StreamCore& c = *s->core;
  std::lock_guard<std::mutex> g(c.lock);
  const bool fading = c.volumeFadeMs != 0;
  if (volume == c.volume && !fading) return;
  if (fadeMs < 2 || silent(c)) {
    c.volumeFadeMs = 0;
    c.stopAfterFade = false;
    c.volume = volume;
    applyVolume(c, static_cast<float>(volume));
    return;
  }
  if (fading) c.volume = static_cast<int>(currentVolume(c));
  c.volumeTarget = volume;
  c.volumeFadeStart = platform::tickMs();
  c.stopAfterFade = false;
  c.volumeFadeMs = fadeMs;
  pokeEvents(*c.events);
}

void setStreamPan(int index, int pan, int fadeMs) {
  SoundStream* s = streamAt(index);
  if (!s || !s->core) return;
  StreamCore& c = *s->core;
  std::lock_guard<std::mutex> g(c.lock);
  const bool fading = c.panFadeMs != 0;
  if (pan == c.pan && !fading) return;
  if (fadeMs < 2 || silent(c)) {
    c.panFadeMs = 0;
    c.pan = pan;
    setBufferPan(c.buffer, panToDb(static_cast<float>(pan)));
    return;
  }
  if (fading) c.pan = static_cast<int>(currentPan(c));
  c.panTarget = pan;
  c.panFadeStart = platform::tickMs();
  c.panFadeMs = fadeMs;
  pokeEvents(*c.events);
}

void seekStreamTime(int index, double seconds) {
  SoundStream* s = streamAt(index);
  if (!s || !s->core) return;
  StreamCore& c = *s->core;
  if (silent(c)) {
    double sample = std::clamp(seconds * c.rate, 0.0, 9.0e18);
    c.pausedSample = static_cast<std::int64_t>(sample);
    return;
  }
  restartAt(*s, std::nullopt, seconds);
}

void seekStreamSample(int index, std::int64_t sample) {
  SoundStream* s = streamAt(index);
  if (!s || !s->core) return;
  StreamCore& c = *s->core;
  if (silent(c)) {
    c.pausedSample = std::max<std::int64_t>(sample, 0);
    return;
  }
  restartAt(*s, sample);
}

double streamNowTime(int index) {
  SoundStream* s = streamAt(index);
  if (!s || !s->core) return 0;
  std::lock_guard<std::mutex> g(s->core->lock);
  return static_cast<double>(heardSample(*s->core)) / s->core->rate;
}

double streamTotalTime(int index) {
  SoundStream* s = streamAt(index);
  if (!s || !s->core) return 0;
  std::lock_guard<std::mutex> g(s->core->lock);
  return std::max(ov_time_total(&s->core->vf, -1), 0.0);
}

std::int64_t streamNowSample(int index) {
  SoundStream* s = streamAt(index);
  if (!s || !s->core) return 0;
  std::lock_guard<std::mutex> g(s->core->lock);
  return heardSample(*s->core);
}

std::int64_t streamTotalSample(int index) {
  SoundStream* s = streamAt(index);
  if (!s || !s->core) return 0;
  std::lock_guard<std::mutex> g(s->core->lock);
  return std::max<std::int64_t>(ov_pcm_total(&s->core->vf, -1), 0);
}

int streamStatus(int index) {
  SoundStream* s = streamAt(index);
  if (!s || !s->core) return kStopped;
  StreamCore& c = *s->core;
  if (c.pausedSample != 0) return kPaused;
  if (!c.stopped) return kPlaying;
  if (c.tailPlaying) {
    std::lock_guard<std::mutex> g(c.lock);
    if (!silenceHeard(c)) return kPlaying;
    c.tailPlaying = false;
  }
  return kStopped;
}

std::string streamFileName(int index) {
  SoundStream* s = streamAt(index);
  return s ? s->fileName : std::string();
}

int streamVolume(int index) {
  SoundStream* s = streamAt(index);
  return s && s->core ? s->core->volume.load() : 100;
}

int streamPan(int index) {
  SoundStream* s = streamAt(index);
  return s && s->core ? s->core->pan.load() : 0;
}

StreamSnapshot streamSnapshot(int index) {
  StreamSnapshot out;
  SoundStream* s = streamAt(index);
  if (!s) return out;
  out.fileName = s->fileName;
  if (!s->core) return out;
  StreamCore& c = *s->core;
  std::lock_guard<std::mutex> g(c.lock);
  out.status = c.pausedSample != 0 ? kPaused : !c.stopped || (c.tailPlaying && !silenceHeard(c)) ? kPlaying : kStopped;
  const int left = c.loopsLeft;
  out.loops = left < 0 ? 0 : left + 1;
  out.volume = c.volumeFadeMs != 0 ? c.volumeTarget.load() : c.volume.load();
  out.pan = c.pan;
  out.sample = c.pausedSample != 0 ? c.pausedSample.load() : heardSample(c);
  return out;
}

void setStreamGroupVolume(int index, int volume) {
  if (SoundStream* s = streamAt(index)) {
    s->groupVolume = volume;
    refreshStreamGain(index);
  }
}

void setStreamGroupOn(int index, int on) {
  if (SoundStream* s = streamAt(index)) {
    s->groupOn = on;
    refreshStreamGain(index);
  }
}

void refreshStreamGain(int index) {
  SoundStream* s = streamAt(index);
  if (!s) return;
  s->gain = s->groupOn * groupOn(VolumeGroup::Master) * groupVolume(VolumeGroup::Master) * s->groupVolume / 100;
  if (!s->core) return;
  std::lock_guard<std::mutex> g(s->core->lock);
  s->core->gain = s->gain;
  applyVolume(*s->core, currentVolume(*s->core));
}

int streamGain(int index) {
  SoundStream* s = streamAt(index);
  return s ? s->gain : 0;
}

}  // namespace sound
