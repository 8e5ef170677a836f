// The sound settings: the engine settings the settings file sets before the first sound
// loads, and the four volume groups (master, BGM, SE, SysSE) that the group commands and
// the settings file read and write. Main thread only.
#pragma once

namespace sound {

struct SoundSettings {
  // Hardware buffers do not exist here: 1 makes the first load report that it falls back to
  // software, after which the setting is 0 for good.
  int hardwareSound = 0;
  int streamBufferSize = 64;  // KiB in one half of a stream's buffer
  int globalFocus = 1;        // 0: streams fall silent while the window has no input focus
};
const SoundSettings& soundSettings();
void setHardwareSound(int on);
void setStreamBufferSize(int kib);  // kept within kMinBufferKib..kMaxBufferKib
void setGlobalFocus(int on);
constexpr int kMinBufferKib = 1;
constexpr int kMaxBufferKib = 16384;

enum class VolumeGroup { Master, Bgm, Se, SysSe, None };

// Streams 0-1 BGM, 2-3 SE, 4-5 SysSE, 6-9 no group.
VolumeGroup groupOfStream(int stream);

// Volume 0..100 and the on switch (1 sounds, 0 silent). The None group is fixed at 100 / 1.
int groupVolume(VolumeGroup g);
int groupOn(VolumeGroup g);
// Store the value and bring the affected streams' gain up to date.
void setGroupVolume(VolumeGroup g, int volume);
void setGroupOn(VolumeGroup g, int on);

// Every default back (tests, a fresh start).
void resetSoundSettings();

}  // namespace sound
