#include "sound/stream_worker.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <thread>

#include "platform/clock.h"
#include "sound/sound_stream.h"

namespace sound {
namespace {

constexpr int kEventHalf0 = 0;
constexpr int kEventHalf1 = 1;
constexpr int kEventStopped = 2;
constexpr int kWorkerWakeMs = 10;       // while a fade runs
constexpr int kWorkerIdleWakeMs = 100;  // otherwise: the buffer's events wake it anyway

std::atomic<int> liveWorkers{0};
std::atomic<int> fillDelayForTests{0};
std::atomic<int> delayedFillsStarted{0};

// The value a fade has reached `now`, or the resting value when none runs.
float fadeValue(int from, int to, int ms, std::uint32_t start, std::uint32_t now) {
  if (ms == 0) return static_cast<float>(from);
  std::uint32_t elapsed = now - start;
  if (elapsed > static_cast<std::uint32_t>(ms)) return static_cast<float>(to);
  return static_cast<float>(from) + static_cast<float>(elapsed) * static_cast<float>(to - from) / static_cast<float>(ms);
}

}  // namespace

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

float currentVolume(const StreamCore& c) {
  return fadeValue(c.volume, c.volumeTarget, c.volumeFadeMs, c.volumeFadeStart, platform::tickMs());
}

float currentPan(const StreamCore& c) { return fadeValue(c.pan, c.panTarget, c.panFadeMs, c.panFadeStart, platform::tickMs()); }

std::int64_t decoderSample(StreamCore& c) { return c.decoderOpen ? std::max<std::int64_t>(ov_pcm_tell(&c.vf), 0) : 0; }

// The sample at the buffer's play position (lock held); the decoder's own position while
// silence plays.
bool silenceHeard(StreamCore& c) {
  std::uint32_t play = 0, write = 0;
  if (!bufferPlaying(c.buffer) || !bufferPositions(c.buffer, play, write)) return true;
  const int h = play < c.halfSize ? 0 : 1;
  const std::uint32_t at = play - static_cast<std::uint32_t>(h) * c.halfSize;
  const StreamCore::Mark* mark = nullptr;
  for (const auto& m : c.marks[h])
    if (m.byte <= at) mark = &m;
  return !mark || mark->sample < 0;
}

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

namespace {

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
  if (int delay = fillDelayForTests.load()) {
    delayedFillsStarted.fetch_add(1);
    std::this_thread::sleep_for(std::chrono::milliseconds(delay));
  }
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
          c.tailPlaying = true;
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
      // The buffer first: whoever sees the resting volume may rely on hearing it.
      const int target = c.volumeTarget.load();
      applyVolume(c, static_cast<float>(target));
      c.volume = target;
      c.volumeFadeMs = 0;
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

}  // namespace

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

int liveWorkerCount() { return liveWorkers.load(); }
void countWorkerStart() { liveWorkers.fetch_add(1); }

void setWorkerFillDelayForTests(int ms) { fillDelayForTests = ms; }
int delayedFillsStartedForTests() { return delayedFillsStarted.load(); }

}  // namespace sound
