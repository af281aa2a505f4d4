#include "ebook/text_find.h"

#include <string>

#include "ebook/pdf.h"
#include "ebook/txt.h"
#include "tests/ebook/pdf_maker.h"
#include "tests/ebook/ebook_test_util.h"
#include "tests/support/test_support.h"

namespace {

using ebooktest::U16;

TextFinder Word(const std::string& utf8) {
  std::u16string w = U16(utf8);
  return TextFinder(reinterpret_cast<const unsigned short*>(w.data()), static_cast<int>(w.size()));
}

int First(const std::string& text, const std::string& word, int from = 0) {
  std::u16string t = U16(text);
  return Word(word).FindFirst(reinterpret_cast<const unsigned short*>(t.data()), static_cast<int>(t.size()), from);
}

int Last(const std::string& text, const std::string& word, int before) {
  std::u16string t = U16(text);
  return Word(word).FindLast(reinterpret_cast<const unsigned short*>(t.data()), static_cast<int>(t.size()), before);
}

TEST(TextFinder, MatchesAnyCaseAndAnyWhiteSpace) {
  EXPECT_EQ(First("Zażółć gęślą jaźń", "GĘŚLĄ"), 7);
  EXPECT_EQ(First("ŻÓŁW i żółw", "żółw", 1), 7);
  EXPECT_EQ(First("Привет, МИР", "мир"), 8);
  EXPECT_EQ(First("the end of\nthe line", "of the"), 8);
  EXPECT_EQ(First("a\xC2\xA0" "b", "a b"), 0);
  EXPECT_EQ(First("abc", "abcd"), -1);
  EXPECT_EQ(First("abc", ""), -1);
  // Backward: the last start before the limit.
  EXPECT_EQ(Last("kot, kot, kot", "KOT", 10), 5);
  EXPECT_EQ(Last("kot, kot, kot", "kot", 0), -1);
  EXPECT_EQ(Last("aaaa", "aa", 4), 2);
}

// The plain text source decodes chunks; a source without a way of its own
// is walked sentence by sentence. Both must find the same places.
class Walked : public CTxt {
 public:
  int GetUnicodeAt(int place, unsigned short* buffer, int count, int* start) override {
    return iCEbook::GetUnicodeAt(place, buffer, count, start);
  }
};

TEST(FindInEbook, StreamsPastBlockEdgesBothWaysAndLeavesThePositionAlone) {
  dtbtest::TempDir dir;
  // Sentences of filler; the word straddles the 65,536-unit block edge and
  // comes once more near the start, where a backward search from the end
  // must not stop short.
  std::string text = "Ala szuka słowa Latarnik tutaj. ";
  while (text.size() < 65530) text += "Zdanie bez niczego. ";
  text.resize(65530);
  text += "LATARNIK stoi. ";
  for (int i = 0; i < 4000; ++i) text += "Dalej tylko wypełnienie tekstu. ";
  dtbtest::WriteFile(dir / "b.txt", text);
  CTxt txt;
  Walked walked;
  ASSERT_EQ(txt.Open((dir / "b.txt").c_str()), 0);
  ASSERT_EQ(walked.Open((dir / "b.txt").c_str()), 0);
  const int second = static_cast<int>(U16(text.substr(0, 65530)).size());
  const TextFinder f = Word("latarnik");
  for (iCEbook* b : {static_cast<iCEbook*>(&txt), static_cast<iCEbook*>(&walked)}) {
    b->SeekToSentence(3);
    const int where = b->GetCurPlace();
    int place = -1;
    EXPECT_EQ(FindInEbook(b, f, 0, true, &place), 0);
    EXPECT_EQ(place, 16);
    EXPECT_EQ(FindInEbook(b, f, 17, true, &place), 0);
    EXPECT_EQ(place, second);
    EXPECT_EQ(FindInEbook(b, f, second + 1, true, &place), 1);
    EXPECT_EQ(FindInEbook(b, f, b->GetUnicodeLength(), false, &place), 0);
    EXPECT_EQ(place, second);
    EXPECT_EQ(FindInEbook(b, f, second, false, &place), 0);
    EXPECT_EQ(place, 16);
    EXPECT_EQ(FindInEbook(b, f, 16, false, &place), 1);
    EXPECT_EQ(FindInEbook(b, TextFinder(), 0, true, &place), -1);
    EXPECT_EQ(b->GetCurPlace(), where);
  }
}

// PDF places leave a gap behind every page's text: a word is not found
// across it, and matches on later pages are found both ways.
TEST(FindInEbook, PdfPagesAreSearchedAcrossTheGapsBetweenThem) {
  dtbtest::TempDir dir;
  dtbtest::WriteFile(dir / "a.pdf", pdfmaker::Make({{"First page ends with light"}, {"house. Nothing here."},
                                                     {"Third page: a lighthouse."}}));
  CPdf pdf;
  ASSERT_EQ(pdf.Open((dir / "a.pdf").c_str()), 0);
  int place = -1;
  ASSERT_EQ(FindInEbook(&pdf, Word("lighthouse"), 0, true, &place), 0);
  EXPECT_EQ(place / pdf.Stride(), 2);
  const int found = place;
  ASSERT_EQ(FindInEbook(&pdf, Word("lighthouse"), pdf.GetUnicodeLength(), false, &place), 0);
  EXPECT_EQ(place, found);
  EXPECT_EQ(FindInEbook(&pdf, Word("lighthouse"), found, false, &place), 1);
  ASSERT_EQ(FindInEbook(&pdf, Word("nothing"), found, false, &place), 0);
  EXPECT_EQ(place / pdf.Stride(), 1);
}

}  // namespace
