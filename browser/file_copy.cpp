#include "browser/file_copy.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include "browser/copy_journal.h"
#include "core/base/activity.h"
#include "core/base/diag.h"
#include "platform/board.h"

namespace {

constexpr size_t kChunk = 128 * 1024;
constexpr int64_t kSlackKiB = 31;
const char* const c_Disks[] = {"/mnt/emmc", "/mnt/microsd"};

// Where the destination disk lives now; a different answer later (or the
// mount gone) means the card was pulled under the copy.
struct DiskWatch {
  std::string disk;
  std::string real;
  bool mounted = false;
  bool Gone() const {
    if (board::Path(disk) != real) return true;
    return mounted && IsMountDir(disk.c_str()) != 1;
  }
};

// One copy's context: real paths from here on, so that the board maps each
// device path once and a pulled card cannot redirect the rest of the copy.
struct Job {
  CopyControl* control;
  DiskWatch watch;
  int Check() const {
    if (control && control->cancel.load()) return FOP_CANCELED;
    if (watch.Gone()) return FOP_DISK_GONE;
    return FOP_DONE;
  }
};

int RemoveReal(const std::string& path) {
  struct stat st;
  if (lstat(path.c_str(), &st) != 0) {
    DiagPrintf("stat %s error", path.c_str());
    return -1;
  }
  if (!S_ISDIR(st.st_mode)) {
    if (unlink(path.c_str()) != 0) {
      DiagPrintf("unlink file %s error", path.c_str());
      return -1;
    }
    return 0;
  }
  DIR* d = opendir(path.c_str());
  if (!d) return -1;
  int r = 0;
  while (struct dirent* e = readdir(d)) {
    if (!strcmp(e->d_name, ".") || !strcmp(e->d_name, "..")) continue;
    if (RemoveReal(path + "/" + e->d_name) != 0) r = -1;
  }
  if (closedir(d) != 0) DiagPrintf("cannot close dir %s", path.c_str());
  if (rmdir(path.c_str()) != 0) {
    DiagPrintf("cannot rmdir dir %s", path.c_str());
    return -1;
  }
  return r;
}

std::string ParentOf(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? "." : path.substr(0, slash);
}

void SyncFolder(const std::string& path) {
  int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

int WriteAll(int fd, const char* data, size_t n) {
  while (n > 0) {
    ssize_t w = write(fd, data, n);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) return -1;
    data += w;
    n -= static_cast<size_t>(w);
  }
  return 0;
}

// Copies the bytes of `src` into the new file `dest` (real paths); removes
// it again on any failure.
int CopyFileReal(const std::string& src, const std::string& dest, Job& job) {
  int in = open(src.c_str(), O_RDONLY);
  if (in < 0) return FOP_SOURCE_UNREADABLE;
  struct stat st;
  fstat(in, &st);
  int out = open(dest.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (out < 0) {
    close(in);
    return job.watch.Gone() ? FOP_DISK_GONE : FOP_WRITE_FAILED;
  }
  std::unique_ptr<char[]> buf(new char[kChunk]);
  int r = FOP_DONE;
  for (;;) {
    ssize_t n = read(in, buf.get(), kChunk);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) r = FOP_SOURCE_UNREADABLE;
    if (n <= 0) break;
    DelaySleepTime(10);
    if (WriteAll(out, buf.get(), static_cast<size_t>(n)) != 0) r = errno == ENOSPC ? FOP_DISK_FULL : FOP_WRITE_FAILED;
    if (r == FOP_DONE) r = job.Check();
    if (r != FOP_DONE) break;
  }
  if (r == FOP_DONE && fsync(out) != 0) r = FOP_WRITE_FAILED;
  if (close(out) != 0 && r == FOP_DONE) r = FOP_WRITE_FAILED;
  close(in);
  if (r == FOP_DONE && job.watch.Gone()) r = FOP_DISK_GONE;
  if (r != FOP_DONE) {
    unlink(dest.c_str());
    return r;
  }
  struct timespec times[2] = {st.st_atim, st.st_mtim};
  utimensat(AT_FDCWD, dest.c_str(), times, 0);
  return FOP_DONE;
}

int CopyTreeReal(const std::string& src, const std::string& dest, Job& job);

// Copies the entries of folder `src` into the existing folder `dest`.
int CopyChildrenReal(const std::string& src, const std::string& dest, Job& job) {
  DIR* d = opendir(src.c_str());
  if (!d) return FOP_SOURCE_UNREADABLE;
  std::vector<std::string> names;
  while (struct dirent* e = readdir(d))
    if (strcmp(e->d_name, ".") && strcmp(e->d_name, "..")) names.push_back(e->d_name);
  closedir(d);
  for (const std::string& name : names) {
    int r = CopyTreeReal(src + "/" + name, dest + "/" + name, job);
    if (r == FOP_DONE) r = job.Check();
    if (r != FOP_DONE) return r;
  }
  return FOP_DONE;
}

// Copies a file or folder to `dest`, which does not exist yet. Anything
// other than a folder or a regular file is skipped.
int CopyTreeReal(const std::string& src, const std::string& dest, Job& job) {
  struct stat st;
  if (lstat(src.c_str(), &st) != 0) return FOP_SOURCE_UNREADABLE;
  if (S_ISREG(st.st_mode)) return CopyFileReal(src, dest, job);
  if (!S_ISDIR(st.st_mode)) return FOP_DONE;
  if (mkdir(dest.c_str(), 0755) != 0 && errno != EEXIST)
    return job.watch.Gone() ? FOP_DISK_GONE : (errno == ENOSPC ? FOP_DISK_FULL : FOP_WRITE_FAILED);
  return CopyChildrenReal(src, dest, job);
}

// Bytes of every regular file below a real path.
int64_t TreeBytes(const std::string& path) {
  struct stat st;
  if (lstat(path.c_str(), &st) != 0) return 0;
  if (S_ISREG(st.st_mode)) return st.st_size;
  if (!S_ISDIR(st.st_mode)) return 0;
  int64_t total = 0;
  DIR* d = opendir(path.c_str());
  if (!d) return 0;
  while (struct dirent* e = readdir(d))
    if (strcmp(e->d_name, ".") && strcmp(e->d_name, "..")) total += TreeBytes(path + "/" + e->d_name);
  closedir(d);
  return total;
}

// Puts `fresh` (a whole, synced entry; a real path on the destination's
// disk) under the device path `dest`. An existing destination is set aside
// under a hidden name first and removed only once the new entry is in
// place; the copy journal undoes a replace cut off in between.
int PutInPlace(const std::string& fresh, const char* dest, const Job& job) {
  const std::string realDest = board::Path(dest), parent = ParentOf(realDest);
  struct stat st;
  if (lstat(realDest.c_str(), &st) != 0) {
    if (rename(fresh.c_str(), realDest.c_str()) != 0) return FOP_WRITE_FAILED;
    SyncFolder(parent);
    return FOP_DONE;
  }
  const std::string aside = SetAsideName(dest), realAside = board::Path(aside);
  NoteCopyStarted(aside);
  // Left by a replace whose note was lost; the destination is back, so it is stale.
  if (lstat(realAside.c_str(), &st) == 0) RemoveReal(realAside);
  int r = FOP_DONE;
  if (rename(realDest.c_str(), realAside.c_str()) != 0) {
    r = FOP_WRITE_FAILED;
  } else {
    SyncFolder(parent);
    if (rename(fresh.c_str(), realDest.c_str()) != 0) {
      r = FOP_WRITE_FAILED;
      rename(realAside.c_str(), realDest.c_str());
    }
    SyncFolder(parent);
    if (r == FOP_DONE) RemoveReal(realAside);
  }
  NoteCopyEnded(aside, lstat(realAside.c_str(), &st) == 0 || job.watch.Gone());
  return r;
}

bool StartJob(const char* dest, CopyControl* control, Job* job) {
  const char* disk = DiskOfPath(dest);
  if (!disk) return false;
  job->control = control;
  job->watch.disk = disk;
  job->watch.real = board::Path(disk);
  job->watch.mounted = IsMountDir(disk) == 1;
  return true;
}

}  // namespace

bool CopyWouldFillDisk(int64_t sizeBytes, int64_t freeKiB) {
  int64_t kib = sizeBytes / 1024 + (sizeBytes % 1024 ? 1 : 0);
  return kib + kSlackKiB >= freeKiB;
}

bool IsSameOrInside(const char* src, const char* dest) {
  if (!src || !dest) return false;
  size_t n = strlen(src);
  while (n > 1 && src[n - 1] == '/') --n;
  if (strncasecmp(src, dest, n) != 0) return false;
  return dest[n] == '\0' || dest[n] == '/';
}

bool OverlapsSource(const char* src, const char* dest) {
  return IsSameOrInside(src, dest) || IsSameOrInside(dest, src);
}

const char* DiskOfPath(const char* path) {
  if (!path || strlen(path) >= kMaxFileOperationPath) return nullptr;
  for (const char* disk : c_Disks) {
    size_t n = strlen(disk);
    if (strncmp(path, disk, n) != 0 || path[n] != '/' || path[n + 1] == '\0') continue;
    // No component may climb out again.
    for (const char* p = path + n; *p; ++p) {
      if (*p != '/') continue;
      const char* c = p + 1;
      if (*c == '\0' || *c == '/') return nullptr;
      if (c[0] == '.' && (c[1] == '/' || c[1] == '\0')) return nullptr;
      if (c[0] == '.' && c[1] == '.' && (c[2] == '/' || c[2] == '\0')) return nullptr;
    }
    return disk;
  }
  return nullptr;
}

int64_t DiskFreeKiB(const char* path) {
  const char* disk = DiskOfPath(path);
  struct statvfs sv;
  if (!disk || statvfs(board::Path(disk).c_str(), &sv) != 0) {
    DiagPrintf("statfs FAIL");
    return -1;
  }
  return static_cast<int64_t>(sv.f_bavail) * static_cast<int64_t>(sv.f_bsize) / 1024;
}

namespace {

std::string HiddenName(const char* dest, const char* prefix) {
  std::string d = dest ? dest : "";
  size_t slash = d.rfind('/');
  return d.substr(0, slash + 1) + prefix + d.substr(slash + 1);
}

}  // namespace

std::string PartialName(const char* dest) { return HiddenName(dest, kPartialPrefix); }
std::string SetAsideName(const char* dest) { return HiddenName(dest, kSetAsidePrefix); }

int force_remove_file(const char* path) {
  if (!path || !DiskOfPath(path)) return -1;
  return RemoveReal(board::Path(path));
}

int CopyEntry(const char* src, const char* dest, CopyControl* control) {
  Job job;
  if (!DiskOfPath(src)) return FOP_SOURCE_UNREADABLE;
  if (!StartJob(dest, control, &job) || OverlapsSource(src, dest)) return FOP_NO_DESTINATION;
  std::string realSrc = board::Path(src), realDest = board::Path(dest);
  std::string partial = board::Path(PartialName(dest));
  struct stat st;
  if (lstat(realSrc.c_str(), &st) != 0 || (!S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode))) {
    DiagPrintf("CopyThread stat src file %s failed", src);
    return FOP_SOURCE_UNREADABLE;
  }
  struct stat parent;
  if (stat(ParentOf(realDest).c_str(), &parent) != 0 || !S_ISDIR(parent.st_mode)) return FOP_NO_DESTINATION;
  int64_t freeKiB = DiskFreeKiB(dest);
  if (freeKiB < 0) return FOP_NO_FREE_SPACE_INFO;
  if (CopyWouldFillDisk(TreeBytes(realSrc), freeKiB)) return FOP_DISK_FULL;
  NoteCopyStarted(PartialName(dest));
  // A stale partial from a cut-off earlier copy goes first.
  if (access(partial.c_str(), F_OK) == 0) RemoveReal(partial);
  int r = CopyTreeReal(realSrc, partial, job);
  if (r == FOP_DONE) r = job.Check();
  if (r == FOP_DONE) {
    SyncFolder(partial);
    r = PutInPlace(partial, dest, job);
    if (r == FOP_DONE && job.watch.Gone()) r = FOP_DISK_GONE;
  }
  if (r != FOP_DONE && lstat(partial.c_str(), &st) == 0) RemoveReal(partial);
  NoteCopyEnded(PartialName(dest), lstat(partial.c_str(), &st) == 0 || job.watch.Gone());
  return r;
}

int CopyOneFile(const char* src, const char* dest, CopyControl* control) {
  struct stat st;
  if (!src || BStat(src, &st) != 0 || !S_ISREG(st.st_mode)) return FOP_SOURCE_UNREADABLE;
  return CopyEntry(src, dest, control);
}

int CopyOneDir(const char* src, const char* dest, CopyControl* control) {
  struct stat st;
  if (!src || BStat(src, &st) != 0 || !S_ISDIR(st.st_mode)) return FOP_SOURCE_UNREADABLE;
  return CopyEntry(src, dest, control);
}

int MoveEntry(const char* src, const char* dest, CopyControl* control) {
  const char* srcDisk = DiskOfPath(src);
  const char* destDisk = DiskOfPath(dest);
  Job job;
  if (!srcDisk) return FOP_SOURCE_UNREADABLE;
  if (!destDisk || OverlapsSource(src, dest) || !StartJob(dest, control, &job)) return FOP_NO_DESTINATION;
  std::string realSrc = board::Path(src), realDest = board::Path(dest);
  struct stat st;
  if (lstat(realSrc.c_str(), &st) != 0) {
    DiagPrintf("MoveThread stat src file %s failed", src);
    return FOP_SOURCE_UNREADABLE;
  }
  if (srcDisk == destDisk) {
    int r = PutInPlace(realSrc, dest, job);
    SyncFolder(ParentOf(realSrc));
    if (r != FOP_DONE) return r;
    return lstat(realDest.c_str(), &st) == 0 ? FOP_DONE : FOP_WRITE_FAILED;
  }
  int r = CopyEntry(src, dest, control);
  if (r != FOP_DONE) return r;
  // The copy is complete and synced; only now may the source go.
  RemoveReal(realSrc);
  SyncFolder(ParentOf(realSrc));
  return FOP_DONE;
}
