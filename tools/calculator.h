// The spoken four-function calculator, worked with the arrows, play and
// menu: the last character of the expression is the one being chosen.
#pragma once

constexpr int kCalcMaxExpression = 256;  // characters
constexpr int kCalcResultSize = 512;     // bytes of the result text

enum CalcError { CALC_MALFORMED = -1, CALC_DIVIDE_BY_ZERO = -2, CALC_OVERFLOW = -3 };

// Evaluates `expression` ("1+2*3=") strictly left to right and writes the
// value with at most four decimals ("3.5", "20"). 0, or a CalcError:
// overflow when the value is not finite or its text would not fit back
// into an expression (so that continuing from a result stays in bounds).
int CalcEvaluate(const char* expression, char* result, int size);

// Pushes the calculator and speaks "0". 0, or -1 when the stack is full.
int CreateCalcuator();
