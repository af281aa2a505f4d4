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

// The worker notes, the main loop clears: one at a time. Never destroyed:
// a detached worker may still note as the process ends.
struct Journal {
  std::mutex mutex;
  std::vector<std::string> active;  // the running copy's entries: never cleared under it
};

Journal& J() {
  static NoDestructor<Journal> j;
  return *j;
}

bool Exists(const std::string& devicePath) {
  struct stat st;
  return lstat(board::Path(devicePath).c_str(), &st) == 0;
}

bool HasPrefix(const std::string& path, const char* prefix) {
  return path.compare(path.rfind('/') + 1, strlen(prefix), prefix) == 0;
}

// Only what a copy names: a hidden entry on one of the disks.
bool Ours(const std::string& path) {
  if (path.size() >= kMaxFileOperationPath || strlen(path.c_str()) != path.size() || !DiskOfPath(path.c_str()))
    return false;
  return HasPrefix(path, kPartialPrefix) || HasPrefix(path, kSetAsidePrefix);
}

// An entry set aside by a cut-off replace goes back when its name is free:
// the replacement never got there. Else, like a partial, it goes.
void Clear(const std::string& p) {
  if (HasPrefix(p, kSetAsidePrefix)) {
    size_t slash = p.rfind('/');
    std::string named = p.substr(0, slash + 1) + p.substr(slash + 1 + strlen(kSetAsidePrefix));
    if (!Exists(named)) {
      printf("putting %s back, set aside by a copy that was cut off\n", named.c_str());
      rename(board::Path(p).c_str(), board::Path(named).c_str());
      return;
    }
  }
  printf("removing %s, left by a copy that was cut off\n", p.c_str());
  force_remove_file(p.c_str());
}

bool Active(const std::string& p) {
  return std::find(J().active.begin(), J().active.end(), p) != J().active.end();
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
  if (!Active(partial)) J().active.push_back(partial);
  std::vector<std::string> notes = ReadNotes();
  if (std::find(notes.begin(), notes.end(), partial) != notes.end()) return;
  notes.push_back(partial);
  WriteNotes(notes);
}

void NoteCopyEnded(const std::string& partial, bool mayBeLeft) {
  std::lock_guard<std::mutex> lock(J().mutex);
  J().active.erase(std::remove(J().active.begin(), J().active.end(), partial), J().active.end());
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
    if (!Ours(p)) continue;
    const char* on = DiskOfPath(p.c_str());
    if (Active(p) || (disk && strcmp(on, disk) != 0) || IsMountDir(on) != 1) {
      kept.push_back(p);
      continue;
    }
    if (Exists(p)) {
      Clear(p);
      if (!Exists(p)) ++removed;
    }
    if (Exists(p)) kept.push_back(p);
  }
  if (kept != notes) WriteNotes(kept);
  return removed;
}
