// The command line of the engine: what authors and tests use to drive it.
#pragma once
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace platform {

struct EngineOptions {
  bool noDialogs = false;      // message boxes become one stderr line each
  bool virtualClock = false;
  bool videoNone = false;      // no window, no drawing
  bool audioNone = false;      // SDL's dummy audio driver
  std::string inputFile;       // timed input events, empty for none
  std::optional<std::uint32_t> exitAfterMs;
  bool answerNo = false;       // with noDialogs: questions answer no (long runs that must not quit)
  std::string statsFile;       // run statistics once a second, empty for none (see app/run_stats.h)
  std::filesystem::path gameDir;
  bool check = false;          // --check: report the script's problems instead of running it
  bool listCommands = false;   // --list-commands (for the reference generator): print the command table
};

enum class ParseResult { Run, Help, Version, Error };

// Parses argv into `out`; on Error, `why` holds the reason. GAME_DIR is left empty when not
// given; chooseGameDir applies the default rule.
ParseResult parseCommandLine(const std::vector<std::string>& args, EngineOptions& out, std::string& why);

// The program's own folder when it holds script/0.txt or script.sbx, else the current folder.
std::filesystem::path chooseGameDir(const std::filesystem::path& programFolder);

// The game folder a GAME_DIR argument names: a folder as it is; the game's script.sbx (what a
// file manager passes when the reader opens one) or script/0.txt names the folder holding it.
std::filesystem::path gameFolderOf(const std::filesystem::path& given);

std::string usageText();

// The options of this run, set once by main().
const EngineOptions& options();
void setOptions(const EngineOptions& o);

}  // namespace platform
