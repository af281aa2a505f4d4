// Finding text in the reader: play held with menu enters a word, with right
// or left it goes to the next or previous match, whose sentence is then read
// (players/kit/find_entry.h has the keys and the entry).
#include <string>

#include "core/ui/session.h"
#include "ebook/ebook.h"
#include "ebook/reader/ebook_play_thread.h"
#include "ebook/reader/ebook_player.h"
#include "ebook/text_find.h"
#include "players/kit/player_common.h"
#include "speech/ux_language.h"

FindKeys::Hooks EbookPlayer::FindHooks() {
  FindKeys::Hooks h;
  h.paused = &m_bUserPaused;
  h.pause = [this] {
    if (!m_bUserPaused) Pause();
  };
  h.say = [this](const std::string& text) { Say(text); };
  h.sayPhrase = [this](int id) { SayPhrase(id); };
  h.resumeAfterSpeech = [this] { m_bPromptPending = true; };
  h.match = [this](bool forward, const std::u16string& word) { FindMatch(forward, word); };
  h.passOn = [this](int code) { return OnKeyDown(code); };
  return h;
}

void EbookPlayer::FindMatch(bool forward, const std::u16string& word) {
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
