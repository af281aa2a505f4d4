#include "daisy/clock_value.h"

#include <climits>
#include <cstring>

namespace libDaisy {
namespace {

// Digits beyond this are still consumed but no longer change the value, so a
// hostile "99999999999999999999s" cannot overflow.
constexpr long long kDigitCap = 100000000000LL;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Leading decimal digits of text[0 .. length); the count used goes to *used.
long long Digits(const char* text, int length, int* used) {
  long long v = 0;
  int i = 0;
  for (; i < length && IsDigit(text[i]); i++)
    if (v < kDigitCap) v = v * 10 + (text[i] - '0');
  if (used) *used = i;
  return v;
}

int Clamp(long long ms) {
  if (ms > INT_MAX) return INT_MAX;
  if (ms < 0) return 0;
  return static_cast<int>(ms);
}

// Compared here rather than through the library: every clip has two clock
// values and their units are a character or two.
template <size_t N>
bool Is(const char* text, int length, const char (&unit)[N]) {
  if (length != static_cast<int>(N - 1)) return false;
  for (size_t i = 0; i + 1 < N; i++)
    if (text[i] != unit[i]) return false;
  return true;
}

}  // namespace

int string_to_int_and_faction(const char* text, int length, long long* whole, int* fraction) {
  *whole = 0;
  *fraction = 0;
  if (length <= 0 || (!IsDigit(text[0]) && text[0] != '.')) return 0;
  int used = 0;
  *whole = Digits(text, length, &used);
  int i = used;
  // Some authoring tools write the fraction with a decimal comma.
  if (i < length && (text[i] == '.' || text[i] == ',')) {
    i++;
    static const int c_Scale[3] = {100, 10, 1};
    for (int k = 0; i < length && IsDigit(text[i]); i++, k++)
      if (k < 3) *fraction += (text[i] - '0') * c_Scale[k];
  }
  return i;
}

int ClippingAndClockValue_to_Ms(const char* text) {
  return text ? ClippingAndClockValue_to_Ms(text, -1) : -1;
}

namespace {

// "h:mm:ss" or "h:mm:ss.fff", as nearly every clip is written; -1 for any
// other form, which the general reading below takes.
int FullClock(const char* text, int len) {
  int i = 0;
  long long hours = 0;
  for (; i < len && IsDigit(text[i]) && i < 6; i++) hours = hours * 10 + (text[i] - '0');
  if (i == 0 || i + 6 > len || text[i] != ':' || text[i + 3] != ':') return -1;
  const char* m = text + i + 1;
  if (!IsDigit(m[0]) || !IsDigit(m[1]) || !IsDigit(m[3]) || !IsDigit(m[4])) return -1;
  long long ms = hours * 3600000 + ((m[0] - '0') * 10 + (m[1] - '0')) * 60000 +
                 ((m[3] - '0') * 10 + (m[4] - '0')) * 1000;
  i += 6;
  if (i == len) return Clamp(ms);
  if (text[i] != '.' || i + 1 == len || len - i - 1 > 3) return -1;
  static const int c_Scale[3] = {100, 10, 1};
  for (int k = 0; ++i < len; k++) {
    if (!IsDigit(text[i])) return -1;
    ms += (text[i] - '0') * c_Scale[k];
  }
  return Clamp(ms);
}

}  // namespace

int ClippingAndClockValue_to_Ms(const char* text, int length) {
  if (!text) return -1;
  int len = length < 0 ? static_cast<int>(strlen(text)) : length;
  if (int fast = FullClock(text, len); fast >= 0) return fast;
  // Attribute values sometimes carry blanks around the value.
  while (len > 0 && (*text == ' ' || *text == '\t' || *text == '\n' || *text == '\r')) {
    text++;
    len--;
  }
  while (len > 0 && (text[len - 1] == ' ' || text[len - 1] == '\t' || text[len - 1] == '\n' ||
                     text[len - 1] == '\r'))
    len--;
  if (len > 4 && Is(text, 4, "npt=")) {
    text += 4;
    len -= 4;
  }
  int colons = 0;
  int first = -1, second = -1;
  for (int i = 0; i < len; i++) {
    if (text[i] != ':') continue;
    colons++;
    if (first < 0)
      first = i;
    else if (second < 0)
      second = i;
  }
  if (colons > 2) return -1;

  long long whole = 0;
  int fraction = 0;
  if (colons == 2) {
    long long hours = Digits(text, first, nullptr);
    long long minutes = Digits(text + first + 1, second - first - 1, nullptr);
    string_to_int_and_faction(text + second + 1, len - second - 1, &whole, &fraction);
    return Clamp(hours * 3600000 + minutes * 60000 + whole * 1000 + fraction);
  }
  if (colons == 1) {
    long long minutes = Digits(text, first, nullptr);
    string_to_int_and_faction(text + first + 1, len - first - 1, &whole, &fraction);
    return Clamp(minutes * 60000 + whole * 1000 + fraction);
  }
  int used = string_to_int_and_faction(text, len, &whole, &fraction);
  const char* unit = text + used;
  int unitLength = len - used;
  if (Is(unit, unitLength, "h")) return Clamp(whole * 3600000 + static_cast<long long>(fraction) * 3600);
  if (Is(unit, unitLength, "min")) return Clamp(whole * 60000 + static_cast<long long>(fraction) * 60);
  if (Is(unit, unitLength, "ms")) return Clamp(whole);
  return Clamp(whole * 1000 + fraction);
}

}  // namespace libDaisy
