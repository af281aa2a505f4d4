#include "browser/dir_info.h"

#include <dirent.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/base/diag.h"
#include "platform/board.h"

DirInfo g_DirInfo;

DirInfo::~DirInfo() { free(m_Path); }

int DirInfo::SetPath(const char* path) {
  size_t len = strlen(path);
  if (len + 1 > m_PathCapacity) {
    size_t want = (len + 1 + 255) / 256 * 256;
    char* grown = static_cast<char*>(malloc(want));
    if (!grown) return -2;
    free(m_Path);
    m_Path = grown;
    m_PathCapacity = want;
  }
  memmove(m_Path, path, len + 1);
  m_PathLength = len;
  return 0;
}

int DirInfo::LoadDir(const char* path) {
  if (!path) path = m_Path;
  if (!path || !path[0]) return -1;
  // Copied first: the caller may pass our own path, and it must outlive the
  // listing below in any case.
  std::string folder(path);
  DIR* dir = BOpendir(folder.c_str());
  if (!dir) {
    fprintf(stderr, "can not open dir: %s\n", folder.c_str());
    return -3;
  }
  bool newPath = !m_Path || strcmp(folder.c_str(), m_Path) != 0;
  if (newPath && SetPath(folder.c_str()) != 0) {
    closedir(dir);
    return -2;
  }
  // A reload keeps the entry selected, wherever new or removed entries
  // shift it to.
  std::string selected;
  bool wasDir = IsCurSelDir();
  if (!newPath && GetCurSelName()) selected = GetCurSelName();
  m_Dirs.Cls();
  m_Files.Cls();
  while (struct dirent* e = readdir(dir)) {
    if (e->d_name[0] == '.') continue;
    unsigned char type = e->d_type;
    if (type == DT_UNKNOWN || type == DT_LNK) {
      // The file system does not say, or the entry is a link (never on a
      // FAT disk; a simulated one may link its books in): ask what it is.
      struct stat st;
      std::string full = folder + "/" + e->d_name;
      if (BStat(full.c_str(), &st) != 0) continue;
      type = S_ISDIR(st.st_mode) ? DT_DIR : (S_ISREG(st.st_mode) ? DT_REG : DT_UNKNOWN);
    }
    if (type == DT_DIR) {
      if (m_Dirs.Add(e->d_name) != 0) DiagPrintf("m_dirs->Add failed");
    } else if (type == DT_REG) {
      if (m_Files.Add(e->d_name) != 0) DiagPrintf("m_files->Add failed");
    }
  }
  closedir(dir);
  m_Dirs.Sort(StringCollection::kSortLogical);
  m_Files.Sort(StringCollection::kSortLogical);
  m_DirCount = m_Dirs.GetTotal();
  m_FileCount = m_Files.GetTotal();
  if (newPath || m_CurSel >= GetTotal()) m_CurSel = 0;
  if (!selected.empty()) {
    int i = wasDir ? m_Dirs.Find(selected.c_str()) : m_Files.Find(selected.c_str());
    if (i >= 0) m_CurSel = wasDir ? i : m_DirCount + i;
  }
  m_LoadCount++;
  return 0;
}

void DirInfo::SetCurSel(int index) { m_CurSel = (index >= 0 && index < GetTotal()) ? index : 0; }

void DirInfo::SetCurSelFile(int index) {
  m_CurSel = (index >= 0 && index < m_FileCount) ? m_DirCount + index : 0;
}

int DirInfo::MoveSelect(int delta) {
  int total = GetTotal();
  if (total <= 0) {
    m_CurSel = 0;
    return 0;
  }
  long next = static_cast<long>(m_CurSel) + delta;
  if (next >= total) next = 0;
  if (next < 0) next = total - 1;
  m_CurSel = static_cast<int>(next);
  return m_CurSel;
}

int DirInfo::Find(const char* name) const {
  if (!name) return -1;
  int i = m_Dirs.Find(name);
  if (i >= 0) return i;
  i = m_Files.Find(name);
  return i >= 0 ? m_DirCount + i : -1;
}

const char* DirInfo::GetChildDirName(int index) const { return m_Dirs.Get(index); }
const char* DirInfo::GetFileName(int index) const { return m_Files.Get(index); }

const char* DirInfo::GetCurSelName() const {
  return m_CurSel < m_DirCount ? m_Dirs.Get(m_CurSel) : m_Files.Get(m_CurSel - m_DirCount);
}

void DirInfo::Cls() {
  m_Dirs.Cls();
  m_Files.Cls();
  m_DirCount = m_FileCount = 0;
  m_CurSel = 0;
}
