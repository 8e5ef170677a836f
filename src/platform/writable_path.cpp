#include "platform/writable_path.h"

#include <unistd.h>

#include <cstdlib>
#include <string>

#include "platform/options.h"
#include "platform/paths.h"

namespace platform {
namespace fs = std::filesystem;
namespace {

struct WritableFolder {
  bool decided = false;
  bool perUser = false;
  fs::path base;  // the per-user folder, when perUser
};

WritableFolder folder;

fs::path gameFolder() {
  std::error_code ec;
  fs::path dir = options().gameDir.empty() ? fs::current_path(ec) : options().gameDir;
  fs::path canonical = fs::weakly_canonical(dir, ec);
  return ec ? dir : canonical;
}

fs::path dataHome() {
  // The XDG rule: an unset, empty or relative XDG_DATA_HOME is ignored.
  const char* xdg = std::getenv("XDG_DATA_HOME");
  if (xdg && *xdg == '/') return xdg;
  const char* home = std::getenv("HOME");
  return fs::path(home && *home ? home : "/tmp") / ".local" / "share";
}

void decide() {
  if (folder.decided) return;
  folder.decided = true;
  // access() asks the kernel, so a read-only mount (EROFS), a folder of another user and
  // missing permission bits all count; the working folder is the game folder.
  folder.perUser = ::access(".", W_OK | X_OK) != 0;
  if (folder.perUser) folder.base = perUserFolder();
}

bool leavesTheGameFolder(const fs::path& p) {
  if (p.is_absolute()) return true;
  for (const fs::path& part : p)
    if (part == "..") return true;
  return false;
}

}  // namespace

fs::path perUserFolder() {
  fs::path name = gameFolder().filename();
  if (name.empty() || name == "/") name = "game";
  return dataHome() / "utsushi" / name;
}

fs::path writableGamePath(std::string_view relative) {
  decide();
  fs::path wanted(toDiskText(relative));
  if (!folder.perUser || relative.empty() || leavesTheGameFolder(wanted))
    return resolvePathForWrite(relative).value_or(wanted);
  fs::path target = folder.base / wanted.relative_path();
  std::error_code ec;
  fs::create_directories(target.parent_path(), ec);  // a failure shows when the file is written
  return target;
}

}  // namespace platform
