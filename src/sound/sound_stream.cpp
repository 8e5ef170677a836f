// The ten streams and their workers.
//
// One load makes one StreamCore: the encoded file, the decoder, the mixer buffer, the loop
// state and the fades. The main thread and the stream's worker share it; both hold its lock
// while they decode, seek, tell or change a fade, so the decoder (which is not thread-safe)
// is never used from two threads at once and a fade is never half-updated. A worker that
// misses its 1000 ms deadline at unloading keeps its StreamCore alive through its own
// reference and frees it when it finally ends.
#include "sound/sound_stream.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "core/archive.h"
#include "core/error_report.h"
#include "platform/clock.h"
#include "platform/cp932.h"
#include "platform/paths.h"
#include "sound/mixer.h"
#include "sound/ogg_source.h"
#include "sound/sound_settings.h"

namespace sound {
namespace {

constexpr int kEventHalf0 = 0;
constexpr int kEventHalf1 = 1;
constexpr int kEventStopped = 2;
constexpr int kWorkerWakeMs = 10;       // while a fade runs
constexpr int kWorkerIdleWakeMs = 100;  // otherwise: the buffer's events wake it anyway
constexpr int kWorkerDeadlineMs = 1000;
constexpr std::size_t kFileNameLimit = 255;  // the name is kept in a 256-byte record

struct StreamCore {
  std::mutex lock;  // decoder, loop state, fades: see the file comment
  MemoryFile file;
  OggVorbis_File vf{};
  bool decoderOpen = false;
  int channels = 0;
  int rate = 0;
  std::uint32_t frameBytes = 0;
  LoopPoints loop;
  std::uint32_t halfSize = 0;
  BufferId buffer = 0;
  std::shared_ptr<NotifyEvents> events = std::make_shared<NotifyEvents>();

  std::atomic<std::uint32_t> running{0};         // generation of the worker that should go on; 0: none
  std::atomic<std::uint32_t> aliveGeneration{0};  // generation of the worker still running; 0: none
  std::atomic<int> gain{100};                     // 0..100, from the groups

  std::atomic<int> volume{100};  // 0..100; the start value while a fade runs
  std::atomic<int> volumeTarget{0};
  std::atomic<int> volumeFadeMs{0};  // 0: no fade
  std::atomic<std::uint32_t> volumeFadeStart{0};
  std::atomic<float> volumeFadeValue{0};
  std::atomic<bool> stopAfterFade{false};
  std::atomic<int> pan{0};  // -100..100
  std::atomic<int> panTarget{0};
  std::atomic<int> panFadeMs{0};
  std::atomic<std::uint32_t> panFadeStart{0};
  std::atomic<float> panFadeValue{0};

  std::atomic<bool> stopped{true};              // the worker writes silence
  std::atomic<int> loopsLeft{0};                // -1 endless, 0 last pass, n passes to go
  std::atomic<std::int64_t> pausedSample{0};    // 0: not paused

  // Which decoder sample each stretch of a half holds, so that positions and pauses follow
  // what is heard rather than the decoder, which runs up to two halves ahead.
  struct Mark {
    std::uint32_t byte;   // offset in the half
    std::int64_t sample;  // decoder sample at that byte; -1: silence
  };
  std::vector<Mark> marks[2];

  ~StreamCore() {
    if (buffer) releaseBuffer(buffer);
    if (decoderOpen) ov_clear(&vf);
  }
};

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

std::atomic<int> liveWorkers{0};
std::atomic<int> fillDelayForTests{0};

std::int32_t volumeToDb(int gain, float volume) {
  float amplitude = static_cast<float>(gain) / 10000.0f * volume;
  if (amplitude < 0.005f) return kVolumeSilent;
  return static_cast<std::int32_t>(2000.0f * std::log10(amplitude));
}

std::int32_t panToDb(float p) {
  if (p < -99.995f) return kPanLeft;
  if (p > 99.995f) return kPanRight;
  if (p < 0) return static_cast<std::int32_t>(2000.0f * std::log10((p + 100.0f) / 100.0f));
  return static_cast<std::int32_t>(-2000.0f * std::log10((100.0f - p) / 100.0f));
}

void applyVolume(StreamCore& c, float volume) { setBufferVolume(c.buffer, volumeToDb(c.gain, volume)); }

// The value a fade has reached `now`, or the resting value when none runs.
float fadeValue(int from, int to, int ms, std::uint32_t start, std::uint32_t now) {
  if (ms == 0) return static_cast<float>(from);
  std::uint32_t elapsed = now - start;
  if (elapsed > static_cast<std::uint32_t>(ms)) return static_cast<float>(to);
  return static_cast<float>(from) + static_cast<float>(elapsed) * static_cast<float>(to - from) / static_cast<float>(ms);
}

float currentVolume(const StreamCore& c) {
  return fadeValue(c.volume, c.volumeTarget, c.volumeFadeMs, c.volumeFadeStart, platform::tickMs());
}

float currentPan(const StreamCore& c) { return fadeValue(c.pan, c.panTarget, c.panFadeMs, c.panFadeStart, platform::tickMs()); }

std::int64_t decoderSample(StreamCore& c) { return c.decoderOpen ? std::max<std::int64_t>(ov_pcm_tell(&c.vf), 0) : 0; }

// The sample at the buffer's play position (lock held); the decoder's own position while
// silence plays.
std::int64_t heardSample(StreamCore& c) {
  std::uint32_t play = 0, write = 0;
  if (c.decoderOpen && bufferPositions(c.buffer, play, write)) {
    const int h = play < c.halfSize ? 0 : 1;
    const std::uint32_t at = play - static_cast<std::uint32_t>(h) * c.halfSize;
    const StreamCore::Mark* mark = nullptr;
    for (const auto& m : c.marks[h])
      if (m.byte <= at) mark = &m;
    if (mark && mark->sample >= 0) return mark->sample + (at - mark->byte) / c.frameBytes;
  }
  return decoderSample(c);
}

// Decodes into one half of the ring (lock held). Silence while stopped or paused. The end of
// the data restarts at `restart` while passes are left; a pass that reaches the loop end
// jumps to the loop start. Reads stop exactly at the loop end, so loops are sample-exact.
void fillHalf(StreamCore& c, int part, std::uint32_t generation) {
  const std::uint32_t offset = static_cast<std::uint32_t>(part) * c.halfSize;
  std::uint8_t* out = lockBuffer(c.buffer, offset, c.halfSize);
  if (!out) {
    std::uint32_t g = generation;
    c.running.compare_exchange_strong(g, 0);
    return;
  }
  if (int delay = fillDelayForTests.load()) std::this_thread::sleep_for(std::chrono::milliseconds(delay));
  std::uint32_t done = 0;
  auto& marks = c.marks[part];
  marks.clear();
  if (c.stopped || c.pausedSample != 0) marks.push_back({0, -1});
  if (!c.stopped && c.pausedSample == 0) {
    marks.push_back({0, ov_pcm_tell(&c.vf)});
    bool readSinceRestart = true;
    while (done < c.halfSize) {
      if (c.running != generation) break;  // being unloaded: no point decoding on
      std::uint32_t want = c.halfSize - done;
      const int loops = c.loopsLeft;
      if (loops != 0) {
        std::int64_t toLoopEnd = c.loop.loopEnd - ov_pcm_tell(&c.vf);
        if (toLoopEnd > 0 && toLoopEnd * c.frameBytes < want) want = static_cast<std::uint32_t>(toLoopEnd) * c.frameBytes;
      }
      int section = 0;
      long n = ov_read(&c.vf, reinterpret_cast<char*>(out + done), static_cast<int>(want), 0, 2, 1, &section);
      if (n < 0) {
        // A damaged stretch: the rest of this half is silent (not the stale sound of an
        // earlier pass) and the next fill goes on after it.
        marks.push_back({done, -1});
        break;
      }
      if (n == 0) {
        // A restart that lands at the end again (restart past the data) would spin here.
        if (loops == 0 || !readSinceRestart) {
          c.stopped = true;
          marks.push_back({done, -1});
          break;
        }
        if (loops > 0) c.loopsLeft = loops - 1;
        ov_pcm_seek(&c.vf, std::max<std::int64_t>(c.loop.restart, 0));
        marks.push_back({done, ov_pcm_tell(&c.vf)});
        readSinceRestart = false;
        continue;
      }
      readSinceRestart = true;
      done += static_cast<std::uint32_t>(n);
      const int left = c.loopsLeft;
      if (left != 0 && ov_pcm_tell(&c.vf) >= c.loop.loopEnd) {
        if (left > 0) c.loopsLeft = left - 1;
        ov_pcm_seek(&c.vf, std::max<std::int64_t>(c.loop.loopStart, 0));
        marks.push_back({done, ov_pcm_tell(&c.vf)});
      }
    }
  }
  if (done < c.halfSize) std::memset(out + done, 0, c.halfSize - done);
  unlockBuffer(c.buffer, offset, c.halfSize);
}

// One fade step of the worker (lock held); true when a fade-out that ends the stream is done.
bool stepFades(StreamCore& c) {
  const std::uint32_t now = platform::tickMs();
  bool endStream = false;
  if (int ms = c.volumeFadeMs; ms != 0) {
    if (now - c.volumeFadeStart > static_cast<std::uint32_t>(ms)) {
      c.volume = c.volumeTarget.load();
      c.volumeFadeMs = 0;
      applyVolume(c, static_cast<float>(c.volume));
      if (c.stopAfterFade) {
        c.stopAfterFade = false;
        endStream = true;
      }
    } else {
      c.volumeFadeValue = currentVolume(c);
      applyVolume(c, c.volumeFadeValue);
    }
  }
  if (int ms = c.panFadeMs; ms != 0) {
    if (now - c.panFadeStart > static_cast<std::uint32_t>(ms)) {
      c.pan = c.panTarget.load();
      c.panFadeMs = 0;
      setBufferPan(c.buffer, panToDb(static_cast<float>(c.pan)));
    } else {
      c.panFadeValue = currentPan(c);
      setBufferPan(c.buffer, panToDb(c.panFadeValue));
    }
  }
  return endStream;
}

void workerMain(std::shared_ptr<StreamCore> keep, std::uint32_t generation) {
  StreamCore& c = *keep;
  std::unique_lock<std::mutex> held(c.lock);
  resetEvents(*c.events);  // a stop signalled for the worker before this one is not ours
  fillHalf(c, 0, generation);
  bool half0Fresh = true;
  playBuffer(c.buffer, true);
  held.unlock();
  while (c.running == generation) {
    const bool fading = c.volumeFadeMs != 0 || c.panFadeMs != 0;
    int event = waitForEvent(*c.events, fading ? kWorkerWakeMs : kWorkerIdleWakeMs);
    if (c.running != generation) break;
    held.lock();
    bool end = stepFades(c);
    std::uint32_t play = 0, write = 0;
    if (!end && !bufferPositions(c.buffer, play, write)) end = true;
    if (!end) {
      if (event == kEventHalf0 && write < c.halfSize && half0Fresh) {
        fillHalf(c, 1, generation);
        half0Fresh = false;
      } else if (event == kEventHalf1 && write >= c.halfSize && !half0Fresh) {
        fillHalf(c, 0, generation);
        half0Fresh = true;
      } else if (event == kEventStopped) {
        end = true;
      }
    }
    held.unlock();
    if (end) break;
  }
  held.lock();
  const std::uint32_t now = c.running;
  // A worker whose successor already runs (it missed its deadline) leaves the buffer alone.
  if (now == generation || now == 0) {
    stopBuffer(c.buffer);
    c.stopped = true;
    std::uint32_t g = generation;
    c.running.compare_exchange_strong(g, 0);
  }
  std::uint32_t g = generation;
  c.aliveGeneration.compare_exchange_strong(g, 0);
  held.unlock();
  keep.reset();
  liveWorkers.fetch_sub(1);
}

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
  for (int waited = 0; workerAlive(s) && waited < kWorkerDeadlineMs; ++waited)
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
  liveWorkers.fetch_add(1);
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
    c.marks[0].clear();
    c.marks[1].clear();
  }
  startWorker(s);
}

SoundStream* streamAt(int index) { return index >= 0 && index < kStreamCount ? &engine.streams[index] : nullptr; }

// The bytes [offset, offset + size) of the archive entry or loose file (size 0: to its end).
bool readSoundFile(const std::string& name, std::uint32_t offset, std::uint32_t size, std::vector<std::uint8_t>& out) {
  std::ifstream in;
  std::uint64_t start = offset;
  std::uint64_t available = 0;
  if (auto entry = core::findArchiveEntry(name)) {
    in.open("arc.dat", std::ios::binary);
    start += entry->offset;
    available = entry->size > offset ? entry->size - offset : 0;
  } else {
    auto disk = platform::resolvePath(name);
    std::error_code ec;
    if (!disk || !std::filesystem::is_regular_file(*disk, ec)) return false;
    in.open(*disk, std::ios::binary);
    auto fileSize = std::filesystem::file_size(*disk, ec);
    if (ec) return false;
    available = fileSize > offset ? fileSize - offset : 0;
  }
  if (!in) return false;
  std::uint64_t count = size == 0 ? available : std::min<std::uint64_t>(size, available);
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
  if (!openMixer(kMixRate, why)) {
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
  for (int waited = 0; liveWorkers > 0 && waited < 5000; ++waited) std::this_thread::sleep_for(std::chrono::milliseconds(1));
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
  if (fadeMs < 2 || c.stopped || c.pausedSample != 0) {
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
  if (fadeMs < 2 || c.stopped || c.pausedSample != 0) {
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
  if (c.stopped || c.pausedSample != 0) {
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
  if (c.stopped || c.pausedSample != 0) {
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
  if (s->core->pausedSample != 0) return kPaused;
  return s->core->stopped ? kStopped : kPlaying;
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
  out.status = c.pausedSample != 0 ? kPaused : c.stopped ? kStopped : kPlaying;
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

void setWorkerFillDelayForTests(int ms) { fillDelayForTests = ms; }

}  // namespace sound
