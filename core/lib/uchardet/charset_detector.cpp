#include "core/lib/uchardet/charset_detector.h"

#include <uchardet/uchardet.h>

namespace chardet {

std::string Detect(const unsigned char* data, size_t size) {
  if (!data || size == 0) return "";
  uchardet_t u = uchardet_new();
  if (!u) return "";
  std::string name;
  if (uchardet_handle_data(u, reinterpret_cast<const char*>(data), size) == 0) {
    uchardet_data_end(u);
    const char* c = uchardet_get_charset(u);
    if (c) name = c;
  }
  uchardet_delete(u);
  return name;
}

}  // namespace chardet
