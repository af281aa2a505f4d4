// The music player window: plays the audio files of one folder, or the
// entries of an M3U play list, one after another, with play modes, steps by
// time, file or bookmark, fast forward and rewind, a settings menu and a
// bookmark menu. The audio itself runs on the music play thread.
#pragma once

#include <string>
#include <vector>

#include "players/audio_player_base.h"

class AudioPlayer : public AudioPlayerBase {
 public:
  AudioPlayer();
  ~AudioPlayer() override;

  // Builds the list from the folder (or play list `name`), selects `name`
  // and opens it at start_ms (-1: resume from the history), with
  // [start_ms, end_ms] as A-B repeat when both are given. 0, or -1 when the
  // names are too long or the play thread cannot be started.
  int Open(const char* dir, const char* name, int start_ms, int end_ms);

  // Held left or right ends its fast run or takes its step.
  int OnKeyUp(int code) override;

  // Replaces the list by the entries of a play list. 0, -1, -2 (LoadM3uFile).
  int LoadM3u(const char* path);
  // The start times of this file's bookmarks (at most 32, ascending).
  int LoadBmMs();

  // Forgets the menu items chosen last (both menus open at their first item).
  static void ResetRememberedMenuItems();

  // For tests and the browser: where the player is.
  int Total() const { return static_cast<int>(m_List.size()); }
  int Cur() const { return m_Cur; }

 private:
  // Opening and closing.
  int OpenCur();
  std::string EntryPath(int index) const;
  void StoreHistory(bool atStart);
  void CloseDown() override;
  int FinishOpen() override;
  int OpenFailed() override;
  int EndOfFile() override;
  bool Resting() const override { return m_bEnded || m_bUserPaused; }
  void StorePlace() override { StoreHistory(false); }
  int StepToEntry(int index);

  // Playback control.
  void SeekAndPlay(int ms, int direction);
  void StartRepeat(int startMs, int endMs);
  void ClearRepeat();

  // Keys outside the menus.
  int EventDown(int code) override;
  void UpDownKeyDown(int step) override;
  void LeftRightKeyDown(int step) override;
  int NormalKeyPress(int code) override;
  void PlayOn() override;
  void SayInfo() override;
  std::string DescribeOwnKey(int code) override;
  void SayNavMode();
  void StepBy(int direction);
  void StepTime(int direction);
  void StepBookmark(int direction);

  // Settings menu.
  int FirstSettingItem(int remembered) override;
  int SettingItems() override;
  int SettingValue(int item) override;
  void ShowSetting() override;
  void ChangeSetting(int delta) override;
  void ApplySetting() override;

  // Bookmark menu.
  int BookmarkCount() override;
  void SayBookmark(int index) override;
  BookmarkMode::Stage HighlightStage() override;
  void AddBookmark() override;
  void JumpToBookmark(int index) override;
  void HighlightStep() override;
  int BookmarkCurMs();

  std::string m_Dir;  // with its trailing "/"
  bool m_IsPlayList = false;
  std::vector<std::string> m_List;  // names in the folder, or full paths of a play list
  int m_Cur = 0;
  int m_StartMs = -1;
  int m_EndMs = -1;

  bool m_bEnded = false;

  int m_HoldCount = 0;  // presses of a held left or right key
  bool m_bFastRunning = false;

  int m_Streams = 0;

  std::vector<int> m_BmMs;
  int m_RepeatStart = -1;
  int m_RepeatEnd = -1;
};

// Creates the music player, pushes it and opens `name` in `dir` (a play list
// name opens the list). 0; -1 without a text; -2 when it cannot be created.
int CreateAudioPlayer(const char* dir, const char* name, int start_ms, int end_ms);
