// The expression evaluator: a tokenizer over the expression text and five operator levels,
// evaluated while parsing. Nothing is allocated for number-only expressions.
#include "core/expression.h"

#include <cmath>
#include <cstdio>
#include <limits>

#include "core/error_report.h"
#include "core/expression_parser.h"
#include "core/interpreter.h"
#include "core/statements.h"
#include "platform/cp932.h"

namespace core {
namespace {

// The expression text that messages name; set by every evaluation (and by `cal` per piece).
std::string_view messageText;
bool errorFlag = false;

int hexDigit(unsigned char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool isOperatorByte(unsigned char c) {
  switch (c) {
    case 0: case '!': case '%': case '&': case ')': case '*': case '+': case '-':
    case '/': case '\\': case '<': case '=': case '>': case '^': case '|':
      return true;
    default:
      return false;
  }
}

ScriptValue numberValue(double d) {
  ScriptValue v;
  v.kind = ValueKind::Number;
  v.number = d;
  return v;
}

ScriptValue stringValue(std::string_view s) {
  ScriptValue v;
  v.kind = ValueKind::String;
  v.text.assign(s);
  return v;
}

ScriptValue failedValue() { return ScriptValue{}; }

}  // namespace

std::int32_t toInt32(double d) {
  d = std::trunc(d);
  // Out of range (and NaN) give the x86 "integer indefinite" value, which is what saved
  // scripts written for 32-bit x86 builds have always seen, instead of undefined behaviour.
  if (!(d >= -2147483648.0 && d <= 2147483647.0)) return std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(d);
}

std::int32_t ScriptValue::toInt() const { return toInt32(number); }

void reportExpressionError(std::string_view message) {
  const InterpreterState& s = interpreter();
  std::string text = s.currentSlot == 0 ? std::string("0.txt") : s.secondaryFileName;
  text += '[';
  text += std::to_string(s.line);
  text += "] ";
  text += messageText;
  text += platform::jp(" ※");
  text += message;
  showErrorBox(text);
  errorFlag = true;
}

// ---- tokenizer ----

void ExpressionParser::next() {
  while (pos < in.size() && (in[pos] == ' ' || in[pos] == '\t')) ++pos;
  tok = Token{};
  tok.start = pos;
  if (pos >= in.size()) return;  // End
  unsigned char c = static_cast<unsigned char>(in[pos]);
  if (isDigit(c)) {
    tok.kind = TokenKind::Number;
    std::size_t s = pos;
    if (pos + 1 < in.size() && in[pos + 1] == 'x') {
      pos += 2;
      std::uint32_t value = 0;
      if (pos < in.size()) {
        int d = hexDigit(static_cast<unsigned char>(in[pos]));
        value = static_cast<std::uint32_t>(d < 0 ? 0 : d);
        ++pos;
        while (pos < in.size() && (d = hexDigit(static_cast<unsigned char>(in[pos]))) >= 0) {
          value = value * 16 + static_cast<std::uint32_t>(d);
          ++pos;
        }
      }
      tok.number = static_cast<double>(value);
    } else {
      std::uint32_t accumulated = 0;  // wraps like the 32-bit accumulator it stands for
      int fraction = -1;
      while (pos < in.size() && (isDigit(static_cast<unsigned char>(in[pos])) || in[pos] == '.')) {
        if (in[pos] == '.') {
          if (fraction < 0) fraction = 0;
        } else {
          accumulated = accumulated * 10 + static_cast<std::uint32_t>(in[pos] - '0');
          if (fraction >= 0) ++fraction;
        }
        ++pos;
      }
      double value = static_cast<double>(static_cast<std::int32_t>(accumulated));
      if (fraction > 0) value /= std::pow(10.0, fraction);
      tok.number = value;
    }
    tok.text = in.substr(s, pos - s);
    return;
  }
  if (isNameByte(c) || isLeadByte(c)) {
    tok.kind = TokenKind::Word;
    std::size_t s = pos;
    while (pos < in.size()) {
      unsigned char b = static_cast<unsigned char>(in[pos]);
      if (isLeadByte(b)) {
        pos = std::min(pos + 2, in.size());
      } else if (isNameByte(b)) {
        ++pos;
      } else {
        break;
      }
    }
    tok.text = in.substr(s, pos - s);
    return;
  }
  if (c == '"' || c == '\'') {
    tok.kind = TokenKind::Word;
    tok.quoted = true;
    std::size_t s = ++pos;
    while (pos < in.size() && static_cast<unsigned char>(in[pos]) != c) {
      pos += isLeadByte(static_cast<unsigned char>(in[pos])) ? 2 : 1;
    }
    if (pos > in.size()) pos = in.size();
    tok.text = in.substr(s, pos - s);
    if (pos < in.size()) ++pos;  // the closing quote
    return;
  }
  tok.kind = TokenKind::Operator;
  tok.op = static_cast<char>(c);
  tok.text = in.substr(pos, 1);
  ++pos;
}

bool ExpressionParser::takeByte(char c) {
  if (pos < in.size() && in[pos] == c) {
    ++pos;
    return true;
  }
  return false;
}

// ---- variable references ----

// After a "%" or "$": a number gives a numbered variable, a word a named one; a further
// "%" or "$" is indirection through the value of the variable it names.
template <class T>
T* ExpressionParser::reference(T* (*numbered)(int), T* (*named)(std::string_view)) {
  if (tok.kind == TokenKind::Number) {
    double index = tok.number;
    next();
    if (!(index >= 0 && index < kNumberedVariables)) return nullptr;
    return numbered(static_cast<int>(index));
  }
  if (tok.kind == TokenKind::Word && !tok.quoted) {
    std::string_view name = tok.text;
    next();
    return named(name);
  }
  if (isOp('%')) {
    next();
    std::int32_t* inner = numberReference();
    return inner ? numbered(*inner) : nullptr;
  }
  if (isOp('$')) {
    next();
    std::string* inner = stringReference();
    return inner ? named(*inner) : nullptr;
  }
  next();
  return nullptr;
}

std::int32_t* ExpressionParser::numberReference() { return reference<std::int32_t>(numberedNumber, namedNumber); }
std::string* ExpressionParser::stringReference() { return reference<std::string>(numberedString, namedString); }

// ---- operator levels ----

namespace {

std::string_view kindMismatch(std::string_view op) {
  if (op == "<") return "< 比較演算の値の型が一致しません";
  if (op == "<=") return "<= 比較演算の値の型が一致しません";
  if (op == ">") return "> 比較演算の値の型が一致しません";
  if (op == ">=") return ">= 比較演算の値の型が一致しません";
  if (op == "==") return "== 比較演算の値の型が一致しません";
  return "!= 比較演算の値の型が一致しません";
}

int compareBytes(std::string_view a, std::string_view b) {
  std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    unsigned char x = a[i], y = b[i];
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

void notForStrings(std::string_view op) {
  reportExpressionError(platform::jp("数値以外に演算子 ") + std::string(op) + platform::jp(" は使用出来ません"));
}

}  // namespace

ScriptValue ExpressionParser::level1() {
  ScriptValue left = level2();
  while (tok.kind == TokenKind::Operator && (tok.op == '&' || tok.op == '|' || tok.op == '^')) {
    std::string_view op;
    if (tok.op == '&') op = takeByte('&') ? "&&" : "&";
    else if (tok.op == '|') op = takeByte('|') ? "||" : "|";
    else op = "^";
    next();
    ScriptValue right = level2();
    if (left.isOmitted() || right.isOmitted()) {
      left = failedValue();
      continue;
    }
    if (!left.isNumber() || !right.isNumber()) {
      notForStrings(op);
      left = failedValue();
      continue;
    }
    std::int32_t a = left.toInt(), b = right.toInt();
    double r;
    if (op == "&&") r = (left.number != 0 && right.number != 0) ? 1 : 0;
    else if (op == "||") r = (left.number != 0 || right.number != 0) ? 1 : 0;
    else if (op == "&") r = a & b;
    else if (op == "|") r = a | b;
    else r = a ^ b;
    left = numberValue(r);
  }
  return left;
}

ScriptValue ExpressionParser::level2() {
  ScriptValue left = level3();
  for (;;) {
    if (tok.kind != TokenKind::Operator) return left;
    std::string_view op;
    switch (tok.op) {
      case '<': op = takeByte('=') ? "<=" : takeByte('<') ? "<<" : "<"; break;
      case '>': op = takeByte('=') ? ">=" : takeByte('>') ? ">>" : ">"; break;
      case '=':
        if (!takeByte('=')) {
          reportExpressionError(platform::jp("== 比較演算子が不正です"));
          next();
          return failedValue();
        }
        op = "==";
        break;
      case '!':
        if (!takeByte('=')) {
          reportExpressionError(platform::jp("!= 比較演算子が不正です"));
          next();
          return failedValue();
        }
        op = "!=";
        break;
      default: return left;
    }
    next();
    ScriptValue right = level3();
    if (left.isOmitted() || right.isOmitted()) {
      left = failedValue();
      continue;
    }
    if (op == "<<" || op == ">>") {
      if (!left.isNumber() || !right.isNumber()) {
        notForStrings(op);
        left = failedValue();
        continue;
      }
      std::uint32_t count = static_cast<std::uint32_t>(right.toInt()) & 31;
      std::int32_t a = left.toInt();
      std::int32_t r = op == "<<" ? static_cast<std::int32_t>(static_cast<std::uint32_t>(a) << count) : (a >> count);
      left = numberValue(r);
      continue;
    }
    int cmp;
    if (left.isNumber() && right.isNumber()) {
      cmp = left.number < right.number ? -1 : (left.number > right.number ? 1 : 0);
    } else if (left.isString() && right.isString()) {
      cmp = compareBytes(left.text, right.text);
    } else {
      reportExpressionError(platform::jp(kindMismatch(op)));
      left = failedValue();
      continue;
    }
    bool r = op == "<" ? cmp < 0 : op == "<=" ? cmp <= 0 : op == ">" ? cmp > 0 : op == ">=" ? cmp >= 0
             : op == "==" ? cmp == 0 : cmp != 0;
    left = numberValue(r ? 1 : 0);
  }
}

ScriptValue ExpressionParser::level3() {
  ScriptValue left = level4();
  while (isOp('+') || isOp('-')) {
    char op = tok.op;
    next();
    ScriptValue right = level4();
    if (left.isOmitted() || right.isOmitted()) {
      left = failedValue();
      continue;
    }
    if (op == '+') {
      if (left.isNumber() && right.isNumber()) {
        left.number += right.number;
      } else if (left.isString() && right.isString()) {
        left.text += right.text;
      } else {
        reportExpressionError(platform::jp("数値と文字列では + 演算出来ません"));
        left = failedValue();
      }
    } else {
      if (!left.isNumber() || !right.isNumber()) {
        notForStrings("-");
        left = failedValue();
      } else {
        left.number -= right.number;
      }
    }
  }
  return left;
}

ScriptValue ExpressionParser::level4() {
  ScriptValue left = primary();
  while (isOp('*') || isOp('/') || isOp('\\') || isOp('%')) {
    char op = tok.op;
    next();
    ScriptValue right = primary();
    if (left.isOmitted() || right.isOmitted()) {
      left = failedValue();
      continue;
    }
    if (!left.isNumber() || !right.isNumber()) {
      notForStrings(std::string_view(&op, 1));
      left = failedValue();
      continue;
    }
    if (op == '*') {
      left.number *= right.number;
    } else if (right.number == 0) {
      // A remainder by zero would be NaN: reported like a division by zero.
      reportExpressionError(platform::jp("0では割れない"));
      left = failedValue();
    } else if (op == '/') {
      left.number /= right.number;
    } else if (op == '\\') {
      left.number = std::trunc(left.number / right.number);
    } else {
      left.number = std::fmod(left.number, right.number);
    }
  }
  return left;
}

// "(" expression ")", the current token being the "(".
ScriptValue ExpressionParser::parenthesised() {
  next();
  ScriptValue v = level1();
  if (!isOp(')')) {
    reportExpressionError(platform::jp("）がない"));
    return failedValue();
  }
  next();
  return v;
}

ScriptValue ExpressionParser::primary() {
  if (tok.kind == TokenKind::End) return failedValue();
  if (tok.kind == TokenKind::Word) {
    ScriptValue v = stringValue(tok.text);
    next();
    return v;
  }
  if (isOp('(')) return parenthesised();
  if (isOp('!') && peekOpenParen()) {
    next();  // "!"
    ScriptValue v = parenthesised();
    if (!v.isNumber()) return v.isOmitted() ? v : failedValue();
    return numberValue(v.number == 0 ? 1 : 0);
  }
  if (isOp('%') && peekOpenParen()) {
    next();  // "%"
    ScriptValue v = parenthesised();
    if (v.isString()) return numberValue(castToNumber(v.text));
    return v;
  }
  if (isOp('%')) {
    next();
    std::int32_t* ref = numberReference();
    if (!ref) {
      reportExpressionError(platform::jp("変数が不正です"));
      return failedValue();
    }
    return numberValue(*ref);
  }
  if (isOp('$') && peekOpenParen()) {
    next();  // "$"
    ScriptValue v = parenthesised();
    if (!v.isNumber()) return v;
    std::int32_t n = v.toInt();
    char buf[32];
    if (tok.kind == TokenKind::Number) {
      int width = tok.text[0] - '0';
      std::snprintf(buf, sizeof buf, "%0*d", width, n);
      next();
    } else {
      std::snprintf(buf, sizeof buf, "%d", n);
    }
    return stringValue(buf);
  }
  if (isOp('$')) {
    next();
    std::string* ref = stringReference();
    if (!ref) {
      reportExpressionError(platform::jp("変数が不正です"));
      return failedValue();
    }
    return stringValue(*ref);
  }
  return signedLiteral();
}

ScriptValue ExpressionParser::signedLiteral() {
  // Prefixes apply in written order, leftmost first: "!-0" takes "!" of 0 (1), then
  // negates it (-1); "-!0" negates 0, then takes "!" (1).
  char prefixes[256];
  int count = 0;
  while (tok.kind == TokenKind::Operator && (tok.op == '+' || tok.op == '-' || tok.op == '!') && count < 256) {
    if (count > 0 && prefixes[count - 1] == tok.op) {
      --count;  // "--" cancels
    } else {
      prefixes[count++] = tok.op;
    }
    next();
  }
  ScriptValue v;
  if (isOp('%')) {
    next();
    std::int32_t* ref = numberReference();
    if (!ref) {
      reportExpressionError(platform::jp("変数が不正です"));
      return failedValue();
    }
    v = numberValue(*ref);
  } else if (isOp('$')) {
    next();
    std::string* ref = stringReference();
    if (!ref) {
      reportExpressionError(platform::jp("変数が不正です"));
      return failedValue();
    }
    v = stringValue(*ref);
  } else if (tok.kind == TokenKind::Number) {
    v = numberValue(tok.number);
    next();
  } else if (tok.kind == TokenKind::End) {
    return failedValue();
  } else {
    v = stringValue(tok.text);
    next();
  }
  if (tok.kind != TokenKind::End) {
    unsigned char b = tok.kind == TokenKind::Operator ? static_cast<unsigned char>(tok.op)
                                                      : static_cast<unsigned char>(in[tok.start]);
    if (!isOperatorByte(b)) {
      reportExpressionError(platform::jp("演算子でなければならない ") +
                            std::to_string(static_cast<int>(static_cast<signed char>(b))) + " " +
                            std::string(tok.text));
      return failedValue();
    }
  }
  for (int i = 0; i < count; ++i) {
    if (prefixes[i] == '+') continue;
    if (!v.isNumber()) {
      if (prefixes[i] == '-') {
        notForStrings("-");
        return failedValue();
      }
      continue;
    }
    v.number = prefixes[i] == '-' ? -v.number : (v.number == 0 ? 1 : 0);
  }
  return v;
}

bool ExpressionParser::peekOpenParen() const {
  std::size_t p = pos;
  while (p < in.size() && (in[p] == ' ' || in[p] == '\t')) ++p;
  return p < in.size() && in[p] == '(';
}

double castToNumber(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size() && isBlank(static_cast<unsigned char>(s[i]))) ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) negative = s[i++] == '-';
  std::uint32_t value = 0;
  for (; i < s.size(); ++i) {
    int d = hexDigit(static_cast<unsigned char>(s[i]));
    value = value * 10 + static_cast<std::uint32_t>(d < 0 ? 0 : d);
  }
  std::int32_t v = static_cast<std::int32_t>(value);
  return negative ? -static_cast<double>(v) : v;
}

// ---- entry points ----

void beginExpression(std::string_view forMessages) {
  messageText = forMessages;
  errorFlag = false;
}

ScriptValue evaluateIn(std::string_view text, std::string_view forMessages) {
  beginExpression(forMessages);
  // The input buffer holds 255 bytes: a longer expression is cut there, a limit scripts see.
  ExpressionParser p(text.substr(0, kPieceLimit));
  p.next();
  ScriptValue result;
  if (p.isOp('*')) {
    result.kind = ValueKind::String;
    result.text.assign(1, '*');
    for (p.next(); p.tok.kind != TokenKind::End; p.next()) result.text.append(p.tok.text.data(), p.tok.text.size());
  } else if (p.tok.kind != TokenKind::End) {
    result = p.level1();
  }
  if (errorFlag) result.kind = ValueKind::Failed;
  return result;
}

ScriptValue evaluateExpression(std::string_view text) { return evaluateIn(text, text); }

void evaluateArguments(std::string_view text, std::vector<ScriptValue>& out) {
  out.clear();
  if (text.empty()) return;
  static std::string scratch;
  static std::vector<std::string_view> pieces;
  scratch.assign(text);
  splitStatements(scratch, ',', pieces);
  for (std::string_view piece : pieces) out.push_back(evaluateExpression(piece));
}

std::vector<ScriptValue> evaluateArguments(std::string_view text) {
  std::vector<ScriptValue> out;
  evaluateArguments(text, out);
  return out;
}

std::int32_t* numberVariableRef(std::string_view text) {
  ExpressionParser p(text.substr(0, kPieceLimit));
  p.next();
  if (!p.isOp('%')) return nullptr;
  p.next();
  std::int32_t* ref = p.numberReference();
  return p.tok.kind == TokenKind::End ? ref : nullptr;
}

std::string* stringVariableRef(std::string_view text) {
  ExpressionParser p(text.substr(0, kPieceLimit));
  p.next();
  if (!p.isOp('$')) return nullptr;
  p.next();
  std::string* ref = p.stringReference();
  return p.tok.kind == TokenKind::End ? ref : nullptr;
}

}  // namespace core
