// The mixer behind the sound buffers: SDL's audio callback pulls every playing buffer
// through its ring, converts what is not already 44100 Hz stereo with SDL_AudioStream,
// applies volume and pan and sums into the device's 16-bit output.
#include "sound/mixer.h"

#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <bit>
#include <cassert>
#include <chrono>
#include <cmath>
#include <cstring>
#include <map>
#include <vector>

#include "core/internal_limits.h"

namespace sound {
namespace {

struct MixBuffer {
  int channels = 2;
  int frameBytes = 4;
  std::vector<std::uint8_t> ring;
  std::uint32_t half = 0;
  std::uint32_t cursor = 0;  // next byte to take for mixing
  bool tookSincePositioned = false;
  bool playing = false;
  bool looping = false;
  bool released = false;
  bool written[2] = {};  // the half holds data written since playback last left it
  bool globalFocus = true;
  std::int32_t volume = 0;
  std::int32_t pan = 0;
  std::vector<std::uint32_t> notifyOffsets;
  std::shared_ptr<NotifyEvents> events;
  SDL_AudioStream* convert = nullptr;  // null: the ring is already in the device format

  ~MixBuffer() {
    if (convert) SDL_FreeAudioStream(convert);
  }
  std::uint32_t size() const { return static_cast<std::uint32_t>(ring.size()); }
};

struct Mixer {
  std::mutex lock;                     // held by the callback while it mixes
  std::condition_variable dataArrived;  // lockstep waits
  SDL_AudioDeviceID device = 0;
  int rate = kMixRate;
  bool lockstep = false;
  bool closing = false;
  bool initedAudio = false;
  BufferId nextId = 1;
  std::map<BufferId, std::shared_ptr<MixBuffer>> buffers;
  std::vector<std::shared_ptr<MixBuffer>> playingNow;  // the callback's working list
  std::vector<float> sum;
  std::vector<float> converted;
  std::atomic<std::uint64_t> mixed{0};
  std::atomic<std::uint64_t> lockstepGaps{0};
  std::atomic<bool> focused{true};
};

// Lockstep output has no real-time duty, so it waits as long as a busy machine may keep a
// writer from running; the limit only ends a wait for a writer that is gone.
constexpr auto kLockstepPatience = std::chrono::seconds(5);

// Never destroyed: a stream thread that missed its deadline may still call in at exit.
Mixer& mixer = *new Mixer;

std::shared_ptr<MixBuffer> find(BufferId id) {
  auto it = mixer.buffers.find(id);
  return it == mixer.buffers.end() ? nullptr : it->second;
}

void signalStopped(MixBuffer& b) {
  if (b.events) signalEvent(*b.events, static_cast<int>(b.notifyOffsets.size()));
}

// Takes up to `maxBytes` (whole frames) at the cursor for mixing and advances it; 0 when
// the buffer stopped or holds at an unwritten half. Chunks never cross a half, the ring's
// end or a notification offset, so each notification fires as its byte is taken.
std::uint32_t takeChunk(std::unique_lock<std::mutex>& held, MixBuffer& b, std::uint32_t maxBytes, std::uint32_t& from) {
  auto halfIndex = [&b] { return b.cursor < b.half ? 0 : 1; };
  auto ready = [&] { return mixer.closing || b.released || !b.playing || b.written[halfIndex()]; };
  if (!ready()) {
    if (!mixer.lockstep) return 0;
    if (!mixer.dataArrived.wait_for(held, kLockstepPatience, ready)) {
      mixer.lockstepGaps.fetch_add(1, std::memory_order_relaxed);
      return 0;
    }
  }
  if (mixer.closing || b.released || !b.playing || !b.written[halfIndex()]) return 0;

  std::uint32_t end = b.cursor < b.half ? b.half : b.size();
  for (std::size_t i = 0; i < b.notifyOffsets.size(); ++i) {
    std::uint32_t o = b.notifyOffsets[i];
    if (o == b.cursor && b.events) signalEvent(*b.events, static_cast<int>(i));
    if (o > b.cursor && o < end) end = o;
  }
  std::uint32_t n = std::min(end - b.cursor, maxBytes - maxBytes % static_cast<std::uint32_t>(b.frameBytes));
  assert(b.cursor + n <= b.ring.size() &&
         "a chunk ends at the half, the ring's end or a notification: the mix reads it whole from the ring");
  from = b.cursor;
  b.cursor += n;
  b.tookSincePositioned = true;
  if (b.cursor == b.half) b.written[0] = false;
  if (b.cursor >= b.size()) {
    b.written[1] = false;
    b.cursor = 0;
    if (!b.looping) {
      b.playing = false;
      signalStopped(b);
    }
  }
  return n;
}

void mixOne(std::unique_lock<std::mutex>& held, MixBuffer& b, float* sum, int frames) {
  float left = 0, right = 0;
  channelGains(b.volume, b.pan, left, right);
  if (!b.globalFocus && !mixer.focused.load(std::memory_order_relaxed)) left = right = 0;
  if (!b.convert) {
    int done = 0;
    while (done < frames) {
      std::uint32_t from = 0;
      std::uint32_t n = takeChunk(held, b, static_cast<std::uint32_t>(frames - done) * 4, from);
      if (n == 0) break;
      std::int16_t s[2];
      for (std::uint32_t k = 0; k < n / 4; ++k, ++done) {
        std::memcpy(s, b.ring.data() + from + k * 4, 4);
        sum[done * 2] += s[0] * left;
        sum[done * 2 + 1] += s[1] * right;
      }
    }
    return;
  }
  const int need = frames * 2 * static_cast<int>(sizeof(float));
  while (SDL_AudioStreamAvailable(b.convert) < need) {
    std::uint32_t from = 0;
    std::uint32_t n = takeChunk(held, b, core::kMixerConvertChunk, from);
    if (n == 0) break;
    SDL_AudioStreamPut(b.convert, b.ring.data() + from, static_cast<int>(n));
  }
  mixer.converted.resize(static_cast<std::size_t>(frames) * 2);
  int got = SDL_AudioStreamGet(b.convert, mixer.converted.data(), need);
  int gotFrames = got > 0 ? got / static_cast<int>(2 * sizeof(float)) : 0;
  // The converter's floats are scaled to -1..1; the sum is in 16-bit units.
  left *= 32768.0f;
  right *= 32768.0f;
  for (int k = 0; k < gotFrames; ++k) {
    sum[k * 2] += mixer.converted[k * 2] * left;
    sum[k * 2 + 1] += mixer.converted[k * 2 + 1] * right;
  }
}

void SDLCALL audioCallback(void*, Uint8* out, int len) {
  const int frames = len / 4;
  std::unique_lock<std::mutex> held(mixer.lock);
  mixer.sum.assign(static_cast<std::size_t>(frames) * 2, 0.0f);
  mixer.playingNow.clear();
  for (auto& [id, b] : mixer.buffers)
    if (b->playing) mixer.playingNow.push_back(b);
  // The list holds references: a buffer released during a lockstep wait stays valid here.
  for (auto& b : mixer.playingNow) mixOne(held, *b, mixer.sum.data(), frames);
  mixer.playingNow.clear();
  auto* dst = reinterpret_cast<std::int16_t*>(out);
  for (int i = 0; i < frames * 2; ++i) {
    float v = std::clamp(mixer.sum[i], -32768.0f, 32767.0f);
    dst[i] = static_cast<std::int16_t>(std::lrintf(v));
  }
  mixer.mixed.fetch_add(static_cast<std::uint64_t>(frames), std::memory_order_relaxed);
}

int SDLCALL watchFocus(void*, SDL_Event* e) {
  if (e->type == SDL_WINDOWEVENT) {
    if (e->window.event == SDL_WINDOWEVENT_FOCUS_GAINED) mixer.focused = true;
    if (e->window.event == SDL_WINDOWEVENT_FOCUS_LOST) mixer.focused = false;
  }
  return 1;
}

}  // namespace

void signalEvent(NotifyEvents& events, int index) {
  {
    std::lock_guard<std::mutex> g(events.lock);
    events.pending |= 1u << index;
  }
  events.wake.notify_all();
}

void pokeEvents(NotifyEvents& events) {
  {
    std::lock_guard<std::mutex> g(events.lock);
    events.poke = true;
  }
  events.wake.notify_all();
}

void resetEvents(NotifyEvents& events) {
  std::lock_guard<std::mutex> g(events.lock);
  events.pending = 0;
  events.poke = false;
}

int waitForEvent(NotifyEvents& events, int timeoutMs) {
  std::unique_lock<std::mutex> g(events.lock);
  events.wake.wait_for(g, std::chrono::milliseconds(timeoutMs), [&] { return events.pending != 0 || events.poke; });
  events.poke = false;
  if (events.pending == 0) return kWaitTimedOut;
  int index = std::countr_zero(events.pending);
  events.pending &= ~(1u << index);
  return index;
}

bool openMixer(int rate, std::string& why) {
  if (mixer.device) return true;
  if (!SDL_WasInit(SDL_INIT_AUDIO)) {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
      why = SDL_GetError();
      return false;
    }
    mixer.initedAudio = true;
  }
  SDL_AudioSpec want{};
  SDL_AudioSpec have{};
  want.freq = rate;
  want.format = AUDIO_S16SYS;
  want.channels = 2;
  want.samples = static_cast<Uint16>(core::kMixerDeviceFrames);
  want.callback = audioCallback;
  SDL_AudioDeviceID dev = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
  if (dev == 0) {
    why = SDL_GetError();
    if (mixer.initedAudio) SDL_QuitSubSystem(SDL_INIT_AUDIO);
    mixer.initedAudio = false;
    return false;
  }
  {
    std::lock_guard<std::mutex> g(mixer.lock);
    mixer.device = dev;
    mixer.rate = rate;
    mixer.closing = false;
    mixer.focused = true;
    mixer.mixed = 0;
  }
  SDL_AddEventWatch(watchFocus, nullptr);
  SDL_PauseAudioDevice(dev, 0);
  return true;
}

void closeMixer() {
  SDL_AudioDeviceID dev;
  {
    std::lock_guard<std::mutex> g(mixer.lock);
    dev = mixer.device;
    mixer.closing = true;
  }
  mixer.dataArrived.notify_all();
  if (dev == 0) return;
  SDL_DelEventWatch(watchFocus, nullptr);
  SDL_CloseAudioDevice(dev);
  std::map<BufferId, std::shared_ptr<MixBuffer>> left;
  {
    std::lock_guard<std::mutex> g(mixer.lock);
    for (auto& [id, b] : mixer.buffers) b->released = true;
    left.swap(mixer.buffers);
    mixer.device = 0;
  }
  if (mixer.initedAudio) SDL_QuitSubSystem(SDL_INIT_AUDIO);
  mixer.initedAudio = false;
}

bool mixerOpen() {
  std::lock_guard<std::mutex> g(mixer.lock);
  return mixer.device != 0;
}

BufferId createBuffer(const BufferDesc& desc, std::string& why) {
  if (desc.hardware) {
    why = "no hardware sound buffers";
    return 0;
  }
  const int frameBytes = desc.channels * 2;
  if (desc.channels < 1 || desc.rate < 1 || desc.bytes == 0 || desc.bytes % (2u * frameBytes) != 0) {
    why = "bad buffer format";
    return 0;
  }
  auto b = std::make_shared<MixBuffer>();
  b->channels = desc.channels;
  b->frameBytes = frameBytes;
  b->ring.assign(desc.bytes, 0);
  b->half = desc.bytes / 2;
  b->globalFocus = desc.globalFocus;
  std::lock_guard<std::mutex> g(mixer.lock);
  if (!mixer.device) {
    why = "the sound device is not open";
    return 0;
  }
  if (desc.channels != 2 || desc.rate != mixer.rate) {
    b->convert = SDL_NewAudioStream(AUDIO_S16SYS, static_cast<Uint8>(desc.channels), desc.rate, AUDIO_F32SYS, 2,
                                    mixer.rate);
    if (!b->convert) {
      why = SDL_GetError();
      return 0;
    }
  }
  BufferId id = mixer.nextId++;
  mixer.buffers[id] = std::move(b);
  return id;
}

std::size_t liveBufferCount() {
  std::lock_guard<std::mutex> g(mixer.lock);
  return mixer.buffers.size();
}

void releaseBuffer(BufferId id) {
  std::shared_ptr<MixBuffer> gone;
  {
    std::lock_guard<std::mutex> g(mixer.lock);
    auto it = mixer.buffers.find(id);
    if (it == mixer.buffers.end()) return;
    gone = std::move(it->second);
    gone->released = true;
    gone->playing = false;
    mixer.buffers.erase(it);
  }
  mixer.dataArrived.notify_all();
}

void setNotifications(BufferId id, std::span<const std::uint32_t> offsets, std::shared_ptr<NotifyEvents> events) {
  std::lock_guard<std::mutex> g(mixer.lock);
  if (auto b = find(id)) {
    b->notifyOffsets.assign(offsets.begin(), offsets.end());
    b->events = std::move(events);
  }
}

bool playBuffer(BufferId id, bool looping) {
  std::lock_guard<std::mutex> g(mixer.lock);
  auto b = find(id);
  if (!b) return false;
  b->playing = true;
  b->looping = looping;
  return true;
}

void stopBuffer(BufferId id) {
  {
    std::lock_guard<std::mutex> g(mixer.lock);
    auto b = find(id);
    if (!b || !b->playing) return;
    b->playing = false;
    signalStopped(*b);
  }
  mixer.dataArrived.notify_all();
}

bool bufferPlaying(BufferId id) {
  std::lock_guard<std::mutex> g(mixer.lock);
  auto b = find(id);
  return b && b->playing;
}

void setBufferPosition(BufferId id, std::uint32_t offset) {
  {
    std::lock_guard<std::mutex> g(mixer.lock);
    auto b = find(id);
    if (!b) return;
    offset -= offset % static_cast<std::uint32_t>(b->frameBytes);
    b->cursor = offset < b->size() ? offset : 0;
    b->tookSincePositioned = false;
    b->written[0] = b->written[1] = false;
    if (b->convert) SDL_AudioStreamClear(b->convert);
  }
  mixer.dataArrived.notify_all();
}

bool bufferPositions(BufferId id, std::uint32_t& play, std::uint32_t& write) {
  std::lock_guard<std::mutex> g(mixer.lock);
  auto b = find(id);
  if (!b) return false;
  // The frame last taken is the one "being played"; everything before it may be rewritten.
  play = b->tookSincePositioned ? (b->cursor + b->size() - static_cast<std::uint32_t>(b->frameBytes)) % b->size()
                                : b->cursor;
  write = play;
  return true;
}

void setBufferVolume(BufferId id, std::int32_t hundredthsDb) {
  std::lock_guard<std::mutex> g(mixer.lock);
  if (auto b = find(id)) b->volume = std::clamp(hundredthsDb, kVolumeSilent, 0);
}

void setBufferPan(BufferId id, std::int32_t hundredthsDb) {
  std::lock_guard<std::mutex> g(mixer.lock);
  if (auto b = find(id)) b->pan = std::clamp(hundredthsDb, kPanLeft, kPanRight);
}

std::uint8_t* lockBuffer(BufferId id, std::uint32_t offset, std::uint32_t bytes) {
  std::lock_guard<std::mutex> g(mixer.lock);
  auto b = find(id);
  if (!b || offset > b->size() || bytes > b->size() - offset) return nullptr;
  // The ring lives as long as the buffer; its owner releases it only after its writer ended.
  return b->ring.data() + offset;
}

void unlockBuffer(BufferId id, std::uint32_t offset, std::uint32_t bytes) {
  {
    std::lock_guard<std::mutex> g(mixer.lock);
    auto b = find(id);
    if (!b || bytes == 0) return;
    if (offset < b->half) b->written[0] = true;
    if (offset + bytes > b->half) b->written[1] = true;
  }
  mixer.dataArrived.notify_all();
}

void setMixerLockstep(bool on) {
  {
    std::lock_guard<std::mutex> g(mixer.lock);
    mixer.lockstep = on;
  }
  mixer.dataArrived.notify_all();
}

std::uint64_t mixedFrames() { return mixer.mixed.load(std::memory_order_relaxed); }

std::uint64_t lockstepGaps() { return mixer.lockstepGaps.load(std::memory_order_relaxed); }

void channelGains(std::int32_t volume, std::int32_t pan, float& left, float& right) {
  float a = volume <= kVolumeSilent ? 0.0f : std::pow(10.0f, static_cast<float>(volume) / 2000.0f);
  left = right = a;
  // Pan attenuates the far side only, as the buffers it stands in for did.
  if (pan > 0) left *= pan >= kPanRight ? 0.0f : std::pow(10.0f, -static_cast<float>(pan) / 2000.0f);
  if (pan < 0) right *= pan <= kPanLeft ? 0.0f : std::pow(10.0f, static_cast<float>(pan) / 2000.0f);
}

}  // namespace sound
