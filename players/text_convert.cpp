#include "players/text_convert.h"

#include "core/base/diag.h"
#include "core/lib/iconv/converter.h"

int ConvertToUtf8(const char* fromCode, const char* data, size_t len, std::string* out) {
  if (!fromCode || !out || (!data && len)) return -1;
  out->clear();
  conv::Converter cv("UTF-8", fromCode);
  if (!cv.IsOpen()) {
    DiagPrintf("iconv_open() failed");
    return -1;
  }
  return cv.Convert(data, len, out, conv::UnitSize(fromCode));
}

bool IsValidUtf8(const char* data, size_t len) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(data);
  size_t i = 0;
  while (i < len) {
    unsigned c = p[i];
    if (c < 0x80) {
      ++i;
      continue;
    }
    size_t n;
    unsigned min;
    unsigned cp;
    if ((c & 0xE0) == 0xC0) {
      n = 1, min = 0x80, cp = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
      n = 2, min = 0x800, cp = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
      n = 3, min = 0x10000, cp = c & 0x07;
    } else {
      return false;
    }
    if (i + n >= len) return false;
    for (size_t k = 1; k <= n; ++k) {
      if ((p[i + k] & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (p[i + k] & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    i += n + 1;
  }
  return true;
}
