#include "app/command_tables.h"

#include "core/core_commands.h"
#include "graphics/sprite_commands.h"
#include "image/screenshot.h"
#include "input/input_commands.h"
#include "movie/movie_commands.h"
#include "rollback/rollback.h"
#include "saves/save_commands.h"
#include "sound/sound_commands.h"
#include "text/text_commands.h"

namespace app {

std::vector<std::span<const core::CommandEntry>> allCommandTables() {
  return {
      core::interpreterCommands(),
      core::errorCommands(),
      core::assignmentCommands(),
      core::controlFlowCommands(),
      text::textHookCommands(),
      core::stringCommands(),
      text::readingModeCommands(),
      text::waitCommands(),
      graphics::spriteCommands(),
      graphics::spriteLoadCommands(),
      graphics::animationCommands(),
      graphics::quakeCommands(),
      graphics::printCommands(),
      graphics::buttonCommands(),
      text::textSpriteCommands(),
      image::screenshotCommands(),
      input::inputCommands(),
      input::displayCommands(),
      sound::soundCommands(),
      text::fontCommands(),
      text::messageWindowCommands(), text::textLineCommands(), text::backlogCommands(), text::backlogSpriteCommands(),
      text::alreadyReadCommands(),
      movie::movieCommands(),
      saves::saveCommands(),
      rollback::rollbackCommands(),
  };
}

void registerCommands() {
  core::clearCommands();
  for (auto table : allCommandTables()) core::addCommands(table);
}

}  // namespace app
