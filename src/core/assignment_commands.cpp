// cal, round, int, string and variableexist: assignments and declarations.
#include <span>

#include "core/argument_pieces.h"
#include "core/command_registry.h"
#include "core/command_support.h"
#include "core/core_commands.h"
#include "core/error_report.h"
#include "core/expression.h"
#include "core/expression_parser.h"
#include "core/statements.h"
#include "platform/cp932.h"

namespace core {
namespace {

enum class Rounding { Truncate, Nearest };

// Applies one compound operator to a 32-bit variable with wrap-around arithmetic.
// False when the operation is a division by zero (reported, variable unchanged).
bool applyToNumber(std::int32_t& var, std::string_view op, std::int32_t v) {
  auto u = [](std::int32_t x) { return static_cast<std::uint32_t>(x); };
  std::uint32_t count = u(v) & 31;
  if (op == "=") var = v;
  else if (op == "+=") var = static_cast<std::int32_t>(u(var) + u(v));
  else if (op == "-=") var = static_cast<std::int32_t>(u(var) - u(v));
  else if (op == "*=") var = static_cast<std::int32_t>(u(var) * u(v));
  else if (op == "/=" || op == "\\=" || op == "%=") {
    if (v == 0) {
      reportExpressionError(platform::jp("0では割れない"));
      return false;
    }
    if (v == -1) {  // INT32_MIN / -1 overflows: the wrapped results are INT32_MIN and 0
      var = op == "%=" ? 0 : static_cast<std::int32_t>(0u - u(var));
    } else {
      var = op == "%=" ? var % v : var / v;
    }
  } else if (op == "&=") var &= v;
  else if (op == "|=") var |= v;
  else if (op == "^=") var ^= v;
  else if (op == "<<=") var = static_cast<std::int32_t>(u(var) << count);
  else if (op == ">>=") var >>= count;
  return true;
}

void assignPiece(std::string_view piece, Rounding rounding) {
  ExpressionParser p(piece.substr(0, kPieceLimit));
  beginExpression(piece);
  p.next();
  bool numberTarget = p.isOp('%');
  if (!numberTarget && !p.isOp('$')) {
    reportExpressionError(platform::jp("変数に代入する式ではありません"));
    return;
  }
  p.next();
  std::int32_t* number = nullptr;
  std::string* text = nullptr;
  if (numberTarget) number = p.numberReference();
  else text = p.stringReference();
  if (!number && !text) {
    reportExpressionError(platform::jp("代入する変数が不正です"));
    return;
  }
  // The operator is read byte by byte: "=" alone, or an operator followed by "=".
  std::size_t at = p.tok.start;
  std::string_view rest = piece.substr(std::min(at, piece.size()));
  static constexpr std::string_view kOperators[] = {"<<=", ">>=", "+=", "-=", "*=", "/=", "%=", "\\=",
                                                    "&=",  "|=",  "^=", "="};
  std::string_view op;
  for (std::string_view candidate : kOperators) {
    if (rest.substr(0, candidate.size()) == candidate) {
      op = candidate;
      break;
    }
  }
  if (op.empty() || (op == "=" && rest.size() > 1 && rest[1] == '=')) {
    reportExpressionError(platform::jp("代入演算子が不正です"));
    return;
  }
  ScriptValue value = evaluateIn(rest.substr(op.size()), piece);
  if (value.isOmitted()) return;
  if (number && value.isNumber()) {
    double d = rounding == Rounding::Nearest ? value.number + 0.5 : value.number;
    applyToNumber(*number, op, toInt32(d));
    return;
  }
  if (text && value.isString()) {
    if (op == "=") {
      *text = value.text;
    } else if (op == "+=") {
      text->append(value.text);
    } else {
      reportExpressionError(platform::jp("文字変数に ") + std::string(op) + platform::jp(" 複合代入演算子は使えません"));
    }
    return;
  }
  reportExpressionError(platform::jp("変数に代入する型が合いません"));
}

void assignAll(std::string_view args, Rounding rounding) {
  std::vector<std::string_view> pieces;
  splitOutsideQuotes(args, ',', pieces);
  for (std::string_view piece : pieces) assignPiece(piece, rounding);
}

void cmdCal(const Arguments& args) {
  assignAll(args.text, Rounding::Truncate);
}

void cmdRound(const Arguments& args) {
  assignAll(args.text, Rounding::Nearest);
}

// Splits a declaration at the first "=" that is not inside a two-byte character.
std::size_t declarationEquals(std::string_view piece) {
  for (std::size_t i = 0; i < piece.size(); ++i) {
    unsigned char b = static_cast<unsigned char>(piece[i]);
    if (isLeadByte(b)) {
      ++i;
      continue;
    }
    if (b == '=') return i;
  }
  return std::string_view::npos;
}

template <bool kNumbers>
void declare(std::string_view args) {
  for (std::string_view piece : splitOutsideQuotes(args, ',')) {
    std::size_t eq = declarationEquals(piece);
    std::string_view namePart = piece.substr(0, eq);
    ScriptValue name = evaluateExpression(trimBlank(namePart, 0, static_cast<std::ptrdiff_t>(namePart.size()) - 1));
    if (!name.isString()) {
      reportCommandError(platform::jp("宣言が文字列ではありません"));
      continue;
    }
    if constexpr (kNumbers) {
      std::int32_t& var = declareNumber(name.text);
      if (eq == std::string_view::npos) continue;
      ScriptValue value = evaluateExpression(piece.substr(eq + 1));
      if (!value.isNumber()) {
        reportCommandError(platform::jp("代入値が数値ではありません"));
        return;
      }
      var = value.toInt();
    } else {
      std::string& var = declareString(name.text);
      if (eq == std::string_view::npos) continue;
      ScriptValue value = evaluateExpression(piece.substr(eq + 1));
      if (!value.isString()) {
        reportCommandError(platform::jp("代入値が文字列ではありません"));
        return;
      }
      var = value.text;
    }
  }
}

void cmdInt(const Arguments& args) {
  declare<true>(args.text);
}

void cmdString(const Arguments& args) {
  declare<false>(args.text);
}

void cmdVariableExist(const Arguments& args) {
  const std::string_view reference = args.list[1].piece;
  const bool exists = numberVariableRef(reference) != nullptr || stringVariableRef(reference) != nullptr;
  args.numberVariable(0) = exists ? 1 : 0;
}

constexpr CommandEntry kAssignmentCommands[] = {
    // Each piece an assignment or declaration, reported and skipped on its own.
    {"cal", cmdCal, nullptr, nullptr, ArgumentReading::ByHandler},
    {"round", cmdRound, nullptr, nullptr, ArgumentReading::ByHandler},
    {"int", cmdInt, nullptr, nullptr, ArgumentReading::ByHandler},
    {"string", cmdString, nullptr, nullptr, ArgumentReading::ByHandler},
    {"variableexist", cmdVariableExist, "variableExist", "N T", ArgumentReading::InTurn},
};

}  // namespace

std::span<const CommandEntry> assignmentCommands() { return kAssignmentCommands; }

}  // namespace core
