// The checker reads the script through the loader's own walk (forEachScriptFile), cuts lines
// with the reader's splitters and scans labels with the start-up scan, then walks every
// statement as the interpreter would cut it. Unlike start-up it goes on after a label error,
// so that one run lists every problem.
#include "check/script_check.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string_view>
#include <unordered_set>

#include "check/text_encoding.h"
#include "core/archive.h"
#include "core/argument_pieces.h"
#include "core/command_registry.h"
#include "core/command_support.h"
#include "core/control_flow.h"
#include "core/expression.h"
#include "core/interpreter.h"
#include "core/labels.h"
#include "core/path_key.h"
#include "core/script_sources.h"
#include "core/statements.h"
#include "platform/cp932.h"
#include "platform/message_box.h"
#include "text/inline_commands.h"

namespace check {
namespace {

using platform::cp932ToUtf8;

struct LoadedFile {
  core::ScriptFileText text;
  core::ScriptLines lines;
  std::vector<int> physical;  // stored line index -> 1-based line in the file
};

struct Checker {
  std::vector<LoadedFile> files;
  std::vector<Finding> findings;
  std::unordered_set<std::string> definedCommands;  // names given to defsub, lowercased

  // The file being walked and its walk state.
  const LoadedFile* file = nullptr;
  int line = 0;                 // 1-based line of the statement being checked
  std::vector<int> openLoops;   // lines of `for` statements still waiting for their `next`
  bool elseRan = false;         // the previous line is an `else` that runs a command
} checker;

void add(int line, std::string message) {
  checker.findings.push_back(Finding{cp932ToUtf8(checker.file->text.name), line, std::move(message)});
}

std::string inQuotes(std::string_view cp932) { return "\"" + cp932ToUtf8(cp932) + "\""; }

// The text of a literal argument: a whole quoted string, or a label written bare ("*name"),
// which the expression reader takes as text. Nothing for anything that needs evaluating.
std::optional<std::string> literalText(std::string_view piece, bool allowBareLabel) {
  piece = core::trimBlank(piece, 0, static_cast<std::ptrdiff_t>(piece.size()) - 1);
  if (piece.empty()) return std::nullopt;
  if (piece[0] == '*') {
    if (!allowBareLabel || piece.find_first_of("%$\"'(") != std::string_view::npos) return std::nullopt;
    return core::evaluateExpression(piece).text;
  }
  char quote = piece[0];
  if (quote != '"' && quote != '\'') return std::nullopt;
  for (std::size_t i = 1; i < piece.size(); ++i) {
    unsigned char b = static_cast<unsigned char>(piece[i]);
    if (core::isLeadByte(b)) {
      ++i;
      continue;
    }
    if (b == static_cast<unsigned char>(quote))
      return i + 1 == piece.size() ? std::optional<std::string>(std::string(piece.substr(1, i - 1))) : std::nullopt;
  }
  return std::nullopt;
}

void checkLabel(std::string_view command, std::string_view label) {
  if (core::findLabel(label)) return;
  add(checker.line, std::string(command) + ": no label " + inQuotes(label) + " in the script (ラベルが存在しません)");
}

bool endsWithFontExtension(std::string_view name) {
  if (name.size() < 4) return false;
  std::string ext(name.substr(name.size() - 4));
  for (char& c : ext)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return ext == ".ttf" || ext == ".otf" || ext == ".ttc";
}

// What a literal piece certainly is; nothing for anything that needs evaluating.
enum class Literal { None, Number, String };

Literal literalKind(std::string_view piece) {
  piece = core::trimBlank(piece, 0, static_cast<std::ptrdiff_t>(piece.size()) - 1);
  if (piece.empty()) return Literal::None;
  if (literalText(piece, false)) return Literal::String;
  const bool digits = std::all_of(piece.begin(), piece.end(), [](char c) { return core::isDigit(static_cast<unsigned char>(c)); });
  return digits ? Literal::Number : Literal::None;
}

std::string ordinalUtf8(std::size_t i) { return cp932ToUtf8(core::ordinalText(static_cast<int>(i) + 1)); }

// A literal of the wrong kind, or a result argument that is no variable reference: the
// interpreter would report it and skip the command. False after adding the finding.
bool checkKind(std::string_view name, const core::SignatureItem& item, std::string_view piece, std::size_t i) {
  piece = core::trimBlank(piece, 0, static_cast<std::ptrdiff_t>(piece.size()) - 1);
  if (piece.empty()) return true;  // omitted: the interpreter's message depends on the command
  const std::string where = std::string(name) + ": argument " + std::to_string(i + 1);
  switch (item.kind) {
    case core::ArgumentKind::Number:
      if (literalKind(piece) != Literal::String) return true;
      add(checker.line, where + " must be a number (" + ordinalUtf8(i) + "引数が数値ではありません)");
      return false;
    case core::ArgumentKind::NumberVariable:
      if (piece[0] == '%') return true;
      add(checker.line, where + " must be a number variable (" + ordinalUtf8(i) + "引数の数値変数が不正です)");
      return false;
    case core::ArgumentKind::StringVariable:
      if (piece[0] == '$') return true;
      add(checker.line, where + " must be a string variable (" + ordinalUtf8(i) + "引数の文字列変数が不正です)");
      return false;
    case core::ArgumentKind::Target: return true;
    default:
      if (literalKind(piece) != Literal::Number) return true;
      add(checker.line, where + " must be a string (" + ordinalUtf8(i) + "引数が文字列ではありません)");
      return false;
  }
}

// A file the command would open that is neither in the archive nor in the game folder.
void checkFile(std::string_view name, core::ArgumentKind kind, std::string_view piece, std::string_view first) {
  // print names a rule picture only for its rule transitions (types 3 and 4).
  if (name == "print" && first != "3" && first != "4") return;
  std::optional<std::string> file = literalText(piece, false);
  if (!file || file->empty()) return;
  if (kind == core::ArgumentKind::Font && !endsWithFontExtension(*file)) return;
  if (core::resourceExists(*file)) return;
  add(checker.line, std::string(name) + ": " + core::argumentKindName(kind) + " " + inQuotes(*file) +
                        " is neither in the game folder nor in arc.dat");
}

bool checkCount(std::string_view name, const core::ArgumentCounts& range, std::size_t count) {
  if (count >= range.min && count <= range.max) return true;
  std::string wanted = std::to_string(range.min);
  if (range.max == core::kNoArgumentLimit) wanted = "at least " + wanted;
  else if (range.max != range.min) wanted += (range.max == range.min + 1 ? " or " : " to ") + std::to_string(range.max);
  add(checker.line, std::string(name) + " takes " + wanted + " argument" + (range.max == 1 ? "" : "s") + ", not " +
                        std::to_string(count) + " (引数の数が不正です)");
  return false;
}

// The count, the kinds of literal arguments and the files named, all read from the command's
// signature: the same one the interpreter checks before the command runs. As there, the first
// fault of a statement is the one reported.
void checkArguments(const core::CommandEntry& entry, std::string_view name, std::string_view args) {
  const core::Signature* sig = core::entrySignature(&entry);
  if (!sig) return;
  std::vector<std::string_view> pieces;
  if (entry.reading == core::ArgumentReading::Whole) {
    pieces.push_back(args);
  } else {
    pieces = core::argumentPieces(args);
    if (!checkCount(name, {sig->min, sig->max}, pieces.size())) return;
  }
  const std::string_view first = pieces.empty() ? std::string_view() : core::trimBlank(pieces[0], 0, static_cast<std::ptrdiff_t>(pieces[0].size()) - 1);
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    const core::SignatureItem& item = sig->item(i);
    if (!checkKind(name, item, pieces[i], i)) return;
    if (core::isFileKind(item.kind)) checkFile(name, item.kind, pieces[i], first);
  }
}

void checkStatement(std::string_view stmt, int index);

// if, elseif and else put their command in the statement's place; check it as one.
void checkTail(std::string_view tail, int index) {
  if (!tail.empty() && core::isCommandStart(static_cast<unsigned char>(tail[0])))
    checkStatement(tail.substr(0, core::kPieceLimit), index);
}

void checkConditional(std::string_view name, std::string_view args, int index) {
  std::size_t close = core::conditionEnd(args);
  if (close == std::string_view::npos) {
    add(checker.line, std::string(name) + ": the condition must stand in parentheses (式が不正です)");
    return;
  }
  // A condition without variables is all literals: evaluate it as the interpreter would.
  std::string_view condition = args.substr(0, close + 1);
  if (condition.find_first_of("%$") == std::string_view::npos) {
    std::vector<std::string> reports;
    platform::divertMessageBoxes(&reports);
    core::ScriptValue v = core::evaluateExpression(condition);
    platform::divertMessageBoxes(nullptr);
    if (!v.isNumber())
      add(checker.line, std::string(name) + ": the condition " + inQuotes(condition) +
                            " does not give a number (式が不正です)");
  }
  checkTail(close + 2 <= args.size() ? args.substr(close + 2) : std::string_view(), index);
}

void checkElseForm(std::string_view name, int index) {
  if (index != 0) add(checker.line, std::string(name) + " must begin its line (行頭で使って下さい)");
  else if (checker.elseRan)
    add(checker.line, std::string(name) + " follows a line whose else has already run (前の行にif命令がありません)");
}

void checkStatement(std::string_view stmt, int index) {
  std::size_t n = 1;
  while (n < stmt.size() && core::isNameByte(static_cast<unsigned char>(stmt[n]))) ++n;
  std::string_view name = stmt.substr(0, n);
  std::string_view args = stmt.substr(n);
  if (args.size() > core::kArgumentLimit)
    add(checker.line, std::string(name) + ": the arguments are " + std::to_string(args.size()) +
                          " bytes long; the interpreter keeps only the first " +
                          std::to_string(core::kArgumentLimit));

  if (name.size() > core::kCommandNameLimit || !core::findCommand(name)) {
    if (!checker.definedCommands.count(std::string(name)))
      add(checker.line, "unknown command " + inQuotes(name) + " (未対応の命令です)");
    return;
  }
  const core::CommandEntry* entry = core::findCommandEntry(name);
  checkArguments(*entry, name, args);

  if (name == "goto" || name == "gosub" || name == "return") {
    if (std::optional<std::string> label = literalText(args, true)) checkLabel(name, *label);
  } else if (name == "textgosub" || name == "pretextgosub") {
    // These look the argument text up as it stands, without evaluating it; whatever it
    // names, the hook itself always calls its fixed label.
    checkLabel(name, core::trimBlank(args, 0, static_cast<std::ptrdiff_t>(args.size()) - 1));
    std::string_view hook = name == "textgosub" ? "*text_lb" : "*pretext_lb";
    if (!core::findLabel(hook))
      add(checker.line, std::string(name) + ": the hook calls " + inQuotes(hook) +
                            ", which the script does not define (ラベルが存在しません)");
  } else if (name == "defsub") {
    std::string_view defined = core::trimBlank(args, 0, static_cast<std::ptrdiff_t>(args.size()) - 1);
    checkLabel(name, "*" + std::string(defined));
  } else if (name == "if") {
    checkConditional(name, args, index);
  } else if (name == "elseif") {
    checkElseForm(name, index);
    checkConditional(name, args, index);
  } else if (name == "else") {
    checkElseForm(name, index);
    std::size_t first = 0;
    while (first < args.size() && !core::isCommandStart(static_cast<unsigned char>(args[first]))) ++first;
    checkTail(args.substr(first), index);
  } else if (name == "for") {
    checker.openLoops.push_back(checker.line);
  } else if (name == "next") {
    if (!checker.openLoops.empty()) checker.openLoops.pop_back();
  }
}

// Message text runs the commands written in it as "[name arguments]"; "//" ends the text.
void checkInlineCommands(std::string_view line) {
  for (std::size_t i = 0; i < line.size();) {
    unsigned char b = static_cast<unsigned char>(line[i]);
    if (core::isLeadByte(b)) {
      i += 2;
      continue;
    }
    if (b == '/' && i + 1 < line.size() && line[i + 1] == '/') return;
    if (b != '[') {
      ++i;
      continue;
    }
    text::InlineCommandText inline_ = text::parseInlineCommand(line, i);
    if (!core::findCommand(inline_.name)) {
      add(checker.line, "unknown command " + inQuotes(inline_.name) + " in the text (未対応の命令です)");
      i = inline_.nameEnd + 1;
      continue;
    }
    checkStatement(inline_.name + std::string(inline_.args), 1);
    i = inline_.next;
  }
}

// Whether a line is an `else` whose branch runs a command other than another `if`: when that
// branch has run, a following elseif or else is an error.
bool isElseThatRuns(const std::vector<std::string_view>& statements) {
  if (statements.size() != 1 || statements[0].substr(0, 4) != "else") return false;
  std::string_view rest = statements[0].substr(4);
  if (!rest.empty() && core::isNameByte(static_cast<unsigned char>(rest[0]))) return false;  // elseif
  std::size_t first = 0;
  while (first < rest.size() && !core::isCommandStart(static_cast<unsigned char>(rest[first]))) ++first;
  rest = rest.substr(first);
  return !rest.empty() && !(rest.substr(0, 2) == "if" && (rest.size() == 2 || !core::isNameByte(static_cast<unsigned char>(rest[2]))));
}

void walkStatements(const LoadedFile& f) {
  checker.file = &f;
  checker.openLoops.clear();
  checker.elseRan = false;
  std::vector<std::string_view> statements;
  for (std::size_t i = 0; i < f.lines.size(); ++i) {
    if (f.lines[i].empty()) continue;
    std::string text = f.lines[i];  // splitting lowercases in place, as the interpreter's copy
    core::splitStatements(text, ':', statements);
    checker.line = f.physical[i];
    bool textChecked = false;
    for (std::size_t k = 0; k < statements.size(); ++k) {
      std::string_view stmt = statements[k];
      unsigned char first = stmt.empty() ? 0 : static_cast<unsigned char>(stmt[0]);
      if (core::isCommandStart(first)) {
        checkStatement(stmt, static_cast<int>(k));
      } else if (first != 0 && first != '*' && !textChecked) {
        // A text statement shows the whole line.
        checkInlineCommands(f.lines[i]);
        textChecked = true;
      }
    }
    checker.elseRan = isElseThatRuns(statements);
  }
  for (int line : checker.openLoops) add(line, "for without a matching next");
}

void collectDefinedCommands(const LoadedFile& f) {
  std::vector<std::string_view> statements;
  for (const std::string& line : f.lines) {
    if (line.empty()) continue;
    std::string text = line;
    core::splitStatements(text, ':', statements);
    for (std::string_view stmt : statements) {
      if (stmt.substr(0, 6) != "defsub" || (stmt.size() > 6 && core::isNameByte(static_cast<unsigned char>(stmt[6]))))
        continue;
      std::string_view args = stmt.substr(6);
      checker.definedCommands.insert(
          std::string(core::trimBlank(args, 0, static_cast<std::ptrdiff_t>(args.size()) - 1)));
    }
  }
}

// Labels are scanned as start-up scans them; after an invalid or duplicate label the scan
// starts again with that line passed over, so later labels are still known.
void scanLabels(LoadedFile& f) {
  checker.file = &f;
  core::ReadStateMap readState;
  for (;;) {
    core::LabelTable before = core::labelTable();
    core::LabelFault fault;
    if (core::scanLabels(f.text.name, f.text.key, f.lines, core::labelTable(), readState, &fault)) return;
    std::string labelLine = f.lines[static_cast<std::size_t>(fault.line)];
    int at = f.physical[static_cast<std::size_t>(fault.line)];
    if (fault.duplicate) {
      std::string label = labelLine.substr(0, labelLine.find_first_of(":;/ \t"));
      std::string where;
      if (const core::LabelInfo* first = core::findLabel(label)) {
        for (const LoadedFile& other : checker.files)
          if (other.text.key == first->fileKey)
            where = " (first at " + cp932ToUtf8(other.text.name) + ":" +
                    std::to_string(other.physical[static_cast<std::size_t>(first->line)]) + ")";
      }
      add(at, "label " + inQuotes(label) + " is defined twice" + where + " (ラベルが重複しています)");
    } else {
      add(at, "invalid label name " + inQuotes(labelLine) +
                  ": a label is * followed by letters, digits, . @ and _ (ラベル名が不正です)");
    }
    core::labelTable() = std::move(before);
    f.lines[static_cast<std::size_t>(fault.line)].clear();
  }
}

// A text block runs to the next empty line and takes in what it holds, as the label scan
// does: a "*name" line directly under text (a page wait at the text's end changes nothing) is
// part of the text. It is registered as no label, so no jump finds it, and it is skipped
// where it stands, so it is not shown either. No author means that.
void checkLabelsInsideText(const LoadedFile& f) {
  checker.file = &f;
  // The line a text block began on; kNoBlock outside text. (A plain index, not an optional:
  // GCC's optimiser at -O1 warns that an engaged optional may be read uninitialised.)
  constexpr std::size_t kNoBlock = static_cast<std::size_t>(-1);
  std::size_t blockStart = kNoBlock;
  for (std::size_t i = 0; i < f.lines.size(); ++i) {
    const std::string& line = f.lines[i];
    if (line.empty()) {
      blockStart = kNoBlock;
    } else if (blockStart == kNoBlock) {
      const auto first = static_cast<unsigned char>(line[0]);
      if (!core::isLetter(first) && first != '*') blockStart = i;
    } else if (line[0] == '*') {
      const std::string label = line.substr(0, line.find_first_of(":;/ \t"));
      add(f.physical[i], inQuotes(label) + " is inside the text that begins on line " +
                             std::to_string(f.physical[blockStart]) +
                             ", so it is no label and no jump finds it: put an empty line above it");
    }
  }
}

// Encoding and line length, over the file's own lines (comments included).
void checkText(const LoadedFile& f) {
  checker.file = &f;
  std::string_view bytes = f.text.bytes;
  bool utf8 = looksLikeUtf8(bytes);
  int lineNo = 1;
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    std::size_t end = bytes.find('\n', pos);
    std::size_t next = end == std::string_view::npos ? bytes.size() : end + 1;
    std::string_view line = bytes.substr(pos, next - pos);
    std::string_view content = line;
    while (!content.empty() && (content.back() == '\n' || content.back() == '\r')) content.remove_suffix(1);
    if (utf8) {
      if (std::any_of(content.begin(), content.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; })) {
        add(lineNo, "this file looks like UTF-8; save it as CP932 (Shift-JIS)");
        utf8 = false;
        pos = bytes.size();  // one report for the file
        continue;
      }
    } else if (std::optional<std::size_t> bad = firstInvalidCp932(content)) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "0x%02X", static_cast<unsigned char>(content[*bad]));
      add(lineNo, "text is not valid CP932 (Shift-JIS): byte " + std::string(hex) + " at column " +
                      std::to_string(*bad + 1));
    }
    bool cut = f.text.packed ? content.size() > core::kLineLimit
                             : std::count(f.physical.begin(), f.physical.end(), lineNo) > 1;
    if (cut)
      add(lineNo, "the line is " + std::to_string(line.size()) +
                      " bytes long with its line end; the script reader cuts lines at " +
                      std::to_string(core::kLineLimit) + " bytes");
    pos = next;
    ++lineNo;
  }
}

void addDiverted(const std::vector<std::string>& texts, std::string_view where) {
  for (const std::string& t : texts)
    checker.findings.push_back(Finding{std::string(where), 0, cp932ToUtf8(t)});
}

}  // namespace

std::vector<Finding> checkGame() {
  checker = Checker{};
  std::vector<std::string> boxes;
  platform::divertMessageBoxes(&boxes);
  core::loadArchiveIndex();
  addDiverted(boxes, "arc.dat");
  boxes.clear();
  core::resetScriptSources();
  core::resetInterpreter();
  core::resetVariables();
  core::LoadOutcome outcome = core::forEachScriptFile([](const core::ScriptFileText& text) {
    LoadedFile f;
    f.text = text;
    core::splitScriptText(text, f.lines, &f.physical);
    checker.files.push_back(std::move(f));
    return true;
  });
  addDiverted(boxes, core::packedMode() ? core::kPackedScriptFile : core::kMainScriptPath);
  platform::divertMessageBoxes(nullptr);
  if (outcome != core::LoadOutcome::Ok) return checker.findings;

  // Each file's findings are listed together, by line.
  std::vector<Finding> loadFindings = std::move(checker.findings);
  std::vector<Finding> all;
  for (LoadedFile& f : checker.files) scanLabels(f);
  for (const LoadedFile& f : checker.files) collectDefinedCommands(f);
  std::vector<Finding> labelFindings = std::move(checker.findings);
  for (const LoadedFile& f : checker.files) {
    checker.findings.clear();
    std::string name = cp932ToUtf8(f.text.name);
    for (const Finding& lf : labelFindings)
      if (lf.file == name) checker.findings.push_back(lf);
    checkText(f);
    checkLabelsInsideText(f);
    walkStatements(f);
    std::stable_sort(checker.findings.begin(), checker.findings.end(),
                     [](const Finding& a, const Finding& b) { return a.line < b.line; });
    all.insert(all.end(), checker.findings.begin(), checker.findings.end());
  }
  loadFindings.insert(loadFindings.end(), all.begin(), all.end());
  checker.findings.clear();
  return loadFindings;
}

std::string formatFinding(const Finding& f) {
  if (f.line <= 0) return f.file + ": " + f.message;
  return f.file + ":" + std::to_string(f.line) + ": " + f.message;
}

}  // namespace check
