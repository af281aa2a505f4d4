// What the DAISY player says about the book: the information key, the
// navigation mode, and the page and time of a position.
#include <cstdio>
#include <cstring>
#include <string>

#include "daisy/clock_value.h"
#include "daisy/daisy.h"
#include "daisy/player/daisy_player.h"
#include "daisy/player/daisy_player_thread.h"
#include "daisy/player/daisy_settings.h"
#include "players/kit/player_common.h"
#include "players/kit/speed_pitch.h"
#include "speech/ux_language.h"

namespace {

// The content of the first of the names present in the metadata (letter
// case ignored: books write "dc:Creator" as often as "dc:creator").
const char* MetaOf(const libDaisy::Daisy* book, std::initializer_list<const char*> names) {
  const libDaisy::Meta* meta = book ? book->GetMetaList() : nullptr;
  if (!meta) return nullptr;
  for (const char* n : names) {
    const char* v = meta->CaseGet(n);
    if (v && *v) return v;
  }
  return nullptr;
}

void AddFormat(std::string* out, int formatId, const char* text) {
  if (!text || !*text || !g_pUxLanguage) return;
  char buf[512];
  if (g_pUxLanguage->GetString_String(formatId, text, buf, sizeof buf) > 0) *out += buf;
}

// Player speech reads about 15 characters a second at the normal speed.
constexpr int64_t kSpokenMsPerChar = 1000 / 15;

// The time player speech takes for the texts it reads (parts of the book
// without audio) from `at` to the object `end`.
int64_t SpokenMs(const libDaisy::Daisy* book, const DaisyBookView& b, DaisyPos at, int end) {
  int64_t chars = 0;
  for (int i = at.object < 0 ? 0 : at.object; book && i < end && i < b.count; ++i) {
    const libDaisy::_DaisyObject& o = b.objects[i];
    if (o.kind != libDaisy::kObjectText || !b.playable || !b.playable[i]) continue;
    const int from = o.start + (i == at.object && at.place > 0 ? at.place : 0);
    for (int piece = from; piece < o.end; ++piece) {
      const char* text = nullptr;
      if (book->GetXhtmlText(o.file, piece, &text) == 0 && text) chars += static_cast<int64_t>(strlen(text));
    }
  }
  return chars * kSpokenMsPerChar;
}

// Listening left in the heading that holds the position (to the next heading
// of its level or above; before the first heading, to that heading) and in
// the book, at the current speed: the audio, and the text read by speech.
std::string TimeLeft(const libDaisy::Daisy* book, const DaisyBookView& b, DaisyPos at) {
  if (!g_pUxLanguage || !b.HasAudio()) return "";
  const int64_t elapsed = DaisyElapsedMs(b, at);
  int h = DaisyHeadingAt(b, at.object);
  int level = h >= 0 && b.headingLevels ? b.headingLevels[h] : 6;
  DaisyPos end = DaisyNextHeading(b, at, level < 1 ? 1 : level);
  // The end of the book is a place inside its last object.
  const int endObject = end.object + (end.place > 0 ? 1 : 0);
  // The chapter's text is the first part of the rest of the book's.
  const int64_t chapterText = SpokenMs(book, b, at, endObject);
  const int64_t bookText = endObject > at.object ? chapterText + SpokenMs(book, b, {endObject, 0}, b.count)
                                                 : SpokenMs(book, b, at, b.count);
  const int64_t bookMs = b.TotalAudioMs() - elapsed + bookText;
  int64_t chapterMs = -1;
  if (b.headings > 0) chapterMs = DaisyElapsedMs(b, end) - elapsed + chapterText;
  const double tempo = DaisySpeedToRate(g_Speed);
  const int chapter = chapterMs < 0 ? -1 : ListeningSeconds(chapterMs, tempo);
  char buf[512];
  if (g_pUxLanguage->GetTimeLeftString(chapter, ListeningSeconds(bookMs, tempo), buf, sizeof buf) <= 0)
    return "";
  return std::string(buf) + ", ";
}

}  // namespace

std::string DaisyPlayer::Title() const {
  libDaisy::Daisy* book = m_Thread.Book();
  const char* t = book ? book->GetTitle() : nullptr;
  return t ? t : "";
}

int DaisyPlayer::ElapsedMs() const {
  const DaisyBookView& b = m_Thread.View();
  if (!b.HasAudio()) return -1;
  return static_cast<int>(DaisyElapsedMs(b, m_Thread.Position()));
}

std::string DaisyPlayer::PageLabelAt(int object, bool* hasPages) const {
  const DaisyBookView& b = m_Thread.View();
  *hasPages = b.pages > 0;
  if (!*hasPages) return std::string();
  int p = DaisyPageAt(b, object);
  const libDaisy::StringArray* labels = nullptr;
  const int* objects = nullptr;
  int count = 0;
  libDaisy::Daisy* book = m_Thread.Book();
  const char* label = nullptr;
  if (p >= 0 && book && book->GetPages(&objects, &labels, &count) == 0 && labels)
    label = labels->Get(p);
  return label && *label ? label : "0";
}

void DaisyPlayer::SayInfo() {
  if (!g_pUxLanguage) return;
  libDaisy::Daisy* book = m_Thread.Book();
  const bool daisy3 = m_DaisyType == libDaisy::kDaisy3;
  std::string out;
  char buf[512];
  AddFormat(&out, 0, Title().c_str());
  const DaisyBookView& b = m_Thread.View();
  if (b.HasAudio()) {
    int s = ElapsedMs() / 1000;
    if (g_pUxLanguage->GetDaisyInfoTimeElapsed(s, buf, sizeof buf) > 0) out += buf;
    if (g_DaisyTimeLeft) out += TimeLeft(book, b, m_Thread.Position());
  }
  const char* total = daisy3 ? MetaOf(book, {"dtb:totalTime"})
                     : m_DaisyType == libDaisy::kDaisyEpub ? MetaOf(book, {"media:duration"})
                                                           : MetaOf(book, {"ncc:totalTime"});
  if (total) {
    int ms = libDaisy::ClippingAndClockValue_to_Ms(total);
    if (ms >= 0 && g_pUxLanguage->__n_HoursMinutesSeconds(ms / 1000, buf, sizeof buf) > 0)
      AddFormat(&out, 1, buf);
  }
  AddFormat(&out, 2, MetaOf(book, {"dc:creator"}));
  AddFormat(&out, 3, MetaOf(book, {"dc:publisher"}));
  AddFormat(&out, 4, daisy3 ? MetaOf(book, {"dtb:narrator"}) : MetaOf(book, {"ncc:narrator"}));
  AddFormat(&out, 5, MetaOf(book, {"dc:date"}));
  AddFormat(&out, 6,
            daisy3 ? MetaOf(book, {"dc:format"}) : MetaOf(book, {"dc:format", "ncc:format"}));
  PlayerSay(out);
}

void DaisyPlayer::SayMode() {
  int mode = CurMode();
  if (mode == DAISY_NAV_TIME && g_pUxLanguage) {
    char buf[256];
    if (g_pUxLanguage->GetTimeJumpString(DaisyJumpSeconds(), buf, sizeof buf) > 0) PlayerSay(buf);
    return;
  }
  if (mode >= 0 && mode < DAISY_NAV_MODES) PlayerSayPhrase(g_DaisyNavModes[mode].phraseId);
}
