// Finding text in the reader: play held with menu enters a word, with right
// or left it goes to the next or previous match, whose sentence is then read
// (players/kit/find_entry.h has the keys and the entry).
#include <string>

#include "core/ui/keypad_idle.h"
#include "ebook/ebook.h"
#include "ebook/reader/ebook_play_thread.h"
#include "ebook/reader/ebook_player.h"
#include "ebook/text_find.h"
#include "players/kit/player_common.h"
#include "speech/ux_language.h"

int EbookPlayer::FindComboKeyDown(int code) {
  // The play key that went down first paused or resumed reading: that is
  // undone, the combination decides.
  m_bUserPaused = m_bPausedBeforePlay;
  switch (FindComboOf(code)) {
    case FIND_COMBO_ENTER:
      if (!m_bUserPaused) Pause();
      m_bFindEntry = true;
      Say(m_Find.Begin());
      return 0;
    case FIND_COMBO_NEXT:
      FindMatch(true);
      return 0;
    default:
      FindMatch(false);
      return 0;
  }
}

int EbookPlayer::FindKeyDown(int code) {
  std::string say;
  switch (m_Find.KeyDown(code, &say)) {
    case FindEntry::kSearch:
      m_bFindEntry = false;
      FindMatch(true);
      return 0;
    case FindEntry::kLeave:
      m_bFindEntry = false;
      SayPhrase(16);  // "Setting canceled."
      m_bPromptPending = true;
      return 0;
    case FindEntry::kHandled:
      Say(say);
      return 0;
    default:
      if (code < KEY_FILE_MANAGEMENT) return OnDefaultKeyDown(code);
      // A device event (card out, battery, defaults restored) ends the
      // entry and is handled as the reader handles it.
      m_bFindEntry = false;
      m_bPromptPending = true;
      return OnKeyDown(code);
  }
}

int EbookPlayer::FindKeyPress(int code) {
  if (g_bKeyBoardLocked) return 0;
  if (code == KEY_UP || code == KEY_DOWN) Say(m_Find.Cycle(code == KEY_DOWN ? 1 : -1));
  if (code == KEY_VOL_DOWN || code == KEY_VOL_UP) return OnDefaultKeyPress(code);
  return 0;
}

void EbookPlayer::FindMatch(bool forward) {
  const std::u16string& word = LastFindWord();
  if (word.empty()) {
    // Nothing looked for yet: the word is entered first.
    FindComboKeyDown(KEY_MENU);
    return;
  }
  const TextFinder finder(reinterpret_cast<const unsigned short*>(word.data()), static_cast<int>(word.size()));
  CmdStop();
  int r = 1;
  WithEbook([&](iCEbook* b) {
    if (!b) return;
    // From the match just read, the search moves past it; from anywhere
    // else it starts where the reader is.
    const bool atMatch = m_FindPlace >= 0 && b->GetCurSentence() == m_FindSentence;
    int from = b->GetCurPlace();
    if (atMatch) {
      from = forward ? m_FindPlace + 1 : m_FindPlace;
    } else if (!forward) {
      const int here = from;
      b->SeekToSentence(b->GetCurSentence());
      from = b->GetCurPlace();  // a match in the sentence being read is not behind
      b->SeekToPlace(here);
    }
    int place = -1;
    r = FindInEbook(b, finder, from, forward, &place);
    if (r != 0) return;
    b->SeekToPlace(place);
    b->SeekToSentence(b->GetCurSentence());
    m_FindPlace = place;
    m_FindSentence = b->GetCurSentence();
  });
  if (r != 0) {
    SayPhrase(UX_NOT_FOUND);
    m_bPromptPending = true;
    return;
  }
  EbookSetPlayMode(EB_PLAY_BOOK);
  EbookSetLanding();  // a match inside a note is read all the same
  m_WordStart = m_WordEnd = 0;
  m_SentencePlace = -1;
  m_bUserPaused = false;
  m_bPromptPending = false;
  CmdPlay();
}
