// Finding text in the reader: play held with menu enters a word, with right
// or left it goes to the next or previous match, whose sentence is then read
// (players/kit/find_entry.h has the keys and the entry).
#include <climits>
#include <string>

#include "core/ui/keypad_idle.h"
#include "daisy/narrated_landing.h"
#include "ebook/ebook.h"
#include "ebook/reader/ebook_play_thread.h"
#include "ebook/reader/ebook_player.h"
#include "ebook/text_find.h"
#include "players/kit/player_common.h"
#include "speech/ux_language.h"

// Reading pauses (unless paused already) while a word is entered and goes
// on once the prompt is spoken; a device event is handled as any key.
FindKeys::Hooks EbookPlayer::FindHooks() {
  auto pause = [this] {
    if (!m_bUserPaused) Pause();
  };
  auto say = [this](const std::string& text) { Say(text); };
  auto match = [this](bool forward, const std::u16string& word) { FindMatch(forward, word); };
  return {&m_bUserPaused, pause, say, [this](int id) { SayPhrase(id); }, [this] { m_bPromptPending = true; },
          match, [this](int code) { return OnKeyDown(code); }};
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
    SayPhrase(UxPhrase::NotFound);
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

void EbookLand(iCEbook* b, const libDaisy::NarratedLanding& landing) {
  int from = 0, bound = INT_MAX;
  if (landing.heading >= 0) {
    b->SeekToHeading(landing.heading);
    from = b->GetCurPlace();
  }
  // Not the count: that would read a long book whole before it speaks.
  if (b->HasHeading(landing.heading + 1)) {
    b->SeekToHeading(landing.heading + 1);
    bound = b->GetCurPlace();
  }
  int place = -1;
  const TextFinder finder(reinterpret_cast<const unsigned short*>(landing.text.data()),
                          static_cast<int>(landing.text.size()));
  if (!landing.text.empty() && FindInEbook(b, finder, from, true, &place) == 0 && place < bound) from = place;
  b->SeekToPlace(from);
  b->SeekToSentence(b->GetCurSentence());
}
