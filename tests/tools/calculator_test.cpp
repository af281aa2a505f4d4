// The calculator's arithmetic: left to right, its failures, its limits.
#include <gtest/gtest.h>

#include <string>

#include "tools/calculator.h"

namespace {

std::string Eval(const std::string& expr, int* rc = nullptr) {
  char out[kCalcResultSize];
  int r = CalcEvaluate(expr.c_str(), out, sizeof out);
  if (rc) *rc = r;
  return r == 0 ? out : "rc " + std::to_string(r);
}

TEST(CalcEvaluate, LeftToRightWithoutPrecedence) {
  EXPECT_EQ(Eval("2+3*4="), "20");
  EXPECT_EQ(Eval("1+2="), "3");
  EXPECT_EQ(Eval("7/2="), "3.5");
  EXPECT_EQ(Eval("10-2.5*2="), "15");
  EXPECT_EQ(Eval("1/3="), "0.3333");
  EXPECT_EQ(Eval("0.="), "0");
  EXPECT_EQ(Eval("2-5="), "-3");
  // A negative result continued with an operator.
  EXPECT_EQ(Eval("-3+10="), "7");
  EXPECT_EQ(Eval("-3*0="), "0") << "no negative zero";
}

TEST(CalcEvaluate, RefusesMalformedExpressions) {
  int rc = 0;
  Eval("5", &rc);
  EXPECT_EQ(rc, CALC_MALFORMED);
  Eval("=", &rc);
  EXPECT_EQ(rc, CALC_MALFORMED);
  Eval("1=2=", &rc);
  EXPECT_EQ(rc, CALC_MALFORMED);
  Eval("1+2", &rc);
  EXPECT_EQ(rc, CALC_MALFORMED);
  Eval("1a+2=", &rc);
  EXPECT_EQ(rc, CALC_MALFORMED);
  Eval("1.2.3=", &rc);
  EXPECT_EQ(rc, CALC_MALFORMED);
}

TEST(CalcEvaluate, DivisionByZeroAndOverflow) {
  int rc = 0;
  Eval("5/0=", &rc);
  EXPECT_EQ(rc, CALC_DIVIDE_BY_ZERO);
  Eval("5/0.000000001=", &rc);
  EXPECT_EQ(rc, CALC_DIVIDE_BY_ZERO);
  EXPECT_EQ(Eval("1/0.00000001="), "100000000");
  // 9e200 squared is beyond a double.
  std::string big = "9" + std::string(200, '0');
  Eval(big + "*" + big + "=", &rc);
  EXPECT_EQ(rc, CALC_OVERFLOW);
}

TEST(CalcEvaluate, TheLongestNumber) {
  // 254 digits and "=" fill what the expression can hold but one character.
  std::string digits = "5" + std::string(253, '0');
  std::string r = Eval(digits + "=");
  ASSERT_EQ(r.size(), 254u) << r;
  EXPECT_EQ(r.find_first_not_of("0123456789"), std::string::npos) << r;
  // A result that could not be continued with an operator is refused.
  int rc = 0;
  Eval(digits + "*100=", &rc);
  EXPECT_EQ(rc, CALC_OVERFLOW);
  // The result buffer of the caller bounds the text too.
  char small[4];
  EXPECT_EQ(CalcEvaluate("1000+1=", small, sizeof small), CALC_OVERFLOW);
}

}  // namespace
