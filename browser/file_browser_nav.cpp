// Where the browser is: folder analysis (level, disk, DAISY and audio-book
// modes), the entries the user moves through, entering and leaving folders,
// and the position remembered in a subtree.
#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "browser/file_browser.h"
#include "core/base/activity.h"
#include "core/base/util.h"
#include "daisy/daisy.h"
#include "daisy/narrated_package.h"
#include "platform/board.h"
#include "audio/audio_files.h"
#include "players/kit/play_backend.h"
#include "positions/history.h"
#include "speech/ux_language.h"

namespace {

constexpr const char* kDisks[2] = {"/mnt/emmc", "/mnt/microsd"};
constexpr size_t kMaxFolderPath = 8190;
constexpr size_t kMaxHistoryPath = 9215;

// The disk a path lies on (its root or below): 0, 1, or -1. `rest` gets the
// text after the disk root ("" for the root itself, else after its '/').
int DiskOf(const char* path, const char** rest) {
  for (int d = 0; d < 2; d++) {
    size_t n = strlen(kDisks[d]);
    if (strncmp(path, kDisks[d], n) != 0) continue;
    if (path[n] == 0) {
      *rest = path + n;
      return d;
    }
    if (path[n] == '/') {
      *rest = path + n + 1;
      return d;
    }
  }
  return -1;
}

// True when the first component of `rest` equals `name`, ignoring case.
bool FirstComponentIs(const char* rest, const char* name) {
  size_t n = strlen(name);
  return n > 0 && strncasecmp(rest, name, n) == 0 && (rest[n] == 0 || rest[n] == '/');
}

bool IsAudioName(const char* name) { return CheckIsAudioFile_FromExtName(GetExtName(name)) == 1; }

// The number after "key=" in a position text, or -1.
int FieldOf(const char* text, const char* key) {
  const char* p = text ? strstr(text, key) : nullptr;
  if (!p) return -1;
  return atoi(p + strlen(key));
}

}  // namespace

// ---- Folder analysis ----------------------------------------------------

void FileBrowser::ResetAnalysis() {
  m_DaisyMode = false;
  m_BookTitles.Cls();
  m_BookCount = 0;
  m_FoldersListed = true;
  m_AudioBookMode = false;
  m_BookDuration = -1;
  m_BookDurationKnown = false;
}

void FileBrowser::CheckDirChange() {
  long long loads = g_DirInfo.GetLoadCount();
  if (loads == m_LastLoadCount) return;
  m_LastLoadCount = loads;
  ResetAnalysis();
  const char* path = g_DirInfo.GetPath();
  const char* rest = nullptr;
  int disk = DiskOf(path, &rest);
  if (strcmp(path, "/mnt") == 0) {
    m_Level = 1;
    const char* sel = g_DirInfo.GetCurSelName();
    if (sel && strcmp(sel, "emmc") == 0) m_Disk = 0;
    if (sel && strcmp(sel, "microsd") == 0) m_Disk = 1;
  } else if (disk < 0) {
    m_Level = -1;
    m_Disk = 0;
  } else {
    m_Disk = disk;
    m_Level = 2;
    if (*rest) {
      m_Level = 3;
      for (const char* p = rest; *p; p++)
        if (*p == '/') m_Level++;
    }
  }
  UpdateDaisyDirInfo();
  if (m_Level < 3 || m_DaisyMode) return;
  char audioBooks[256];
  if (!g_pUxLanguage || g_pUxLanguage->GetString(UxPhrase::AudioBooks, audioBooks, sizeof audioBooks) <= 0) return;
  if (!FirstComponentIs(rest, audioBooks)) return;
  m_AudioBookMode = true;
  for (int i = 0; i < g_DirInfo.GetFileCount(); i++) {
    if (IsAudioName(g_DirInfo.GetFileName(i))) {
      m_BookDuration = 0;
      break;
    }
  }
}

void FileBrowser::UpdateDaisyDirInfo() {
  m_DaisyMode = false;
  m_BookTitles.Cls();
  m_BookCount = 0;
  m_FoldersListed = true;
  const char* rest = nullptr;
  if (m_Level < 3 || DiskOf(g_DirInfo.GetPath(), &rest) < 0 || !FirstComponentIs(rest, "Daisy"))
    return;
  m_DaisyMode = true;
  std::string folder = g_DirInfo.GetPath();
  for (int i = 0; i < g_DirInfo.GetFileCount() && m_BookCount < kMaxDaisyBooks; i++) {
    const char* name = g_DirInfo.GetFileName(i);
    int type = libDaisy::GuessDaisyType(name);
    std::string path = folder + "/" + name;
    // A narrated EPUB is a book of this folder too; a plain one is not.
    if (type != 1 && type != 2) type = libDaisy::GuessPlayerBookType(name);
    if (type == libDaisy::kDaisyEpub && !libDaisy::IsNarratedEpub(path.c_str())) continue;
    if (type != libDaisy::kDaisy202 && type != libDaisy::kDaisy3 && type != libDaisy::kDaisyEpub) continue;
    char title[512];
    if (libDaisy::GetTitle(path.c_str(), title, sizeof title, type) != 0) snprintf(title, sizeof title, "%s", name);
    if (m_BookTitles.Add(title) != 0) break;
    m_BookFileIndex[m_BookCount++] = i;
  }
  if (m_BookCount == 0) return;
  m_FoldersListed = false;
  for (int i = 0; i < g_DirInfo.GetDirCount(); i++) {
    std::string child = folder + "/" + g_DirInfo.GetChildDirName(i);
    if (CheckDirHasDaisyFile(child.c_str())) {
      m_FoldersListed = true;
      break;
    }
  }
}

int FileBrowser::CheckDirHasDaisyFile(const char* path) {
  if (!path) return 0;
  DIR* dir = BOpendir(path);
  if (!dir) return 0;
  int found = 0;
  while (struct dirent* e = readdir(dir)) {
    if (e->d_name[0] == '.') continue;
    unsigned char type = e->d_type;
    if (type == DT_UNKNOWN || type == DT_LNK) {
      struct stat st;
      std::string full = std::string(path) + "/" + e->d_name;
      if (BStat(full.c_str(), &st) != 0) continue;
      type = S_ISDIR(st.st_mode) ? DT_DIR : (S_ISREG(st.st_mode) ? DT_REG : DT_UNKNOWN);
    }
    if (type == DT_DIR || (type == DT_REG && libDaisy::GuessDaisyType(e->d_name) != 0)) {
      found = 1;
      break;
    }
  }
  closedir(dir);
  return found;
}

// ---- Entries and moving -------------------------------------------------

int FileBrowser::EntryCount() const {
  int dirs = g_DirInfo.GetDirCount();
  if (m_Level >= 3 && m_DaisyMode) return (m_FoldersListed ? dirs : 0) + m_BookCount;
  if (m_Level >= 3 && m_AudioBookMode) return dirs + (m_BookDuration >= 0 ? 1 : 0);
  return g_DirInfo.GetTotal();
}

int FileBrowser::BookIndexOfSelection() const {
  int file = g_DirInfo.GetCurSel() - g_DirInfo.GetDirCount();
  for (int b = 0; b < m_BookCount; b++)
    if (m_BookFileIndex[b] == file) return b;
  return -1;
}

bool FileBrowser::OnBookEntry() const {
  return !g_DirInfo.IsCurSelDir() && m_AudioBookMode && m_BookDuration >= 0;
}

int FileBrowser::SelectedEntry() const {
  int sel = g_DirInfo.GetCurSel();
  int dirs = g_DirInfo.GetDirCount();
  if (m_Level >= 3 && m_DaisyMode) {
    int shown = m_FoldersListed ? dirs : 0;
    if (sel < dirs) return m_FoldersListed ? sel : -1;
    int b = BookIndexOfSelection();
    return b >= 0 ? shown + b : -1;
  }
  if (m_Level >= 3 && m_AudioBookMode) {
    if (sel < dirs) return sel;
    return m_BookDuration >= 0 ? dirs : -1;
  }
  return sel < g_DirInfo.GetTotal() ? sel : -1;
}

void FileBrowser::SelectEntry(int entry) {
  int dirs = g_DirInfo.GetDirCount();
  if (m_Level >= 3 && m_DaisyMode) {
    int shown = m_FoldersListed ? dirs : 0;
    if (entry < shown) {
      g_DirInfo.SetCurSel(entry);
    } else if (entry - shown < m_BookCount) {
      g_DirInfo.SetCurSelFile(m_BookFileIndex[entry - shown]);
    }
    return;
  }
  if (m_Level >= 3 && m_AudioBookMode && entry >= dirs) {
    // The book entry stands on the folder's first audio file.
    for (int i = 0; i < g_DirInfo.GetFileCount(); i++) {
      if (IsAudioName(g_DirInfo.GetFileName(i))) {
        g_DirInfo.SetCurSelFile(i);
        return;
      }
    }
    g_DirInfo.SetCurSelFile(0);
    return;
  }
  g_DirInfo.SetCurSel(entry);
}

void FileBrowser::NormalizeSelection() {
  if (m_Level < 2 || EntryCount() == 0 || SelectedEntry() >= 0) return;
  bool books = m_Level >= 3 && m_DaisyMode && m_BookCount > 0;
  SelectEntry(books && m_FoldersListed ? g_DirInfo.GetDirCount() : 0);
}

void FileBrowser::Move(int delta) {
  if (m_Level >= 3 && (m_DaisyMode || m_AudioBookMode)) {
    int n = EntryCount();
    if (n == 0) return;
    NormalizeSelection();
    int k = SelectedEntry() + delta;
    if (k >= n) k = 0;
    if (k < 0) k = n - 1;
    SelectEntry(k);
    return;
  }
  g_DirInfo.MoveSelect(delta);
}

void FileBrowser::Jump(int direction) {
  if (m_Level >= 3 && (m_DaisyMode || m_AudioBookMode)) return;  // the entry is repeated
  int step = g_DirInfo.GetTotal() / 10;
  if (step < 1) step = 1;
  g_DirInfo.MoveSelect(direction * step);
}

void FileBrowser::SelectDiskInListing() {
  if (strcmp(g_DirInfo.GetPath(), "/mnt") != 0) return;
  int i = g_DirInfo.Find(m_Disk == 1 ? "microsd" : "emmc");
  if (i >= 0) g_DirInfo.SetCurSel(i);
}

void FileBrowser::ToggleDisk() {
  m_Disk = m_Disk == 1 ? 0 : 1;
  if (m_Level == 1) SelectDiskInListing();
}

// ---- Entering and leaving -----------------------------------------------

int FileBrowser::EnterDisk() {
  const char* disk = kDisks[m_Disk == 1 ? 1 : 0];
  if (IsMountDir(disk) != 1) {
    SayPhrase(m_Disk == 1 ? UxPhrase::NoMicroSdCard : UxPhrase::DiskNotFormatted);
    return -1;
  }
  if (g_DirInfo.LoadDir(disk) != 0) {
    SayPhrase(UxPhrase::CantOpenDisk);
    return -1;
  }
  CheckDirChange();
  GotoHistoryPath(disk);
  Show(false, true);
  return 0;
}

int FileBrowser::EnterDir(int folderIndex) {
  const char* name = g_DirInfo.GetChildDirName(folderIndex);
  if (!name) {
    printf("dir_name = %p, child_dir_name = %p\n", static_cast<const void*>(g_DirInfo.GetPath()),
           static_cast<const void*>(name));
    return -1;
  }
  std::string path = std::string(g_DirInfo.GetPath()) + "/" + name;
  if (path.size() > kMaxFolderPath || g_DirInfo.LoadDir(path.c_str()) != 0) {
    SayPhrase(UxPhrase::CanNotOpen2);
    return -1;
  }
  CheckDirChange();
  if (m_DaisyMode && m_BookCount > 0) g_DirInfo.SetCurSelFile(m_BookFileIndex[0]);
  GotoHistoryPath(path.c_str());
  Show(false, false);
  return 0;
}

int FileBrowser::ExitDir() {
  if (m_Level >= 3) {
    SaveHistoryPath();
    std::string path = g_DirInfo.GetPath();
    size_t slash = path.rfind('/');
    std::string left = path.substr(slash + 1);
    if (slash != std::string::npos && slash > 0 && g_DirInfo.LoadDir(path.substr(0, slash).c_str()) == 0) {
      int i = g_DirInfo.Find(left.c_str());
      if (i >= 0) g_DirInfo.SetCurSel(i);
      CheckDirChange();
      Show(false, true);
      return 0;
    }
  } else if (m_Level == 2) {
    SaveHistoryPath();
    if (g_DirInfo.LoadDir("/mnt") == 0) {
      SelectDiskInListing();
      CheckDirChange();
    }
  }
  m_Level = 1;
  Show(false, true);
  return 0;
}

// ---- Remembered position ------------------------------------------------

void FileBrowser::SaveHistoryPath() {
  std::string now = g_DirInfo.GetPath();
  now += '/';
  if (const char* name = g_DirInfo.GetCurSelName()) now += name;
  if (now.size() > kMaxHistoryPath) return;
  if (m_HistoryPath && m_HistoryPathLength >= now.size() &&
      strncasecmp(m_HistoryPath, now.c_str(), now.size()) == 0 &&
      (m_HistoryPath[now.size()] == '/' || m_HistoryPath[now.size()] == 0))
    return;  // a deeper position on the same branch stays
  char* copy = static_cast<char*>(malloc(now.size() + 1));
  if (!copy) {
    printf("not enough memory to save history path\n");
    return;
  }
  memcpy(copy, now.c_str(), now.size() + 1);
  free(m_HistoryPath);
  m_HistoryPath = copy;
  m_HistoryPathLength = now.size();
}

void FileBrowser::GotoHistoryPath(const char* folder) {
  if (!folder || !m_HistoryPath) return;
  size_t n = strlen(folder);
  if (m_HistoryPathLength <= n || strncasecmp(m_HistoryPath, folder, n) != 0 ||
      m_HistoryPath[n] != '/')
    return;
  std::string next = m_HistoryPath + n + 1;
  next = next.substr(0, next.find('/'));
  int i = g_DirInfo.Find(next.c_str());
  if (i >= 0) g_DirInfo.SetCurSel(i);
}

// ---- Audio-book times ---------------------------------------------------

void FileBrowser::AudioBookTimes(int* curSec, int* totalSec) {
  *curSec = 0;
  *totalSec = 0;
  int idx = g_History.Find(EM_HISTORY_AUDIOBOOK, g_DirInfo.GetPath());
  HistoryItem* item = idx >= 0 ? g_History.GetAt(idx) : nullptr;
  if (item && item->text) {
    int cur = FieldOf(item->text, "cur_time=");
    int total = FieldOf(item->text, "total_time=");
    if (cur >= 0 && total >= 0) {
      *curSec = cur;
      *totalSec = total;
      return;
    }
  }
  if (!m_BookDurationKnown) {
    long long sum = 0;
    std::string folder = g_DirInfo.GetPath();
    for (int i = 0; i < g_DirInfo.GetFileCount(); i++) {
      const char* name = g_DirInfo.GetFileName(i);
      if (!IsAudioName(name)) continue;
      int ms = PlayersBackend().DurationMs((folder + "/" + name).c_str());
      if (ms > 0) sum += ms;
    }
    m_BookDuration = sum;
    m_BookDurationKnown = true;
  }
  *totalSec = static_cast<int>(m_BookDuration / 1000);
}
