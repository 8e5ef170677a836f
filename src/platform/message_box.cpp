#include "platform/message_box.h"

#include <SDL.h>

#include <chrono>
#include <cstdio>
#include <future>
#include <string>
#include <thread>

#include "platform/cp932.h"
#include "platform/options.h"
#include "platform/window.h"

namespace platform {
namespace {

std::vector<std::string>* diverted = nullptr;
void (*modalRepaint)() = nullptr;

// How often the window's picture is put back while a box is up: the box's own connection
// to the display hides its events from this thread, so exposes are not seen one by one.
constexpr auto kModalRepaintPeriod = std::chrono::milliseconds(100);

void writeStderrLine(std::string_view caption, std::string_view text) {
  std::string line = cp932ToUtf8(caption) + ": " + cp932ToUtf8(text);
  for (char& c : line)
    if (c == '\n' || c == '\r') c = ' ';
  line += '\n';
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fflush(stderr);
}

// SDL's box blocks its caller until answered. Shown from a thread of its own, it leaves
// this one free to keep the game window's last frame on screen instead of a black or torn
// window behind it. Nothing else runs meanwhile: the box is modal, and input that reached
// the game window while it was up is dropped afterwards.
int runModalBox(const SDL_MessageBoxData& data, int& answer) {
  // Only the window's own thread may draw into it.
  if (!onWindowThread() || !modalRepaint) return SDL_ShowMessageBox(&data, &answer);
  std::promise<int> shown;
  std::future<int> result = shown.get_future();
  std::thread box([&data, &answer, &shown] { shown.set_value(SDL_ShowMessageBox(&data, &answer)); });
  do {
    modalRepaint();
  } while (result.wait_for(kModalRepaintPeriod) != std::future_status::ready);
  box.join();
  forgetInputWhileModal();
  return result.get();
}

}  // namespace

void setModalRepaint(void (*repaint)()) { modalRepaint = repaint; }

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
  const SDL_MessageBoxButtonData ok{SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT,
                                    0, "OK"};
  const SDL_MessageBoxData data{flags, nullptr, c.c_str(), t.c_str(), 1, &ok, nullptr};
  int answer = 0;
  runModalBox(data, answer);
}

bool askYesNo(std::string_view caption, std::string_view text) {
  if (options().noDialogs) {
    writeStderrLine(caption, text);
    return !options().answerNo;
  }
  std::string c = cp932ToUtf8(caption);
  std::string t = cp932ToUtf8(text);
  const SDL_MessageBoxButtonData buttons[] = {
      {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, 1, "はい"},
      {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, 0, "いいえ"},
  };
  SDL_MessageBoxData data{SDL_MESSAGEBOX_INFORMATION, mainSdlWindow(), c.c_str(), t.c_str(), 2, buttons, nullptr};
  int answer = 0;
  if (runModalBox(data, answer) != 0) return true;
  return answer == 1;
}

}  // namespace platform
