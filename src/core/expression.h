// Values, variables and the infix expressions of the script language. Expressions are
// evaluated while they are parsed; every error is reported where it is found and marks the
// result as failed.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace core {

enum class ValueKind : int { Failed = -1, Number = 0, String = 1 };

struct ScriptValue {
  std::string text;      // the string of a string value (CP932)
  double number = 0.0;   // the number of a number value
  ValueKind kind = ValueKind::Failed;

  bool isNumber() const { return kind == ValueKind::Number; }
  bool isString() const { return kind == ValueKind::String; }
  bool isOmitted() const { return kind == ValueKind::Failed; }
  // Numbers are stored into 32-bit variables truncated toward zero.
  std::int32_t toInt() const;
};

ScriptValue evaluateExpression(std::string_view text);

// The argument text split at "," (outside quotes, capitals lowercased) and each piece
// evaluated; an empty piece is an omitted argument (kind Failed). An empty text gives none.
std::vector<ScriptValue> evaluateArguments(std::string_view text);
void evaluateArguments(std::string_view text, std::vector<ScriptValue>& out);

// A result argument: the text must be exactly one variable reference of the family.
// Null when it does not resolve.
std::int32_t* numberVariableRef(std::string_view text);
std::string* stringVariableRef(std::string_view text);

// Variables, for saves, settings and tests. Named variables exist after `int`/`string`.
constexpr int kNumberedVariables = 1000;
std::int32_t* numberedNumber(int index);   // null outside 0..999
std::string* numberedString(int index);
std::int32_t* namedNumber(std::string_view name);  // null when not declared
std::string* namedString(std::string_view name);
std::int32_t& declareNumber(std::string_view name);
std::string& declareString(std::string_view name);
void resetVariables();
// Named variables whose names begin with `prefix`, sorted by name ("g_" go into save games,
// "s_" into the settings file), and erasing them (loading a save game).
std::vector<std::pair<std::string, std::int32_t>> namedNumbersWithPrefix(std::string_view prefix);
std::vector<std::pair<std::string, std::string>> namedStringsWithPrefix(std::string_view prefix);
void eraseNamedVariablesWithPrefix(std::string_view prefix);

// Every variable but those whose names begin with `keptPrefix`, for an in-memory step back.
struct VariableSnapshot {
  // The numbered ones that are not 0 or empty, by index: most games use a few of them.
  std::vector<std::pair<int, std::int32_t>> numbers;
  std::vector<std::pair<int, std::string>> strings;
  std::vector<std::pair<std::string, std::int32_t>> namedNumbers;
  std::vector<std::pair<std::string, std::string>> namedStrings;
  bool operator==(const VariableSnapshot&) const = default;
};
VariableSnapshot captureVariables(std::string_view keptPrefix);
// Replaces every variable outside `keptPrefix` with the snapshot's: named ones declared since
// are gone again. No loop may hold a variable across this (the loop stacks are emptied first).
void restoreVariables(const VariableSnapshot& snapshot, std::string_view keptPrefix);

// Reports an expression error: file, "[", 0-based line, "] ", expression, " ※", message.
void reportExpressionError(std::string_view message);

}  // namespace core
