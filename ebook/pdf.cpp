// CPdf: one page held at a time; positions are a page and a unit of its text.
#include "ebook/pdf.h"

#include <algorithm>
#include <climits>

#include "ebook/sentence_rules.h"
#include "ebook/text_helpers.h"

namespace {

constexpr int c_FullStride = 65536;

// Lines of a block are joined, so that a sentence broken over lines is read
// as one; an empty line (poppler's end of a block) ends a paragraph.
void JoinLines(std::vector<unsigned short>* text) {
  std::vector<unsigned short>& t = *text;
  size_t out = 0;
  for (size_t i = 0; i < t.size(); ++i) {
    unsigned short c = t[i] == 13 || t[i] == 12 ? 10 : t[i];
    if (c == 10) {
      size_t j = i;
      while (j + 1 < t.size() && (t[j + 1] == 10 || t[j + 1] == 13 || t[j + 1] == 12)) ++j;
      bool block = j > i || j + 1 == t.size();
      i = j;
      if (out == 0) continue;
      // A word hyphenated at the end of a line is joined whole.
      if (!block && t[out - 1] == '-' && out >= 2 && IsWordUnit(t[out - 2]) && i + 1 < t.size() &&
          t[i + 1] >= 'a' && t[i + 1] <= 'z') {
        --out;
        continue;
      }
      t[out++] = block ? 10 : ' ';
      continue;
    }
    t[out++] = c;
  }
  t.resize(out);
}

}  // namespace

int CPdf::Open(const char* path) {
  if (!path) return -2;
  Close();
  int r = m_Doc.Open(path);
  if (r != 0) return r == -4 ? -4 : -6;
  m_PageCount = m_Doc.PageCount();
  m_Stride = m_PageCount <= INT_MAX / c_FullStride ? c_FullStride : INT_MAX / (m_PageCount + 1);
  Load(0);
  return 0;
}

int CPdf::Close() {
  m_Doc.Close();
  m_PageCount = 0;
  m_Loaded = -1;
  m_Text.clear();
  m_Sentences.clear();
  m_Paragraphs.clear();
  m_CurPage = m_CurOffset = 0;
  return 0;
}

void CPdf::Load(int index) {
  if (index == m_Loaded || index < 0 || index >= m_PageCount) return;
  m_Loaded = index;
  m_Doc.PageText(index, &m_Text);
  JoinLines(&m_Text);
  while (!m_Text.empty() && (m_Text.back() == ' ' || m_Text.back() == 10)) m_Text.pop_back();
  if (m_Text.size() >= static_cast<size_t>(m_Stride)) m_Text.resize(static_cast<size_t>(m_Stride) - 1);
  // A page without text is read as one empty line.
  m_Text.push_back(10);
  m_Sentences.assign(1, 0);
  m_Paragraphs.assign(1, 0);
  int n = static_cast<int>(m_Text.size());
  const SentenceRules* rules = SentenceRulesFor(FallbackBookLanguageTag());
  for (int at = 0; at < n;) {
    int len = GetSentencesLengthW(m_Text.data() + at, n - at, rules);
    len = std::max(1, std::min(len, m_MaxSentenceLength));
    bool ends = Check0D0A_W(m_Text.data() + at, len) != 0;
    at += len;
    m_Sentences.push_back(at);
    if (ends && at < n) m_Paragraphs.push_back(at);
  }
  m_Paragraphs.push_back(n);
}

void CPdf::GoEnd() {
  m_CurPage = m_PageCount;
  m_CurOffset = 0;
}

void CPdf::Go(int page, int offset) {
  if (page < 0) page = offset = 0;
  if (page >= m_PageCount) return GoEnd();
  Load(page);
  if (offset >= static_cast<int>(m_Text.size())) return Go(page + 1, 0);
  m_CurPage = page;
  m_CurOffset = std::max(offset, 0);
}

int CPdf::GetCurPlace() { return m_CurPage * m_Stride + m_CurOffset; }

int CPdf::GetCurSentence() {
  if (m_PageCount == 0 || m_CurPage >= m_PageCount) return m_PageCount * m_Stride;
  Load(m_CurPage);
  return m_CurPage * m_Stride + EntryAt(m_Sentences);
}

int CPdf::GetCurParagraph() {
  if (m_PageCount == 0) return -1;
  if (m_CurPage >= m_PageCount) return m_PageCount * m_Stride;
  Load(m_CurPage);
  return m_CurPage * m_Stride + EntryAt(m_Paragraphs);
}

int CPdf::ReadCurSentence(unsigned short** text, int* length) {
  if (!text || !length || m_PageCount == 0) return -2;
  static unsigned short empty = 0;
  if (m_CurPage >= m_PageCount) {
    *text = &empty;
    *length = 0;
    return 0;
  }
  Load(m_CurPage);
  *text = m_Text.data() + m_CurOffset;
  *length = m_Sentences[static_cast<size_t>(EntryAt(m_Sentences)) + 1] - m_CurOffset;
  return 0;
}

int CPdf::SeekToPlace(int place) {
  if (m_PageCount == 0) return 0;
  if (place <= 0) return Go(0, 0), 0;
  Go(place / m_Stride, place % m_Stride);
  return 0;
}

// Entry `index % stride` of page `index / stride`; past the page's last
// entry, that last entry (so the last index of the book is its last sentence).
void CPdf::SeekToIndex(int index, std::vector<int> CPdf::*table) {
  if (m_PageCount == 0) return;
  if (index <= 0) return Go(0, 0);
  int page = index / m_Stride;
  if (page >= m_PageCount) return GoEnd();
  Load(page);
  const std::vector<int>& t = this->*table;
  int n = static_cast<int>(t.size()) - 1;
  Go(page, t[static_cast<size_t>(std::max(std::min(index % m_Stride, n - 1), 0))]);
}

int CPdf::SeekToSentence(int index) { return SeekToIndex(index, &CPdf::m_Sentences), 0; }
int CPdf::SeekToParagraph(int index) { return SeekToIndex(index, &CPdf::m_Paragraphs), 0; }

int CPdf::SeekToPage(int index) {
  if (m_PageCount == 0) return 0;
  Go(index < 0 ? 0 : index, 0);
  return 0;
}

// Entry of a start table of the held page that contains the current offset.
int CPdf::EntryAt(const std::vector<int>& table) const {
  return std::max(FindLastPlace(table.data(), static_cast<int>(table.size()) - 1, m_CurOffset), 0);
}

void CPdf::StepNext(std::vector<int> CPdf::*table) {
  if (m_PageCount == 0 || m_CurPage >= m_PageCount) return;
  Load(m_CurPage);
  const std::vector<int>& t = this->*table;
  Go(m_CurPage, t[static_cast<size_t>(EntryAt(t)) + 1]);
}

// From inside entry k to the start of k - 1, over the page's start to the
// last entry of the page before.
void CPdf::StepBack(std::vector<int> CPdf::*table) {
  if (m_PageCount == 0) return;
  int page = m_CurPage, k = 0;
  if (page < m_PageCount) {
    Load(page);
    k = EntryAt(this->*table);
  }
  if (k > 0) return Go(page, (this->*table)[static_cast<size_t>(k) - 1]);
  if (page == 0) return Go(0, 0);
  Load(page - 1);
  const std::vector<int>& t = this->*table;
  Go(page - 1, t[t.size() - 2]);
}

int CPdf::SeekToNextSentence() { return StepNext(&CPdf::m_Sentences), 0; }
int CPdf::SeekToLastSentence() { return StepBack(&CPdf::m_Sentences), 0; }
int CPdf::SeekToNextParagraph() { return StepNext(&CPdf::m_Paragraphs), 0; }
int CPdf::SeekToLastParagraph() { return StepBack(&CPdf::m_Paragraphs), 0; }

int CPdf::SeekToNextPage() { return SeekToPage(m_CurPage + 1); }

int CPdf::SeekToLastPage() { return SeekToPage(std::min(m_CurPage, m_PageCount) - 1); }

int CPdf::SetMaxSentenceLength(int length) {
  m_MaxSentenceLength = length >= 100 && length <= 2000 ? length : c_DefaultMaxSentenceLength;
  return 0;
}

int CPdf::SetPageLength(int length) {
  m_PageLength = length >= 200 && length <= 5000 ? length : c_DefaultPageLength;
  return 0;
}

int CPdf::GetUnicode(unsigned short* buffer, int count) {
  if (!buffer || count < 1 || m_PageCount == 0) return -2;
  int done = 0;
  for (int p = 0; p < m_PageCount && done < count; ++p) {
    Load(p);
    int take = std::min(count - done, static_cast<int>(m_Text.size()));
    std::copy(m_Text.begin(), m_Text.begin() + take, buffer + done);
    done += take;
  }
  return done;
}
