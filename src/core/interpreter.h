// The interpreter: two script slots, the cursor, and the loop that runs statement after
// statement on the main thread. Commands move it through the fields below; the loop serves
// their requests after each statement.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>
#include <utility>
#include <vector>

#include "core/labels.h"
#include "core/script_sources.h"
#include "platform/window.h"

namespace core {

struct ScriptSlot {
  ScriptLines lines;
  // Statement boundaries of each line, cut once: splitting lowercases the line in place, so
  // cutting it again gives the same pieces.
  std::vector<std::vector<std::pair<std::uint16_t, std::uint16_t>>> cuts;
  std::vector<std::uint8_t> cutValid;
  std::uint32_t fileKey = 0;
  bool hasFile = false;
};

enum FileSwitch : int { kSwitchNone = 0, kSwitchToMain = 1, kSwitchToLoadedSecondary = 2, kSwitchLoadSecondary = 4 };

// Command names and argument texts are copied into buffers of 32 and 128 bytes.
constexpr std::size_t kCommandNameLimit = 31;
constexpr std::size_t kArgumentLimit = 127;

struct InterpreterState {
  ScriptSlot slots[2];
  int currentSlot = 0;
  std::uint32_t mainKey = 0;
  std::uint32_t secondaryKey = 0;  // the file slot 1 holds or is asked to load
  std::string secondaryFileName;   // its name in messages

  int line = 0;            // current line index, re-read after every statement
  int statement = 0;       // statement index within the line
  int statementCount = 0;
  bool jump = false;       // a command moved the cursor: keep `statement` on the next line

  bool replace = false;    // run `replacement` as the current statement next
  std::string replacement;

  bool loopSkip = false;   // passing over a loop body up to its matching next
  int loopNesting = 0;

  int fileSwitch = kSwitchNone;
  bool quitRequested = false;

  std::unordered_set<std::uint32_t> definedCommands;  // pathKey of defsub names
  std::string parameterText;                          // arguments of the last defined-command call

  ReadStateMap* readState = nullptr;  // of the file now running
  platform::WindowMessage message;

  std::uint64_t statementsRun = 0;  // every statement begun: a frame is due once any ran
};

InterpreterState& interpreter();

// Puts the interpreter in its start state (slot 0 loaded by the caller).
void resetInterpreter();

// Loads the main script into slot 0 and prepares the loop; false when it cannot be read.
bool loadMainScript();

// Runs until the script ends or a quit is requested.
void runScript();

// A statement that is neither a command nor a label is message text, and text is not core's
// to show: text registers the handler that shows it (and keeps the text-block bookkeeping in
// a record of its own), and the loop does what the outcome asks of the cursor.
struct TextOutcome {
  bool quit = false;                // the program must quit
  bool lineRunsAgain = false;       // the cursor steps back a line, so this line runs again
                                    // when the hook below returns
  const char* hookLabel = nullptr;  // a script hook to call next: "*pretext_lb", "*text_lb"
};
using TextStatementHandler = TextOutcome (*)(const std::string& line);
void setTextStatementHandler(TextStatementHandler handler);

// The busy hook keeps the window answering while statements run without a wait: the loop
// calls it once ~16 ms of engine time have passed since the last rest of a wait (under the
// virtual clock, once kBusyStatements statements have run, so runs stay repeatable). It
// returns false when the program must quit.
constexpr std::uint64_t kBusyStatements = 4096;
void setBusyHook(bool (*hook)());
// A wait rested (slept, drew) at `tick`: the statements after it start a new busy stretch.
void noteWaitRest(std::uint32_t tick);

// The position after the current statement: (line - 1, statement + 1) when more statements
// follow on this line, else (line, 0); the loop increments the line before it continues.
std::pair<int, int> positionAfterStatement();

// Moves the cursor so that the loop continues at (line + 1, statement).
void jumpTo(int line, int statement);

// Asks the loop to continue in the file with this key after the statement.
void requestFileSwitch(std::uint32_t fileKey);

// Jumps to a label anywhere in the script; false when the label does not exist.
bool jumpToLabel(std::string_view labelText);

// Makes `text` the next statement to run (if/elseif/else); `text` may point into the
// current replacement.
void setReplacement(std::string_view text);

// The file key of the file now running.
std::uint32_t runningFileKey();

}  // namespace core
