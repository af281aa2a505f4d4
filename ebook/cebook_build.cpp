// CEbook: the building operations and the segmentation into sentences and pages.
#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "ebook/ebook.h"
#include "ebook/sentence_rules.h"
#include "ebook/text_helpers.h"

namespace {

constexpr int c_TextStep = 262144;
constexpr int c_FirstTableSize = 512;
constexpr int c_ParagraphStep = 8192;
constexpr int c_HeadingStep = 1024;
constexpr int c_PageStep = 512;
constexpr int c_SentenceStep = 32768;
// Places are ints; keep every table and the text well inside that.
constexpr long long c_MaxUnits = 1LL << 30;

// Resizes an int table to `cap` entries; false (table untouched) on failure.
bool ResizeInts(int** table, long long cap) {
  if (cap > c_MaxUnits) return false;
  void* p = realloc(*table, sizeof(int) * static_cast<size_t>(cap));
  if (!p) return false;
  *table = static_cast<int*>(p);
  return true;
}

// Makes room for index `count` in a start table created at 512 entries.
bool RoomFor(int** table, int* cap, int count, int step) {
  if (!*table) {
    if (!ResizeInts(table, c_FirstTableSize)) return false;
    *cap = c_FirstTableSize;
  }
  if (count < *cap) return true;
  if (!ResizeInts(table, static_cast<long long>(*cap) + step)) return false;
  *cap += step;
  return true;
}

}  // namespace

int CEbook::GrowText(int needed, int step) {
  if (needed <= m_TextCapacity && m_Text) return 0;
  long long cap = (static_cast<long long>(needed) + step - 1) / step * step;
  if (cap > c_MaxUnits) return -3;
  void* p = realloc(m_Text, sizeof(unsigned short) * static_cast<size_t>(cap));
  if (!p) return -3;
  m_Text = static_cast<unsigned short*>(p);
  m_TextCapacity = static_cast<int>(cap);
  return 0;
}

int CEbook::AddText(const char* utf8, int bytes) {
  if (!utf8) return -2;
  if (bytes <= 0) return 0;
  long long sum = static_cast<long long>(m_TextLength) + bytes;
  if (sum > c_MaxUnits) return -3;
  // A UTF-8 byte never gives more than one unit, so this is enough room.
  if (!m_Text || sum > m_TextCapacity) {
    if (GrowText(static_cast<int>(sum), c_TextStep) != 0) return -3;
  }
  int used = 0;
  int n = DecodeUtf8(reinterpret_cast<const unsigned char*>(utf8), bytes, m_Text + m_TextLength,
                     m_TextCapacity - m_TextLength, &used);
  m_TextLength += n;
  return n;
}

int CEbook::AddTextW(const unsigned short* text, int count) {
  if (!text) return -2;
  if (count < 1) return 0;
  long long sum = static_cast<long long>(m_TextLength) + count;
  if (sum > c_MaxUnits) return -3;
  if (!m_Text || sum >= m_TextCapacity) {
    if (GrowText(static_cast<int>(sum), c_TextStep) != 0) return -3;
  }
  memcpy(m_Text + m_TextLength, text, sizeof(unsigned short) * count);
  m_TextLength += count;
  return count;
}

int CEbook::AddCharW(unsigned short ch) {
  if (!m_Text || m_TextLength >= m_TextCapacity) {
    if (GrowText(m_TextCapacity + c_TextStep, c_TextStep) != 0) return -3;
  }
  m_Text[m_TextLength++] = ch;
  return 0;
}

int CEbook::AddParagraphFlag(int closing) {
  if (!RoomFor(&m_ParagraphStarts, &m_ParagraphCapacity, m_ParagraphCount, closing ? 1 : c_ParagraphStep))
    return -3;
  m_ParagraphStarts[m_ParagraphCount] = m_TextLength;
  if (!closing) ++m_ParagraphCount;
  return 0;
}

int CEbook::AddHeadingFlag(int level, int closing) {
  if (!m_HeadingPlaces != !m_HeadingLevels) return -2;
  if (!m_HeadingPlaces) {
    if (!ResizeInts(&m_HeadingPlaces, c_FirstTableSize)) return -3;
    if (!ResizeInts(&m_HeadingLevels, c_FirstTableSize)) {
      free(m_HeadingPlaces);
      m_HeadingPlaces = nullptr;
      return -3;
    }
    m_HeadingCapacity = c_FirstTableSize;
  }
  if (m_HeadingCount >= m_HeadingCapacity) {
    long long cap = static_cast<long long>(m_HeadingCapacity) + (closing ? 1 : c_HeadingStep);
    // A first success only enlarges a table; the capacity moves when both did.
    if (!ResizeInts(&m_HeadingPlaces, cap) || !ResizeInts(&m_HeadingLevels, cap)) return -3;
    m_HeadingCapacity = static_cast<int>(cap);
  }
  m_HeadingPlaces[m_HeadingCount] = m_TextLength;
  m_HeadingLevels[m_HeadingCount] = closing ? 0 : level;
  if (!closing) ++m_HeadingCount;
  return 0;
}

int CEbook::AddPageFlag(int closing) {
  if (!RoomFor(&m_PageStarts, &m_PageCapacity, m_PageCount, closing ? 1 : c_PageStep)) return -3;
  m_PageStarts[m_PageCount] = m_TextLength;
  if (!closing) ++m_PageCount;
  return 0;
}

int CEbook::DealSentences() {
  if (m_SentenceStarts && !m_Partial) return -2;
  int r = DealSentencesTo(m_ParagraphCount, true);
  if (r != 0 && !m_Partial) {
    free(m_SentenceStarts);
    m_SentenceStarts = nullptr;
    m_SentenceCapacity = m_SentenceCount = m_DealtParagraphs = m_DealtPlace = 0;
  }
  return r;
}

int CEbook::DealSentencesTo(int paragraphs, bool toEnd) {
  if (!m_SentenceStarts) {
    if (!ResizeInts(&m_SentenceStarts, c_SentenceStep)) return -3;
    m_SentenceStarts[0] = 0;
    m_SentenceCapacity = c_SentenceStep;
    m_SentenceCount = m_DealtParagraphs = m_DealtPlace = 0;
  }
  if (m_SplitLanguage.empty()) m_SplitLanguage = BookLanguageTag(m_Language.c_str(), m_Text, m_TextLength);
  const SentenceRules* rules = SentenceRulesFor(m_SplitLanguage.c_str());
  // Sentences never cross a paragraph start; the last bound is the text end
  // (the end entry of a closed paragraph table is the same value).
  const int last = toEnd ? m_ParagraphCount : std::min(paragraphs, m_ParagraphCount) - 1;
  for (int i = m_DealtParagraphs; i <= last; ++i) {
    int s = (m_ParagraphStarts && i < m_ParagraphCount) ? m_ParagraphStarts[i] : m_TextLength;
    s = std::min(s, m_TextLength);
    while (m_DealtPlace < s) {
      int len = GetSentencesLengthW(m_Text + m_DealtPlace, s - m_DealtPlace, rules);
      if (m_SentenceCount + 1 >= m_SentenceCapacity) {
        if (!ResizeInts(&m_SentenceStarts, static_cast<long long>(m_SentenceCapacity) + c_SentenceStep))
          return -3;
        m_SentenceCapacity += c_SentenceStep;
      }
      m_DealtPlace += std::min(len, m_MaxSentenceLength);
      m_SentenceStarts[++m_SentenceCount] = m_DealtPlace;
    }
    m_DealtParagraphs = i + 1;
  }
  return 0;
}

int CEbook::DealPages() {
  if (!m_SentenceStarts || m_PageStarts) return -2;
  int count = static_cast<int>((static_cast<long long>(m_PageLength) + m_TextLength - 1) / m_PageLength);
  int* table = nullptr;
  if (!ResizeInts(&table, static_cast<long long>(count) + 1)) return -3;
  int k = 0;
  long long limit = 0;
  for (int j = 0; j < m_SentenceCount && k < count; ++j) {
    if (m_SentenceStarts[j + 1] > limit) {
      table[k++] = m_SentenceStarts[j];
      limit += m_PageLength;
    }
  }
  while (k <= count) table[k++] = m_TextLength;
  m_PageStarts = table;
  m_PageCapacity = count + 1;
  m_PageCount = count;
  return 0;
}

void CEbook::SetLanguage(const char* tag) { m_Language = tag ? tag : ""; }

int CEbook::GetHeadingsTotalLevel() {
  int depth = 0;
  if (m_HeadingLevels)
    for (int i = 0; i < m_HeadingCount; ++i) depth = std::max(depth, m_HeadingLevels[i]);
  return depth;
}

int CEbook::DealSettledSentences() {
  const int bound = SettledBefore();
  int n = m_DealtParagraphs;
  while (n < m_ParagraphCount && m_ParagraphStarts[n] <= bound) ++n;
  return n > m_DealtParagraphs ? DealSentencesTo(n, false) : 0;
}

void CEbook::DealSettled() {
  // An undeclared language is told from the text's start, as when read whole.
  if (m_SplitLanguage.empty() && m_Language.empty() && SettledBefore() < c_LanguageSampleUnits) return;
  // The tables end at the text's end for the searches, as closed tables do;
  // the next mark takes the end entry's slot. Without room for more
  // sentences or marks, nothing more can be read.
  if (DealSettledSentences() != 0 || (m_ParagraphStarts && AddParagraphFlag(1) != 0) ||
      (m_HeadingPlaces && AddHeadingFlag(0, 1) != 0))
    EndAsSettled();
}

int CEbook::EndOpen(int first) {
  int r = first;
  if (r == 1) {
    r = ReadInSteps();
  } else {
    EndSteps();
    if (r == 0) r = FinishReading();
  }
  if (r != 0) Close();
  return r;
}

int CEbook::ReadInSteps() {
  m_Partial = true;
  DealSettled();
  // The first sentence is whole before the book is handed over.
  while (m_Partial && m_SentenceCount == 0) ReadOn();
  if (!m_SentenceStarts) return -3;
  return 0;
}

void CEbook::ReadOn() {
  if (!m_Partial) return;
  int r = ReadMore();
  if (r == 1) {
    DealSettled();
    return;
  }
  m_Partial = false;
  if (r != 0) EndAsSettled();
}

void CEbook::ReadAll() {
  while (m_Partial) ReadOn();
}

void CEbook::ReadPast(int place) {
  while (m_Partial && place >= m_DealtPlace) ReadOn();
}

void CEbook::EndAsSettled() {
  // Ended before the language could be told from a whole sample.
  if (m_SplitLanguage.empty()) DealSettledSentences();
  m_Partial = false;
  EndSteps();
  // Whatever lies behind the last sentence split is dropped (it may have
  // been cut short), so that every table ends inside the text.
  m_TextLength = m_SentenceStarts ? m_DealtPlace : 0;
  // Marks at the cut would be a paragraph and a heading without words.
  while (m_ParagraphCount > 0 && m_ParagraphStarts[m_ParagraphCount - 1] >= m_TextLength) --m_ParagraphCount;
  while (m_HeadingCount > 0 && m_HeadingPlaces[m_HeadingCount - 1] >= m_TextLength) --m_HeadingCount;
  // The end entries; without room for one, the last entry makes way.
  if (m_ParagraphStarts && AddParagraphFlag(1) != 0) m_ParagraphStarts[--m_ParagraphCount] = m_TextLength;
  if (m_HeadingPlaces && AddHeadingFlag(0, 1) != 0) {
    --m_HeadingCount;
    m_HeadingPlaces[m_HeadingCount] = m_TextLength;
    m_HeadingLevels[m_HeadingCount] = 0;
  }
  while (!m_QuietRanges.empty() && m_QuietRanges.back().first >= m_TextLength) m_QuietRanges.pop_back();
  if (!m_QuietRanges.empty()) m_QuietRanges.back().second = std::min(m_QuietRanges.back().second, m_TextLength);
  free(m_PageStarts);
  m_PageStarts = nullptr;
  m_PageCount = m_PageCapacity = 0;
  if (m_SentenceStarts && DealPages() != 0) m_PageCount = 0;
  m_LevelDepth = GetHeadingsTotalLevel();
  if (m_CurPlace > m_TextLength) GoEnd();
}

int CEbook::FinishBuilding(bool dealPages) {
  int r = AddParagraphFlag(1);
  if (r == 0) r = AddHeadingFlag(0, 1);
  if (r == 0) r = DealSentences();
  if (r == 0 && dealPages) r = DealPages();
  if (r == 0 && !dealPages) r = AddPageFlag(1);
  if (r != 0) return r;
  m_LevelDepth = GetHeadingsTotalLevel();
  return 0;
}
