#include "core/base/path_text.h"

#include <algorithm>

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::string PercentDecoded(std::string_view text, size_t max) {
  std::string out;
  out.reserve(std::min(text.size(), max));
  for (size_t i = 0; i < text.size() && out.size() < max; ++i) {
    const int hi = i + 2 < text.size() && text[i] == '%' ? HexValue(text[i + 1]) : -1;
    const int lo = hi >= 0 ? HexValue(text[i + 2]) : -1;
    if (lo >= 0) {
      out += static_cast<char>(hi * 16 + lo);
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

std::vector<std::string> PathParts(std::string_view path) {
  std::vector<std::string> parts;
  size_t from = 0;
  while (from <= path.size()) {
    size_t slash = path.find('/', from);
    if (slash == std::string_view::npos) slash = path.size();
    std::string_view part = path.substr(from, slash - from);
    from = slash + 1;
    if (!part.empty() && part != ".") parts.emplace_back(part);
  }
  return parts;
}
