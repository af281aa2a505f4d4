// Finding text in a DAISY book: the text pieces of the book's text objects
// are searched in reading order from where the player is; a match plays from
// the piece that holds it (players/kit/find_entry.h has the keys and the entry).
#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "core/base/util.h"
#include "core/ui/keypad_idle.h"
#include "daisy/daisy.h"
#include "daisy/player/daisy_player.h"
#include "daisy/player/daisy_player_thread.h"
#include "ebook/text_find.h"
#include "players/kit/player_common.h"
#include "speech/tts.h"
#include "speech/ux_language.h"

namespace {

// Text piece `piece` of a text object as UTF-16 units; false without text.
bool PieceUnits(libDaisy::Daisy* book, const libDaisy::_DaisyObject& o, int piece, std::vector<uint16_t>* out) {
  const char* text = nullptr;
  if (book->GetXhtmlText(o.file, piece, &text) != 0 || !text || !*text) return false;
  out->resize(strlen(text) + 1);
  int n = Utf8ToUtf16le(text, nullptr, out->data(), static_cast<int>(out->size()));
  if (n <= 0) return false;
  out->resize(static_cast<size_t>(n));
  return true;
}

}  // namespace

bool DaisyFindText(libDaisy::Daisy* book, const DaisyBookView& v, const TextFinder& f, DaisyHit from, bool forward,
                   DaisyHit* out) {
  if (!book || !v.objects) return false;
  std::vector<uint16_t> units;
  const int step = forward ? 1 : -1;
  for (int j = from.object; j >= 0 && j < v.count; j += step) {
    const libDaisy::_DaisyObject& o = v.objects[j];
    if (o.kind != libDaisy::kObjectText || o.start < 0 || o.end <= o.start) continue;
    const bool here = j == from.object;
    int first = forward ? o.start : o.end - 1;
    if (here) first = o.start + from.piece;
    for (int p = first; p >= o.start && p < o.end; p += step) {
      if (!PieceUnits(book, o, p, &units)) continue;
      const int n = static_cast<int>(units.size());
      const bool start = here && p == first;
      const int i = forward ? f.FindFirst(units.data(), n, start ? from.offset : 0)
                            : f.FindLast(units.data(), n, start ? from.offset : INT_MAX);
      if (i >= 0) {
        *out = {j, p - o.start, i};
        return true;
      }
    }
  }
  return false;
}

int DaisyPlayer::FindComboKeyDown(int code) {
  // The play key that went down first paused or resumed playing: that is
  // undone, the combination decides.
  m_bPaused = m_bPausedBeforePlay;
  switch (FindComboOf(code)) {
    case FIND_COMBO_ENTER:
      Pause();
      m_bFindEntry = true;
      PlayerSay(m_Find.Begin());
      return 0;
    case FIND_COMBO_NEXT:
      FindMatch(true);
      return 0;
    default:
      FindMatch(false);
      return 0;
  }
}

int DaisyPlayer::FindKeyDown(int code) {
  std::string say;
  switch (m_Find.KeyDown(code, &say)) {
    case FindEntry::kSearch:
      m_bFindEntry = false;
      FindMatch(true);
      return 0;
    case FindEntry::kLeave:
      m_bFindEntry = false;
      PlayerSayPhrase(16);  // "Setting canceled."
      m_bResumeAfterTts = !m_bPaused;
      return 0;
    case FindEntry::kHandled:
      PlayerSay(say);
      return 0;
    default:
      if (code < KEY_FILE_MANAGEMENT) return OnDefaultKeyDown(code);
      // A device event (card out, battery, defaults restored) ends the
      // entry and is handled as the player handles it.
      m_bFindEntry = false;
      m_bResumeAfterTts = !m_bPaused;
      return NormalKeyDown(code);
  }
}

int DaisyPlayer::FindKeyPress(int code) {
  if (g_bKeyBoardLocked) return 0;
  if (code == KEY_UP || code == KEY_DOWN) PlayerSay(m_Find.Cycle(code == KEY_DOWN ? 1 : -1));
  if (code == KEY_VOL_DOWN || code == KEY_VOL_UP) return OnDefaultKeyPress(code);
  return 0;
}

void DaisyPlayer::FindMatch(bool forward) {
  const std::u16string& word = LastFindWord();
  if (word.empty()) {
    FindComboKeyDown(KEY_MENU);  // nothing looked for yet: the word first
    return;
  }
  const TextFinder finder(reinterpret_cast<const unsigned short*>(word.data()), static_cast<int>(word.size()));
  Stop();
  const DaisyPos cur = m_Thread.Position();
  // From the match just heard the search moves past it; from anywhere else
  // it starts at the piece being played.
  DaisyHit from{cur.object, cur.place, 0};
  if (m_FindHit.object == cur.object && m_FindHit.piece == cur.place)
    from.offset = forward ? m_FindHit.offset + 1 : m_FindHit.offset;
  DaisyHit hit;
  if (!DaisyFindText(m_Thread.Book(), m_Thread.View(), finder, from, forward, &hit)) {
    PlayerSayPhrase(UX_NOT_FOUND);
    m_bResumeAfterTts = !m_bPaused;
    return;
  }
  m_FindHit = hit;
  m_Thread.ClearRepeat();
  m_bHighlightPlaying = false;
  m_Thread.SetPosition({hit.object, hit.piece}, true);
  m_bPaused = false;
  m_bResumeAfterTts = false;
  Play();
}
