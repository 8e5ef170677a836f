// The tokenizer and the casts, where a script would be clumsy; the operator levels are
// covered by the scripted expression game.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

#include "core/expression.h"
#include "core/expression_parser.h"

namespace {

core::Token firstToken(std::string_view text) {
  core::ExpressionParser p(text);
  p.next();
  return p.tok;
}

TEST(Tokenizer, Numbers) {
  EXPECT_EQ(firstToken("0x1F").number, 31);
  EXPECT_EQ(firstToken("0xFFFFFFFF").number, 4294967295.0);  // unsigned 32-bit
  EXPECT_EQ(firstToken("0x").number, 0);
  EXPECT_DOUBLE_EQ(firstToken("12.5").number, 12.5);
  EXPECT_DOUBLE_EQ(firstToken("0.05").number, 0.05);
  // Decimal digits accumulate in a signed 32-bit integer and wrap.
  EXPECT_EQ(firstToken("4294967297").number, 1);
  EXPECT_EQ(firstToken("2147483648").number, -2147483648.0);
  core::Token t = firstToken("12abc");
  EXPECT_EQ(t.kind, core::TokenKind::Number);
  EXPECT_EQ(t.text, "12");
}

TEST(Tokenizer, WordsQuotesAndOperators) {
  core::Token w = firstToken("  name.x@_1+2");
  EXPECT_EQ(w.kind, core::TokenKind::Word);
  EXPECT_EQ(w.text, "name.x@_1");
  core::Token q = firstToken("'a \"b\" \x83\x5C'rest");
  EXPECT_EQ(q.kind, core::TokenKind::Word);
  EXPECT_EQ(q.text, "a \"b\" \x83\x5C");
  // A quote whose closing byte is the trail of a two-byte character is not closed there:
  // "\x83\x27" is lead 0x83, trail 0x27 (').
  core::Token t = firstToken("'\x83\x27x'");
  EXPECT_EQ(t.text, "\x83\x27x");
  core::Token unterminated = firstToken("\"abc");
  EXPECT_EQ(unterminated.text, "abc");
  core::Token op = firstToken("<=");
  EXPECT_EQ(op.kind, core::TokenKind::Operator);
  EXPECT_EQ(op.op, '<');
  EXPECT_EQ(firstToken("   ").kind, core::TokenKind::End);
}

TEST(Tokenizer, ALeadByteAtTheEndDoesNotReadPastTheText) {
  std::string text = "ab\x82";
  core::Token t = firstToken(text);
  EXPECT_EQ(t.text, text);
  core::Token q = firstToken("\"\x82");
  EXPECT_EQ(q.text, "\x82");
}

TEST(Casts, StringToNumberCountsHexLettersAsDigits) {
  EXPECT_EQ(core::castToNumber("12"), 12);
  EXPECT_EQ(core::castToNumber("1a"), 20);
  EXPECT_EQ(core::castToNumber("  -3z"), -30);
  EXPECT_EQ(core::castToNumber(""), 0);
  EXPECT_EQ(core::toInt32(-3.9), -3);
  EXPECT_EQ(core::toInt32(3e10), INT32_MIN);
  EXPECT_EQ(core::toInt32(std::nan("")), INT32_MIN);
}

TEST(VariableReferences, ResolveOnlyWholeReferences) {
  core::resetVariables();
  *core::numberedNumber(5) = 7;
  core::declareNumber("n") = 3;
  EXPECT_EQ(core::numberVariableRef(" %5 "), core::numberedNumber(5));
  EXPECT_EQ(core::numberVariableRef("%%5"), core::numberedNumber(7));
  EXPECT_EQ(core::numberVariableRef("%n"), core::namedNumber("n"));
  EXPECT_EQ(core::numberVariableRef("%0 + 1"), nullptr);
  EXPECT_EQ(core::numberVariableRef("%1000"), nullptr);
  EXPECT_EQ(core::numberVariableRef("%-1"), nullptr);
  EXPECT_EQ(core::numberVariableRef("%undeclared"), nullptr);
  EXPECT_EQ(core::numberVariableRef("$0"), nullptr);
  *core::numberedString(2) = "n";
  EXPECT_EQ(core::numberVariableRef("%$2"), core::namedNumber("n"));
  EXPECT_EQ(core::stringVariableRef("$%5"), core::numberedString(7));
}

TEST(Evaluate, LabelTextsJoinTheRemainingTokens) {
  core::ScriptValue v = core::evaluateExpression(" *Start ");
  EXPECT_TRUE(v.isString());
  EXPECT_EQ(v.text, "*Start");
  EXPECT_TRUE(core::evaluateExpression("   ").isOmitted());
  std::vector<core::ScriptValue> args = core::evaluateArguments(" 50,");
  ASSERT_EQ(args.size(), 2u);
  EXPECT_TRUE(args[0].isNumber());
  EXPECT_TRUE(args[1].isOmitted());
  EXPECT_TRUE(core::evaluateArguments("").empty());
}

}  // namespace
