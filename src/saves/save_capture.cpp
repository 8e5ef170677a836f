#include "saves/save_capture.h"

namespace saves {

SaveData captureState() {
  SaveData data;
  data.sprites = graphics::captureSprites();
  data.sounds = sound::captureStreams();
  data.text = text::captureText();
  std::optional<core::ScriptPosition> blockStart;
  if (const std::optional<text::BlockStart> block = text::blockInProgress())
    blockStart = core::ScriptPosition{block->fileKey, block->line};
  data.script = core::captureScript(blockStart);
  return data;
}

}  // namespace saves
