// Opening what is selected and the music key (the upgrade packet: file_browser_upgrade.cpp).
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "browser/file_browser.h"
#include "core/base/activity.h"
#include "browser/openers.h"
#include "core/ui/system_settings.h"
#include "core/base/util.h"
#include "daisy/narrated_package.h"
#include "ebook/ebook.h"
#include "platform/board.h"
#include "audio/audio_files.h"
#include "positions/history.h"
#include "power/battery.h"
#include "speech/tts.h"
#include "speech/ux_language.h"

namespace {

bool IsAudioName(const char* name) { return CheckIsAudioFile_FromExtName(GetExtName(name)) == 1; }

bool IsRegularFile(const char* devicePath) {
  struct stat st;
  return BStat(devicePath, &st) == 0 && S_ISREG(st.st_mode);
}

bool StartsWith(const char* text, const char* prefix) {
  return strncmp(text, prefix, strlen(prefix)) == 0;
}

}  // namespace

int FileBrowser::OpenSelected() {
  if (m_Level < 2) return EnterDisk();
  NormalizeSelection();
  if (EntryCount() == 0) {
    Show(false, false);
    return 0;
  }
  int sel = g_DirInfo.GetCurSel();
  if (g_DirInfo.IsCurSelDir()) return EnterDir(sel);
  const char* name = g_DirInfo.GetCurSelName();
  if (!name) {
    printf("dir_name = %p, filename = %p\n", static_cast<const void*>(g_DirInfo.GetPath()),
           static_cast<const void*>(name));
    return -1;
  }
  if (GetBatState(false) < BAT_25) {
    SayPhrase(UxPhrase::BatteryLevelLow2);
    return 0;
  }
  // The name lives in the listing, which the players may reload.
  std::string file = name;
  return OpenFile(file.c_str());
}

int FileBrowser::OpenFile(const char* name) {
  std::string folder = g_DirInfo.GetPath();
  if (m_DaisyMode) return Opened(OpenWith(OPEN_DAISY, folder.c_str(), name));
  if (m_AudioBookMode) {
    const char* resume = nullptr;
    if (g_SystemSettings.audiobook_resume_play) {
      int i = g_History.Find(EM_HISTORY_AUDIOBOOK, folder.c_str());
      HistoryItem* item = i >= 0 ? g_History.GetAt(i) : nullptr;
      if (item) resume = item->text;
    }
    std::string position = resume ? resume : "";
    return Opened(OpenWith(OPEN_AUDIOBOOK, folder.c_str(), resume ? position.c_str() : nullptr));
  }
  if (strcasecmp(name, "q7upgrade.sh") == 0 || strcasecmp(name, "q7_upgrade") == 0)
    return RunUpgrade(folder.c_str());
  const char* ext = GetExtName(name);
  if (CheckIsAudioPlayList(ext) == 1 || CheckIsAudioFile_FromExtName(ext) == 1)
    return Opened(OpenWith(OPEN_MUSIC, folder.c_str(), name));
  // An EPUB with a narration plays in the DAISY player; without, it is read.
  if (ext && strcasecmp(ext, "epub") == 0 && libDaisy::IsNarratedEpub((folder + "/" + name).c_str()))
    return Opened(OpenWith(OPEN_DAISY, folder.c_str(), name));
  if (CheckIsEbookFile_FromExtName(ext) == 1)
    return Opened(OpenWith(OPEN_EBOOK, folder.c_str(), name));
  SayPhrase(UxPhrase::FileNotSupported);
  return 0;
}

// ---- The music key ------------------------------------------------------

bool FileBrowser::MusicOpened(const char* folder, const char* file) {
  std::string dir = folder, name = file;
  if (g_DirInfo.LoadDir(dir.c_str()) != 0) return false;
  int i = g_DirInfo.Find(name.c_str());
  if (i >= 0) g_DirInfo.SetCurSel(i);
  CheckDirChange();
  Opened(OpenWith(OPEN_MUSIC, dir.c_str(), name.c_str()));
  return true;
}

int FileBrowser::TryToPlayMusic(const char* path, DirInfo* listing) {
  if (!path || !listing) return -1;
  if (listing->LoadDir(path) != 0) return 0;
  for (int i = 0; i < listing->GetFileCount(); i++) {
    const char* name = listing->GetFileName(i);
    if (IsAudioName(name)) return MusicOpened(path, name) ? 1 : 0;
  }
  return 0;
}

int FileBrowser::SearchDiskForMusic(const char* disk) {
  DirInfo root;
  if (TryToPlayMusic(disk, &root) == 1) return 1;
  char audioBooks[256] = "";
  if (g_pUxLanguage) g_pUxLanguage->GetString(UxPhrase::AudioBooks, audioBooks, sizeof audioBooks);
  for (int i = 0; i < root.GetDirCount(); i++) {
    const char* name = root.GetChildDirName(i);
    if (strcasecmp(name, "Daisy") == 0 || strcasecmp(name, audioBooks) == 0) continue;
    DirInfo child;
    std::string path = std::string(disk) + "/" + name;
    if (TryToPlayMusic(path.c_str(), &child) == 1) return 1;
  }
  return 0;
}

int FileBrowser::OnKeyMp3Down() {
  bool emmc = IsMountDir("/mnt/emmc") == 1;
  bool card = IsMountDir("/mnt/microsd") == 1;
  if (!emmc && !card) {
    SayPhrase(UxPhrase::NoMusicFiles);
    return 0;
  }
  static HistoryItem* list[HISTORY_MAX_ITEMS];
  int n = g_History.GetBookmarkList(EM_HISTORY_MUSIC, list);
  for (int i = 0; i < n; i++) {
    const char* path = list[i]->path;
    if (!path) continue;
    bool onDisk = (emmc && StartsWith(path, "/mnt/emmc/")) || (card && StartsWith(path, "/mnt/microsd/"));
    const char* file = GetFilenameFromFullname(path);
    if (!onDisk || !file || !IsAudioName(file) || !IsRegularFile(path)) continue;
    printf("found music history file: %s\n", path);
    std::string folder(path, static_cast<size_t>(file - 1 - path));
    std::string name = file;
    if (MusicOpened(folder.c_str(), name.c_str())) return 0;
  }
  if (emmc && SearchDiskForMusic("/mnt/emmc") == 1) return 0;
  if (card && SearchDiskForMusic("/mnt/microsd") == 1) return 0;
  SayPhrase(UxPhrase::NoMusicFiles);
  return 0;
}
