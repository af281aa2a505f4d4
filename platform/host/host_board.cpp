#include "platform/host/host_board.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/host/host_shell.h"

namespace fs = std::filesystem;

namespace board {
namespace {

// Mount points whose unmounted folder is not where the disk's files live.
struct DiskDef {
  const char* block;
  const char* backing;  // relative to the root
};
const DiskDef c_Disks[] = {
    {"mmcblk0p6", "mnt/emmc"},    {"mmcblk0p5", "mnt/settings"},
    {"mmcblk1p1", "mnt/microsd"}, {"mmcblk1", "mnt/microsd"},
};
const char* const c_DiskMountPoints[] = {"/mnt/emmc", "/mnt/settings", "/mnt/microsd"};
const char* const c_DeviceNodes[] = {"i2c-1", "ti_adc", "rtc0", "mic2det"};

// Paths on a disk that is gone lead here; the folder is never created.
const char c_GoneDir[] = "/var/board/gone";
// Where an unmounted disk mount point's own (root file system) folder lives.
const char c_UnderlayDir[] = "/var/board/rootfs";

std::string TimeStamp(long offset) {
  struct timeval tv;
  gettimeofday(&tv, nullptr);
  char buf[48];
  snprintf(buf, sizeof buf, "%lld.%03ld", static_cast<long long>(tv.tv_sec + offset),
           static_cast<long>(tv.tv_usec / 1000));
  return buf;
}

std::string Flatten(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c == '\n')
      out += "\\n";
    else if (c == '\r')
      out += "\\r";
    else
      out += c;
  }
  return out;
}

void AppendLine(const std::string& path, const std::string& line) {
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fd < 0) return;
  std::string l = line + "\n";
  ssize_t w = write(fd, l.data(), l.size());
  (void)w;
  close(fd);
}

bool IsFifo(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISFIFO(st.st_mode);
}

int EnsureFifo(const std::string& path) {
  if (IsFifo(path)) return 0;
  std::error_code ec;
  fs::create_directories(fs::path(path).parent_path(), ec);
  unlink(path.c_str());
  return mkfifo(path.c_str(), 0666);
}

void Touch(const std::string& path, const std::string& content = "") {
  struct stat st;
  if (stat(path.c_str(), &st) == 0) return;
  std::ofstream(path, std::ios::binary) << content;
}

}  // namespace

// ---- HostState ----

std::string HostState::Get(const char* name, const std::string& fallback) const {
  std::ifstream in(File(name));
  if (!in) return fallback;
  std::string line;
  std::getline(in, line);
  while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
  return line;
}

std::string HostState::GetText(const char* name) const {
  std::ifstream in(File(name));
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

long long HostState::GetInt(const char* name, long long fallback) const {
  std::string v = Get(name);
  if (v.empty()) return fallback;
  char* end = nullptr;
  long long n = strtoll(v.c_str(), &end, 0);
  return end == v.c_str() ? fallback : n;
}

int HostState::Set(const char* name, const std::string& value) const {
  std::string path = File(name);
  std::error_code ec;
  fs::create_directories(fs::path(path).parent_path(), ec);
  std::string tmp = path + ".tmp" + std::to_string(getpid());
  {
    std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
    if (!out) return -1;
    out << value;
    if (value.empty() || value.back() != '\n') out << '\n';
    if (!out) return -1;
  }
  return rename(tmp.c_str(), path.c_str()) == 0 ? 0 : -1;
}

long HostState::Bump(const char* name) const {
  long n = static_cast<long>(GetInt(name, 0)) + 1;
  SetInt(name, n);
  return n;
}

// ---- layout ----

int CreateHostLayout(const std::string& root, bool amplifier) {
  std::error_code ec;
  for (const char* d : {"mnt/emmc", "mnt/settings", "mnt/microsd", "home", "dev/input", "sys",
                        "etc/init.d", "var/log", "var/board", "var/volatile", "proc", "tmp",
                        "var/board/rootfs/mnt/emmc", "var/board/rootfs/mnt/settings",
                        "var/board/rootfs/mnt/microsd"}) {
    fs::create_directories(root + "/" + d, ec);
    if (ec) return -1;
  }
  for (const char* n : c_DeviceNodes) Touch(root + "/dev/" + n);
  if (amplifier) Touch(root + "/dev/amp_en");
  for (const char* b : {"mmcblk0p3", "mmcblk0p5", "mmcblk0p6"}) Touch(root + "/dev/" + b, "vfat\n");
  if (EnsureFifo(root + "/dev/input/event0") != 0) return -1;
  HostState st(root);
  struct {
    const char* name;
    const char* value;
  } defaults[] = {{state::kPowerButton, "0"}, {state::kUsb, "none"},      {state::kBattery, "5"},
                  {state::kHeadphones, "0"},  {state::kExternalMic, "0"}, {state::kClockOffset, "0"}};
  for (auto& d : defaults) {
    struct stat s;
    if (stat(st.File(d.name).c_str(), &s) != 0 && st.Set(d.name, d.value) != 0) return -1;
  }
  Touch(root + "/proc/mounts");
  return 0;
}

int BatteryStateToAdc(int s) {
  // Mid-way inside each band of the firmware's thresholds.
  static const int c_Counts[] = {2080, 2140, 2220, 2300, 2350, 2400, 2350, 2400};
  if (s < 0) s = 0;
  if (s > 7) s = 7;
  return c_Counts[s];
}

// ---- board ----

HostBoard::HostBoard(const std::string& root, HostOptions options)
    : root_(root), state_(root), shell_(std::make_unique<HostShell>(this)) {
  std::error_code ec;
  for (const char* d : {"var/log", "var/board", "proc", "dev/input", "var/board/rootfs/mnt/emmc",
                        "var/board/rootfs/mnt/settings", "var/board/rootfs/mnt/microsd"})
    fs::create_directories(root_ + "/" + d, ec);
  EnsureFifo(root_ + "/dev/input/event0");
  for (const char* n : c_DeviceNodes) Touch(root_ + "/dev/" + n);
  chips::AddBoardChips(chips_, state_);
  LoadRtcAlarm();
  std::lock_guard<std::mutex> lock(mounts_mutex_);
  if (options.mount_disks) {
    const std::pair<const char*, const char*> boot[] = {
        {"mmcblk0p6", "/mnt/emmc"}, {"mmcblk0p5", "/mnt/settings"}, {"mmcblk1p1", "/mnt/microsd"}};
    for (auto& b : boot)
      if (BlockPresent(b.first) && BlockFormatted(b.first)) mounts_[b.second] = b.first;
  }
  WriteMountsLocked();
}

HostBoard::~HostBoard() = default;

std::string HostBoard::Normalize(const std::string& p) {
  std::vector<std::string> parts;
  size_t i = 0;
  while (i <= p.size()) {
    size_t j = p.find('/', i);
    if (j == std::string::npos) j = p.size();
    std::string part = p.substr(i, j - i);
    if (part.empty() || part == ".") {
    } else if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else {
      parts.push_back(part);
    }
    i = j + 1;
  }
  std::string out;
  for (auto& part : parts) out += "/" + part;
  return out.empty() ? "/" : out;
}

std::string HostBoard::BlockName(const std::string& devicePath) {
  std::string n = Normalize(devicePath);
  for (const char* prefix : {"/dev/", "/var/volatile/"}) {
    size_t len = strlen(prefix);
    if (n.compare(0, len, prefix) == 0 && n.find('/', len) == std::string::npos &&
        n.size() > len && n.compare(len, 6, "mmcblk") == 0)
      return n.substr(len);
  }
  return "";
}

std::string HostBoard::BackingDir(const std::string& block) const {
  for (auto& d : c_Disks)
    if (block == d.block) return root_ + "/" + d.backing;
  return root_ + "/var/board/disks/" + block;
}

bool HostBoard::BlockPresent(const std::string& block) const {
  struct stat st;
  return !block.empty() && stat((root_ + "/dev/" + block).c_str(), &st) == 0;
}

bool HostBoard::BlockFormatted(const std::string& block) const {
  std::ifstream in(root_ + "/dev/" + block);
  std::string word;
  in >> word;
  return word == "vfat";
}

bool HostBoard::BlockExported(const std::string& block) const {
  const std::string gadget =
      root_ + "/sys/devices/platform/omap/musb-ti81xx/musb-hdrc.0/gadget";
  for (const char* lun : {"lun0", "lun1"}) {
    std::ifstream in(gadget + "/" + lun + "/file");
    std::string word;
    while (in >> word) {
      for (char& c : word)
        if (c == ',') c = ' ';
      std::istringstream ws(word);
      std::string dev;
      while (ws >> dev)
        if (BlockName(dev) == block) return true;
    }
  }
  return false;
}

std::string HostBoard::MapLocked(const std::string& n, bool* gone) const {
  *gone = false;
  // The deepest mount point containing the path decides.
  const std::string* best = nullptr;
  const std::string* bestBlock = nullptr;
  for (auto& m : mounts_) {
    const std::string& mp = m.first;
    if (n == mp || (n.size() > mp.size() && n.compare(0, mp.size(), mp) == 0 && n[mp.size()] == '/')) {
      if (!best || mp.size() > best->size()) {
        best = &mp;
        bestBlock = &m.second;
      }
    }
  }
  if (best) {
    std::string rest = n.substr(best->size());
    if (!BlockPresent(*bestBlock) || BlockExported(*bestBlock)) {
      *gone = true;
      return root_ + c_GoneDir + n;
    }
    return BackingDir(*bestBlock) + rest;
  }
  for (const char* mp : c_DiskMountPoints) {
    size_t len = strlen(mp);
    if (n.compare(0, len, mp) == 0 && (n.size() == len || n[len] == '/'))
      return root_ + c_UnderlayDir + n;
  }
  return n == "/" ? root_ : root_ + n;
}

std::string HostBoard::Path(const std::string& devicePath) {
  if (devicePath.empty() || devicePath[0] != '/') return devicePath;
  std::string n = Normalize(devicePath);
  bool gone = false;
  std::lock_guard<std::mutex> lock(mounts_mutex_);
  std::string p = MapLocked(n, &gone);
  // Keep a trailing slash: callers use it to mean "the folder".
  if (devicePath.size() > 1 && devicePath.back() == '/' && p.back() != '/') p += '/';
  return p;
}

std::string HostBoard::PathOrGone(const std::string& devicePath) {
  std::string n = Normalize(devicePath);
  bool gone = false;
  std::lock_guard<std::mutex> lock(mounts_mutex_);
  std::string p = MapLocked(n, &gone);
  return gone ? std::string() : p;
}

int HostBoard::IsMountPoint(const std::string& devicePath) {
  std::string n = Normalize(devicePath);
  {
    std::lock_guard<std::mutex> lock(mounts_mutex_);
    if (mounts_.count(n)) return 1;
  }
  struct stat st;
  return stat(Path(n).c_str(), &st) == 0 ? 0 : -1;
}

std::map<std::string, std::string> HostBoard::Mounts() {
  std::lock_guard<std::mutex> lock(mounts_mutex_);
  return mounts_;
}

void HostBoard::WriteMountsLocked() {
  std::string text;
  for (auto& m : mounts_) text += "/dev/" + m.second + " " + m.first + " vfat rw 0 0\n";
  std::string path = root_ + "/proc/mounts";
  std::string tmp = path + ".tmp";
  {
    std::ofstream out(tmp, std::ios::trunc);
    out << text;
  }
  rename(tmp.c_str(), path.c_str());
}

int HostBoard::Mount(const std::string& block, const std::string& mountPoint) {
  if (!BlockPresent(block)) return ENOENT;
  if (!BlockFormatted(block)) return EINVAL;
  if (BlockExported(block)) return EBUSY;
  std::string n = Normalize(mountPoint);
  std::lock_guard<std::mutex> lock(mounts_mutex_);
  if (mounts_.count(n)) return EBUSY;
  bool gone = false;
  struct stat st;
  if (stat(MapLocked(n, &gone).c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return ENOTDIR;
  std::error_code ec;
  fs::create_directories(BackingDir(block), ec);
  mounts_[n] = block;
  WriteMountsLocked();
  return 0;
}

int HostBoard::Unmount(const std::string& target) {
  std::string n = Normalize(target);
  std::string block = BlockName(n);
  std::istringstream busy(state_.Get(state::kDiskBusy));
  for (std::string line; std::getline(busy, line);)
    if (!line.empty() && Normalize(line) == n) return EBUSY;
  std::lock_guard<std::mutex> lock(mounts_mutex_);
  for (auto it = mounts_.begin(); it != mounts_.end(); ++it) {
    if (it->first == n || (!block.empty() && it->second == block)) {
      mounts_.erase(it);
      WriteMountsLocked();
      return 0;
    }
  }
  return EINVAL;
}

void HostBoard::LogLine(const std::string& tag, const std::string& text) {
  std::lock_guard<std::mutex> lock(log_mutex_);
  AppendLine(root_ + "/var/log/commands.log", TimeStamp(ClockOffset()) + " " + tag + " " + Flatten(text));
}

long HostBoard::ClockOffset() {
  std::lock_guard<std::mutex> lock(clock_mutex_);
  struct stat st;
  std::string f = state_.File(state::kClockOffset);
  if (stat(f.c_str(), &st) != 0) {
    clock_offset_ = 0;
    clock_mtime_ = -1;
  } else if (st.st_mtim.tv_sec != clock_mtime_ || st.st_mtim.tv_nsec != clock_mtime_ns_ ||
             st.st_ino != clock_ino_) {
    clock_offset_ = state_.GetInt(state::kClockOffset, 0);
    clock_mtime_ = st.st_mtim.tv_sec;
    clock_mtime_ns_ = st.st_mtim.tv_nsec;
    clock_ino_ = st.st_ino;
  }
  return clock_offset_;
}

void HostBoard::SetClockOffset(long seconds) {
  state_.SetInt(state::kClockOffset, seconds);
  std::lock_guard<std::mutex> lock(clock_mutex_);
  clock_mtime_ = -1;  // re-read next time
}

time_t HostBoard::Now() { return time(nullptr) + ClockOffset(); }

void HostBoard::Transcript(const char* channel, const std::string& text) {
  std::lock_guard<std::mutex> lock(log_mutex_);
  // One utterance a line: line breaks inside it become spaces.
  std::string flat = text;
  for (char& c : flat)
    if (c == '\n' || c == '\r') c = ' ';
  AppendLine(root_ + "/var/log/transcript",
             TimeStamp(ClockOffset()) + " " + (channel ? channel : "say") + " " + flat);
}

int HostBoard::OpenInputDevice(const std::string& devicePath) {
  // Read-write so the FIFO never reports end of file while the simulator
  // is not attached, and opening never waits for a writer.
  return open(Path(devicePath).c_str(), O_RDWR | O_CLOEXEC);
}

int HostBoard::System(const std::string& command) {
  std::lock_guard<std::mutex> lock(shell_mutex_);
  return shell_->Run(command);
}

void HostBoard::PowerDown(bool reboot) {
  LogLine("note", reboot ? "reboot" : "poweroff");
  fflush(stdout);
  fflush(stderr);
  _exit(reboot ? kExitReboot : kExitPowerOff);
}

std::unique_ptr<HostBoard> MakeHostBoard(const std::string& root, HostOptions options) {
  char* real = realpath(root.c_str(), nullptr);
  if (!real) return nullptr;
  std::string r = real;
  free(real);
  struct stat st;
  if (stat(r.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return nullptr;
  return std::make_unique<HostBoard>(r, options);
}

void RegisterHostBoard() {
  RegisterBoard("host", [](const std::string& root) -> std::unique_ptr<Board> {
    HostOptions options;
    options.mount_disks = false;
    return MakeHostBoard(root, options);
  });
}

}  // namespace board
