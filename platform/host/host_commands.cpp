// The commands of the host shell, each with the effect it has on the device.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/host/host_board.h"
#include "platform/host/host_shell.h"

namespace fs = std::filesystem;

namespace board {
namespace {

using Args = std::vector<std::string>;

const char c_Gadget[] = "/sys/devices/platform/omap/musb-ti81xx/musb-hdrc.0/gadget";

std::string Base(const std::string& p) {
  std::string s = p;
  while (s.size() > 1 && s.back() == '/') s.pop_back();
  size_t k = s.rfind('/');
  return k == std::string::npos ? s : s.substr(k + 1);
}

std::string ModuleName(const std::string& p) {
  std::string b = Base(p);
  if (b.size() > 3 && b.compare(b.size() - 3, 3, ".ko") == 0) b.resize(b.size() - 3);
  for (char& c : b)
    if (c == '-') c = '_';
  return b;
}

std::string Abs(const std::string& p) { return HostBoard::Normalize(p.empty() || p[0] != '/' ? "/" + p : p); }

// Splits "-rf" style flags off the front; stops at "--" or the first operand.
// Returns false on an unknown flag (its letter in *bad).
bool Flags(const Args& a, const std::string& known, std::string* set, Args* operands, char* bad) {
  bool opts = true;
  for (size_t i = 1; i < a.size(); ++i) {
    const std::string& w = a[i];
    if (opts && w == "--") {
      opts = false;
      continue;
    }
    if (opts && w.size() > 1 && w[0] == '-') {
      for (size_t k = 1; k < w.size(); ++k) {
        if (known.find(w[k]) == std::string::npos) {
          *bad = w[k];
          return false;
        }
        *set += w[k];
      }
      continue;
    }
    operands->push_back(w);
  }
  return true;
}

bool Has(const std::string& set, char c) { return set.find(c) != std::string::npos; }

bool Inside(const std::string& child, const std::string& parent) {
  return child == parent || (child.size() > parent.size() && child.compare(0, parent.size(), parent) == 0 &&
                             child[parent.size()] == '/');
}

void RemoveContents(const std::string& dir) {
  std::error_code ec;
  for (auto& e : fs::directory_iterator(dir, ec)) fs::remove_all(e.path(), ec);
}

}  // namespace

int HostShell::CmdMount(const Args& a, Io& io) {
  Args ops;
  std::string type;
  for (size_t i = 1; i < a.size(); ++i) {
    if ((a[i] == "-t" || a[i] == "-o") && i + 1 < a.size()) {
      if (a[i] == "-t") type = a[i + 1];
      ++i;
    } else if (a[i] == "-r" || a[i] == "-w" || a[i] == "-n") {
    } else {
      ops.push_back(a[i]);
    }
  }
  if (ops.empty()) {
    for (auto& m : board_->Mounts()) io.out += "/dev/" + m.second + " on " + m.first + " type vfat (rw)\n";
    return 0;
  }
  if (ops.size() != 2) {
    io.err += "mount: give the device and the mount point\n";
    return 1;
  }
  if (!type.empty() && type != "vfat" && type != "auto") {
    io.err += "mount: unknown filesystem type '" + type + "'\n";
    return 32;
  }
  std::string src = Abs(ops[0]), dir = Abs(ops[1]);
  std::string block = HostBoard::BlockName(src);
  struct stat st;
  std::string srcPath = board_->Path(src);
  if (block.empty() || stat(srcPath.c_str(), &st) != 0) {
    io.err += "mount: mounting " + ops[0] + " on " + ops[1] + " failed: No such device or address\n";
    return 32;
  }
  int r = board_->Mount(block, dir);
  if (r == 0) return 0;
  if (r == ENOENT)
    io.err += "mount: mounting " + ops[0] + " on " + ops[1] + " failed: No such device or address\n";
  else if (r == EINVAL)
    io.err += "mount: mounting " + ops[0] + " on " + ops[1] + " failed: Invalid argument\n";
  else if (r == ENOTDIR)
    io.err += "mount: mounting " + ops[0] + " on " + ops[1] + " failed: No such file or directory\n";
  else
    io.err += "mount: mounting " + ops[0] + " on " + ops[1] + " failed: Device or resource busy\n";
  return 32;
}

int HostShell::CmdUmount(const Args& a, Io& io) {
  std::string set;
  Args ops;
  char bad = 0;
  if (!Flags(a, "lfrn", &set, &ops, &bad) || ops.size() != 1) {
    io.err += "umount: give one mount point\n";
    return 1;
  }
  int err = board_->Unmount(Abs(ops[0]));
  if (err != 0) {
    io.err += "umount: can't unmount " + ops[0] + (err == EBUSY ? ": Device or resource busy\n" : ": Invalid argument\n");
    return 32;
  }
  return 0;
}

int HostShell::CmdMkfs(const Args& a, Io& io) {
  Args ops;
  std::string label;
  for (size_t i = 1; i < a.size(); ++i) {
    const std::string& w = a[i];
    if ((w == "-n" || w == "-F" || w == "-S" || w == "-s" || w == "-i") && i + 1 < a.size()) {
      if (w == "-n") label = a[i + 1];
      ++i;
    } else if (w == "-I" || w == "-c" || w == "-v") {
    } else {
      ops.push_back(w);
    }
  }
  if (ops.size() != 1) {
    io.err += "mkfs.vfat: give one device\n";
    return 1;
  }
  std::string dev = Abs(ops[0]);
  std::string block = HostBoard::BlockName(dev);
  if (block.empty() || !board_->BlockPresent(block)) {
    io.err += "mkfs.vfat: unable to open " + ops[0] + ": No such file or directory\n";
    return 1;
  }
  std::string backing = board_->BackingDir(block);
  for (auto& m : board_->Mounts()) {
    if (board_->BackingDir(m.second) == backing) {
      io.err += "mkfs.vfat: " + ops[0] + " contains a mounted filesystem.\n";
      return 1;
    }
  }
  if (board_->BlockExported(block)) {
    io.err += "mkfs.vfat: unable to open " + ops[0] + ": Device or resource busy\n";
    return 1;
  }
  std::error_code ec;
  fs::create_directories(backing, ec);
  RemoveContents(backing);
  std::ofstream(board_->root() + "/dev/" + block, std::ios::trunc)
      << "vfat\n" << (label.empty() ? "" : "label " + label + "\n");
  return 0;
}

int HostShell::CmdInsmod(const Args& a, Io& io) {
  if (a.size() < 2) {
    io.err += "insmod: give a module file\n";
    return 1;
  }
  std::string path = Map(a[1], io, "insmod");
  struct stat st;
  if (path.empty() || stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
    io.err += "insmod: can't read '" + a[1] + "': No such file or directory\n";
    return 1;
  }
  std::string name = ModuleName(a[1]);
  const HostState& hs = board_->host_state();
  std::string loaded;
  {
    std::ifstream in(hs.File(state::kModules));
    std::stringstream ss;
    ss << in.rdbuf();
    loaded = ss.str();
  }
  std::istringstream ls(loaded);
  for (std::string m; std::getline(ls, m);) {
    if (m == name) {
      io.err += "insmod: can't insert '" + a[1] + "': File exists\n";
      return 1;
    }
  }
  if (name == "g_mass_storage") {
    Args files;
    for (size_t i = 2; i < a.size(); ++i) {
      if (a[i].compare(0, 5, "file=") != 0) continue;
      std::string list = a[i].substr(5);
      size_t s = 0;
      while (s <= list.size()) {
        size_t e = list.find(',', s);
        if (e == std::string::npos) e = list.size();
        files.push_back(list.substr(s, e - s));
        s = e + 1;
      }
    }
    if (files.empty() || files.size() > 2) {
      io.err += "insmod: can't insert '" + a[1] + "': Invalid parameters\n";
      return 1;
    }
    for (auto& f : files) {
      std::string b = HostBoard::BlockName(Abs(f));
      if (b.empty() || !board_->BlockPresent(b)) {
        io.err += "insmod: can't insert '" + a[1] + "': No such device\n";
        return 1;
      }
    }
    std::string gadget = board_->root() + c_Gadget;
    std::error_code ec;
    for (size_t i = 0; i < files.size(); ++i) {
      std::string lun = gadget + "/lun" + std::to_string(i);
      fs::create_directories(lun, ec);
      std::ofstream(lun + "/file", std::ios::trunc) << Abs(files[i]) << "\n";
    }
  }
  hs.Set(state::kModules, loaded + name + "\n");
  return 0;
}

int HostShell::CmdRmmod(const Args& a, Io& io) {
  if (a.size() < 2) {
    io.err += "rmmod: give a module\n";
    return 1;
  }
  std::string name = ModuleName(a.back());
  const HostState& hs = board_->host_state();
  std::ifstream in(hs.File(state::kModules));
  std::string rest, m;
  bool found = false;
  while (std::getline(in, m)) {
    if (m == name)
      found = true;
    else if (!m.empty())
      rest += m + "\n";
  }
  if (!found) {
    io.err += "rmmod: can't unload module '" + name + "': No such file or directory\n";
    return 1;
  }
  hs.Set(state::kModules, rest);
  if (name == "g_mass_storage") {
    std::error_code ec;
    fs::remove_all(board_->root() + c_Gadget, ec);
  }
  return 0;
}

int HostShell::CmdHwclock(const Args& a, Io& io) {
  for (size_t i = 1; i < a.size(); ++i) {
    const std::string& w = a[i];
    if (w == "-w" || w == "--systohc") {
      board_->host_state().SetInt(state::kRtcClock, static_cast<long long>(board_->Now()));
    } else if (w == "-r" || w == "--show") {
      time_t t = board_->host_state().GetInt(state::kRtcClock, static_cast<long long>(board_->Now()));
      char buf[64];
      struct tm tm;
      strftime(buf, sizeof buf, "%a %b %e %H:%M:%S %Y", localtime_r(&t, &tm));
      io.out += std::string(buf) + "  0.000000 seconds\n";
    } else if (w == "-s" || w == "--hctosys" || w == "-u" || w == "--utc" || w == "-l" ||
               w == "--localtime") {
      // The simulated system clock is the one the RTC keeps.
    } else {
      io.err += "hwclock: unrecognized option '" + w + "'\n";
      return 1;
    }
  }
  return 0;
}

int HostShell::CmdDate(const Args& a, Io& io) {
  std::string set, format;
  for (size_t i = 1; i < a.size(); ++i) {
    if (a[i] == "-s" && i + 1 < a.size())
      set = a[++i];
    else if (!a[i].empty() && a[i][0] == '+')
      format = a[i].substr(1);
    else if (a[i] == "-u")
      ;
    else
      set = a[i];
  }
  if (!set.empty()) {
    int y, mo, d, h, mi, s = 0;
    int n = sscanf(set.c_str(), "%d-%d-%d %d:%d:%d", &y, &mo, &d, &h, &mi, &s);
    if (n < 5 || y < 1970 || y > 2105 || mo < 1 || mo > 12 || d < 1 || d > 31 || h < 0 || h > 23 ||
        mi < 0 || mi > 59 || s < 0 || s > 60) {
      io.err += "date: invalid date '" + set + "'\n";
      return 1;
    }
    struct tm tm = {};
    tm.tm_year = y - 1900;
    tm.tm_mon = mo - 1;
    tm.tm_mday = d;
    tm.tm_hour = h;
    tm.tm_min = mi;
    tm.tm_sec = s;
    tm.tm_isdst = -1;
    time_t t = mktime(&tm);
    if (t == static_cast<time_t>(-1) || tm.tm_mday != d) {
      io.err += "date: invalid date '" + set + "'\n";
      return 1;
    }
    board_->SetClockOffset(static_cast<long>(t - time(nullptr)));
  }
  time_t now = board_->Now();
  struct tm tm;
  localtime_r(&now, &tm);
  char buf[256];
  if (strftime(buf, sizeof buf, format.empty() ? "%a %b %e %H:%M:%S %Z %Y" : format.c_str(), &tm) == 0)
    buf[0] = 0;
  io.out += std::string(buf) + "\n";
  return 0;
}

int HostShell::CmdCp(const Args& a, Io& io) {
  std::string set;
  Args ops;
  char bad = 0;
  if (!Flags(a, "rRafpvdP", &set, &ops, &bad)) {
    io.err += std::string("cp: invalid option -- '") + bad + "'\n";
    return 1;
  }
  bool recursive = Has(set, 'r') || Has(set, 'R') || Has(set, 'a');
  if (ops.size() < 2) {
    io.err += "cp: missing file operand\n";
    return 1;
  }
  std::string destDev = Abs(ops.back());
  std::string dest = Map(destDev, io, "cp");
  if (dest.empty()) return 1;
  bool destIsDir = fs::is_directory(dest);
  if (ops.size() > 2 && !destIsDir) {
    io.err += "cp: target '" + ops.back() + "' is not a directory\n";
    return 1;
  }
  int rc = 0;
  for (size_t i = 0; i + 1 < ops.size(); ++i) {
    std::string srcDev = Abs(ops[i]);
    std::string src = Map(srcDev, io, "cp");
    if (src.empty()) {
      rc = 1;
      continue;
    }
    std::error_code ec;
    fs::file_status st = fs::status(src, ec);
    if (!fs::exists(st)) {
      io.err += "cp: can't stat '" + ops[i] + "': No such file or directory\n";
      rc = 1;
      continue;
    }
    std::string targetDev = destIsDir ? HostBoard::Normalize(destDev + "/" + Base(srcDev)) : destDev;
    std::string target = destIsDir ? dest + "/" + Base(srcDev) : dest;
    if (fs::is_directory(st)) {
      if (!recursive) {
        io.err += "cp: omitting directory '" + ops[i] + "'\n";
        rc = 1;
        continue;
      }
      if (Inside(targetDev, srcDev)) {
        io.err += "cp: cannot copy a directory, '" + ops[i] + "', into itself\n";
        rc = 1;
        continue;
      }
      fs::copy(src, target, fs::copy_options::recursive | fs::copy_options::overwrite_existing, ec);
    } else {
      if (fs::exists(target) && fs::equivalent(src, target, ec)) {
        io.err += "cp: '" + ops[i] + "' and '" + ops.back() + "' are the same file\n";
        rc = 1;
        continue;
      }
      fs::copy_file(src, target, fs::copy_options::overwrite_existing, ec);
    }
    if (ec) {
      io.err += "cp: can't create '" + targetDev + "': " + ec.message() + "\n";
      rc = 1;
    }
  }
  return rc;
}

int HostShell::CmdMv(const Args& a, Io& io) {
  std::string set;
  Args ops;
  char bad = 0;
  if (!Flags(a, "fiv", &set, &ops, &bad)) {
    io.err += std::string("mv: invalid option -- '") + bad + "'\n";
    return 1;
  }
  if (ops.size() < 2) {
    io.err += "mv: missing file operand\n";
    return 1;
  }
  std::string destDev = Abs(ops.back());
  std::string dest = Map(destDev, io, "mv");
  if (dest.empty()) return 1;
  bool destIsDir = fs::is_directory(dest);
  if (ops.size() > 2 && !destIsDir) {
    io.err += "mv: target '" + ops.back() + "' is not a directory\n";
    return 1;
  }
  auto mounts = board_->Mounts();
  int rc = 0;
  for (size_t i = 0; i + 1 < ops.size(); ++i) {
    std::string srcDev = Abs(ops[i]);
    std::string src = Map(srcDev, io, "mv");
    if (src.empty()) {
      rc = 1;
      continue;
    }
    struct stat st;
    if (lstat(src.c_str(), &st) != 0) {
      io.err += "mv: can't rename '" + ops[i] + "': No such file or directory\n";
      rc = 1;
      continue;
    }
    if (mounts.count(srcDev)) {
      io.err += "mv: can't rename '" + ops[i] + "': Device or resource busy\n";
      rc = 1;
      continue;
    }
    std::string targetDev = destIsDir ? HostBoard::Normalize(destDev + "/" + Base(srcDev)) : destDev;
    std::string target = destIsDir ? dest + "/" + Base(srcDev) : dest;
    if (S_ISDIR(st.st_mode) && Inside(targetDev, srcDev) && targetDev != srcDev) {
      io.err += "mv: can't move '" + ops[i] + "' into a subdirectory of itself\n";
      rc = 1;
      continue;
    }
    if (rename(src.c_str(), target.c_str()) != 0) {
      std::error_code ec;
      fs::copy(src, target, fs::copy_options::recursive | fs::copy_options::overwrite_existing, ec);
      if (!ec) fs::remove_all(src, ec);
      if (ec) {
        io.err += "mv: can't rename '" + ops[i] + "': " + ec.message() + "\n";
        rc = 1;
      }
    }
  }
  return rc;
}

int HostShell::CmdRm(const Args& a, Io& io) {
  std::string set;
  Args ops;
  char bad = 0;
  if (!Flags(a, "rRfvi", &set, &ops, &bad)) {
    io.err += std::string("rm: invalid option -- '") + bad + "'\n";
    return 1;
  }
  bool recursive = Has(set, 'r') || Has(set, 'R');
  bool force = Has(set, 'f');
  if (ops.empty() && !force) {
    io.err += "rm: missing operand\n";
    return 1;
  }
  auto mounts = board_->Mounts();
  int rc = 0;
  for (auto& op : ops) {
    std::string dev = Abs(op);
    if (dev == "/") {
      io.err += "rm: refusing to remove '/'\n";
      rc = 1;
      continue;
    }
    std::string p = Map(dev, io, "rm");
    if (p.empty()) {
      rc = 1;
      continue;
    }
    struct stat st;
    if (lstat(p.c_str(), &st) != 0) {
      if (!force) {
        io.err += "rm: can't remove '" + op + "': No such file or directory\n";
        rc = 1;
      }
      continue;
    }
    if (S_ISDIR(st.st_mode)) {
      if (!recursive) {
        io.err += "rm: '" + op + "' is a directory\n";
        rc = 1;
        continue;
      }
      // A mounted disk's folder stays; only what it holds goes, as on the device.
      bool mountPoint = false;
      for (auto& m : mounts)
        if (Inside(m.first, dev)) mountPoint = true;
      if (mountPoint) {
        for (auto& m : mounts)
          if (Inside(m.first, dev)) RemoveContents(board_->Path(m.first));
        io.err += "rm: can't remove '" + op + "': Device or resource busy\n";
        rc = 1;
        continue;
      }
      std::error_code ec;
      fs::remove_all(p, ec);
      if (ec) {
        io.err += "rm: can't remove '" + op + "': " + ec.message() + "\n";
        rc = 1;
      }
    } else if (unlink(p.c_str()) != 0) {
      io.err += "rm: can't remove '" + op + "': " + strerror(errno) + "\n";
      rc = 1;
    }
  }
  return rc;
}

int HostShell::CmdMkdir(const Args& a, Io& io) {
  Args ops;
  bool parents = false;
  for (size_t i = 1; i < a.size(); ++i) {
    if (a[i] == "-p")
      parents = true;
    else if (a[i] == "-m" && i + 1 < a.size())
      ++i;
    else
      ops.push_back(a[i]);
  }
  if (ops.empty()) {
    io.err += "mkdir: missing operand\n";
    return 1;
  }
  int rc = 0;
  for (auto& op : ops) {
    std::string dev = Abs(op);
    std::string p = Map(dev, io, "mkdir");
    if (p.empty()) {
      rc = 1;
      continue;
    }
    std::error_code ec;
    if (parents) {
      // Walk down through the device path so that mount points are honoured.
      std::string cur;
      size_t s = 1;
      while (s <= dev.size()) {
        size_t e = dev.find('/', s);
        if (e == std::string::npos) e = dev.size();
        cur += "/" + dev.substr(s, e - s);
        std::string cp = board_->PathOrGone(cur);
        if (cp.empty() || (!fs::is_directory(cp) && mkdir(cp.c_str(), 0755) != 0)) {
          io.err += "mkdir: can't create directory '" + op + "': " + strerror(errno) + "\n";
          rc = 1;
          break;
        }
        s = e + 1;
      }
    } else if (mkdir(p.c_str(), 0755) != 0) {
      io.err += "mkdir: can't create directory '" + op + "': " + strerror(errno) + "\n";
      rc = 1;
    }
  }
  return rc;
}

int HostShell::CmdRmdir(const Args& a, Io& io) {
  int rc = 0;
  for (size_t i = 1; i < a.size(); ++i) {
    std::string p = Map(Abs(a[i]), io, "rmdir");
    if (p.empty() || rmdir(p.c_str()) != 0) {
      io.err += "rmdir: '" + a[i] + "': " + strerror(errno) + "\n";
      rc = 1;
    }
  }
  return rc;
}

int HostShell::CmdEcho(const Args& a, Io& io) {
  size_t i = 1;
  bool newline = true;
  if (i < a.size() && a[i] == "-n") {
    newline = false;
    ++i;
  }
  std::string s;
  for (; i < a.size(); ++i) {
    if (!s.empty() || i > (newline ? 1u : 2u)) s += ' ';
    s += a[i];
  }
  io.out += s + (newline ? "\n" : "");
  return 0;
}

int HostShell::CmdChmod(const Args& a, Io& io) {
  if (a.size() < 3) {
    io.err += "chmod: missing operand\n";
    return 1;
  }
  int rc = 0;
  for (size_t i = 2; i < a.size(); ++i) {
    std::string p = Map(Abs(a[i]), io, "chmod");
    struct stat st;
    if (p.empty() || stat(p.c_str(), &st) != 0) {
      io.err += "chmod: " + a[i] + ": No such file or directory\n";
      rc = 1;
    }
  }
  return rc;
}

namespace {
std::string MapForTar(void* ctx, const std::string& devicePath) {
  return static_cast<HostBoard*>(ctx)->PathOrGone(devicePath);
}
}  // namespace

int HostShell::CmdTar(const Args& a, Io& io) {
  bool extract = false, gz = false, verbose = false;
  std::string file, dir = "/";
  for (size_t i = 1; i < a.size(); ++i) {
    std::string w = a[i];
    if (w == "-C" && i + 1 < a.size()) {
      dir = a[++i];
      continue;
    }
    if (i == 1 || (w.size() > 1 && w[0] == '-' && w[1] != '-')) {
      bool wantFile = false;
      for (char c : w) {
        if (c == '-') continue;
        if (c == 'x')
          extract = true;
        else if (c == 'z')
          gz = true;
        else if (c == 'v')
          verbose = true;
        else if (c == 'f')
          wantFile = true;
        else if (c == 'o' || c == 'p')
          ;
        else {
          io.err += std::string("tar: only extraction is available here (option '") + c + "')\n";
          return 1;
        }
      }
      if (wantFile && i + 1 < a.size()) file = a[++i];
      continue;
    }
    io.err += "tar: unexpected '" + w + "'\n";
    return 1;
  }
  if (!extract || file.empty()) {
    io.err += "tar: give -x and -f ARCHIVE\n";
    return 1;
  }
  std::string archive = Map(Abs(file), io, "tar");
  if (archive.empty()) return 1;
  std::string listing, error;
  int r = ExtractTar(archive, gz, Abs(dir), MapForTar, board_, verbose, &listing, &error);
  io.out += listing;
  if (r != 0) {
    io.err += "tar: " + error + "\n";
    return 1;
  }
  return 0;
}

}  // namespace board
