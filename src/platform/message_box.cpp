#include "platform/message_box.h"

#include <SDL.h>

#include <cstdio>
#include <string>

#include "platform/cp932.h"
#include "platform/options.h"
#include "platform/window.h"

namespace platform {
namespace {

std::vector<std::string>* diverted = nullptr;

void writeStderrLine(std::string_view caption, std::string_view text) {
  std::string line = cp932ToUtf8(caption) + ": " + cp932ToUtf8(text);
  for (char& c : line)
    if (c == '\n' || c == '\r') c = ' ';
  line += '\n';
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fflush(stderr);
}

}  // namespace

void divertMessageBoxes(std::vector<std::string>* texts) { diverted = texts; }

void showMessageBox(std::string_view caption, std::string_view text, BoxIcon icon) {
  if (diverted) {
    diverted->emplace_back(text);
    return;
  }
  if (options().noDialogs) {
    writeStderrLine(caption, text);
    return;
  }
  Uint32 flags = icon == BoxIcon::Error     ? SDL_MESSAGEBOX_ERROR
                 : icon == BoxIcon::Warning ? SDL_MESSAGEBOX_WARNING
                                            : SDL_MESSAGEBOX_INFORMATION;
  // The terminal keeps a record of every box: an author reading it afterwards sees what
  // the boxes said, one line each, as under --no-dialogs.
  writeStderrLine(caption, text);
  std::string c = cp932ToUtf8(caption);
  std::string t = cp932ToUtf8(text);
  // No owner window: the box stays usable even while the main window is being torn down.
  SDL_ShowSimpleMessageBox(flags, c.c_str(), t.c_str(), nullptr);
}

bool askYesNo(std::string_view caption, std::string_view text) {
  if (options().noDialogs) {
    writeStderrLine(caption, text);
    return true;
  }
  std::string c = cp932ToUtf8(caption);
  std::string t = cp932ToUtf8(text);
  const SDL_MessageBoxButtonData buttons[] = {
      {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, 1, "はい"},
      {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, 0, "いいえ"},
  };
  SDL_MessageBoxData data{SDL_MESSAGEBOX_INFORMATION, mainSdlWindow(), c.c_str(), t.c_str(), 2, buttons, nullptr};
  int answer = 0;
  if (SDL_ShowMessageBox(&data, &answer) != 0) return true;
  return answer == 1;
}

}  // namespace platform
