// A readable dump of a CEbook-based book for the markup and package sources:
// one line per sentence, marked where a paragraph, a heading (with its level)
// or a page starts, then the counts. Fixtures keep the expected dump beside
// the input so a change of reading shows as a diff.
#pragma once

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/ebook/ebook_test_util.h"

namespace ebooktest {

// Opens up the tables of a source for the dump.
template <class Source>
class Peek : public Source {
 public:
  int HeadingLevel(int i) const { return this->m_HeadingLevels[i]; }
  int HeadingPlace(int i) const { return this->m_HeadingPlaces[i]; }
  int ParagraphStart(int i) const { return this->m_ParagraphStarts[i]; }
  int PageStart(int i) const { return this->m_PageStarts[i]; }
};

template <class Source>
std::string Dump(Peek<Source>& b) {
  std::ostringstream out;
  for (int s = 0; s < b.GetTotalSentences(); ++s) {
    b.SeekToSentence(s);
    int place = b.GetCurPlace();
    int next = s + 1 < b.GetTotalSentences() ? (b.SeekToSentence(s + 1), b.GetCurPlace()) : b.GetUnicodeLength();
    b.SeekToSentence(s);
    std::string marks;
    for (int i = 0; i < b.GetTotalParagraphs(); ++i)
      if (b.ParagraphStart(i) >= place && b.ParagraphStart(i) < next) marks += "[p]";
    for (int i = 0; i < b.GetTotalHeadings(); ++i)
      if (b.HeadingPlace(i) >= place && b.HeadingPlace(i) < next) marks += "[h" + std::to_string(b.HeadingLevel(i)) + "]";
    for (int i = 0; i < b.GetTotalPages(); ++i)
      if (b.PageStart(i) >= place && b.PageStart(i) < next) marks += "[page]";
    std::string text = U8(Current(b));
    std::string escaped;
    for (char c : text) escaped += c == '\n' ? std::string("\\n") : c == '\r' ? std::string("\\r") : std::string(1, c);
    out << marks << escaped << "\n";
  }
  out << "sentences " << b.GetTotalSentences() << " paragraphs " << b.GetTotalParagraphs() << " headings "
      << b.GetTotalHeadings() << " pages " << b.GetTotalPages() << " depth " << b.GetLevelDepth() << "\n";
  return out.str();
}

inline std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// Compares a book with the dump kept beside its fixture. DTB_UPDATE_DUMPS=1
// writes the dump instead (review the diff before committing it).
template <class Source>
void ExpectDump(Peek<Source>& b, const std::string& dumpPath) {
  std::string dump = Dump(b);
  const char* update = getenv("DTB_UPDATE_DUMPS");
  if (update && *update == '1') {
    std::ofstream(dumpPath, std::ios::binary) << dump;
    return;
  }
  EXPECT_EQ(ReadText(dumpPath), dump) << dumpPath;
}

// The text of each quiet range (notes and their marks), in order.
template <class Source>
std::vector<std::string> QuietTexts(Source& b) {
  std::vector<std::string> quiet;
  int s = 0, e = 0;
  for (int at = 0; b.QuietRangeAfter(at, &s, &e) == 0 && e > s; at = e) {
    std::vector<unsigned short> u(static_cast<size_t>(e - s));
    int start = -1;
    if (b.GetUnicodeAt(s, u.data(), e - s, &start) != e - s) break;
    quiet.push_back(U8(std::u16string(u.begin(), u.end())));
  }
  return quiet;
}

// The text of the whole book as read, without any white space, for
// comparing with other converters' output.
template <class Book>
std::string Squeezed(Book& b) {
  std::vector<unsigned short> buf(static_cast<size_t>(b.GetUnicodeLength()) + 1);
  int n = b.GetUnicode(buf.data(), static_cast<int>(buf.size()));
  std::u16string u(reinterpret_cast<const char16_t*>(buf.data()), static_cast<size_t>(std::max(n, 0)));
  std::string s = U8(u), out;
  for (unsigned char c : s)
    if (c > 32) out += static_cast<char>(c);
  return out;
}

}  // namespace ebooktest
