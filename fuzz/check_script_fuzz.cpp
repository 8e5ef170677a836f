// A script file through the whole checker (load, label scan with its restarts, statement
// walk, inline commands, encoding and line checks): it may report anything, never crash.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/command_tables.h"
#include "check/script_check.h"
#include "platform/options.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static bool init = [] {
    platform::EngineOptions o;
    o.noDialogs = true;
    platform::setOptions(o);
    app::registerCommands();
    std::filesystem::path game = std::filesystem::temp_directory_path() / ("utsushi-check-fuzz-" + std::to_string(getpid()));
    std::filesystem::create_directories(game / "script");
    std::filesystem::current_path(game);
    return true;
  }();
  (void)init;
  {
    std::ofstream out("script/0.txt", std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  for (const check::Finding& f : check::checkGame())
    if (check::formatFinding(f).empty()) __builtin_trap();
  return 0;
}
