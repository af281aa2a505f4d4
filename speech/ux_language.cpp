// The catalogue list, the current catalogue and the helpers both languages use.
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "core/base/diag.h"
#include "speech/ux_language_impl.h"
#include "speech/ux_tables.h"
#include "speech/ux_language.h"

UxLanguage_EnUs c_UxLanguage_EnUs;
UxLanguage_008_polish_varin c_UxLanguage_Polish;

iUxLanguage* const c_UxLanguageList[UX_LANGUAGE_COUNT] = {&c_UxLanguage_Polish,
                                                         &c_UxLanguage_EnUs};
iUxLanguage* g_pUxLanguage = &c_UxLanguage_Polish;
int g_CurLanguage = UX_LANGUAGE_POLISH;

iUxLanguage* GetUxLanguage(int index) {
  if (index < 0 || index >= UX_LANGUAGE_COUNT) index = UX_LANGUAGE_POLISH;
  return c_UxLanguageList[index];
}

std::string PhraseText(int id) {
  char text[512] = "";
  if (g_pUxLanguage && g_pUxLanguage->GetString(id, text, sizeof text) > 0) return text;
  return std::string();
}

const char* FindInStrInfo(const UxstrInfo* table, int count, int id) {
  if (!table || count <= 0 || id < 0) return nullptr;
  if (id < count && table[id].id == id) return table[id].text;
  DiagPrintf("ID = %d, != pInfo[ID]", id);
  for (int i = 0; i < count; ++i) {
    if (table[i].id == id) return table[i].text;
  }
  DiagPrintf("not found ID = %d", id);
  return nullptr;
}

namespace uxfmt {

int Write(char* buf, int size, const std::string& text) {
  if (!buf || size <= 0) return -1;
  size_t n = text.size();
  if (n > static_cast<size_t>(size - 1)) {
    n = static_cast<size_t>(size - 1);
    // Drop a character that would be cut in half.
    size_t lead = n;
    while (lead > 0 && (static_cast<unsigned char>(text[lead - 1]) & 0xC0) == 0x80) --lead;
    if (lead > 0) {
      unsigned char c = static_cast<unsigned char>(text[lead - 1]);
      size_t need = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
      if (n - (lead - 1) < need) n = lead - 1;
    }
  }
  memcpy(buf, text.data(), n);
  buf[n] = '\0';
  return static_cast<int>(n);
}

std::string Fmt(const char* fmt, ...) {
  char small[256];
  va_list ap;
  va_start(ap, fmt);
  int n = vsnprintf(small, sizeof small, fmt, ap);
  va_end(ap);
  if (n < 0) return "";
  if (static_cast<size_t>(n) < sizeof small) return std::string(small, static_cast<size_t>(n));
  std::string big(static_cast<size_t>(n) + 1, '\0');
  va_start(ap, fmt);
  vsnprintf(&big[0], big.size(), fmt, ap);
  va_end(ap);
  big.resize(static_cast<size_t>(n));
  return big;
}

int CompassSector(int* degrees) {
  int d = *degrees % 360;
  if (d < 0) d += 360;
  *degrees = d;
  if (d <= 22 || d >= 338) return 0;
  return (d - 23) / 45 + 1;
}

int RoundTimeLeft(int s) {
  if (s <= 0) return 0;
  // Down to the unit, so "about" never promises more than is left; a few
  // seconds still say one unit rather than none.
  const int unit = s < 60 ? 5 : s < 600 ? 10 : 60;
  int r = s / unit * unit;
  return r > 0 ? r : unit;
}

bool SizeInBytes(int64_t n) {
  return n < 1024 || static_cast<int32_t>(static_cast<uint64_t>(n) >> 32) < 0;
}

std::string SizeInUnits(int64_t n) {
  float f = static_cast<float>(n);
  if (n < 1024 * 1024) return Fmt("%.2fKB", static_cast<double>(f / 1024));
  if (n < 1024 * 1024 * 1024) return Fmt("%.2fMB", static_cast<double>(f / 1024 / 1024));
  return Fmt("%.2fGB", static_cast<double>(f / 1024 / 1024 / 1024));
}

bool IsAsciiLetterOrDigit(int c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

}  // namespace uxfmt
