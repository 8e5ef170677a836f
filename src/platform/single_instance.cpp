#include "platform/single_instance.h"

#include <SDL.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <string>

#include "platform/window.h"

namespace platform {
namespace {

int listener = -1;

sockaddr_un addressFor(const std::filesystem::path& gameDir, socklen_t& length) {
  std::error_code ec;
  std::filesystem::path canonical = std::filesystem::weakly_canonical(gameDir, ec);
  std::string name = "utsushi-" + std::to_string(std::hash<std::string>{}(canonical.string()));
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  // A leading NUL makes the name abstract: no file in the file system, gone with the process.
  std::memcpy(addr.sun_path + 1, name.data(), std::min(name.size(), sizeof addr.sun_path - 2));
  length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + name.size());
  return addr;
}

}  // namespace

bool claimGameFolder(const std::filesystem::path& gameDir) {
  socklen_t length = 0;
  sockaddr_un addr = addressFor(gameDir, length);
  int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return true;  // no sockets: run anyway rather than refuse the reader
  if (bind(fd, reinterpret_cast<sockaddr*>(&addr), length) == 0 && listen(fd, 4) == 0) {
    listener = fd;
    return true;
  }
  close(fd);
  // The running instance may be busy in a long script step and not accept for a while:
  // once its backlog is full a blocking connect would hang this start. A full backlog
  // still means the folder is held, so this start ends as when the request got through.
  int client = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (client < 0) return true;
  bool held = false;
  if (connect(client, reinterpret_cast<sockaddr*>(&addr), length) == 0) {
    held = true;
    // MSG_NOSIGNAL: a first run that hangs up meanwhile must not kill this one with SIGPIPE.
    (void)!send(client, "raise\n", 6, MSG_NOSIGNAL);
  } else {
    held = errno == EAGAIN || errno == EWOULDBLOCK;
  }
  close(client);
  return !held;
}

void serveInstanceRequests() {
  if (listener < 0) return;
  for (;;) {
    int c = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    if (c < 0) return;
    close(c);
    if (SDL_Window* w = mainSdlWindow()) {
      SDL_RestoreWindow(w);
      SDL_RaiseWindow(w);
    }
  }
}

void releaseGameFolder() {
  if (listener >= 0) close(listener);
  listener = -1;
}

}  // namespace platform
