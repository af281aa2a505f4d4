// CEbook: reading and moving over the in-memory text and its tables.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "ebook/ebook.h"
#include "ebook/position.h"
#include "ebook/text_helpers.h"

namespace {
constexpr int c_TextStep = 262144;
}

CEbook::CEbook() = default;

CEbook::~CEbook() { CEbook::Close(); }

int CEbook::Open(const char*) {
  if (!m_Text) {
    m_Text = static_cast<unsigned short*>(malloc(sizeof(unsigned short) * c_TextStep));
    if (!m_Text) return -3;
    m_TextCapacity = c_TextStep;
    m_TextLength = 0;
  }
  return 0;
}

int CEbook::Close() {
  // What reading in steps still holds goes first (the derived source's).
  EndSteps();
  m_Language.clear();
  m_SplitLanguage.clear();
  free(m_Text);
  free(m_SentenceStarts);
  free(m_ParagraphStarts);
  free(m_HeadingPlaces);
  free(m_HeadingLevels);
  free(m_PageStarts);
  m_Text = nullptr;
  m_SentenceStarts = m_ParagraphStarts = m_HeadingPlaces = m_HeadingLevels = m_PageStarts = nullptr;
  m_ParagraphCapacity = m_HeadingCapacity = m_PageCapacity = m_SentenceCapacity = 0;
  m_TextCapacity = m_TextLength = 0;
  m_SentenceCount = m_ParagraphCount = m_HeadingCount = m_PageCount = 0;
  m_LevelDepth = 0;
  m_CurPlace = m_CurSentence = 0;
  m_Partial = false;
  m_DealtParagraphs = m_DealtPlace = 0;
  m_QuietRanges.clear();
  return 0;
}

int CEbook::ReadCurSentence(unsigned short** text, int* length) {
  if (!m_Text || !m_SentenceStarts || !text || !length) return -2;
  if (m_CurPlace < 0) GoStart();
  ReadPast(m_CurPlace);
  if (m_TextLength > 0 && m_CurPlace < m_TextLength && m_SentenceCount > 0) {
    int s = std::clamp(m_CurSentence, 0, m_SentenceCount - 1);
    int next = std::min(m_SentenceStarts[s + 1], m_TextLength);
    *text = m_Text + m_CurPlace;
    *length = std::max(0, next - m_CurPlace);
    return 0;
  }
  *text = m_Text + m_TextLength;
  *length = 0;
  return 0;
}

void CEbook::GoStart() {
  m_CurPlace = 0;
  m_CurSentence = 0;
}

void CEbook::GoEnd() {
  m_CurPlace = m_TextLength;
  m_CurSentence = m_SentenceCount;
}

void CEbook::GoPlaceIn(int place) {
  ebook::SeekPlace(View(), place);
}

int CEbook::GetCurParagraph() {
  ReadPast(m_CurPlace);
  return ebook::CurEntry(m_ParagraphStarts, m_ParagraphCount, m_CurPlace);
}

int CEbook::GetCurHeading() {
  ReadPast(m_CurPlace);
  return ebook::CurEntry(m_HeadingPlaces, m_HeadingCount, m_CurPlace);
}

int CEbook::GetCurPage() {
  ReadAll();
  return ebook::CurEntry(m_PageStarts, m_PageCount, m_CurPlace);
}

int CEbook::SeekToPlace(int place) {
  if (place > 0) ReadPast(place);
  GoPlaceIn(place);
  return 0;
}

int CEbook::SeekToSentence(int index) {
  while (m_Partial && index >= m_SentenceCount) ReadOn();
  ebook::PosView v = View();
  ebook::SeekSentence(v, index);
  return 0;
}

int CEbook::SeekToParagraph(int index) {
  if (index > 0) {
    while (m_Partial && index >= m_ParagraphCount) ReadOn();
    if (index < m_ParagraphCount) ReadPast(m_ParagraphStarts[index]);
  }
  ebook::PosView v = View();
  if (index <= 0)
    ebook::GoStart(v);
  else
    ebook::SeekEntry(v, m_ParagraphStarts, m_ParagraphCount, index);
  return 0;
}

bool CEbook::HasHeading(int index) {
  while (m_Partial && index >= m_HeadingCount) ReadOn();
  return index >= 0 && index < m_HeadingCount;
}

int CEbook::SeekToHeading(int index) {
  if (index >= 0) {
    while (m_Partial && index >= m_HeadingCount) ReadOn();
    if (index < m_HeadingCount) ReadPast(m_HeadingPlaces[index]);
  }
  ebook::PosView v = View();
  ebook::SeekEntry(v, m_HeadingPlaces, m_HeadingCount, index);
  return 0;
}

int CEbook::SeekToPage(int index) {
  // Page 0 starts the text whatever the pages turn out to be.
  if (m_Partial && index <= 0) {
    GoStart();
    return 0;
  }
  ReadAll();
  ebook::PosView v = View();
  ebook::SeekEntry(v, m_PageStarts, m_PageCount, index);
  return 0;
}

int CEbook::SeekToLastSentence() {
  ebook::PosView v = View();
  ebook::SeekLastSentence(v);
  return 0;
}

int CEbook::SeekToNextSentence() {
  while (m_Partial && std::max(m_CurSentence, 0) + 1 >= m_SentenceCount) ReadOn();
  ebook::PosView v = View();
  ebook::SeekNextSentence(v);
  return 0;
}

int CEbook::SeekToLastParagraph() {
  const int cur = GetCurParagraph();  // first: it may read on
  ebook::PosView v = View();
  ebook::SeekLastEntry(v, m_ParagraphStarts, m_ParagraphCount, cur);
  return 0;
}

int CEbook::SeekToNextParagraph() {
  int cur = GetCurParagraph();
  // Text before the first paragraph: "next" is that paragraph, not place 0
  // (which is where SeekToParagraph(0) goes, and where we already are).
  if (cur < 0 && m_ParagraphStarts && m_ParagraphCount > 0) {
    ebook::PosView v = View();
    ebook::SeekEntry(v, m_ParagraphStarts, m_ParagraphCount, 0);
    return 0;
  }
  return SeekToParagraph(cur + 1);
}

int CEbook::SeekToLastPage() {
  const int cur = GetCurPage();  // first: it may read on
  ebook::PosView v = View();
  ebook::SeekLastEntry(v, m_PageStarts, m_PageCount, cur);
  return 0;
}

int CEbook::SeekToNextPage() { return SeekToPage(GetCurPage() + 1); }

int CEbook::SeekToNextHeading(int level) {
  ReadPast(m_CurPlace);
  for (;;) {
    if (!m_HeadingPlaces || !m_HeadingLevels) {
      if (!m_Partial) return 0;
      ReadOn();
      continue;
    }
    // The last of headings sharing a place, so that "next" always moves on.
    int h = FindLastPlace(m_HeadingPlaces, m_HeadingCount + 1, m_CurPlace);
    int c = std::max(h, -1) + 1;
    while (c < m_HeadingCount && m_HeadingLevels[c] > level) ++c;
    if (c < m_HeadingCount || !m_Partial) return SeekToHeading(c);
    ReadOn();
  }
}

int CEbook::SeekToLastHeading(int level) {
  ReadPast(m_CurPlace);
  if (!m_HeadingPlaces || !m_HeadingLevels) return 0;
  int h = FindLastPlace(m_HeadingPlaces, m_HeadingCount + 1, m_CurPlace);
  h = std::min(h, m_HeadingCount);
  // Headings sharing the containing heading's place count as that heading;
  // stepping to one of them would not move.
  while (h > 0 && m_HeadingPlaces[h - 1] == m_HeadingPlaces[h]) --h;
  int c = h - 1;
  while (c >= 0 && m_HeadingLevels[c] > level) --c;
  return SeekToHeading(c);
}

int CEbook::SetMaxSentenceLength(int length) {
  m_MaxSentenceLength = (length >= 100 && length <= 2000) ? length : c_DefaultMaxSentenceLength;
  return 0;
}

int CEbook::SetPageLength(int length) {
  m_PageLength = (length >= 200 && length <= 5000) ? length : c_DefaultPageLength;
  return 0;
}

int CEbook::GetUnicode(unsigned short* buffer, int count) {
  if (!m_Text || !buffer || count < 1) return -2;
  while (m_Partial && count > m_TextLength) ReadOn();
  int n = std::min(count, m_TextLength);
  if (n > 0) memcpy(buffer, m_Text, sizeof(unsigned short) * n);
  return n;
}

int CEbook::GetUnicodeAt(int place, unsigned short* buffer, int count, int* start) {
  if (!buffer || count < 1) return -2;
  place = std::max(place, 0);
  if (start) *start = place;
  while (m_Partial && static_cast<long long>(place) + count > m_TextLength) ReadOn();
  if (!m_Text || place >= m_TextLength) return 0;
  int n = std::min(count, m_TextLength - place);
  memcpy(buffer, m_Text + place, sizeof(unsigned short) * n);
  return n;
}

int CEbook::QuietRangeAfter(int place, int* start, int* end) {
  ReadPast(place);
  auto it = std::upper_bound(m_QuietRanges.begin(), m_QuietRanges.end(), place,
                             [](int p, const std::pair<int, int>& r) { return p < r.second; });
  if (it == m_QuietRanges.end() || !start || !end) return -1;
  *start = it->first;
  *end = it->second;
  return 0;
}
