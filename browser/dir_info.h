// One folder listing: its child folders and its files, each sorted in
// logical order, and the entry selected in it. Selection indices run over
// the folders first, then the files. Event-loop thread only.
#pragma once

#include <cstddef>

#include "browser/string_collection.h"

class DirInfo {
 public:
  DirInfo() = default;
  ~DirInfo();
  DirInfo(const DirInfo&) = delete;
  DirInfo& operator=(const DirInfo&) = delete;

  // Lists the folder at a device path (null: the current folder again).
  // Hidden entries (names starting with '.') are skipped, folders and
  // regular files listed, anything else ignored. The selection goes back to
  // 0 for another folder; reloading the same folder keeps the selected entry
  // (by name), or position 0 when it is gone and its index is past the end. 0; -1 no path; -2 out
  // of memory; -3 the folder cannot be opened ("can not open dir: %s\n"),
  // and then the previous listing stays.
  int LoadDir(const char* path);
  // Selection i (0 outside the listing).
  void SetCurSel(int index);
  // Selects file i (the first entry when outside the files).
  void SetCurSelFile(int index);
  // Moves the selection by delta: past the last entry to the first, before
  // the first to the last. Returns the new selection.
  int MoveSelect(int delta);
  // Selection index of the entry with that name, ignoring case (folders
  // first, then files), or -1.
  int Find(const char* name) const;
  // Folder i / file i, or null outside.
  const char* GetChildDirName(int index) const;
  const char* GetFileName(int index) const;
  // Empties the listing (the path stays).
  void Cls();

  const char* GetPath() const { return m_Path ? m_Path : ""; }
  size_t GetPathLength() const { return m_PathLength; }
  int GetDirCount() const { return m_DirCount; }
  int GetFileCount() const { return m_FileCount; }
  int GetTotal() const { return m_DirCount + m_FileCount; }
  int GetCurSel() const { return m_CurSel; }
  // True when the selection is on a folder.
  bool IsCurSelDir() const { return m_CurSel < m_DirCount; }
  // Name of the selected entry, or null when the listing is empty.
  const char* GetCurSelName() const;
  // Incremented by every successful LoadDir, so that a window can tell the
  // listing was replaced behind its back.
  unsigned GetLoadCount() const { return m_LoadCount; }

 private:
  int SetPath(const char* path);

  char* m_Path = nullptr;
  size_t m_PathLength = 0;
  size_t m_PathCapacity = 0;
  StringCollection m_Dirs;
  StringCollection m_Files;
  int m_DirCount = 0;
  int m_FileCount = 0;
  int m_CurSel = 0;
  unsigned m_LoadCount = 0;
};

// The file browser's current folder.
extern DirInfo g_DirInfo;
