// The DAISY player's play thread: it owns the open book, the decoder and the
// sound card while it plays, and walks the object list in order: audio clips
// through the streaming decoder (and SoundTouch when speed or pitch is set),
// texts through player speech. The window drives it through the play-thread
// commands and watches the state word. Created on first use, kept for the
// process.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "daisy/daisy.h"
#include "daisy/narrated_archive.h"
#include "daisy/player/daisy_player_nav.h"
#include "players/kit/play_backend.h"
#include "players/kit/play_thread_base.h"
#include "players/kit/speed_pitch.h"

enum DaisyState {
  DAISY_STATE_NONE = PLAY_THREAD_IDLE,  // no book
  DAISY_STATE_OPENING = PLAY_THREAD_OPENING,
  DAISY_STATE_PLAYING = PLAY_THREAD_PLAYING,
  DAISY_STATE_PAUSED = PLAY_THREAD_PAUSED,
  DAISY_STATE_STOPPED = PLAY_THREAD_STOPPED,  // book open, not playing
  DAISY_STATE_END = PLAY_THREAD_ENDED,        // played past the last object
};

class DaisyPlayThread final : public PlayThreadBase {
 public:
  DaisyPlayThread();
  // Ends the thread (tests; the firmware's thread lives for the process).
  ~DaisyPlayThread();

  // Main thread. Each sends its command and waits until the thread has
  // taken it.
  // Opens the book at fullName (type 1/2, else guessed) from state 0; -1 in
  // any other state or without a thread. The state goes to 1, then to 4
  // (open) or back to 0 with ErrorCode() set.
  int CmdOpen(const std::string& fullName, int type);
  // Stops playing and closes the book; returns with the state 0.
  int CmdClose() { return Close(); }
  // From 3, 4 or 5 (0 at once when playing, else -1); the error code.
  int CmdPlay() { return Play(); }
  // From 2 (0 when paused, else -1). Returns once the sound has drained.
  int CmdPause() { return Pause(); }
  // From 2, 3 or 5 (0 when stopped, else -1).
  int CmdStop() { return Stop(); }

  // The book and what the thread prepared; valid while a book is open and
  // the thread is not playing (states 3, 4, 5), and unchanged until it is
  // closed. Null / empty without a book.
  libDaisy::Daisy* Book() { return m_Book.get(); }
  const DaisyBookView& View() const { return m_View; }

  // The position: object index and place (ms from the clip begin, or the
  // next text piece). Read any time; set only while the thread is not playing.
  DaisyPos Position() const;
  // A position past the end becomes EndPosition(). Landing: the user moved
  // there, and quieter reading still reads the page number or note there.
  void SetPosition(DaisyPos pos, bool landing = false);
  // The end of the last object (0/0 without a book), and whether the
  // position is there.
  DaisyPos EndPosition() const;
  bool AtEnd() const;
  // Repeat range: passing `fin` jumps back to `start`. Both objects -1
  // clears it; a range ending at its start repeats the piece there. Set only
  // while the thread is not playing.
  void SetRepeat(DaisyPos start, DaisyPos fin);
  void ClearRepeat() { SetRepeat({-1, -1}, {-1, -1}); }
  bool HasRepeat() const { return m_RepeatStart.object >= 0 && m_RepeatFinal.object >= 0; }

  // Counts audio files that could not be opened; the window announces a
  // change.
  int FileFailures() const { return m_FileFailures.load(); }

  // The player-speech data callback: writes the samples to the sound card,
  // then reads the command (pause waits for play or stop). 0 go on, 1 cancel.
  // Play thread or the speech silence thread.
  static int TtsDataOutput(short* samples, int count, void* user);

 private:
  using LoopEnd = PlayEnd;
  static constexpr LoopEnd kStopped = kHeld;

  int OpenItem() override;
  PlayEnd PlayItem(Lock& lock) override;
  void CloseItem() override { CloseBook(); }
  int OpenBook(const std::string& fullName, int type);
  void CloseBook();
  // Clip times completed from the files, what makes sound, and the audio
  // time before every object.
  void PrepareObjects();
  void MeasureClips();
  void MarkPlayable();
  void BuildView();
  LoopEnd PlayLoop();
  // Each returns true when the thread must leave the play loop (*why).
  bool PlayAudio(int index, LoopEnd* why);
  bool PlayText(int index, LoopEnd* why);
  // Speaks one text through player speech: 0 spoken, 1 leave (*why set),
  // -1 no speech engine, -2 cut short.
  int SpeakText(const char* text, LoopEnd* why);
  // Which text stands in for each clip whose audio is missing: the text of
  // its par, else the NCC text of the heading it starts.
  void FindStandInTexts(const std::vector<int>& parent);
  // Which clips narrate a page number or note: every text of their par is
  // one (quieter reading passes over them).
  void FindQuietClips(const std::vector<int>& parent);
  bool HasStandIn(int index) const;
  // A clip whose audio cannot be opened: its stand-in text instead.
  bool PlayStandIn(int index, LoopEnd* why);
  // The first missing file of a book waits here until the window has
  // said so; false when it was stopped instead.
  bool PauseForAnnouncement(LoopEnd* why);
  bool CheckCommand(LoopEnd* why);
  // Why the loop leaves after a pause that did not end in play.
  LoopEnd LeftPause() const { return Pending() == PlayCommand::kQuit ? kQuit : kStopped; }
  // Flushes and drains the sound.
  void Drain();
  int OpenAudioFile(int fileIndex);
  // Opens audio file `name` of the book: a file of its folder, or a member
  // of a narrated EPUB streamed from the archive. The backend's result.
  int OpenAudio(const char* name, int* rate, int* channels, int* totalMs);
  int AudioDurationMs(const char* name);
  void CloseAudioFile();
  int SeekTo(int ms);
  int Output(short* pcm, int frames);
  // Opens the card again for what is playing: system speech may have taken
  // it with another format during a pause.
  void RestoreCard();
  void FlushOutput(bool keepTail);
  // Applies the repeat range at a position reached while playing; true
  // when it jumped back.
  bool RepeatJump(int object, int place);
  int CallbackOutput(short* samples, int count);

  // Guarded by the channel's mutex.
  std::string m_FullName;
  int m_DaisyType = 0;

  std::unique_ptr<libDaisy::Daisy> m_Book;
  libDaisy::_DaisyObject* m_Objects = nullptr;
  int m_TotalObjects = 0;
  std::vector<char> m_Playable;
  std::vector<int> m_StandInText;     // text object per audio clip, -1 none
  std::vector<int> m_StandInHeading;  // heading per audio clip, -1 none
  std::vector<char> m_QuietClip;      // per object
  bool m_FileFailed = false;          // a file of this book could not be opened
  std::vector<int64_t> m_AudioBefore;
  DaisyBookView m_View;
  std::string m_Folder;  // with its trailing '/'

  std::atomic<int> m_CurObject{0};
  std::atomic<int> m_CurObjectPlace{0};
  DaisyPos m_RepeatStart{-1, -1};
  DaisyPos m_RepeatFinal{-1, -1};
  std::atomic<int> m_FileFailures{0};

  // Thread-private while playing.
  int m_AudioFileIndex = -1;
  int m_AudioCurMs = 0;
  int m_AudioTotalMsOfFile = 0;
  int m_AudioSamplerate = 0;
  int m_AudioChannels = 0;
  int m_FailedFileIndex = -1;
  bool m_UseTempo = false;
  bool m_CardIsSpeech = false;
  bool m_Sounded = false;  // something was heard since the range last began
  bool m_Jumped = false;   // the range began again while the object played
  bool m_Landing = false;  // the user moved to the position, nothing played since
  SpeedPitch m_Tempo;
  libDaisy::MemberStream m_Stream;  // the open audio member of a narrated EPUB
  short m_Block[2048];  // one 4096-byte decode block
};

// The DAISY player's thread (created on first use, kept for the process).
DaisyPlayThread& DaisyThread();
