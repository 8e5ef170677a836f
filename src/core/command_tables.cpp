#include "core/command_tables.h"

#include "graphics/sprite_commands.h"
#include "platform/platform_commands.h"
#include "saves/save_commands.h"
#include "text/text_commands.h"

namespace core {

std::vector<std::span<const CommandEntry>> allCommandTables() {
  return {
      interpreterCommands(),
      errorCommands(),
      assignmentCommands(),
      controlFlowCommands(),
      stringCommands(),
      text::readingModeCommands(),
      text::waitCommands(),
      graphics::spriteCommands(),
      graphics::spriteLoadCommands(),
      graphics::animationCommands(),
      graphics::quakeCommands(),
      graphics::printCommands(),
      graphics::buttonCommands(),
      graphics::textSpriteCommands(),
      image::screenshotCommands(),
      platform::inputCommands(),
      platform::displayCommands(),
      soundCommands(),
      fontCommands(),
      text::messageWindowCommands(), text::textLineCommands(), text::backlogCommands(), text::backlogSpriteCommands(),
      text::alreadyReadCommands(),
      saves::saveCommands(),
  };
}

}  // namespace core
