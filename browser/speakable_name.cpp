// Names on a FAT disk are whatever a computer wrote there. Speech takes
// UTF-8; anything else is read as the Polish Windows code page, the most
// likely origin of a name that is not UTF-8 on this device.
#include <string>

#include "browser/file_browser.h"
#include "core/lib/iconv/converter.h"

namespace {

// Length of the valid UTF-8 sequence at s, or 0.
size_t Utf8Length(const unsigned char* s) {
  unsigned c = s[0];
  size_t n;
  unsigned min;
  if (c < 0x80) return 1;
  if (c >= 0xC2 && c <= 0xDF) {
    n = 2;
    min = 0x80;
  } else if (c >= 0xE0 && c <= 0xEF) {
    n = 3;
    min = 0x800;
  } else if (c >= 0xF0 && c <= 0xF4) {
    n = 4;
    min = 0x10000;
  } else {
    return 0;
  }
  unsigned code = c & (0x7F >> n);
  for (size_t i = 1; i < n; i++) {
    if ((s[i] & 0xC0) != 0x80) return 0;
    code = (code << 6) | (s[i] & 0x3F);
  }
  if (code < min || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  return n;
}

void AppendCp1250(conv::Converter& cp1250, unsigned char byte, std::string* out) {
  char in = static_cast<char>(byte);
  const char* ip = &in;
  char buf[8];
  char* op = buf;
  size_t il = 1, ol = sizeof buf;
  cp1250.Reset();
  if (cp1250.Step(&ip, &il, &op, &ol) == 0 && il == 0)
    out->append(buf, static_cast<size_t>(op - buf));
  else
    out->push_back(' ');  // a byte no code page gives a meaning
}

}  // namespace

std::string SpeakableName(const char* name) {
  std::string out;
  if (!name) return out;
  const auto* s = reinterpret_cast<const unsigned char*>(name);
  conv::Converter cp1250;  // opened at the first byte that needs it
  while (*s) {
    if (*s < 0x20 || *s == 0x7F) {
      out.push_back(' ');
      s++;
      continue;
    }
    size_t n = Utf8Length(s);
    if (n) {
      out.append(reinterpret_cast<const char*>(s), n);
      s += n;
    } else {
      if (!cp1250.IsOpen()) cp1250.Open("UTF-8", "CP1250");
      AppendCp1250(cp1250, *s, &out);
      s++;
    }
  }
  return out;
}
