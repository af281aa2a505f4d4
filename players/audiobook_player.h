// The audio book player window: one folder is one book, its audio files (in
// the browser's listing order) are the parts, and time counts across the
// whole book. Steps by a chosen time across file boundaries, by files and by
// bookmarks; speed and pitch; positions kept as position texts.
#pragma once

#include <string>
#include <vector>

#include "core/lib/ffmpeg/ffmpeg.h"
#include "players/audio_player_base.h"
#include "players/kit/book_time.h"

class AudioBookPlayer : public AudioPlayerBase {
 public:
  AudioBookPlayer();
  ~AudioBookPlayer() override;

  // Builds the book from the folder and opens it at the position text
  // (null: the first file from its start). 0, or -1 (no folder, path too
  // long, no audio files, thread not started).
  int Open(const char* folder, const char* position);

  // Book time, total, corrected file index and time in the file, in seconds.
  BookTimeInfo GetCurTimeInfo();
  // The position text of where the book is now.
  std::string PositionText();

  // Forgets the menu items chosen last (both menus open at their first item).
  static void ResetRememberedMenuItems();

  int FileCount() const { return m_Timeline.Count(); }
  int CurFile() const { return m_Cur; }
  const BookSegment& Segment() const { return m_Seg; }
  const std::vector<std::string>& FileNames() const { return m_Names; }

 private:
  int OpenFile(int index, int startMs);
  int FinishOpen() override;
  int OpenFailed() override;
  int EndOfFile() override;
  void CloseDown() override;
  void StoreHistory();
  void StorePlace() override;
  std::string FolderKey() const;
  int CurMs();

  void Jump(int direction);
  void SayInfo() override;
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

  int EventDown(int code) override;
  int LockedKeyDown(int code) override;
  int OtherKeyDown(int code) override;
  void UpDownKeyDown(int step) override;
  void LeftRightKeyDown(int) override {}  // the presses and their repeats jump
  int NormalKeyPress(int code) override;
  void PlayOn() override;
  std::string DescribeOwnKey(int code) override;

  // Bookmarks are position texts of the book; a highlight may span files.
  void AddBookmark() override;
  void HighlightStep() override;
  BookmarkMode::Stage HighlightStage() override;
  int BookmarkCount() override;
  void SayBookmark(int index) override;
  void JumpToBookmark(int index) override;
  void PlayBookmark(const char* text);

  // Settings menu: speed, pitch, time left, tag order and the step.
  int SettingItems() override;
  int SettingValue(int item) override;
  void ChangeSetting(int delta) override;
  void ShowSetting() override;
  void ApplySetting() override;

  std::string m_Folder;  // with its trailing "/"
  std::vector<std::string> m_Names;
  std::vector<std::vector<ff::Chapter>> m_Chapters;  // per file, empty without
  BookTimeline m_Timeline;
  int m_Cur = 0;
  int m_StartMs = -1;

  BookSegment m_Seg;
  int m_MarkFile = -1;  // highlight start marked, not yet ended
  int m_MarkMs = -1;
};

// Pushes the audio book player and opens the book at `position` (null: from
// the start). 0; -1 without a folder; -2 when the window cannot be created.
int CreateAudioBookPlayer(const char* folder, const char* position);
