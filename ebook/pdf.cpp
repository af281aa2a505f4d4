// CPdf: one page held at a time; positions are a page and a unit of its text.
#include "ebook/pdf.h"

#include <algorithm>
#include <climits>

#include "core/lib/pdf_outline/outline.h"
#include "ebook/sentence_rules.h"
#include "ebook/text_helpers.h"

namespace {

constexpr int c_FullStride = 65536;
constexpr int c_MaxHeadingLevel = 9;
// Enough of a title to find it; longer ones only cost time on every page.
constexpr size_t c_KeyUnits = 48;

// Titles and page texts are compared by their letters and digits, case aside.
unsigned short Folded(unsigned short c) { return c >= 'A' && c <= 'Z' ? static_cast<unsigned short>(c + 32) : c; }

std::vector<unsigned short> TitleKey(const std::string& utf8) {
  std::vector<unsigned short> units(utf8.size() + 1);
  int used = 0;
  int n = DecodeUtf8(reinterpret_cast<const unsigned char*>(utf8.data()), static_cast<int>(utf8.size()),
                     units.data(), static_cast<int>(units.size()), &used);
  std::vector<unsigned short> key;
  for (int i = 0; i < n && key.size() < c_KeyUnits; ++i)
    if (IsWordUnit(units[static_cast<size_t>(i)])) key.push_back(Folded(units[static_cast<size_t>(i)]));
  return key;
}

// Offset in text of the first unit of the key's first match at or after
// `from`, non-word units of the text skipped; -1 when absent.
int FindKey(const std::vector<unsigned short>& text, const std::vector<unsigned short>& key, int from) {
  int n = static_cast<int>(text.size());
  for (int at = std::max(from, 0); at < n; ++at) {
    if (Folded(text[static_cast<size_t>(at)]) != key[0]) continue;
    size_t k = 0;
    for (int i = at; i < n && k < key.size(); ++i) {
      unsigned short c = text[static_cast<size_t>(i)];
      if (!IsWordUnit(c)) continue;
      if (Folded(c) != key[k]) break;
      ++k;
    }
    if (k == key.size()) return at;
  }
  return -1;
}

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
  m_Path = path;
  // Pages are split as they are read, all by the language of the first ones.
  std::vector<unsigned short> sample, page;
  for (int i = 0; i < m_PageCount && i < 3 && sample.size() < static_cast<size_t>(c_LanguageSampleUnits); ++i) {
    m_Doc.PageText(i, &page);
    sample.insert(sample.end(), page.begin(), page.end());
    sample.push_back(10);
    if (i == 0) m_FirstPage.swap(page);
  }
  m_SplitLanguage = BookLanguageTag(nullptr, sample.data(), static_cast<int>(sample.size()));
  Load(0);
  return 0;
}

void CPdf::ReadOutline() {
  if (m_Path.empty()) return;
  std::vector<pdf::OutlineEntry> outline;
  pdf::ReadOutline(m_Path.c_str(), &outline);
  m_Path.clear();
  for (const pdf::OutlineEntry& e : outline) {
    int level = std::min(e.level, c_MaxHeadingLevel);
    m_Headings.push_back({e.page, level, TitleKey(e.title), -1});
    m_LevelDepth = std::max(m_LevelDepth, level);
  }
  // An outline need not follow the pages; the model's headings do.
  std::stable_sort(m_Headings.begin(), m_Headings.end(),
                   [](const Heading& a, const Heading& b) { return a.page < b.page; });
  // The page held was loaded before its headings were known.
  if (m_Loaded >= 0) PlaceHeadings();
}

// Short titles ("A", "1") would be found anywhere: they stay at the page's
// start, or where the heading before them on the page stands.
void CPdf::PlaceHeadings() {
  auto first = std::lower_bound(m_Headings.begin(), m_Headings.end(), m_Loaded,
                                [](const Heading& h, int page) { return h.page < page; });
  int from = 0;
  for (auto h = first; h != m_Headings.end() && h->page == m_Loaded; ++h) {
    if (h->offset >= 0) return;  // placed when the page was loaded before
    int at = h->key.size() >= 2 ? FindKey(m_Text, h->key, from) : -1;
    if (at >= 0) from = at;
    h->offset = from;
  }
}

int CPdf::Close() {
  m_Doc.Close();
  m_Path.clear();
  m_FirstPage.clear();
  m_PageCount = 0;
  m_Loaded = -1;
  m_Text.clear();
  m_Sentences.clear();
  m_Paragraphs.clear();
  m_CurPage = m_CurOffset = 0;
  m_Headings.clear();
  m_LevelDepth = 0;
  return 0;
}

void CPdf::Load(int index) {
  if (index == m_Loaded || index < 0 || index >= m_PageCount) return;
  m_Loaded = index;
  if (index == 0 && !m_FirstPage.empty()) {
    m_Text.swap(m_FirstPage);
    m_FirstPage.clear();
    m_FirstPage.shrink_to_fit();
  } else {
    m_Doc.PageText(index, &m_Text);
  }
  JoinLines(&m_Text);
  while (!m_Text.empty() && (m_Text.back() == ' ' || m_Text.back() == 10)) m_Text.pop_back();
  if (m_Text.size() >= static_cast<size_t>(m_Stride)) m_Text.resize(static_cast<size_t>(m_Stride) - 1);
  // A page without text is read as one empty line.
  m_Text.push_back(10);
  m_Sentences.assign(1, 0);
  m_Paragraphs.assign(1, 0);
  int n = static_cast<int>(m_Text.size());
  const SentenceRules* rules = SentenceRulesFor(m_SplitLanguage);
  for (int at = 0; at < n;) {
    int len = GetSentencesLengthW(m_Text.data() + at, n - at, rules);
    len = std::max(1, std::min(len, m_MaxSentenceLength));
    bool ends = Check0D0A_W(m_Text.data() + at, len) != 0;
    at += len;
    m_Sentences.push_back(at);
    if (ends && at < n) m_Paragraphs.push_back(at);
  }
  m_Paragraphs.push_back(n);
  PlaceHeadings();
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

int CPdf::HeadingsUpTo() {
  ReadOutline();
  if (m_CurPage >= m_PageCount) return static_cast<int>(m_Headings.size());
  Load(m_CurPage);
  int n = 0;
  for (const Heading& h : m_Headings) {
    if (h.page > m_CurPage || (h.page == m_CurPage && h.offset > m_CurOffset)) break;
    ++n;
  }
  return n;
}

int CPdf::GetCurHeading() {
  ReadOutline();
  int count = static_cast<int>(m_Headings.size());
  if (count == 0) return -1;
  return std::min(HeadingsUpTo(), count) - 1;
}

int CPdf::SeekToHeading(int index) {
  if (m_PageCount == 0) return 0;
  ReadOutline();
  if (index < 0) return Go(0, 0), 0;
  if (index >= static_cast<int>(m_Headings.size())) return GoEnd(), 0;
  const Heading& h = m_Headings[static_cast<size_t>(index)];
  Load(h.page);
  Go(h.page, h.offset);
  return 0;
}

// Headings sharing the place of the one moved from count as that heading, so
// that a step always moves on.
int CPdf::SeekToNextHeading(int level) {
  ReadOutline();
  if (m_Headings.empty()) return 0;
  int c = HeadingsUpTo();
  int count = static_cast<int>(m_Headings.size());
  while (c < count && m_Headings[static_cast<size_t>(c)].level > level) ++c;
  return SeekToHeading(c);
}

int CPdf::SeekToLastHeading(int level) {
  ReadOutline();
  if (m_Headings.empty()) return 0;
  // From the end the last heading is the one before it, as in CEbook.
  int h = m_CurPage >= m_PageCount ? static_cast<int>(m_Headings.size()) : HeadingsUpTo() - 1;
  if (h >= 0 && h < static_cast<int>(m_Headings.size())) {
    Load(m_Headings[static_cast<size_t>(h)].page);
    auto same = [&](int a, int b) {
      const Heading& x = m_Headings[static_cast<size_t>(a)];
      const Heading& y = m_Headings[static_cast<size_t>(b)];
      return x.page == y.page && x.offset == y.offset;
    };
    while (h > 0 && same(h - 1, h)) --h;
  }
  int c = h - 1;
  while (c >= 0 && m_Headings[static_cast<size_t>(c)].level > level) --c;
  return SeekToHeading(c);
}

int CPdf::GetPageLabel(int index, std::string* utf8) {
  if (!utf8 || m_Doc.PageLabel(index, utf8) != 0) return -1;
  // A label is spoken; control characters in a damaged one are not.
  for (char& c : *utf8)
    if (static_cast<unsigned char>(c) < 32) c = ' ';
  return 0;
}
