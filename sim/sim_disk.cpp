// A disk with little free space: for the rest of the run a RAM file system
// of the right size lies over the disk's folder in the root, so the kernel
// itself reports the free space (statvfs) and refuses writes past it with
// ENOSPC, as the device's full FAT disk does. Its contents go back into the
// folder when the run ends. The mounts live in dtbsim's own mount namespace
// and vanish with it, whatever happens.
#include <sched.h>
#include <sys/mount.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "sim/simulator.h"

namespace sim {
namespace {

namespace fs = std::filesystem;

struct DiskDef {
  const char* name;
  const char* folder;  // in the root
};
const DiskDef kDisks[] = {{"emmc", "mnt/emmc"}, {"settings", "mnt/settings"}, {"microsd", "mnt/microsd"}};

bool g_private_mounts = false;

long long UsedBytes(const std::string& dir) {
  struct statvfs sv;
  if (statvfs(dir.c_str(), &sv) != 0) return -1;
  return static_cast<long long>(sv.f_blocks - sv.f_bfree) * static_cast<long long>(sv.f_frsize);
}

int SetSize(const std::string& ram, long long bytes) {
  std::string opt = "size=" + std::to_string(bytes);
  return mount("tmpfs", ram.c_str(), "tmpfs", MS_REMOUNT, opt.c_str());
}

void Empty(const std::string& dir) {
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(dir, ec)) fs::remove_all(e.path(), ec);
}

bool CopyInto(const std::string& from, const std::string& to) {
  std::error_code ec;
  fs::copy(from, to, fs::copy_options::recursive | fs::copy_options::copy_symlinks, ec);
  return !ec;
}

}  // namespace

int PrivateMounts() {
  if (geteuid() != 0 || unshare(CLONE_NEWNS) != 0) return -1;
  // Nothing mounted from here on reaches the PC's own mount table.
  if (mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) return -1;
  g_private_mounts = true;
  return 0;
}

int Simulator::DiskCommand(const std::vector<std::string>& w, const std::string& line) {
  static const char* const kUsage = "use: disk emmc|settings|microsd free BYTES";
  const DiskDef* disk = nullptr;
  for (const DiskDef& d : kDisks)
    if (w.size() == 4 && w[1] == d.name && w[2] == "free") disk = &d;
  char* end = nullptr;
  long long bytes = disk ? strtoll(w[3].c_str(), &end, 10) : -1;
  if (!disk || bytes < 0 || *end != '\0') return Bad(line, kUsage);
  if (!g_private_mounts) return Bad(line, "capping a disk needs root and a mount namespace of dtbsim's own");
  std::string dir = o_.root + "/" + disk->folder;
  std::lock_guard<std::mutex> lock(disks_m_);
  for (const CappedDisk& c : capped_) {
    if (c.dir != dir) continue;
    long long used = UsedBytes(c.ram);
    if (used < 0 || SetSize(c.ram, used + bytes) != 0) return Bad(line, "the disk cannot be resized");
    Print("sim: " + std::string(disk->name) + " has " + w[3] + " bytes free");
    return 0;
  }
  char tmpl[] = "/tmp/dtbsim-disk-XXXXXX";
  if (!mkdtemp(tmpl)) return Bad(line, "no temporary folder");
  CappedDisk c{dir, tmpl};
  long long used = -1;
  if (mount("tmpfs", c.ram.c_str(), "tmpfs", 0, "mode=0755") == 0) {
    if (CopyInto(dir, c.ram)) used = UsedBytes(c.ram);
    if (used < 0 || SetSize(c.ram, used + bytes) != 0 || mount(c.ram.c_str(), dir.c_str(), nullptr, MS_BIND, nullptr) != 0) {
      used = -1;
      umount(c.ram.c_str());
    }
  }
  if (used < 0) {
    rmdir(c.ram.c_str());
    return Bad(line, "the disk cannot be capped");
  }
  capped_.push_back(c);
  Print("sim: " + std::string(disk->name) + " has " + w[3] + " bytes free");
  return 0;
}

// After the player has stopped: each capped folder takes the disk's contents back.
void Simulator::ReleaseDisks() {
  std::lock_guard<std::mutex> lock(disks_m_);
  for (const CappedDisk& c : capped_) {
    if (umount2(c.dir.c_str(), MNT_DETACH) == 0) {
      Empty(c.dir);
      if (!CopyInto(c.ram, c.dir)) Print("sim: the contents of " + c.dir + " could not all be copied back");
    }
    umount2(c.ram.c_str(), MNT_DETACH);
    rmdir(c.ram.c_str());
  }
  capped_.clear();
}

}  // namespace sim
