// The file browser: the root window and the user's home. It chooses the
// internal memory or the micro SD card, walks folders, speaks every entry
// with its position, opens what is selected in the right player, takes the
// events every other window passes down, and turns the device into a USB
// disk while a computer is attached. Event-loop thread only.
#pragma once

#include <cstddef>
#include <string>

#include "browser/dir_info.h"
#include "browser/openers.h"
#include "browser/string_collection.h"
#include "core/ui/window.h"
#include "core/ui/settings_area.h"

// 0 normal; 1 mass-storage gadget loaded (cable in); 2 the host configured
// it; 3 mass-storage mode ended while the cable stays in.
extern int g_UsbState;
// Disks the gadget exports: 1 internal memory only, 2 internal memory and card.
extern int g_UsbLun;
// Card export: 0 none, 1 whole card device, 2 its first partition.
extern int g_UsbMicroSdState;

constexpr int kMaxDaisyBooks = 100;

class FileBrowser : public iWindow {
 public:
  FileBrowser();
  ~FileBrowser() override;

  // Keys, events passed down by other windows, and mode keys. 0, or the
  // shared results of OnDefaultKeyDown.
  int OnKeyDown(int code) override;
  // Moves (up/down, also on repeats) and the volume keys. Always 0.
  int OnKeyPress(int code) override;
  std::string DescribeKey(int code, int held) override;
  // Counts the ticks of USB mass-storage mode without a host. Always 0.
  int OnTick() override;
  // Speaks where the user is ("USB connected" in mass-storage mode). 0.
  int OnRefresh() override;

  // Speaks the current entry; detail adds its position, prompt the disk
  // choice question or "main folder".
  void Show(bool detail, bool prompt);
  // Opens the chosen disk's root. 0, or -1 (spoken) when it cannot.
  int EnterDisk();
  // Opens child folder i of the listing. 0 or -1 (spoken).
  int EnterDir(int folderIndex);
  // Goes up one folder, or from a disk root to the disk choice. 0.
  int ExitDir();
  // The music key: resumes the last music or finds some. 0.
  int OnKeyMp3Down();
  // Re-analyses the folder when g_DirInfo was reloaded since the last look.
  void CheckDirChange();
  // DAISY mode, the book titles and whether child folders are listed.
  void UpdateDaisyDirInfo();
  // 1 when the folder holds a child folder or a DAISY control file, else 0.
  static int CheckDirHasDaisyFile(const char* path);
  // Opens the first audio file directly in `path` (listed into `listing`):
  // 1 opened, 0 none there, -1 null path.
  int TryToPlayMusic(const char* path, DirInfo* listing);
  // Remembers the position in the current subtree.
  void SaveHistoryPath();
  // In a folder just entered, selects the entry remembered below it.
  void GotoHistoryPath(const char* folder);

  // ---- state, for the card receiver and for tests ----
  int Level() const { return m_Level; }
  int Disk() const { return m_Disk; }
  bool DaisyMode() const { return m_DaisyMode; }
  bool AudioBookMode() const { return m_AudioBookMode; }
  bool FoldersListed() const { return m_FoldersListed; }
  int BookCount() const { return m_BookCount; }
  const char* BookTitle(int i) const { return m_BookTitles.Get(i); }
  long long BookDuration() const { return m_BookDuration; }
  const char* HistoryPath() const { return m_HistoryPath ? m_HistoryPath : ""; }
  // The last text handed to speech.
  const std::string& LastUtterance() const { return m_LastUtterance; }
  // Entries the user moves through (folders, books, files as the mode has them).
  int EntryCount() const;

 private:
  // Speech.
  void Say(const std::string& text);
  void SayPhrase(int id);
  // Logical entries of the current mode and the selection among them.
  int SelectedEntry() const;
  void SelectEntry(int entry);
  void NormalizeSelection();
  bool OnBookEntry() const;
  int BookIndexOfSelection() const;
  void Move(int delta);
  void Jump(int direction);
  void ToggleDisk();
  void Walk(bool jump, int direction);
  void SelectDiskInListing();
  std::string CurFolderName() const;
  // The audio-book history record's times, or summed durations.
  void AudioBookTimes(int* curSec, int* totalSec);
  void ResetAnalysis();
  // Opening.
  int OpenSelected();
  int OpenFile(const char* name);
  // The upgrade packet found in `folder` while browsing; reboots when installed.
  int RunUpgrade(const char* folder);
  // What a computer left on the internal memory's root (packet, device
  // record, boot sound); reboots when anything was installed. -1 when the
  // internal memory is not mounted, else 0.
  int Upgrade();
  int ApplyPacket(const std::string& script, const std::string& payload);
  void InstallSnbRecord();
  bool InstallBootSound();
  bool MusicOpened(const char* folder, const char* file);
  int SearchDiskForMusic(const char* disk);
  bool BatteryTooLow();
  // Creation functions of other windows; failure says "file not supported".
  int Opened(int result);
  // Key dispatch: one handler per key, each taking the code and returning
  // OnKeyDown's result.
  using KeyHandler = int (FileBrowser::*)(int code);
  static KeyHandler HandlerFor(int code);
  bool OnUsbEvent(int code);
  void OnShutdownEvent(int code);
  int OpenMenu(BrowserWindow which);
  int PassDown(int code);
  int KeySide(int code);
  int KeyPlay(int code);
  int KeyBack(int code);
  int KeyRadio(int code);
  int KeyMusic(int code);
  int KeyInfo(int code);
  int KeyBookmark(int code);
  int KeyMenu(int code);
  int KeyRecord(int code);
  int KeyFileManagement(int code);
  int KeyPower(int code);
  int SdMounted(int code);
  int SdRemoved(int code);
  // USB mass storage.
  void EnterUsbMode();
  void LeaveUsbMode(int code);
  void UsbChargerOnly();
  void RemountDisks();
  void ReloadAfterDiskChange();

  int m_Level = -1;
  int m_Disk = 0;
  long long m_LastLoadCount = -1;
  bool m_DaisyMode = false;
  StringCollection m_BookTitles;
  int m_BookFileIndex[kMaxDaisyBooks] = {};
  int m_BookCount = 0;
  bool m_FoldersListed = true;
  bool m_AudioBookMode = false;
  long long m_BookDuration = -1;
  bool m_BookDurationKnown = false;
  char* m_HistoryPath = nullptr;
  size_t m_HistoryPathLength = 0;
  int m_UsbTicks = 0;
  std::string m_LastUtterance;
};

// The one instance, or null before CreateFileBrowser.
extern FileBrowser* g_file_browser;

// Creates the root window and pushes it (again: 0 without effect). 0, or -1
// when it cannot be created.
int CreateFileBrowser();

// Start-up: restores the folder and entry of "/mnt/settings/poweroff.path"
// into g_DirInfo. 0, or -1 when there is nothing usable to restore.
int GoToPoweroffPath();
// Power-off: writes the current folder and entry there. 0 or -1.
int SavePoweroffPath();
inline constexpr SettingsKey kPoweroffPathArea{"poweroff path"};

// A name as speech can take it: valid UTF-8 kept, other bytes read as the
// Polish Windows code page, control characters made spaces.
std::string SpeakableName(const char* name);

// The standard folders ("Daisy", and "Record" and "Audio books" in the
// current language) on each mounted disk; renames the other language's.
int CreateDaisyDir();
// Not a file: the standard folders are named anew in the current language
// when every setting goes back to its default.
inline constexpr SettingsKey kStdFoldersArea{"folders"};
// Renames `directory`'s folder of phrase `phraseId` in the other language to
// this one's, or makes it. 0 or -1.
int ChangeDirname(const char* directory, int phraseId);
