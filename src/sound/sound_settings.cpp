#include "sound/sound_settings.h"

#include <algorithm>

#include "sound/sound_stream.h"

namespace sound {
namespace {

struct GroupSetting {
  int volume = 100;
  int on = 1;
};

struct Settings {
  SoundSettings engine;
  GroupSetting groups[4];  // Master, Bgm, Se, SysSe
} settings;

}  // namespace

const SoundSettings& soundSettings() { return settings.engine; }
void setHardwareSound(int on) { settings.engine.hardwareSound = on != 0; }
void setStreamBufferSize(int kib) { settings.engine.streamBufferSize = std::clamp(kib, kMinBufferKib, kMaxBufferKib); }
void setGlobalFocus(int on) { settings.engine.globalFocus = on != 0; }

VolumeGroup groupOfStream(int stream) {
  switch (stream) {
    case 0: case 1: return VolumeGroup::Bgm;
    case 2: case 3: return VolumeGroup::Se;
    case 4: case 5: return VolumeGroup::SysSe;
    default: return VolumeGroup::None;
  }
}

int groupVolume(VolumeGroup g) { return g == VolumeGroup::None ? 100 : settings.groups[static_cast<int>(g)].volume; }
int groupOn(VolumeGroup g) { return g == VolumeGroup::None ? 1 : settings.groups[static_cast<int>(g)].on; }

void setGroupVolume(VolumeGroup g, int volume) {
  if (g == VolumeGroup::None) return;
  settings.groups[static_cast<int>(g)].volume = volume;
  for (int s = 0; s < kStreamCount; ++s) {
    if (g == VolumeGroup::Master) refreshStreamGain(s);
    else if (groupOfStream(s) == g) setStreamGroupVolume(s, volume);
  }
}

void setGroupOn(VolumeGroup g, int on) {
  if (g == VolumeGroup::None) return;
  settings.groups[static_cast<int>(g)].on = on != 0;
  for (int s = 0; s < kStreamCount; ++s) {
    if (g == VolumeGroup::Master) refreshStreamGain(s);
    else if (groupOfStream(s) == g) setStreamGroupOn(s, on != 0);
  }
}

void resetSoundSettings() {
  settings = Settings{};
  for (int s = 0; s < kStreamCount; ++s) {
    VolumeGroup g = groupOfStream(s);
    setStreamGroupVolume(s, groupVolume(g));
    setStreamGroupOn(s, groupOn(g));
  }
}

}  // namespace sound
