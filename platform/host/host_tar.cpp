// Tar extraction for the host shell (upgrade packets are gzip'd tar files).
// Written here rather than handed to a tar program so that no member can
// land outside the device root, whatever names or links the archive holds.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/host/host_board.h"
#include "platform/host/host_shell.h"

namespace board {
namespace {

// 512 bytes read: true. A clean end of data before the block: false with
// *eof set; a partial block: false.
bool ReadBlock(gzFile f, char* b, bool* eof = nullptr) {
  int n = gzread(f, b, 512);
  if (eof) *eof = n == 0;
  return n == 512;
}

bool ParseOctal(const char* p, size_t n, unsigned long long* out) {
  unsigned long long v = 0;
  size_t i = 0;
  while (i < n && (p[i] == ' ' || p[i] == 0)) ++i;
  bool any = false;
  for (; i < n && p[i] >= '0' && p[i] <= '7'; ++i) {
    v = v * 8 + static_cast<unsigned>(p[i] - '0');
    any = true;
  }
  for (; i < n; ++i)
    if (p[i] != ' ' && p[i] != 0) return false;
  *out = any ? v : 0;
  return true;
}

// Member name -> path below the destination, or "" when it would leave it.
std::string CleanName(const std::string& name) {
  std::string out;
  size_t s = 0;
  while (s <= name.size()) {
    size_t e = name.find('/', s);
    if (e == std::string::npos) e = name.size();
    std::string part = name.substr(s, e - s);
    if (part == "..") return "";
    if (!part.empty() && part != ".") out += "/" + part;
    s = e + 1;
  }
  return out;
}

bool Skip(gzFile f, unsigned long long size) {
  char b[512];
  for (unsigned long long left = (size + 511) / 512; left > 0; --left)
    if (!ReadBlock(f, b)) return false;
  return true;
}

std::string PaxPath(const std::string& data) {
  size_t i = 0;
  std::string path;
  while (i < data.size()) {
    size_t sp = data.find(' ', i);
    if (sp == std::string::npos) break;
    long len = strtol(data.c_str() + i, nullptr, 10);
    if (len <= 0 || i + static_cast<size_t>(len) > data.size()) break;
    std::string rec = data.substr(sp + 1, i + len - sp - 2);
    if (rec.compare(0, 5, "path=") == 0) path = rec.substr(5);
    i += len;
  }
  return path;
}

}  // namespace

int ExtractTar(const std::string& archive, bool, const std::string& destDir,
               std::string (*map)(void*, const std::string&), void* ctx, bool verbose,
               std::string* listing, std::string* error) {
  int fd = open(archive.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    *error = "can't open archive: " + std::string(strerror(errno));
    return -1;
  }
  gzFile f = gzdopen(fd, "rb");
  if (!f) {
    close(fd);
    *error = "can't read archive";
    return -1;
  }
  std::string longName;
  bool refused = false, ok = true, ended = false;
  char h[512];
  for (;;) {
    bool eof = false;
    if (!ReadBlock(f, h, &eof)) {
      if (!eof) {
        *error = "unexpected end of archive";
        ok = false;
      }
      break;
    }
    bool zero = true;
    for (char c : h)
      if (c) {
        zero = false;
        break;
      }
    if (zero) {
      ended = true;
      break;
    }
    unsigned long long size = 0, mode = 0644;
    if (!ParseOctal(h + 124, 12, &size) || !ParseOctal(h + 100, 8, &mode)) {
      *error = "invalid tar header";
      ok = false;
      break;
    }
    char type = h[156];
    std::string name;
    if (!longName.empty()) {
      name = longName;
      longName.clear();
    } else {
      name.assign(h, strnlen(h, 100));
      if (memcmp(h + 257, "ustar", 5) == 0 && h[345]) {
        std::string prefix(h + 345, strnlen(h + 345, 155));
        name = prefix + "/" + name;
      }
    }
    if (type == 'L' || type == 'x') {
      if (size > (1u << 20)) {
        *error = "oversized extended header";
        ok = false;
        break;
      }
      std::string data(static_cast<size_t>((size + 511) / 512 * 512), '\0');
      for (size_t off = 0; off < data.size(); off += 512)
        if (!ReadBlock(f, &data[off])) {
          ok = false;
          break;
        }
      if (!ok) break;
      data.resize(static_cast<size_t>(size));
      longName = type == 'L' ? std::string(data.c_str()) : PaxPath(data);
      continue;
    }
    std::string rel = CleanName(name);
    bool regular = type == '0' || type == 0 || type == '7';
    if (rel.empty() || (type != '5' && !regular)) {
      // Links, devices and names leading out of the destination are skipped.
      if (rel.empty() && (name == ".." || name.find("../") != std::string::npos ||
                          (name.size() > 2 && name.compare(name.size() - 3, 3, "/..") == 0)))
        refused = true;
      if (!Skip(f, type == '5' ? 0 : size)) {
        ok = false;
        break;
      }
      continue;
    }
    std::string dev = (destDir == "/" ? "" : destDir) + rel;
    // Create the parent folders one by one through the device mapping.
    std::string cur;
    size_t s = 1;
    bool parentsOk = true;
    std::string parentDev = type == '5' ? dev : dev.substr(0, dev.rfind('/'));
    while (s <= parentDev.size()) {
      size_t e = parentDev.find('/', s);
      if (e == std::string::npos) e = parentDev.size();
      cur += "/" + parentDev.substr(s, e - s);
      std::string p = map(ctx, cur);
      struct stat st;
      if (p.empty() || (stat(p.c_str(), &st) != 0 && mkdir(p.c_str(), 0755) != 0)) {
        parentsOk = false;
        break;
      }
      s = e + 1;
    }
    if (!parentsOk) {
      *error = "can't create folder for " + name;
      ok = false;
      break;
    }
    if (verbose) *listing += name + "\n";
    if (type == '5') continue;
    std::string path = map(ctx, dev);
    int out = path.empty() ? -1
                           : open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW,
                                  static_cast<mode_t>(mode & 0777));
    if (out < 0) {
      *error = "can't create " + name;
      ok = false;
      break;
    }
    unsigned long long left = size;
    char b[512];
    while (left > 0) {
      if (!ReadBlock(f, b)) {
        ok = false;
        break;
      }
      size_t n = left < 512 ? static_cast<size_t>(left) : 512;
      if (write(out, b, n) != static_cast<ssize_t>(n)) ok = false;
      left -= n;
    }
    close(out);
    if (!ok) {
      *error = "short archive or write error at " + name;
      break;
    }
  }
  if (ok && !ended && error->empty()) {
    // An archive without end blocks is accepted once the data ran out cleanly.
    int errnum = 0;
    gzerror(f, &errnum);
    if (errnum != Z_OK && errnum != Z_STREAM_END) {
      *error = "corrupt archive";
      ok = false;
    }
  }
  gzclose(f);
  if (ok && refused) {
    *error = "members naming places outside the destination were skipped";
    return -1;
  }
  return ok ? 0 : -1;
}

}  // namespace board
