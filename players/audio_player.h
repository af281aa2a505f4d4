// The music player window: plays the audio files of one folder, or the
// entries of an M3U play list, one after another, with play modes, steps by
// time, file or bookmark, fast forward and rewind, a settings menu and a
// bookmark menu. The audio itself runs on the music play thread.
#pragma once

#include <string>
#include <vector>

#include "core/ui/window.h"
#include "players/kit/bookmark_mode.h"
#include "positions/history.h"

class PlayThread;

class AudioPlayer : public iWindow {
 public:
  AudioPlayer();
  ~AudioPlayer() override;

  // Builds the list from the folder (or play list `name`), selects `name`
  // and opens it at start_ms (-1: resume from the history), with
  // [start_ms, end_ms] as A-B repeat when both are given. 0, or -1 when the
  // names are too long or the play thread cannot be started.
  int Open(const char* dir, const char* name, int start_ms, int end_ms);

  // Loop thread handlers; see the key table of the player.
  int OnKeyDown(int code) override;
  std::string DescribeKey(int code, int held) override;
  void OnKeyDescriber() override;
  int OnKeyPress(int code) override;
  int OnKeyUp(int code) override;
  // Resumes after speech, finishes an open, and acts at the end of a file.
  int OnTick() override;
  // Closed from outside: stores the position and stops the thread.
  int OnClose() override;
  // Speaks the current menu item, or the file and its times.
  int OnRefresh() override;

  // Replaces the list by the entries of a play list. 0, -1, -2 (LoadM3uFile).
  int LoadM3u(const char* path);
  // The start times of this file's bookmarks (at most 32, ascending).
  int LoadBmMs();

  // Forgets the menu items chosen last (both menus open at their first item).
  static void ResetRememberedMenuItems();

  // For tests and the browser: where the player is.
  const std::string& CurPath() const { return m_FullPath; }
  int Total() const { return static_cast<int>(m_List.size()); }
  int Cur() const { return m_Cur; }

 private:
  enum MenuMode { MENU_NONE = 0, MENU_SETTINGS = 1, MENU_BOOKMARK = 2 };

  // Opening and closing.
  int OpenCur();
  std::string EntryPath(int index) const;
  void StoreHistory(bool atStart);
  void CloseDown();
  int FinishOpen();
  int OpenFailed();
  int EndOfFile();
  int StepToEntry(int index);

  // Playback control.
  void Pause();
  void Play();
  void PauseForSpeech();
  void SeekAndPlay(int ms, int direction);
  void StartRepeat(int startMs, int endMs);
  void ClearRepeat();

  // Keys outside the menus.
  int NormalKeyDown(int code);
  void SayInfo();
  void SayNavMode();
  void StepBy(int direction);
  void StepTime(int direction);
  void StepBookmark(int direction);

  // Settings menu.
  void EnterSettingsMenu();
  int SettingsKeyDown(int code);
  int SettingsKeyPress(int code);
  int SettingValue(int item);
  void ShowSetting();
  int NextSettingItem(int item, int delta);
  void ApplySetting();

  // Bookmark menu.
  void EnterBookmarkMenu();
  int BookmarkKeyDown(int code);
  int BookmarkKeyPress(int code);
  BookmarkMode::Hooks BookmarkHooks();
  int BookmarkCount();
  void SayBookmark(int index);
  int BookmarkCurMs();
  void AddBookmark();
  void JumpToBookmark(int index);
  void HighlightStep();
  void LeaveMenu(bool resume);

  PlayThread& m_Thread;
  std::string m_Dir;       // with its trailing "/"
  std::string m_FullPath;  // the current file
  bool m_IsPlayList = false;
  std::vector<std::string> m_List;  // names in the folder, or full paths of a play list
  int m_Cur = 0;
  int m_StartMs = -1;
  int m_EndMs = -1;

  bool m_bOpening = false;
  bool m_bUserPaused = false;
  bool m_bEnded = false;
  bool m_bResumeAfterTts = false;
  bool m_bFailed = false;      // nothing to play: the window closes at the next tick
  HistoryPacer m_HistoryPacer;  // the place stored once a minute while playing
  int m_OpenFailures = 0;      // files in a row that could not be opened

  int m_HoldCount = 0;  // presses of a held left or right key
  bool m_bFastRunning = false;

  int m_MenuMode = MENU_NONE;
  int m_MenuItem = 0;
  int m_MenuValue = 0;
  int m_Streams = 0;

  std::vector<int> m_BmMs;
  int m_RepeatStart = -1;
  int m_RepeatEnd = -1;
  BookmarkMode m_Bm;
};

// Creates the music player, pushes it and opens `name` in `dir` (a play list
// name opens the list). 0; -1 without a text; -2 when it cannot be created.
int CreateAudioPlayer(const char* dir, const char* name, int start_ms, int end_ms);
