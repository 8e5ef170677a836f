#include "saves/save_restore.h"

#include "graphics/sprites.h"
#include "platform/buttons.h"
#include "sound/sound_stream.h"

namespace saves {

void resetForLoad() {
  text::resetTextForLoad();
  core::resetScriptForLoad();
  platform::clearButtons();
  for (int i = 0; i < sound::kStreamCount; ++i) sound::unloadStream(i);
  for (int n = 0; n < graphics::kSpriteSlots; ++n) graphics::clearSpriteSlot(n);
}

void restoreState(const SaveData& data, bool soundsFromSample) {
  graphics::restoreSprites(data.sprites);
  text::restoreText(data.text);
  core::restoreScript(data.script);
  sound::restoreStreams(data.sounds, soundsFromSample);
}

}  // namespace saves
