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

bool AllZero(const char* h) {
  for (int i = 0; i < 512; ++i)
    if (h[i]) return false;
  return true;
}

// The member name of header `h`, taking a long name read before it.
std::string HeaderName(const char* h, std::string* longName) {
  std::string name;
  if (!longName->empty()) {
    name.swap(*longName);
    return name;
  }
  name.assign(h, strnlen(h, 100));
  if (memcmp(h + 257, "ustar", 5) == 0 && h[345])
    name = std::string(h + 345, strnlen(h + 345, 155)) + "/" + name;
  return name;
}

// A GNU long name ('L') or pax header ('x') of `size` bytes into *longName.
bool ReadLongName(gzFile f, char type, unsigned long long size, std::string* longName,
                  std::string* error) {
  if (size > (1u << 20)) {
    *error = "oversized extended header";
    return false;
  }
  std::string data(static_cast<size_t>((size + 511) / 512 * 512), '\0');
  for (size_t off = 0; off < data.size(); off += 512)
    if (!ReadBlock(f, &data[off])) return false;
  data.resize(static_cast<size_t>(size));
  *longName = type == 'L' ? std::string(data.c_str()) : PaxPath(data);
  return true;
}

bool LeadsOut(const std::string& name) {
  return name == ".." || name.find("../") != std::string::npos ||
         (name.size() > 2 && name.compare(name.size() - 3, 3, "/..") == 0);
}

// Creates the folders of device path `dir` one by one through the mapping.
bool MakeFolders(const std::string& dir, std::string (*map)(void*, const std::string&), void* ctx) {
  std::string cur;
  size_t s = 1;
  while (s <= dir.size()) {
    size_t e = dir.find('/', s);
    if (e == std::string::npos) e = dir.size();
    cur += "/" + dir.substr(s, e - s);
    std::string p = map(ctx, cur);
    struct stat st;
    if (p.empty() || (stat(p.c_str(), &st) != 0 && mkdir(p.c_str(), 0755) != 0)) return false;
    s = e + 1;
  }
  return true;
}

// Copies `size` bytes of member data to the new file at `path`. 0, -1 when
// the file can't be made, -2 on a short archive or a write error.
int WriteMember(gzFile f, const std::string& path, unsigned long long mode, unsigned long long size) {
  int out = path.empty() ? -1
                         : open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW,
                                static_cast<mode_t>(mode & 0777));
  if (out < 0) return -1;
  bool ok = true;
  char b[512];
  for (unsigned long long left = size; left > 0 && ok;) {
    if (!ReadBlock(f, b)) {
      ok = false;
      break;
    }
    size_t n = left < 512 ? static_cast<size_t>(left) : 512;
    if (write(out, b, n) != static_cast<ssize_t>(n)) ok = false;
    left -= n;
  }
  close(out);
  return ok ? 0 : -2;
}

struct TarRun {
  gzFile f;
  std::string destDir;
  std::string (*map)(void*, const std::string&);
  void* ctx;
  bool verbose;
  std::string* listing;
  std::string* error;
  std::string longName;
  bool refused = false;
};

// One member from header `h`. 1 to go on, 0 at a clean end, -1 on failure.
int ExtractMember(TarRun& r, const char* h) {
  unsigned long long size = 0, mode = 0644;
  if (!ParseOctal(h + 124, 12, &size) || !ParseOctal(h + 100, 8, &mode)) {
    *r.error = "invalid tar header";
    return -1;
  }
  char type = h[156];
  std::string name = HeaderName(h, &r.longName);
  if (type == 'L' || type == 'x') return ReadLongName(r.f, type, size, &r.longName, r.error) ? 1 : -1;
  std::string rel = CleanName(name);
  bool regular = type == '0' || type == 0 || type == '7';
  if (rel.empty() || (type != '5' && !regular)) {
    // Links, devices and names leading out of the destination are skipped.
    if (rel.empty() && LeadsOut(name)) r.refused = true;
    return Skip(r.f, type == '5' ? 0 : size) ? 1 : -1;
  }
  std::string dev = (r.destDir == "/" ? "" : r.destDir) + rel;
  if (!MakeFolders(type == '5' ? dev : dev.substr(0, dev.rfind('/')), r.map, r.ctx)) {
    *r.error = "can't create folder for " + name;
    return -1;
  }
  if (r.verbose) *r.listing += name + "\n";
  if (type == '5') return 1;
  int w = WriteMember(r.f, r.map(r.ctx, dev), mode, size);
  if (w == -1) *r.error = "can't create " + name;
  if (w == -2) *r.error = "short archive or write error at " + name;
  return w == 0 ? 1 : -1;
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
  TarRun r{f, destDir, map, ctx, verbose, listing, error, std::string(), false};
  bool ok = true, ended = false;
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
    if (AllZero(h)) {
      ended = true;
      break;
    }
    if (ExtractMember(r, h) < 0) {
      ok = false;
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
  if (ok && r.refused) {
    *error = "members naming places outside the destination were skipped";
    return -1;
  }
  return ok ? 0 : -1;
}

}  // namespace board
