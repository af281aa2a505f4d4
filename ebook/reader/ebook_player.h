// The e-book reader window: reads a book aloud sentence by sentence on the
// play thread, moves by ten or one per cent, page, paragraph, sentence,
// heading, word, letter, spelled word or bookmark, and has a settings menu
// and a bookmark menu of its own. Closing stores the place in the history.
#pragma once

#include <string>
#include <vector>


#include "daisy/narrated_landing.h"
#include "players/kit/bookmark_mode.h"
#include "players/kit/find_entry.h"
#include "positions/history.h"
#include "players/kit/player_common.h"
#include "players/kit/player_window.h"

// Navigation modes, in the order of the phrases that name them.
enum EbookNavMode {
  EB_NAV_TEN_PERCENT = 0,
  EB_NAV_ONE_PERCENT = 1,
  EB_NAV_PAGE = 2,
  EB_NAV_PARAGRAPH = 3,
  EB_NAV_SENTENCE = 4,
  EB_NAV_LEVEL1 = 5,  // .. EB_NAV_LEVEL1 + 8 for level 9
  EB_NAV_WORD = 14,
  EB_NAV_LETTER = 15,
  EB_NAV_SPELL = 16,
  EB_NAV_BOOKMARK = 17,
  EB_NAV_MODES = 18,
};

// The items used last in the settings and bookmark menus, kept while the
// program runs.
extern int g_EbookMenuIndex;
extern int g_EbookBookmarkMenuIndex;

// Phrase spoken when each navigation mode is chosen.
extern const int g_EbpNavModeDesList[EB_NAV_MODES];

// The navigation modes offered for a book with headings down to `depth`;
// their number.
int EbookNavModeList(int depth, int* modes);

class iCEbook;
// Where a book the DAISY player hands over starts: the sentence of the first
// match of the landing's text between its heading and the next one, else the
// heading's start.
void EbookLand(iCEbook* b, const libDaisy::NarratedLanding& landing);

class EbookPlayer : public PlayerWindow {
 public:
  EbookPlayer();
  // Runs the closing steps when they have not run yet.
  ~EbookPlayer() override;
  EbookPlayer(const EbookPlayer&) = delete;
  EbookPlayer& operator=(const EbookPlayer&) = delete;

  // Starts opening the book on the play thread, at (page, place) when page
  // >= 0, with (page, place)-(end_page, end_place) as the repeated range when
  // both pages are >= 0. -1 for a null path or when the play thread cannot
  // be created; 0 otherwise (the tick finishes the open or reports failure).
  int Open(const char* path, int page, int place, int end_page, int end_place);

  // The describer is in ebook_player_describe.cpp.
  PLAYER_WINDOW_HANDLERS
  int OnKeyUp(int code) override;

  // The sample callback of player speech (play thread, or the speech
  // engine's silence thread): mixes the music, writes the samples, and takes
  // a stop (cancel: 1) or a pause (waits here until play or stop). -1 for
  // null samples.
  static int DataOutput(short* samples, int count, void* window);

  // Forgets the menu items used last (tests).
  static void ResetRememberedMenuItems();

  // Where the reader is (tests).
  int NavMode() const { return m_NavMode; }
  bool IsOpening() const { return m_bOpening; }
  bool IsUserPaused() const { return m_bUserPaused; }
  bool InMenu() const { return m_bInSettingsMenu || m_bInBookmarkMenu || m_FindKeys.Entering(); }
  bool InFindEntry() const { return m_FindKeys.Entering(); }
  int WordStart() const { return m_WordStart; }
  int WordEnd() const { return m_WordEnd; }
  const std::vector<int>& NavModes() const { return m_NavModes; }

 private:
  // Opening, ticking and closing (ebook_player.cpp).
  int TickOpening();
  void FinishOpen();
  void CloseDown() override;
  void StoreHistory();
  void LoadBmPlace();
  void ApplyVoice();
  void ApplySpeed();
  void OpenMusic();
  void CloseMusic();
  void Pause();
  void PauseForPrompt();
  void Resume();
  void SayPhrase(int id);
  void Say(const std::string& text);
  void SayPageInfo();

  // Keys and moves (ebook_player_keys.cpp).
  int EventDown(int code) override;
  FindKeys* Finder() override { return &m_FindKeys; }
  void PauseForSpeech() override { PauseForPrompt(); }
  void PauseForMenu() override;
  void SayInfo() override { SayPageInfo(); }
  void PlayKeyDown() override;
  void UpDownKeyDown(int step) override;
  void LeftRightKeyDown(int step) override;
  // The voice itself shows a change while the book is being read.
  bool VolumeSpoken() override;
  int OtherKeyDown(int) override { return 0; }
  void ChangeNavMode(int delta);
  // The navigation modes for a heading depth (-1: not known yet).
  void SetNavModes(int depth);
  void Move(int direction);
  void MovePercent(int direction, int divisor);
  void MoveBookmark(int direction);
  void SeekPagePlace(int page, int place);

  // Word, letter and spelled-word moves (ebook_words.cpp).
  void MoveWord(int direction);
  void MoveLetter(int direction);
  bool LoadSentence();
  bool BeginSelectionMove(int direction, bool* selected);
  // The next sentence loaded; false (after "end of file") at the end.
  bool NextSentence();
  void SpeakSelection(int playMode, const unsigned short* text, int count);

  // Settings menu (ebook_player_menus.cpp).
  void EnterSettingsMenu() override;
  void ShowSettingsItem();
  int SettingsKeyDown(int code);
  int SettingsKeyPress(int code);
  void SettingsChange(int delta);
  void SettingsOk();
  void LeaveMenu();
  int SettingsItems() const;
  int PlayNarration();

  // Finding text (ebook_find.cpp).
  FindKeys::Hooks FindHooks();
  void FindMatch(bool forward, const std::u16string& word);

  // Bookmark menu (ebook_player_bookmarks.cpp).
  void EnterBookmarkMenu() override;
  void ShowBookmarkItem();
  int BookmarkKeyDown(int code);
  int BookmarkKeyPress(int code);
  BookmarkMode::Hooks BookmarkHooks();
  int BookmarkCount();
  void SayListEntry(int index);
  void AddPointBookmark();
  void JumpToListEntry(int index);
  void MarkHighlight();
  std::string PreviewText();
  int RestoreDefaults();

  std::string m_Path;
  bool m_bNarrated = false;  // an EPUB with a narration: the DAISY player plays it too
  // Where the DAISY player handed the book over, taken when it opens.
  libDaisy::NarratedLanding m_Landing;
  bool m_bLanding = false;
  bool m_bClosed = false;

  // Window fields.
  bool m_bOpening = false;
  bool m_bOpenFailed = false;
  bool m_bPromptPending = false;
  bool m_bUserPaused = false;
  bool m_bInSettingsMenu = false;
  bool m_bInBookmarkMenu = false;
  int m_WordStart = 0;
  int m_WordEnd = 0;
  int m_MenuItem = 0;
  int m_MenuValue = 0;
  int m_NavMode = EB_NAV_TEN_PERCENT;
  int m_LevelDepth = 0;
  std::vector<int> m_NavModes;
  int m_NavModeIndex = 0;
  int m_HlStartPage = -1, m_HlStartPlace = -1, m_HlEndPage = -1, m_HlEndPlace = -1;
  std::string m_HlText;  // preview at the start mark
  BookmarkMode m_Bm;
  bool m_bMusicOn = false;
  int m_MusicVolume = 0;
  int m_ResumePage = -1, m_ResumePlace = -1;
  int m_OpenTicks = 0;
  std::vector<std::pair<int, int>> m_BmPlaces;  // (page, place), ascending

  // Finding text: a word being entered; play held down (and whether reading
  // was paused before it went down); the match read last and its sentence.
  FindKeys m_FindKeys;
  int m_FindPlace = -1;
  int m_FindSentence = -1;

  // The sentence that word and letter moves walk (a copy of the text from
  // the current place) and the place it was read at.
  std::vector<unsigned short> m_Sentence;
  int m_SentencePlace = -1;
};

// Creates the reader, pushes it and opens the book. 0; -1 for a null path
// or when the window cannot be created.
int CreateEbookPlayer(const char* path, int page, int place, int end_page, int end_place);
