// Copying, moving and removing files and folders on the disks, for the
// file-management menu. Only system calls touch the files, so no name ever
// reaches a shell. A copy is written under a hidden name next to its final
// one and renamed into place once complete and synced: a cancel, a full
// disk, a pulled card or a power cut never leaves a partial file under the
// final name, and a move removes its source only after that. An entry being
// replaced is set aside under a hidden name until its replacement is in
// place, so that a cut-off replace can put it back.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

// Operation results.
enum {
  FOP_DONE = 0,
  FOP_CANCELED = -1,
  FOP_NO_DESTINATION = -2,
  FOP_SOURCE_UNREADABLE = -3,
  FOP_NO_FREE_SPACE_INFO = -4,
  FOP_DISK_FULL = -5,
  FOP_WRITE_FAILED = -6,
  FOP_DISK_GONE = -7,  // the destination disk went away (card pulled)
};

constexpr size_t kMaxFileOperationPath = 9216;
// The hidden names' prefixes: a copy being written, an entry being replaced.
constexpr char kPartialPrefix[] = ".partial-";
constexpr char kSetAsidePrefix[] = ".replaced-";

// True when a copy of `sizeBytes` does not fit in `freeKiB`: the size in
// KiB, a started KiB counting whole, plus 31 KiB of slack reaches the free space.
bool CopyWouldFillDisk(int64_t sizeBytes, int64_t freeKiB);
// True when `dest` is `src` itself or lies inside it (ignoring case, as
// the FAT disks do), whole path components only.
bool IsSameOrInside(const char* src, const char* dest);
// True when a paste of `src` to `dest` would copy an entry into itself or
// replace one that holds it.
bool OverlapsSource(const char* src, const char* dest);
// The disk root ("/mnt/emmc" or "/mnt/microsd") holding a device path, or
// null when the path is not strictly below one or has a "." or ".."
// component, so that no name can lead outside the disks.
const char* DiskOfPath(const char* path);
// Free KiB of the disk holding `path`, or -1 when it cannot be read.
int64_t DiskFreeKiB(const char* path);

// The cancel request a copy polls after every chunk and entry.
struct CopyControl {
  std::atomic<bool> cancel{false};
};

// Removes a file, link or whole folder (links are not followed). 0, or -1.
int force_remove_file(const char* path);
// Copies one regular file to `dest` (written under a hidden name, renamed
// when complete). One of the results above.
int CopyOneFile(const char* src, const char* dest, CopyControl* control);
// Copies a folder with everything in it the same way (the folder is built
// under a hidden name and renamed when complete).
int CopyOneDir(const char* src, const char* dest, CopyControl* control);
// Copies a file or folder, replacing an existing `dest` only once the copy
// is complete. Used by both the copy and the move thread. A destination that
// is the source, lies inside it or holds it is refused (FOP_NO_DESTINATION):
// replacing it would remove the source.
int CopyEntry(const char* src, const char* dest, CopyControl* control);
// Moves an entry: renamed at once on the same disk, else copied, synced,
// and only then the source removed.
int MoveEntry(const char* src, const char* dest, CopyControl* control);
// The hidden name a copy to `dest` is written under until it is complete.
std::string PartialName(const char* dest);
// The hidden name an existing `dest` is set aside under while it is replaced.
std::string SetAsideName(const char* dest);
