#include "browser/copy_journal.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <vector>

#include "browser/file_copy.h"
#include "core/base/activity.h"
#include "core/base/atomic_file.h"
#include "core/base/diag.h"
#include "core/base/no_destructor.h"
#include "core/base/settings_file.h"
#include "platform/board.h"

namespace {

constexpr const char* kJournal = SETTINGS_DIR "/copies.journal";
constexpr const char kPrefix[] = ".partial-";

// The worker notes, the main loop clears: one at a time. Never destroyed:
// a detached worker may still note as the process ends.
struct Journal {
  std::mutex mutex;
  std::string active;  // the partial the running copy writes: never cleared under it
};

Journal& J() {
  static NoDestructor<Journal> j;
  return *j;
}

bool Exists(const std::string& devicePath) {
  struct stat st;
  return lstat(board::Path(devicePath).c_str(), &st) == 0;
}

// Only what a copy names: a hidden partial entry on one of the disks.
bool OurPartial(const std::string& path) {
  if (path.size() >= kMaxFileOperationPath || strlen(path.c_str()) != path.size() || !DiskOfPath(path.c_str()))
    return false;
  return path.compare(path.rfind('/') + 1, sizeof kPrefix - 1, kPrefix) == 0;
}

// Entries end with a NUL: names may hold line breaks.
std::vector<std::string> ReadNotes() {
  std::vector<std::string> notes;
  FILE* f = fopen(board::Path(kJournal).c_str(), "rb");
  if (!f) return notes;
  std::string all;
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, f)) > 0) all.append(buf, n);
  fclose(f);
  for (size_t at = 0; at < all.size();) {
    size_t end = all.find('\0', at);
    if (end == std::string::npos) break;  // cut short while written: not ours
    notes.push_back(all.substr(at, end - at));
    at = end + 1;
  }
  return notes;
}

void WriteNotes(const std::vector<std::string>& notes) {
  if (IsMountDir(SETTINGS_DIR) != 1) return;
  if (notes.empty()) {
    unlink(board::Path(kJournal).c_str());
    return;
  }
  std::string all;
  for (const std::string& n : notes) all.append(n).push_back('\0');
  if (WriteFileAtomic(kJournal, all.data(), all.size()) != 0) DiagPrintf("can not write %s", kJournal);
}

}  // namespace

void NoteCopyStarted(const std::string& partial) {
  std::lock_guard<std::mutex> lock(J().mutex);
  J().active = partial;
  std::vector<std::string> notes = ReadNotes();
  if (std::find(notes.begin(), notes.end(), partial) != notes.end()) return;
  notes.push_back(partial);
  WriteNotes(notes);
}

void NoteCopyEnded(const std::string& partial, bool mayBeLeft) {
  std::lock_guard<std::mutex> lock(J().mutex);
  J().active.clear();
  // A card pulled before its partial could go: cleared at its next mount.
  if (mayBeLeft) return;
  std::vector<std::string> notes = ReadNotes();
  auto it = std::find(notes.begin(), notes.end(), partial);
  if (it == notes.end()) return;
  notes.erase(it);
  WriteNotes(notes);
}

int ClearCutOffCopies(const char* disk) {
  std::lock_guard<std::mutex> lock(J().mutex);
  std::vector<std::string> notes = ReadNotes(), kept;
  int removed = 0;
  for (const std::string& p : notes) {
    if (!OurPartial(p)) continue;
    const char* on = DiskOfPath(p.c_str());
    if (p == J().active || (disk && strcmp(on, disk) != 0) || IsMountDir(on) != 1) {
      kept.push_back(p);
      continue;
    }
    if (Exists(p)) {
      printf("removing %s, left by a copy that was cut off\n", p.c_str());
      if (force_remove_file(p.c_str()) == 0) ++removed;
    }
    if (Exists(p)) kept.push_back(p);
  }
  if (kept != notes) WriteNotes(kept);
  return removed;
}
