// The sound device: one SDL audio device at 44100 Hz, 16-bit stereo, whose callback mixes
// "buffers" that behave as streaming sound buffers do on Windows: a ring of bytes in the
// source's own format (16-bit PCM, any rate and channel count), played looped or once,
// with play and write positions, position notifications, volume in hundredths of a
// decibel and pan. The streams above fill the ring half by half on their own threads.
//
// Threads: every function may be called from any thread; the audio callback runs on SDL's
// audio thread under the mixer's lock. Nothing outside sound/ sees SDL.
#pragma once
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string>

namespace sound {

constexpr int kMixRate = 44100;
constexpr std::int32_t kVolumeSilent = -10000;  // hundredths of a decibel
constexpr std::int32_t kPanLeft = -10000;
constexpr std::int32_t kPanRight = 10000;

// Auto-reset events a buffer signals: index i for notification i, and one for "stopped".
// A waiter takes the lowest signalled event and resets only that one.
struct NotifyEvents {
  std::mutex lock;
  std::condition_variable wake;
  unsigned pending = 0;  // bit i: event i signalled
  bool poke = false;     // wakes a waiter without an event (a thread being asked to end)
};
constexpr int kWaitTimedOut = -1;
void signalEvent(NotifyEvents& events, int index);
void pokeEvents(NotifyEvents& events);
void resetEvents(NotifyEvents& events);
// The lowest signalled event (reset), or kWaitTimedOut after `timeoutMs` or a poke.
int waitForEvent(NotifyEvents& events, int timeoutMs);

struct BufferDesc {
  int channels = 2;
  int rate = kMixRate;
  std::uint32_t bytes = 0;  // the whole ring; even and a multiple of the frame size
  bool hardware = false;    // there are no hardware buffers here: creation fails
  bool globalFocus = true;  // false: silent while the application has no input focus
};

using BufferId = std::uint32_t;  // 0: none

// Opens the device at `rate` (the callback mixes at that rate, stereo, 16-bit). False with
// `why` when SDL has no audio device to give.
bool openMixer(int rate, std::string& why);
// Stops the callback and releases every buffer still present.
void closeMixer();
bool mixerOpen();

BufferId createBuffer(const BufferDesc& desc, std::string& why);
void releaseBuffer(BufferId id);
std::size_t liveBufferCount();  // buffers created and not yet released (run statistics)

// Event i of `events` is signalled when playback reaches offsets[i] (when the byte at that
// offset is taken for mixing), event offsets.size() when the buffer stops.
void setNotifications(BufferId id, std::span<const std::uint32_t> offsets, std::shared_ptr<NotifyEvents> events);

bool playBuffer(BufferId id, bool looping);
void stopBuffer(BufferId id);
bool bufferPlaying(BufferId id);
// Moving the position also forgets what was written: the mixer waits for fresh data.
void setBufferPosition(BufferId id, std::uint32_t offset);
// The byte being played and the first byte that may be written; false for an unknown buffer.
bool bufferPositions(BufferId id, std::uint32_t& play, std::uint32_t& write);
void setBufferVolume(BufferId id, std::int32_t hundredthsDb);  // kVolumeSilent..0
void setBufferPan(BufferId id, std::int32_t hundredthsDb);     // kPanLeft..kPanRight

// The ring bytes [offset, offset + bytes) for writing; null when out of range or unknown.
// Unlocking marks the halves the range touches as written: a buffer that reaches a half
// nobody wrote since it last played there holds its position (silence) until it is written,
// so a late writer makes a gap rather than replaying stale sound.
std::uint8_t* lockBuffer(BufferId id, std::uint32_t offset, std::uint32_t bytes);
void unlockBuffer(BufferId id, std::uint32_t offset, std::uint32_t bytes);

// Lockstep: a buffer that reaches an unwritten half makes the callback wait (up to five
// seconds) for its writer instead of holding in silence. For output faster than real time
// (SDL's disk driver in tests and benchmarks), where the writers would otherwise always be
// late.
void setMixerLockstep(bool on);
// Lockstep waits that gave up, each leaving a gap in the output: 0 while the output is
// contiguous.
std::uint64_t lockstepGaps();

// Frames the callback has mixed since the device opened: the output timeline for tests.
std::uint64_t mixedFrames();

// Volume and pan in hundredths of a decibel to linear channel gains.
void channelGains(std::int32_t volume, std::int32_t pan, float& left, float& right);

}  // namespace sound
