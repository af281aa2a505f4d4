// Whatever bytes a computer writes as a file name or sends as a hotplug
// message: the spoken form is valid UTF-8 without control characters, and
// the message maps to a known code or 255.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "browser/file_browser.h"
#include "browser/socket_receiver.h"

namespace {

bool ValidUtf8(const std::string& s) {
  size_t i = 0;
  while (i < s.size()) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    size_t n = c < 0x80 ? 1 : (c >= 0xC2 && c <= 0xDF) ? 2 : (c >= 0xE0 && c <= 0xEF) ? 3
                                : (c >= 0xF0 && c <= 0xF4) ? 4 : 0;
    if (n == 0 || i + n > s.size()) return false;
    for (size_t k = 1; k < n; k++)
      if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    if (c < 0x20 || c == 0x7F) return false;
    i += n;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  int code = HotplugMessageCode(reinterpret_cast<const char*>(data), size);
  if (!((code >= 0 && code <= 5) || code == 255)) abort();
  std::string name(reinterpret_cast<const char*>(data), size);
  name = name.substr(0, name.find('\0'));
  std::string spoken = SpeakableName(name.c_str());
  if (!ValidUtf8(spoken)) abort();
  if (!name.empty() && spoken.empty()) abort();
  return 0;
}
