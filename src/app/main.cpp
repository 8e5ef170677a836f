// utsushi [options] [GAME_DIR]: runs a game folder.
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "app/command_list.h"
#include "app/command_tables.h"
#include "app/startup.h"
#include "check/check_main.h"
#include "core/script_sources.h"
#include "platform/options.h"

namespace {

std::filesystem::path programFolder() {
  std::error_code ec;
  auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::filesystem::path() : self.parent_path();
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  platform::EngineOptions opts;
  std::string why;
  switch (platform::parseCommandLine(args, opts, why)) {
    case platform::ParseResult::Help:
      std::fputs(platform::usageText().c_str(), stdout);
      return 0;
    case platform::ParseResult::Version:
      std::printf("utsushi %s\n", UTSUSHI_VERSION);
      return 0;
    case platform::ParseResult::Error:
      std::fprintf(stderr, "utsushi: %s\n\n%s", why.c_str(), platform::usageText().c_str());
      return 2;
    case platform::ParseResult::Run: break;
  }
  if (opts.listCommands) return app::listCommands();
  const bool gameDirNamed = !opts.gameDir.empty();
  opts.gameDir = gameDirNamed ? platform::gameFolderOf(opts.gameDir) : platform::chooseGameDir(programFolder());
  std::error_code ec;
  if (!std::filesystem::is_directory(opts.gameDir, ec)) {
    if (std::filesystem::exists(opts.gameDir, ec))
      std::fprintf(stderr, "utsushi: %s is not a game folder (name the folder, its script.sbx or its script/0.txt)\n",
                   opts.gameDir.string().c_str());
    else
      std::fprintf(stderr, "utsushi: the game folder %s does not exist\n", opts.gameDir.string().c_str());
    return opts.check ? 2 : 1;
  }
  opts.gameDir = std::filesystem::absolute(opts.gameDir, ec);
  // Paths given on the command line are relative to where the engine was started.
  if (!opts.inputFile.empty()) opts.inputFile = std::filesystem::absolute(opts.inputFile, ec).string();
  // Every relative path of the game (script, pictures, saves) is read from its folder.
  std::filesystem::current_path(opts.gameDir, ec);
  if (ec) {
    std::fprintf(stderr, "utsushi: cannot enter the game folder %s: %s\n", opts.gameDir.string().c_str(),
                 ec.message().c_str());
    return 1;
  }
  platform::setOptions(opts);
  if (opts.check) {
    app::registerCommands();
    return check::runCheck();
  }
  if (!core::holdsGame()) {
    // Without GAME_DIR the program's folder was looked in first (it held no script either).
    std::vector<std::filesystem::path> searched{opts.gameDir};
    if (std::filesystem::path own = programFolder(); !gameDirNamed && !own.empty() && own != opts.gameDir)
      searched.insert(searched.begin(), own);
    return app::reportNoGame(searched);
  }
  if (opts.audioNone) setenv("SDL_AUDIODRIVER", "dummy", 1);
  return app::runEngine();
}
