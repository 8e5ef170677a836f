// The expression tokenizer and operator levels, shared by the evaluator and the
// assignment commands (which parse a target and an operator before the expression).
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "core/expression.h"

namespace core {

enum class TokenKind { End, Number, Word, Operator };

struct Token {
  TokenKind kind = TokenKind::End;
  std::string_view text;  // a quoted string without its quotes
  double number = 0;
  char op = 0;
  bool quoted = false;
  std::size_t start = 0;  // where the token begins in the input
};

struct ExpressionParser {
  std::string_view in;
  std::size_t pos = 0;
  Token tok;

  explicit ExpressionParser(std::string_view input) : in(input) {}

  void next();
  bool isOp(char c) const { return tok.kind == TokenKind::Operator && tok.op == c; }
  bool takeByte(char c);  // consumes the raw next byte when it is `c`
  bool peekOpenParen() const;

  // After a "%" or "$": the variable the following token names, or null.
  std::int32_t* numberReference();
  std::string* stringReference();
  template <class T>
  T* reference(T* (*numbered)(int), T* (*named)(std::string_view));

  ScriptValue level1();
  ScriptValue level2();
  ScriptValue level3();
  ScriptValue level4();
  ScriptValue primary();
  ScriptValue parenthesised();
  ScriptValue signedLiteral();
};

// Names `forMessages` as the expression of later error messages and clears the error flag.
void beginExpression(std::string_view forMessages);

// Evaluates `text` with `forMessages` as the expression named in error messages.
ScriptValue evaluateIn(std::string_view text, std::string_view forMessages);

// A string as a number: blanks, an optional sign, then value * 10 + digit over every byte,
// where "a".."f" count 10..15 and any other byte 0.
double castToNumber(std::string_view s);

// Truncates toward zero into 32 bits; out of range gives INT32_MIN.
std::int32_t toInt32(double d);

}  // namespace core
