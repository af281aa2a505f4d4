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
#include "daisy/narrated_landing.h"
#include "daisy/player/daisy_player.h"
#include "daisy/player/daisy_player_thread.h"
#include "ebook/text_find.h"
#include "players/kit/player_common.h"
#include "speech/tts.h"
#include "speech/ux_language.h"

bool DaisyPieceUnits(libDaisy::Daisy* book, const libDaisy::_DaisyObject& o, int piece, std::vector<uint16_t>* out) {
  const char* text = nullptr;
  if (book->GetXhtmlText(o.file, piece, &text) != 0 || !text || !*text) return false;
  out->resize(strlen(text) + 1);
  int n = Utf8ToUtf16le(text, nullptr, out->data(), static_cast<int>(out->size()));
  if (n <= 0) return false;
  out->resize(static_cast<size_t>(n));
  return true;
}

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
      if (!DaisyPieceUnits(book, o, p, &units)) continue;
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

DaisyPos DaisyLandingPos(libDaisy::Daisy* book, const DaisyBookView& v, const libDaisy::NarratedLanding& landing) {
  const int h = landing.heading;
  DaisyPos from{0, 0};
  if (h >= 0 && h < v.headings && v.headingObjects[h] >= 0) from.object = v.headingObjects[h];
  int bound = v.count;
  for (int next = h + 1; next < v.headings && bound == v.count; ++next)
    if (v.headingObjects[next] > from.object) bound = v.headingObjects[next];
  if (landing.text.empty()) return from;
  const TextFinder finder(reinterpret_cast<const unsigned short*>(landing.text.data()),
                          static_cast<int>(landing.text.size()));
  DaisyHit hit;
  if (DaisyFindText(book, v, finder, {from.object, 0, 0}, true, &hit) && hit.object < bound)
    return {hit.object, hit.piece};
  return from;
}

// The book pauses while a word is entered and plays on after speech unless
// the user paused it; a device event goes on as outside the entry.
FindKeys::Hooks DaisyPlayer::FindHooks() {
  return {&m_bPaused,
          [this] { Pause(); },
          PlayerSay,
          PlayerSayPhrase,
          [this] { m_bResumeAfterTts = !m_bPaused; },
          [this](bool forward, const std::u16string& word) { FindMatch(forward, word); },
          [this](int code) { return PlayerKeyDown(code); }};
}

void DaisyPlayer::FindMatch(bool forward, const std::u16string& word) {
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
    PlayerSayPhrase(UxPhrase::NotFound);
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
