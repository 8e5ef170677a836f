// What one loaded stream shares with its worker thread, and the worker itself: it decodes
// half a buffer at a time when the mixer reports a half played, follows the loop points and
// steps the volume and pan fades. Private to sound/.
//
// One load makes one StreamCore: the encoded file, the decoder, the mixer buffer, the loop
// state and the fades. The main thread and the worker both hold its lock while they decode,
// seek, tell or change a fade, so the decoder (which is not thread-safe) is never used from
// two threads at once and a fade is never half-updated; single fields are atomics so that
// status reads need no lock. A worker that misses its deadline at unloading keeps the
// StreamCore alive through its own reference and frees it when it finally ends.
#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "sound/mixer.h"
#include "sound/ogg_source.h"

namespace sound {

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
  // The decoder reached the end of its last pass but the buffer still plays what came
  // before: the stream counts as playing until the silence after it is heard.
  std::atomic<bool> tailPlaying{false};

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

// Buffer volume in hundredths of a decibel from the group gain (0..100) and a stream volume
// (0..100); pan (-100..100) likewise.
std::int32_t volumeToDb(int gain, float volume);
std::int32_t panToDb(float pan);
void applyVolume(StreamCore& c, float volume);

// The values the fades have reached now (the resting values when none runs).
float currentVolume(const StreamCore& c);
float currentPan(const StreamCore& c);

// Lock held: the decoder's position, and the sample at the buffer's play position.
std::int64_t decoderSample(StreamCore& c);
std::int64_t heardSample(StreamCore& c);
// Lock held: the buffer plays silence (or nothing) at its play position.
bool silenceHeard(StreamCore& c);

// The worker of generation `generation`: runs while c.running holds that number.
void workerMain(std::shared_ptr<StreamCore> keep, std::uint32_t generation);
void countWorkerStart();

}  // namespace sound
