#include "supervisor/packet/upgrade_install.h"

#include <dirent.h>
#include <sys/stat.h>
#include <sys/statvfs.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "core/base/diag.h"
#include "core/base/path_text.h"
#include "core/lib/gzip/gzip_reader.h"
#include "platform/board.h"

namespace {

// The root file system's program, library and configuration folders: never
// the disks, device nodes, kernel trees or volatile state.
const char* const c_UpgradePlaces[] = {"home", "etc", "lib", "usr", "bin", "sbin", "opt"};

constexpr unsigned long long kMaxExtendedHeader = 1u << 20;
constexpr unsigned long long kFsBlock = 4096;  // what one file takes at least

// Room the root file system has for the staged copy (the old files stay
// until the switch); 0 when it cannot be asked.
unsigned long long RootRoom() {
  struct statvfs sv;
  if (statvfs(board::Path("/").c_str(), &sv) != 0) return 0;
  return static_cast<unsigned long long>(sv.f_bavail) * sv.f_frsize;
}

std::string Q(const std::string& w) { return board::ShellQuote(w); }

long ReadFull(GzipReader& gz, void* buf, size_t n) {
  size_t got = 0;
  while (got < n) {
    long r = gz.Read(static_cast<char*>(buf) + got, n - got);
    if (r < 0) return -1;
    if (r == 0) break;
    got += static_cast<size_t>(r);
  }
  return static_cast<long>(got);
}

bool ParseOctal(const unsigned char* p, size_t n, unsigned long long* out) {
  unsigned long long v = 0;
  size_t i = 0;
  while (i < n && (p[i] == ' ' || p[i] == 0)) ++i;
  for (; i < n && p[i] >= '0' && p[i] <= '7'; ++i) v = v * 8 + static_cast<unsigned>(p[i] - '0');
  for (; i < n; ++i)
    if (p[i] != ' ' && p[i] != 0) return false;
  *out = v;
  return true;
}

// The "path" record of a pax extended header, "" when it has none.
std::string PaxPath(const std::string& data) {
  std::string path;
  size_t i = 0;
  while (i < data.size()) {
    size_t sp = data.find(' ', i);
    long len = strtol(data.c_str() + i, nullptr, 10);
    if (sp == std::string::npos || len <= 0 || i + static_cast<size_t>(len) > data.size()) break;
    std::string rec = data.substr(sp + 1, i + len - sp - 2);
    if (rec.compare(0, 5, "path=") == 0) path = rec.substr(5);
    i += static_cast<size_t>(len);
  }
  return path;
}

// A member name may only name a place an upgrade may write; tar strips a
// leading "/", so "/home/x" lands in home as well.
bool AllowedMember(const std::string& name, bool folder) {
  const std::vector<std::string> parts = PathParts(name);
  for (const std::string& part : parts)
    if (part == "..") return false;
  if (parts.empty()) return folder;  // the archive's own top folder, "./"
  for (const char* place : c_UpgradePlaces)
    if (parts[0] == place) return true;
  return false;
}

bool Skip(GzipReader& gz, unsigned long long size) {
  unsigned char b[512];
  for (unsigned long long left = (size + 511) / 512; left > 0; --left)
    if (ReadFull(gz, b, 512) != 512) return false;
  return true;
}

// One header: 1 to go on, 0 at the end, or the negative result. `*total`
// grows by what the member takes unpacked and may not pass `room`.
int CheckMember(GzipReader& gz, const unsigned char* h, std::string* longName,
                unsigned long long room, unsigned long long* total) {
  unsigned long long size = 0;
  if (!ParseOctal(h + 124, 12, &size)) return -3;
  char type = static_cast<char>(h[156]);
  if (type == 'L' || type == 'x') {
    if (size > kMaxExtendedHeader) return -3;
    std::string data(static_cast<size_t>((size + 511) / 512 * 512), '\0');
    if (ReadFull(gz, &data[0], data.size()) != static_cast<long>(data.size())) return -3;
    data.resize(static_cast<size_t>(size));
    *longName = type == 'L' ? std::string(data.c_str()) : PaxPath(data);
    return 1;
  }
  std::string name;
  name.swap(*longName);
  if (name.empty()) {
    name.assign(reinterpret_cast<const char*>(h), strnlen(reinterpret_cast<const char*>(h), 100));
    if (memcmp(h + 257, "ustar", 5) == 0 && h[345])
      name = std::string(reinterpret_cast<const char*>(h + 345),
                         strnlen(reinterpret_cast<const char*>(h + 345), 155)) +
             "/" + name;
  }
  bool folder = type == '5', regular = type == '0' || type == 0 || type == '7';
  if ((!folder && !regular) || !AllowedMember(name, folder)) {
    DIAG("upgrade member refused: %s (type %d)", name.c_str(), type);
    return -6;
  }
  // Judged from the header, before a byte is inflated: a small packet may
  // hold a member of any size.
  unsigned long long takes = folder ? kFsBlock : (size + kFsBlock - 1) / kFsBlock * kFsBlock + kFsBlock;
  if (size > room || takes > room - std::min(*total, room)) {
    DIAG("upgrade too big: %s (%llu bytes) after %llu, room %llu", name.c_str(), size, *total, room);
    return -7;
  }
  *total += takes;
  return Skip(gz, folder ? 0 : size) ? 1 : -3;
}

void MoveFile(const std::string& from, const std::string& to) {
  if (BRename(from.c_str(), to.c_str()) == 0) return;
  if (errno == EXDEV) {
    // Another file system: copy beside the target, then rename over it.
    std::string tmp = to + ".upgrade";
    if (board::System("cp " + Q(from) + " " + Q(tmp)) == 0 && BRename(tmp.c_str(), to.c_str()) == 0) {
      BUnlink(from.c_str());
      return;
    }
  }
  DIAG("can not move %s to %s: %s", from.c_str(), to.c_str(), strerror(errno));
}

// Moves every file under `dir` to the same place below `target` ("" = /).
void MoveTree(const std::string& dir, const std::string& target) {
  DIR* d = BOpendir(dir.c_str());
  if (!d) return;
  std::vector<std::string> names;
  while (struct dirent* e = readdir(d))
    if (strcmp(e->d_name, ".") != 0 && strcmp(e->d_name, "..") != 0) names.push_back(e->d_name);
  closedir(d);
  for (const std::string& n : names) {
    std::string from = dir + "/" + n, to = target + "/" + n;
    struct stat st;
    if (BStat(from.c_str(), &st) != 0) continue;
    if (S_ISDIR(st.st_mode)) {
      BMkdir(to.c_str(), 0755);
      MoveTree(from, to);
    } else {
      MoveFile(from, to);
    }
  }
}

}  // namespace

int CheckUpgradeArchive(const char* payloadPath) {
  return CheckUpgradeArchive(payloadPath, std::min(RootRoom(), kMaxUpgradeBytes));
}

int CheckUpgradeArchive(const char* payloadPath, unsigned long long room) {
  GzipReader gz;
  if (!payloadPath || gz.Open(board::Path(payloadPath)) != 0) return -1;
  std::string longName;
  unsigned long long total = 0;
  unsigned char h[512];
  for (;;) {
    long n = ReadFull(gz, h, sizeof h);
    if (n == 0) return 0;  // no end blocks: tar takes it as it is
    if (n != static_cast<long>(sizeof h)) return -3;
    bool zero = true;
    for (unsigned char c : h) zero = zero && c == 0;
    if (zero) return 0;
    int r = CheckMember(gz, h, &longName, room, &total);
    if (r <= 0) return r;
  }
}

int FinishInterruptedUpgrade() {
  struct stat st;
  // Unpacking cut short: what it left is never used and may fill the root.
  if (BStat(kUpgradeStaging, &st) == 0) {
    board::System(std::string("rm -rf ") + Q(kUpgradeStaging));
    board::System("sync");
  }
  if (BStat(kUpgradeReady, &st) != 0 || !S_ISDIR(st.st_mode)) return 0;
  MoveTree(kUpgradeReady, "");
  board::System(std::string("rm -rf ") + Q(kUpgradeReady));
  board::System("sync");
  return 1;
}

int InstallUpgradePayload(const char* payloadPath) {
  FinishInterruptedUpgrade();
  int r = CheckUpgradeArchive(payloadPath);
  if (r != 0) return r;
  board::System(std::string("rm -rf ") + Q(kUpgradeStaging));
  board::System(std::string("mkdir -p ") + Q(kUpgradeStaging));
  if (board::System("tar -zxvf " + Q(payloadPath) + " -C " + Q(kUpgradeStaging)) != 0) {
    DIAG("can not unpack %s", payloadPath);
    board::System(std::string("rm -rf ") + Q(kUpgradeStaging));
    return -3;
  }
  board::System("sync");
  // The one step that decides between the old firmware and the new one.
  if (BRename(kUpgradeStaging, kUpgradeReady) != 0) {
    board::System(std::string("rm -rf ") + Q(kUpgradeStaging));
    return -1;
  }
  board::System("sync");
  FinishInterruptedUpgrade();
  return 0;
}
