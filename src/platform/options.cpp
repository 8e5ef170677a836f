#include "platform/options.h"

#include <charconv>

#include "platform/paths.h"

namespace platform {
namespace {
EngineOptions current;
}

const EngineOptions& options() { return current; }
void setOptions(const EngineOptions& o) { current = o; }

std::string usageText() {
  return "usage: utsushi [options] [GAME_DIR]\n"
         "       utsushi --check [GAME_DIR]\n"
         "\n"
         "Runs the game in GAME_DIR (default: the program's folder when it holds a script,\n"
         "else the current folder); GAME_DIR may also be the game's script.sbx or script/0.txt.\n"
         "--check reports the script's problems without running it.\n"
         "\n"
         "  --no-dialogs       write each message box as one line to stderr; questions answer yes\n"
         "  --virtual-clock    the clock moves only when the engine sleeps (repeatable runs)\n"
         "  --video=gl|none    draw with OpenGL (default) or not at all\n"
         "  --audio=sdl|none   play sound (default) or mix into SDL's dummy driver\n"
         "  --input FILE       feed timed input events from FILE (a pipe too: --input <(...))\n"
         "  --exit-after MS    quit when the clock is MS past the start\n"
         "  --answer-no        with --no-dialogs, questions answer no\n"
         "  --stats FILE       write run statistics to FILE once a second (soak tests)\n"
         "  --help, --version\n"
         "\n"
         "The files written for the game (below save/, screenshots, Information.txt) go in\n"
         "GAME_DIR. When GAME_DIR cannot be written they go, under the same names, to\n"
         "$XDG_DATA_HOME/utsushi/<name of GAME_DIR>/ (~/.local/share/utsushi/... by default).\n";
}

ParseResult parseCommandLine(const std::vector<std::string>& args, EngineOptions& out, std::string& why) {
  bool haveDir = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto needValue = [&](std::string& value) {
      if (i + 1 >= args.size()) {
        why = a + " needs a value";
        return false;
      }
      value = args[++i];
      return true;
    };
    if (a == "--help" || a == "-h") return ParseResult::Help;
    if (a == "--version") return ParseResult::Version;
    if (a == "--check") {
      out.check = true;
    } else if (a == "--list-commands") {
      out.listCommands = true;
    } else if (a == "--no-dialogs") {
      out.noDialogs = true;
    } else if (a == "--virtual-clock") {
      out.virtualClock = true;
    } else if (a == "--video=none") {
      out.videoNone = true;
    } else if (a == "--video=gl") {
      out.videoNone = false;
    } else if (a == "--audio=none") {
      out.audioNone = true;
    } else if (a == "--audio=sdl") {
      out.audioNone = false;
    } else if (a == "--input" || a.rfind("--input=", 0) == 0) {
      if (a == "--input") {
        if (!needValue(out.inputFile)) return ParseResult::Error;
      } else {
        out.inputFile = a.substr(8);
      }
    } else if (a == "--answer-no") {
      out.answerNo = true;
    } else if (a == "--stats") {
      if (!needValue(out.statsFile)) return ParseResult::Error;
    } else if (a == "--exit-after" || a.rfind("--exit-after=", 0) == 0) {
      std::string value;
      if (a == "--exit-after") {
        if (!needValue(value)) return ParseResult::Error;
      } else {
        value = a.substr(13);
      }
      std::uint32_t ms = 0;
      auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), ms);
      if (ec != std::errc() || end != value.data() + value.size()) {
        why = "--exit-after needs a number of milliseconds, not \"" + value + "\"";
        return ParseResult::Error;
      }
      out.exitAfterMs = ms;
    } else if (!a.empty() && a[0] == '-') {
      why = "unknown option " + a;
      return ParseResult::Error;
    } else {
      if (haveDir) {
        why = "only one GAME_DIR may be given";
        return ParseResult::Error;
      }
      out.gameDir = a;
      haveDir = true;
    }
  }
  return ParseResult::Run;
}

std::filesystem::path chooseGameDir(const std::filesystem::path& programFolder) {
  std::error_code ec;
  if (!programFolder.empty() && (std::filesystem::is_regular_file(programFolder / "script" / "0.txt", ec) ||
                                 std::filesystem::is_regular_file(programFolder / "script.sbx", ec)))
    return programFolder;
  return std::filesystem::current_path(ec);
}

std::filesystem::path gameFolderOf(const std::filesystem::path& given) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(given, ec)) return given;
  std::filesystem::path file = std::filesystem::absolute(given, ec);
  if (equalsIgnoringAsciiCase(file.filename().string(), "script.sbx")) return file.parent_path();
  if (equalsIgnoringAsciiCase(file.filename().string(), "0.txt") &&
      equalsIgnoringAsciiCase(file.parent_path().filename().string(), "script"))
    return file.parent_path().parent_path();
  return given;
}

}  // namespace platform
