#include "core/lib/iconv/converter.h"

#include <iconv.h>
#include <strings.h>

#include <cerrno>
#include <utility>

namespace conv {

Converter::Converter(Converter&& other) noexcept
    : cd_(std::exchange(other.cd_, nullptr)), open_(std::exchange(other.open_, false)) {}

Converter& Converter::operator=(Converter&& other) noexcept {
  if (this != &other) {
    Close();
    cd_ = std::exchange(other.cd_, nullptr);
    open_ = std::exchange(other.open_, false);
  }
  return *this;
}

bool Converter::Open(const char* to, const char* from) {
  Close();
  if (!to || !from) return false;
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  cd_ = cd;
  open_ = true;
  return true;
}

void Converter::Close() {
  if (IsOpen()) iconv_close(static_cast<iconv_t>(cd_));
  cd_ = nullptr;
  open_ = false;
}

void Converter::Reset() {
  if (IsOpen()) iconv(static_cast<iconv_t>(cd_), nullptr, nullptr, nullptr, nullptr);
}

int Converter::Step(const char** in, size_t* inLeft, char** out, size_t* outLeft) {
  if (!IsOpen()) return EBADF;
  char* i = const_cast<char*>(*in);
  size_t r = iconv(static_cast<iconv_t>(cd_), &i, inLeft, out, outLeft);
  int err = r == static_cast<size_t>(-1) ? errno : 0;
  *in = i;
  return err;
}

int Converter::Convert(const char* data, size_t size, std::string* out, size_t unit) {
  if (!IsOpen() || !out || (!data && size)) return -1;
  if (unit == 0) unit = 1;
  Reset();
  const char* in = data;
  size_t inLeft = size - size % unit;
  char buf[4096];
  while (inLeft > 0) {
    char* o = buf;
    size_t oLeft = sizeof buf;
    int err = Step(&in, &inLeft, &o, &oLeft);
    out->append(buf, static_cast<size_t>(o - buf));
    if (err == 0 || err == E2BIG) continue;
    // A rejected or cut-off sequence: drop one unit and go on.
    size_t skip = inLeft < unit ? inLeft : unit;
    in += skip;
    inLeft -= skip;
    Reset();
  }
  // Whatever a stateful encoding still holds back.
  char* o = buf;
  size_t oLeft = sizeof buf;
  iconv(static_cast<iconv_t>(cd_), nullptr, nullptr, &o, &oLeft);
  out->append(buf, static_cast<size_t>(o - buf));
  return 0;
}

size_t UnitSize(const char* code) {
  if (!code) return 1;
  return strncasecmp(code, "UTF-16", 6) == 0 || strncasecmp(code, "UCS-2", 5) == 0 ? 2 : 1;
}

}  // namespace conv
