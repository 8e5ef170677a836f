// The command tables of the text subsystem.
#pragma once
#include <span>

#include "core/command_registry.h"

namespace text {

std::span<const core::CommandEntry> readingModeCommands();  // skipmode automode ismode ispage effect flags
std::span<const core::CommandEntry> waitCommands();         // wait waittimer sleep resettimer gettimer eventwait
std::span<const core::CommandEntry> messageWindowCommands();  // setwindow .. getwindowvisible, textclear, br
std::span<const core::CommandEntry> textLineCommands();       // addtext settext gettext cleartext loadtext savetext
std::span<const core::CommandEntry> backlogCommands();        // gettag getlog gettaglog getlogcount setlog
std::span<const core::CommandEntry> backlogSpriteCommands();  // logsp
std::span<const core::CommandEntry> alreadyReadCommands();    // setalreadyread getalreadyread
std::span<const core::CommandEntry> fontCommands();           // setfontfile .. getfontliststr
std::span<const core::CommandEntry> textSpriteCommands();     // ssp, ssp.set
std::span<const core::CommandEntry> textHookCommands();       // textgosub pretextgosub

}  // namespace text
