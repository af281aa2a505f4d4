// The DAISY player window: plays one DAISY 2.02 or DAISY 3 book on the
// DAISY play thread and lets the user move by heading level, page, phrase,
// time or bookmark, set speed, pitch and the time-jump interval, add and
// play bookmarks and highlights, and hear what the book is. Closing it
// stores the position in the history; opening the book again resumes there.
#pragma once

#include <string>
#include <vector>


#include "daisy/narrated_landing.h"
#include "daisy/player/daisy_player_nav.h"
#include "players/kit/bookmark_mode.h"
#include "players/kit/find_entry.h"
#include "positions/history.h"
#include "players/kit/player_common.h"
#include "players/kit/player_window.h"

class DaisyPlayThread;
class TextFinder;
namespace libDaisy {
class Daisy;
struct NarratedLanding;
}

// Text piece `piece` of a text object as UTF-16 units; false without text.
bool DaisyPieceUnits(libDaisy::Daisy* book, const libDaisy::_DaisyObject& o, int piece, std::vector<uint16_t>* out);

// Where a word was found: text object, its piece (the place of a text
// object) and the unit inside the piece.
struct DaisyHit {
  int object = -1;
  int piece = -1;
  int offset = 0;
};
// The first match after `from` (forward, at or after its offset) or the last
// one before it, over the text pieces of the book's text objects in reading
// order; false when there is none.
bool DaisyFindText(libDaisy::Daisy* book, const DaisyBookView& v, const TextFinder& f, DaisyHit from, bool forward,
                   DaisyHit* out);

// Where a book the e-book reader hands over starts: the first match of the
// landing's text between its heading and the next one, else the heading.
DaisyPos DaisyLandingPos(libDaisy::Daisy* book, const DaisyBookView& v, const libDaisy::NarratedLanding& landing);

// Navigation modes: heading levels 1-6 are 0-5.
enum DaisyNavMode {
  DAISY_NAV_PAGE = 6,
  DAISY_NAV_PHRASE = 7,
  DAISY_NAV_TIME = 8,
  DAISY_NAV_WORD = 9,     // never offered
  DAISY_NAV_LETTER = 10,  // never offered
  DAISY_NAV_SPELL = 11,   // never offered
  DAISY_NAV_BOOKMARK = 12,
  DAISY_NAV_MODES = 13,
};

// Mode and the phrase that names it.
struct DaisyNavModeInfo {
  int mode;
  int phraseId;
};
extern const DaisyNavModeInfo g_DaisyNavModes[DAISY_NAV_MODES];

class DaisyPlayer : public PlayerWindow {
 public:
  DaisyPlayer();
  ~DaisyPlayer() override;

  // Starts opening the book (the tick finishes it). 0; -1 for a null or
  // empty folder or name, a folder of 8192 characters or more, or a thread
  // that cannot take the book.
  int Open(const char* folder, const char* controlFile, int startObject, int startPlace,
           int finalObject, int finalPlace);

  // Repeats of volume, and of the menus' value changes, come as key presses;
  // the describer is in daisy_player_describe.cpp.
  PLAYER_WINDOW_HANDLERS
  int OnKeyUp(int code) override;

  // For tests: where the player is.
  bool IsOpening() const { return m_bOpening; }
  bool IsOpenFailed() const { return m_bOpenFailed; }
  bool IsPaused() const { return m_bPaused; }
  bool InMenu() const { return m_bMenuMode; }
  bool InBookmarkMode() const { return m_bBookmarkMode; }
  bool InFindEntry() const { return m_FindKeys.Entering(); }
  const std::vector<int>& OfferedModes() const { return m_Modes; }
  int CurMode() const;
  const std::string& FullName() const { return m_FullName; }
  const std::vector<DaisyPos>& BookmarkPlaces() const { return m_BmPlaces; }

 private:
  // Opening and closing (daisy_player.cpp).
  int FinishOpen();
  void BuildModes();
  int LoadBmPlaces();
  void CloseDown() override;
  void StoreHistory();
  bool HasBook() const;

  // Playback control.
  void Pause();
  void Play();
  void Stop();
  void PauseForSpeech() override;
  void PauseForMenu() override { Pause(); }
  void PlayFrom(DaisyPos pos);
  void ApplySpeechSettings();

  // What the user hears about the book (daisy_player_info.cpp).
  void SayInfo() override;
  void SayMode();
  std::string PageLabelAt(int object, bool* hasPages) const;
  int ElapsedMs() const;
  std::string Title() const;

  // Keys outside the menus (daisy_player_keys.cpp).
  int EventDown(int code) override;
  FindKeys* Finder() override { return &m_FindKeys; }
  void PlayKeyDown() override;
  void UpDownKeyDown(int step) override;
  void LeftRightKeyDown(int step) override { Move(step); }
  bool VolumeSpoken() override { return m_bPaused; }
  void Move(int direction);
  void MoveTo(DaisyPos pos, int direction, const std::string& announce);
  void RestoreDefaults();

  // Menu mode (daisy_player_menus.cpp).
  void EnterSettingsMenu() override;
  int MenuKeyDown(int code);
  int MenuKeyPress(int code);
  void ShowMenuItem();
  void MenuConfirm();
  void LeaveMenu(bool resume);
  void PlayOnUnlessPaused();
  int MenuItems() const;
  int ReadAsText();

  // Finding text (daisy_player_find.cpp).
  FindKeys::Hooks FindHooks();
  void FindMatch(bool forward, const std::u16string& word);

  // Bookmark mode (daisy_player_bookmarks.cpp).
  void EnterBookmarkMenu() override;
  int BookmarkKeyDown(int code);
  int BookmarkKeyPress(int code);
  void ShowBookmarkItem();
  BookmarkMode::Hooks BookmarkHooks();
  int BookmarkCount();
  void AddBookmark();
  void HighlightStep();
  void PlayListedBookmark(int index);
  void SayListedBookmark(int index);
  void LeaveBookmarkMode(bool resume);

  DaisyPlayThread& m_Thread;
  std::string m_Folder;
  std::string m_FileName;
  std::string m_FullName;
  int m_DaisyType = 0;
  DaisyPos m_Start{-1, -1};
  // Where the e-book reader handed the book over, taken when it opens.
  libDaisy::NarratedLanding m_Landing;
  bool m_bLanding = false;
  DaisyPos m_RepeatStart{-1, -1};
  DaisyPos m_RepeatFinal{-1, -1};

  bool m_bOpening = false;
  bool m_bOpenFailed = false;
  bool m_bOpenPhraseSaid = false;
  bool m_bResumeAfterTts = false;
  bool m_bPaused = false;
  bool m_bMenuMode = false;
  bool m_bBookmarkMode = false;
  bool m_bEndSaid = false;
  int m_TickCount = 0;
  int m_FileFailuresSeen = 0;
  bool m_bFileFailureSaid = false;  // "can not open file" told for this book

  std::vector<int> m_Modes;  // offered navigation modes
  int m_ModeIndex = 0;

  // Menu mode.
  std::string m_MenuNumber;  // digits entered for go to page / heading
  int m_MenuValue = 0;       // speed, pitch or interval index being chosen

  // Finding text: the find keys, and the match heard last.
  FindKeys m_FindKeys;
  DaisyHit m_FindHit;

  // Bookmark mode.
  std::vector<DaisyPos> m_BmPlaces;  // sorted, at most 32
  BookmarkMode m_Bm;
  bool m_bMarkStarted = false;
  bool m_bHighlightPlaying = false;
  DaisyPos m_MarkStart{-1, -1};
  int m_MarkStartMs = -1;
  std::string m_MarkStartPage;
  bool m_MarkStartHasPage = false;
};

// Creates the player, pushes it and opens the book `controlFile` in
// `folder`. Start and final positions both 0 or more repeat that range; a
// start alone is where playing begins; -1 resumes from the history. 0, or -1
// for a null argument or when the play thread cannot be started.
int CreateDaisyPlayer(const char* folder, const char* controlFile, int startObject, int startPlace,
                      int finalObject, int finalPlace);

// Menu positions remembered between players.
extern int g_DaisyMenuIndex;          // 0-5
extern int g_DaisyBookmarkMenuIndex;  // 0-2
