// What the music player and the audio book player share: the play thread
// they drive, playing that waits for system speech, the tick, the keys both
// have outside their menus, and the frame of their settings and bookmark
// menus. Each player keeps its list or book, its moves and its settings.
#pragma once

#include <string>

#include "players/kit/bookmark_mode.h"
#include "positions/history.h"
#include "players/kit/player_common.h"
#include "players/kit/player_window.h"

class PlayThread;

class AudioPlayerBase : public PlayerWindow {
 public:
  // The menu items chosen last, offered first the next time.
  struct RememberedItems {
    int settings = 0;
    int bookmark = 0;
  };

  PLAYER_WINDOW_HANDLERS

  const std::string& CurPath() const { return m_FullPath; }

 protected:
  enum MenuMode { MENU_NONE = 0, MENU_SETTINGS = 1, MENU_BOOKMARK = 2 };

  AudioPlayerBase(PlayThread& thread, RememberedItems* remembered);

  // Opening, the tick and closing.
  virtual int FinishOpen() = 0;
  virtual int OpenFailed() = 0;
  virtual int EndOfFile() = 0;
  // Nothing for the tick to do (paused by the user, or at the end).
  virtual bool Resting() const { return m_bUserPaused; }
  // The place stored once a minute while playing.
  virtual void StorePlace() = 0;
  // A file that could not be opened is announced; the failures in a row.
  int NoteOpenFailure();

  // Keys outside the menus (the shared dispatch is PlayerWindow's).
  virtual int NormalKeyPress(int code) = 0;
  // Play pressed while paused by the user.
  virtual void PlayOn() = 0;
  // What a key of the player's own does outside the menus; "" for the rest.
  virtual std::string DescribeOwnKey(int code) = 0;
  void PlayKeyDown() override;
  void PauseForMenu() override;
  bool VolumeSpoken() override { return m_bUserPaused || m_bOpening; }
  int OtherKeyDown(int code) override { return OnDefaultKeyDown(code); }

  // Playback control.
  void Pause();
  // Plays on from a pause or the end, after any system speech.
  void Play();
  void PauseForSpeech() override;

  // Settings menu: the items, their values and their words.
  virtual int FirstSettingItem(int remembered) { return remembered; }
  virtual int SettingItems() = 0;
  virtual int SettingValue(int item) = 0;
  virtual void ShowSetting() = 0;
  virtual void ChangeSetting(int delta) = 0;
  virtual void ApplySetting() = 0;
  void EnterSettingsMenu() override;

  // Bookmark menu: the player's bookmarks.
  virtual int BookmarkCount() = 0;
  virtual void SayBookmark(int index) = 0;
  virtual BookmarkMode::Stage HighlightStage() = 0;
  virtual void AddBookmark() = 0;
  virtual void JumpToBookmark(int index) = 0;
  virtual void HighlightStep() = 0;
  void EnterBookmarkMenu() override;
  void LeaveMenu(bool resume);

  PlayThread& m_Thread;
  std::string m_FullPath;  // the current file
  bool m_bOpening = false;
  bool m_bUserPaused = false;
  bool m_bResumeAfterTts = false;
  bool m_bFailed = false;       // nothing to play: the window closes at the next tick
  int m_OpenFailures = 0;       // files in a row that could not be opened

  int m_MenuMode = MENU_NONE;
  int m_MenuItem = 0;
  int m_MenuValue = 0;
  BookmarkMode m_Bm;

 private:
  int MenuKeyDown(int code);
  int SettingsKeyPress(int code);

  RememberedItems* m_Remembered;
};
