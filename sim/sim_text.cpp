#include "sim/sim_text.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>

namespace sim {
namespace {

unsigned FoldCodePoint(unsigned c) {
  if (c >= 'A' && c <= 'Z') return c + 32;
  if ((c >= 0xC0 && c <= 0xDE && c != 0xD7)) return c + 32;
  if (c >= 0x100 && c <= 0x137) return c | 1;  // pairs: even upper, odd lower
  if (c >= 0x139 && c <= 0x148) return (c & 1) ? c + 1 : c;
  if (c >= 0x14A && c <= 0x177) return c | 1;
  if (c == 0x178) return 0xFF;
  if (c >= 0x179 && c <= 0x17E) return (c & 1) ? c + 1 : c;
  return c;
}

void Append(std::string& out, unsigned c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

}  // namespace

std::string FoldCase(const std::string& s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size();) {
    unsigned char b = static_cast<unsigned char>(s[i]);
    // Only two-byte sequences can hold the letters we fold; pass the rest.
    if (b >= 0xC2 && b <= 0xDF && i + 1 < s.size() && (static_cast<unsigned char>(s[i + 1]) & 0xC0) == 0x80) {
      unsigned c = ((b & 0x1Fu) << 6) | (static_cast<unsigned char>(s[i + 1]) & 0x3Fu);
      Append(out, FoldCodePoint(c));
      i += 2;
    } else {
      out += static_cast<char>(b < 0x80 ? FoldCodePoint(b) : b);
      ++i;
    }
  }
  return out;
}

bool ContainsFolded(const std::string& text, const std::string& needle) {
  return FoldCase(text).find(FoldCase(needle)) != std::string::npos;
}

std::vector<std::string> Words(const std::string& line) {
  std::vector<std::string> out;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    size_t s = i;
    while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
    if (i > s) out.push_back(line.substr(s, i - s));
  }
  return out;
}

std::string Trim(const std::string& s) {
  size_t a = s.find_first_not_of(" \t\r\n");
  if (a == std::string::npos) return "";
  size_t b = s.find_last_not_of(" \t\r\n");
  return s.substr(a, b - a + 1);
}

double ParseSeconds(const std::string& s) {
  if (s.empty()) return -1;
  char* end = nullptr;
  double v = strtod(s.c_str(), &end);
  if (!end || *end || !std::isfinite(v) || v < 0 || v > 86400.0 * 366) return -1;
  return v;
}

void TranscriptTail::SkipToEnd() {
  struct stat st;
  pos_ = stat(path_.c_str(), &st) == 0 ? st.st_size : 0;
}

std::vector<TranscriptLine> TranscriptTail::Read() {
  std::vector<TranscriptLine> lines;
  int fd = open(path_.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return lines;
  struct stat st;
  if (fstat(fd, &st) == 0) {
    if (pos_ < 0) pos_ = st.st_size;
    if (st.st_size < pos_) pos_ = 0;
  }
  if (pos_ < 0) pos_ = 0;
  char buf[16384];
  ssize_t n;
  while ((n = pread(fd, buf, sizeof buf, pos_)) > 0) {
    partial_.append(buf, static_cast<size_t>(n));
    pos_ += n;
  }
  close(fd);
  for (size_t nl; (nl = partial_.find('\n')) != std::string::npos;) {
    std::string line = partial_.substr(0, nl);
    partial_.erase(0, nl + 1);
    size_t a = line.find(' ');
    if (a == std::string::npos) continue;
    size_t b = line.find(' ', a + 1);
    lines.push_back({line.substr(a + 1, b == std::string::npos ? std::string::npos : b - a - 1),
                     b == std::string::npos ? "" : line.substr(b + 1)});
  }
  return lines;
}

}  // namespace sim
