// The audio book player window: one folder is one book, its audio files (in
// the browser's listing order) are the parts, and time counts across the
// whole book. Steps by a chosen time across file boundaries, by files and by
// bookmarks; speed and pitch; positions kept as position texts.
#pragma once

#include <string>
#include <vector>

#include "core/lib/ffmpeg/ffmpeg.h"
#include "core/ui/window.h"
#include "players/kit/book_time.h"
#include "players/kit/bookmark_mode.h"
#include "positions/history.h"

class PlayThread;

class AudioBookPlayer : public iWindow {
 public:
  AudioBookPlayer();
  ~AudioBookPlayer() override;

  // Builds the book from the folder and opens it at the position text
  // (null: the first file from its start). 0, or -1 (no folder, path too
  // long, no audio files, thread not started).
  int Open(const char* folder, const char* position);

  int OnKeyDown(int code) override;
  int OnKeyPress(int code) override;
  // Resumes after speech, finishes an open, and moves on at a file's end.
  int OnTick() override;
  // Closed from outside: stores the position in the history, stops the thread.
  int OnClose() override;
  int OnRefresh() override;
  std::string DescribeKey(int code, int held) override;
  void OnKeyDescriber() override;

  // Book time, total, corrected file index and time in the file, in seconds.
  BookTimeInfo GetCurTimeInfo();
  // The position text of where the book is now.
  std::string PositionText();

  // Forgets the menu items chosen last (both menus open at their first item).
  static void ResetRememberedMenuItems();

  int FileCount() const { return m_Timeline.Count(); }
  int CurFile() const { return m_Cur; }
  const std::string& CurPath() const { return m_FullPath; }
  const BookSegment& Segment() const { return m_Seg; }
  const std::vector<std::string>& FileNames() const { return m_Names; }

 private:
  enum MenuMode { MENU_NONE = 0, MENU_SETTINGS = 1, MENU_BOOKMARK = 2 };

  int OpenFile(int index, int startMs);
  int FinishOpen();
  int OpenFailed();
  int EndOfFile();
  void CloseDown();
  void StoreHistory();
  std::string FolderKey() const;
  int CurMs();

  void Pause();
  void Play();
  void PauseForSpeech();
  void Jump(int direction);
  void SayInfo();
  void ApplySegmentStopPoint(int index);

  // Tag order and chapters (audiobook_chapters.cpp).
  void ReadTagsAndOrder();
  int ChapterAt(int file, int ms) const;
  // Up or down inside a chaptered file; false when the move leaves the file.
  bool StepChapter(int direction);
  void StepFile(int direction);
  // Seconds of audio left in the chapter (the file when it has none).
  int ChapterLeftMs();
  std::string TimeLeftText();

  int NormalKeyDown(int code);
  void EnterSettingsMenu();
  int SettingsKeyDown(int code);
  int SettingsKeyPress(int code);
  void ShowSetting();
  void EnterBookmarkMenu();
  int BookmarkKeyDown(int code);
  int BookmarkKeyPress(int code);
  BookmarkMode::Hooks BookmarkHooks();
  int BookmarkCount();
  void SayBookmark(int index);
  void AddBookmark();
  void JumpToBookmark(int index);
  void HighlightStep();
  void PlayBookmark(const char* text);
  void LeaveMenu(bool resume);

  PlayThread& m_Thread;
  std::string m_Folder;    // with its trailing "/"
  std::string m_FullPath;  // the current file
  std::vector<std::string> m_Names;
  std::vector<std::vector<ff::Chapter>> m_Chapters;  // per file, empty without
  BookTimeline m_Timeline;
  int m_Cur = 0;
  int m_StartMs = -1;

  bool m_bOpening = false;
  bool m_bUserPaused = false;
  bool m_bResumeAfterTts = false;
  bool m_bFailed = false;
  HistoryPacer m_HistoryPacer;  // the place stored once a minute while playing
  int m_OpenFailures = 0;

  BookSegment m_Seg;
  int m_MarkFile = -1;  // highlight start marked, not yet ended
  int m_MarkMs = -1;

  int m_MenuMode = MENU_NONE;
  int m_MenuItem = 0;
  int m_MenuValue = 0;
  BookmarkMode m_Bm;
};

// Pushes the audio book player and opens the book at `position` (null: from
// the start). 0; -1 without a folder; -2 when the window cannot be created.
int CreateAudioBookPlayer(const char* folder, const char* position);
