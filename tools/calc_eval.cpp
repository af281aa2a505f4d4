#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tools/calculator.h"

namespace {

bool IsOperator(char c) { return c == '+' || c == '-' || c == '*' || c == '/' || c == '='; }

int Combine(double* value, char op, const std::string& run) {
  if (std::count(run.begin(), run.end(), '.') > 1) return CALC_MALFORMED;
  double x = strtod(run.c_str(), nullptr);
  switch (op) {
    case '+': *value += x; break;
    case '-': *value -= x; break;
    case '*': *value *= x; break;
    case '/':
      if (std::fabs(x) < 0.00000001) return CALC_DIVIDE_BY_ZERO;
      *value /= x;
      break;
    default: return CALC_MALFORMED;
  }
  return 0;
}

// "%.4f" without trailing zeros, nor a point with nothing after it.
std::string FormatValue(double v) {
  char text[kCalcResultSize];
  snprintf(text, sizeof text, "%.4f", v + 0.0);
  std::string s = text;
  while (!s.empty() && s.back() == '0') s.pop_back();
  if (!s.empty() && s.back() == '.') s.pop_back();
  if (s == "-0") s = "0";
  return s;
}

}  // namespace

int CalcEvaluate(const char* expression, char* result, int size) {
  if (!expression || !result || size <= 0) return CALC_MALFORMED;
  result[0] = '\0';
  size_t n = strlen(expression);
  const char* eq = strchr(expression, '=');
  if (n < 2 || eq != expression + n - 1) return CALC_MALFORMED;
  double value = 0;
  char pending = '+';
  std::string run;
  for (size_t i = 0; i < n; ++i) {
    char c = expression[i];
    if (isdigit(static_cast<unsigned char>(c)) || c == '.') {
      run += c;
      continue;
    }
    if (!IsOperator(c)) return CALC_MALFORMED;
    // An operator with no number before it (a result that began with "-")
    // only changes the pending one.
    if (!run.empty()) {
      int r = Combine(&value, pending, run);
      if (r != 0) return r;
      run.clear();
    }
    pending = c;
  }
  if (!std::isfinite(value)) return CALC_OVERFLOW;
  std::string text = FormatValue(value);
  // A result is continued by appending an operator: it must leave room.
  if (text.size() + 1 > static_cast<size_t>(kCalcMaxExpression) || text.size() >= static_cast<size_t>(size))
    return CALC_OVERFLOW;
  memcpy(result, text.c_str(), text.size() + 1);
  return 0;
}
