#include "players/text_convert.h"

#include <iconv.h>
#include <strings.h>

#include <cerrno>

#include "core/base/diag.h"

namespace {

// Owns one iconv descriptor.
class Iconv {
 public:
  Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Iconv() {
    if (ok()) iconv_close(cd_);
  }
  Iconv(const Iconv&) = delete;
  Iconv& operator=(const Iconv&) = delete;
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t get() const { return cd_; }
  void Reset() { iconv(cd_, nullptr, nullptr, nullptr, nullptr); }

 private:
  iconv_t cd_;
};

size_t UnitSize(const char* fromCode) {
  return strncasecmp(fromCode, "UTF-16", 6) == 0 || strncasecmp(fromCode, "UCS-2", 5) == 0 ? 2 : 1;
}

}  // namespace

int ConvertToUtf8(const char* fromCode, const char* data, size_t len, std::string* out) {
  if (!fromCode || !out || (!data && len)) return -1;
  out->clear();
  Iconv cv("UTF-8", fromCode);
  if (!cv.ok()) {
    DiagPrintf("iconv_open() failed");
    return -1;
  }
  const size_t unit = UnitSize(fromCode);
  char* in = const_cast<char*>(data);
  size_t inLeft = len - len % unit;
  char buf[4096];
  while (inLeft > 0) {
    char* o = buf;
    size_t oLeft = sizeof buf;
    size_t r = iconv(cv.get(), &in, &inLeft, &o, &oLeft);
    out->append(buf, static_cast<size_t>(o - buf));
    if (r != static_cast<size_t>(-1)) continue;
    if (errno == E2BIG) continue;
    // EILSEQ or EINVAL (a lone or truncated sequence): drop one unit and go on.
    size_t skip = inLeft < unit ? inLeft : unit;
    in += skip;
    inLeft -= skip;
    cv.Reset();
  }
  return 0;
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
