// Word, letter and spelled-word moves of the reader: the selection is a
// start and end offset into the current sentence (read from the current
// place); moving past either end of it goes to the next or previous sentence.
#include "ebook/reader/ebook_words.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "ebook/ebook.h"
#include "ebook/reader/ebook_play_thread.h"
#include "ebook/reader/ebook_player.h"
#include "ebook/text_helpers.h"
#include "speech/ux_language.h"

int GetWordPlace(unsigned short c) {
  if (c >= '0' && c <= '9') return EB_CHAR_DIGIT;
  if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) return EB_CHAR_LETTER;
  if (c == '.') return EB_CHAR_FULL_STOP;
  if (c >= 0xC0 && c <= 0x24F && c != 0xD7 && c != 0xF7) return EB_CHAR_LETTER;
  if ((c >= 0x370 && c <= 0x3FF && c != 0x37E && c != 0x387) || (c >= 0x400 && c <= 0x4FF))
    return EB_CHAR_LETTER;
  return EB_CHAR_OTHER;
}

namespace {

bool IsWordChar(unsigned short c) {
  int k = GetWordPlace(c);
  return k == EB_CHAR_LETTER || k == EB_CHAR_DIGIT;
}

// A unit between two word characters that keeps them in one word.
bool Joins(unsigned short before, unsigned short joiner, unsigned short after) {
  int a = GetWordPlace(before), b = GetWordPlace(after);
  if ((joiner == '\'' || joiner == 0x2019) && a == EB_CHAR_LETTER && b == EB_CHAR_LETTER) return true;
  if ((joiner == '.' || joiner == ',') && a == EB_CHAR_DIGIT && b == EB_CHAR_DIGIT) return true;
  return false;
}

bool IsHighSurrogate(unsigned short c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(unsigned short c) { return c >= 0xDC00 && c <= 0xDFFF; }

// A phrase of the catalogue, or a character's spoken name, as UTF-16.
std::vector<unsigned short> ToUnits(const char* utf8) {
  const int bytes = static_cast<int>(strlen(utf8));
  std::vector<unsigned short> out(static_cast<size_t>(bytes) + 1);
  int used = 0;
  int n = DecodeUtf8(reinterpret_cast<const unsigned char*>(utf8), bytes, out.data(), bytes + 1, &used);
  out.resize(n > 0 ? static_cast<size_t>(n) : 0);
  return out;
}

std::vector<unsigned short> PhraseUnits(int id) {
  char buf[256];
  if (!g_pUxLanguage || g_pUxLanguage->GetString(id, buf, sizeof buf) <= 0) return {};
  return ToUnits(buf);
}

}  // namespace

bool FindNextWord(const unsigned short* s, int len, int from, int* start, int* end) {
  int i = from < 0 ? 0 : from;
  while (i < len && !IsWordChar(s[i])) ++i;
  if (i >= len) return false;
  *start = i;
  while (i < len) {
    if (IsWordChar(s[i])) {
      ++i;
    } else if (i + 1 < len && Joins(s[i - 1], s[i], s[i + 1])) {
      ++i;
    } else {
      break;
    }
  }
  *end = i;
  return true;
}

bool FindPrevWord(const unsigned short* s, int limit, int* start, int* end) {
  int i = limit;
  while (i > 0 && !IsWordChar(s[i - 1])) --i;
  if (i <= 0) return false;
  *end = i;
  while (i > 0) {
    if (IsWordChar(s[i - 1])) {
      --i;
    } else if (i >= 2 && Joins(s[i - 2], s[i - 1], s[i])) {
      --i;
    } else {
      break;
    }
  }
  *start = i;
  return true;
}

// Reads the text from the current place into m_Sentence; false at the end
// of the book. The selection is cleared.
bool EbookPlayer::LoadSentence() {
  m_Sentence.clear();
  m_WordStart = m_WordEnd = 0;
  int place = -1;
  WithEbook([&](iCEbook* b) {
    if (!b) return;
    unsigned short* text = nullptr;
    int length = 0;
    if (b->ReadCurSentence(&text, &length) == 0 && text && length > 0) m_Sentence.assign(text, text + length);
    place = b->GetCurPlace();
  });
  m_SentencePlace = m_Sentence.empty() ? -1 : place;
  return !m_Sentence.empty();
}

void EbookPlayer::SpeakSelection(int playMode, const unsigned short* text, int count) {
  if (!text || count <= 0) return;
  EbookSetWordBuf(text, count);
  EbookSetPlayMode(playMode);
  CmdPlay();
}

namespace {

// The book's place, so that a selection made at another place is dropped.
int CurPlace() {
  int place = -1;
  WithEbook([&](iCEbook* b) {
    if (b) place = b->GetCurPlace();
  });
  return place;
}

// Moves to the previous sentence; false when already at the start.
bool StepBack(int oldPlace) {
  bool moved = false;
  WithEbook([&](iCEbook* b) {
    if (!b) return;
    b->SeekToLastSentence();
    moved = b->GetCurPlace() < oldPlace;
  });
  return moved;
}

void StepForward() {
  WithEbook([](iCEbook* b) {
    if (b) b->SeekToNextSentence();
  });
}

}  // namespace

// Whether the word or letter heard last is still where the reader is; false
// (after "end of file") when there is no sentence to move forward in.
bool EbookPlayer::BeginSelectionMove(int direction, bool* selected) {
  EbookSetPlayMode(EB_PLAY_BOOK);
  *selected = m_SentencePlace >= 0 && m_SentencePlace == CurPlace() && m_WordEnd > m_WordStart;
  if (*selected || LoadSentence() || direction <= 0) return true;
  SayPhrase(UxPhrase::EndOfFile);
  return false;
}

bool EbookPlayer::NextSentence() {
  StepForward();
  if (LoadSentence()) return true;
  SayPhrase(UxPhrase::EndOfFile);
  return false;
}

void EbookPlayer::MoveWord(int direction) {
  const int playMode = m_NavMode == EB_NAV_SPELL ? EB_PLAY_SPELL : EB_PLAY_WORD;
  bool selected = false;
  if (!BeginSelectionMove(direction, &selected)) return;
  int s = 0, e = 0;
  if (direction > 0) {
    int from = selected ? m_WordEnd : 0;
    while (!FindNextWord(m_Sentence.data(), static_cast<int>(m_Sentence.size()), from, &s, &e)) {
      if (!NextSentence()) return;
      from = 0;
    }
  } else {
    int limit = selected ? m_WordStart : 0;
    while (!FindPrevWord(m_Sentence.data(), limit, &s, &e)) {
      int old = m_SentencePlace >= 0 ? m_SentencePlace : CurPlace();
      if (!StepBack(old) || !LoadSentence()) {
        m_SentencePlace = -1;
        SayPhrase(UxPhrase::BeginningOfFile);
        return;
      }
      limit = std::min(static_cast<int>(m_Sentence.size()), old - m_SentencePlace);
    }
  }
  m_WordStart = s;
  m_WordEnd = e;
  SpeakSelection(playMode, m_Sentence.data() + s, e - s);
}

void EbookPlayer::MoveLetter(int direction) {
  bool selected = false;
  if (!BeginSelectionMove(direction, &selected)) return;
  int s = 0, e = 0;
  if (direction > 0) {
    int pos = selected ? m_WordEnd : 0;
    while (pos >= static_cast<int>(m_Sentence.size())) {
      if (!NextSentence()) return;
      pos = 0;
    }
    const int len = static_cast<int>(m_Sentence.size());
    s = e = pos;
    unsigned short c = m_Sentence[pos];
    if (IsLineBreakUnit(c)) {
      while (e < len && IsLineBreakUnit(m_Sentence[e])) ++e;
    } else if (IsBlankUnit(c)) {
      while (e < len && IsBlankUnit(m_Sentence[e])) ++e;
    } else {
      e = pos + ((IsHighSurrogate(c) && pos + 1 < len && IsLowSurrogate(m_Sentence[pos + 1])) ? 2 : 1);
    }
  } else {
    int pos = selected ? m_WordStart - 1 : -1;
    if (m_Sentence.empty()) pos = -1;
    while (pos < 0) {
      int old = m_SentencePlace >= 0 ? m_SentencePlace : CurPlace();
      if (!StepBack(old) || !LoadSentence()) {
        m_SentencePlace = -1;
        SayPhrase(UxPhrase::BeginningOfFile);
        return;
      }
      pos = std::min(static_cast<int>(m_Sentence.size()), old - m_SentencePlace) - 1;
    }
    s = e = pos + 1;
    unsigned short c = m_Sentence[pos];
    if (IsLineBreakUnit(c)) {
      while (s > 0 && IsLineBreakUnit(m_Sentence[s - 1])) --s;
    } else if (IsBlankUnit(c)) {
      while (s > 0 && IsBlankUnit(m_Sentence[s - 1])) --s;
    } else {
      s = pos - ((IsLowSurrogate(c) && pos > 0 && IsHighSurrogate(m_Sentence[pos - 1])) ? 1 : 0);
    }
  }
  m_WordStart = s;
  m_WordEnd = e;
  const unsigned short c = m_Sentence[s];
  std::vector<unsigned short> spoken;
  if (IsLineBreakUnit(c)) {
    spoken = PhraseUnits(UxPhrase::LineFeed);
  } else if (IsBlankUnit(c)) {
    spoken = PhraseUnits(UxPhrase::Space);
  } else {
    char name[256] = "";
    if (g_pUxLanguage && g_pUxLanguage->GetCharacterDes(c, name, sizeof name) > 0) spoken = ToUnits(name);
  }
  if (!spoken.empty())
    SpeakSelection(EB_PLAY_WORD, spoken.data(), static_cast<int>(spoken.size()));
  else
    SpeakSelection(EB_PLAY_LETTER, m_Sentence.data() + s, e - s);
}
