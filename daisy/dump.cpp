#include "daisy/dump.h"

#include <cstdarg>
#include <cstdio>

namespace libDaisy {

void DumpLine(std::string& out, const char* fmt, ...) {
  char buf[512];
  va_list ap;
  va_start(ap, fmt);
  int n = vsnprintf(buf, sizeof buf, fmt, ap);
  va_end(ap);
  if (n < 0) return;
  out.append(buf, n < static_cast<int>(sizeof buf) ? n : sizeof buf - 1);
  out += '\n';
}

void DumpQuoted(std::string& out, const char* text) {
  if (!text) {
    out += '-';
    return;
  }
  out += '"';
  for (const char* p = text; *p; p++) {
    unsigned char c = static_cast<unsigned char>(*p);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += *p;
    } else if (c < 0x20) {
      char buf[8];
      snprintf(buf, sizeof buf, "\\x%02x", c);
      out += buf;
    } else {
      out += *p;
    }
  }
  out += '"';
}

void PrintDump(const std::function<void(std::string&)>& dump) {
  std::string out;
  dump(out);
  fputs(out.c_str(), stdout);
}

}  // namespace libDaisy
