#include <string>
#include <vector>

#include "ebook/ebook.h"
#include "ebook/string_collection.h"
#include "tests/ebook/ebook_test_util.h"
#include "tests/support/test_support.h"

namespace {

using ebooktest::Current;
using ebooktest::PageStarts;
using ebooktest::ParagraphStarts;
using ebooktest::Sentences;
using ebooktest::SentenceStarts;
using ebooktest::U16;

struct Heading {
  int paragraph;  // heading marked at the start of this paragraph
  int level;
};

// A book built the way a format parser builds one.
class Book : public CEbook {
 public:
  int Build(const std::vector<std::string>& paragraphs, const std::vector<Heading>& headings = {}) {
    if (Open(nullptr) != 0) return -1;
    for (size_t i = 0; i < paragraphs.size(); ++i) {
      if (AddParagraphFlag(0) != 0) return -1;
      for (const Heading& h : headings)
        if (h.paragraph == static_cast<int>(i) && AddHeadingFlag(h.level, 0) != 0) return -1;
      const std::string& p = paragraphs[i];
      if (AddText(p.data(), static_cast<int>(p.size())) < 0) return -1;
    }
    return FinishBuilding(true);
  }
};

std::vector<std::string> AsUtf8(const std::vector<std::u16string>& v) {
  std::vector<std::string> out;
  for (const auto& s : v) out.push_back(ebooktest::U8(s));
  return out;
}

TEST(CEbookSegmentation, SentencesFollowTheTerminatorRules) {
  Book b;
  ASSERT_EQ(0, b.Build({"It costs 3.50 dollars. Next one; a:b here! Wait... what?\n"}));
  EXPECT_EQ((std::vector<std::string>{"It costs 3.50 dollars. ", "Next one; ", "a:b here! ", "Wait... ",
                                      "what?\n"}),
            AsUtf8(Sentences(b)));
}

TEST(CEbookSegmentation, SentencesNeverCrossAParagraphStart) {
  Book b;
  // No terminator before the second paragraph: the first sentence still ends there.
  ASSERT_EQ(0, b.Build({"no stop here ", "Second. Third"}));
  EXPECT_EQ((std::vector<std::string>{"no stop here ", "Second. ", "Third"}), AsUtf8(Sentences(b)));
  EXPECT_EQ(2, b.GetTotalParagraphs());
}

TEST(CEbookSegmentation, LongParagraphIsCutAtTheMaximumSentenceLength) {
  Book b;
  ASSERT_EQ(0, b.Build({std::string(1200, 'w')}));
  EXPECT_EQ((std::vector<int>{0, 500, 1000}), SentenceStarts(b));
  b.SeekToSentence(2);
  EXPECT_EQ(200u, Current(b).size());

  Book c;
  c.SetMaxSentenceLength(150);
  ASSERT_EQ(0, c.Build({std::string(400, 'w')}));
  EXPECT_EQ((std::vector<int>{0, 150, 300}), SentenceStarts(c));
}

TEST(CEbookSegmentation, PunctuationOnlyParagraphIsOneSentenceCutAtTheMaximum) {
  Book b;
  ASSERT_EQ(0, b.Build({"Hello. ", std::string(620, '-'), "Bye."}));
  EXPECT_EQ((std::vector<int>{0, 7, 507, 627}), SentenceStarts(b));
}

TEST(CEbookSegmentation, EmptyParagraphsShareAStartAndAreSkippedBackwards) {
  Book b;
  ASSERT_EQ(0, b.Build({"First para. ", "Second para. ", "", "", "", "After the gap."}));
  EXPECT_EQ(6, b.GetTotalParagraphs());
  EXPECT_EQ(3, b.GetTotalSentences()) << "empty paragraphs give no sentences";
  EXPECT_EQ((std::vector<int>{12, 25, 25, 25, 25}), ParagraphStarts(b));
  b.SeekToParagraph(5);
  EXPECT_EQ(5, b.GetCurParagraph()) << "the last of equal starts";
  b.SeekToLastParagraph();
  EXPECT_EQ(12, b.GetCurPlace()) << "skips the three empty paragraphs";
  EXPECT_EQ(1, b.GetCurSentence());
  b.SeekToLastParagraph();
  EXPECT_EQ(0, b.GetCurPlace());
  b.SeekToNextParagraph();
  EXPECT_EQ(12, b.GetCurPlace());
  b.SeekToNextParagraph();
  EXPECT_EQ(25, b.GetCurPlace());
  b.SeekToNextParagraph();
  EXPECT_EQ(b.GetUnicodeLength(), b.GetCurPlace()) << "past the last paragraph is the end";
}

TEST(CEbookPages, PagesStartWithTheSentenceContainingEachThousand) {
  Book one;
  ASSERT_EQ(0, one.Build({std::string(300, 'a') + ". " + std::string(300, 'b') + ". " + std::string(196, 'c')}));
  EXPECT_EQ(800, one.GetUnicodeLength());
  EXPECT_EQ(1, one.GetTotalPages());
  EXPECT_EQ((std::vector<int>{0}), PageStarts(one));

  // The last sentence alone crosses 1000: it starts the second page.
  Book two;
  std::string s = std::string(398, 'x') + ". ";
  ASSERT_EQ(0, two.Build({s + s + s}));
  EXPECT_EQ(1200, two.GetUnicodeLength());
  EXPECT_EQ((std::vector<int>{0, 800}), PageStarts(two));
  two.SeekToPlace(1100);
  EXPECT_EQ(1, two.GetCurPage());
  two.SeekToLastPage();
  EXPECT_EQ(0, two.GetCurPlace()) << "from inside page 1, previous page is page 0";
  two.SeekToNextPage();
  EXPECT_EQ(800, two.GetCurPlace());
  two.SeekToNextPage();
  EXPECT_EQ(1200, two.GetCurPlace());
}

TEST(CEbookPages, LongSentencesMakePagesFallBehindButNeverRepeat) {
  Book b;
  b.SetMaxSentenceLength(2000);
  b.SetPageLength(200);
  // Sentences of 600 units: each starts at most one page.
  std::string s = std::string(598, 'y') + ". ";
  ASSERT_EQ(0, b.Build({s + s + s}));
  EXPECT_EQ(9, b.GetTotalPages());
  EXPECT_EQ((std::vector<int>{0, 600, 1200, 1800, 1800, 1800, 1800, 1800, 1800}), PageStarts(b));
  b.SeekToPage(8);
  b.SeekToLastPage();
  EXPECT_EQ(1200, b.GetCurPlace()) << "repeated page starts at the end are skipped";
}

TEST(CEbookReading, ReadsTheRestOfASentenceAfterASeekIntoIt) {
  Book b;
  ASSERT_EQ(0, b.Build({"Alpha beta. Gamma delta."}));
  b.SeekToPlace(6);
  EXPECT_EQ(0, b.GetCurSentence());
  EXPECT_EQ(u"beta. ", Current(b));
  b.SeekToLastSentence();
  EXPECT_EQ(0, b.GetCurPlace()) << "from the middle of sentence 0: the start";
  b.SeekToPlace(15);
  b.SeekToLastSentence();
  EXPECT_EQ(0, b.GetCurPlace()) << "from the middle of sentence 1: sentence 0";
  b.SeekToNextSentence();
  EXPECT_EQ(12, b.GetCurPlace());
  b.SeekToNextSentence();
  EXPECT_EQ(24, b.GetCurPlace());
  EXPECT_EQ(2, b.GetCurSentence());
  unsigned short* text = nullptr;
  int length = -1;
  ASSERT_EQ(0, b.ReadCurSentence(&text, &length));
  EXPECT_EQ(0, length) << "the end reads as empty";
  EXPECT_EQ(-2, b.ReadCurSentence(nullptr, &length));
}

TEST(CEbookReading, SeeksClampToTheStartAndTheEnd) {
  Book b;
  ASSERT_EQ(0, b.Build({"Before any. ", "One. Two. ", "Three."}));
  for (int i : {-5, 0}) {
    b.SeekToPlace(9);
    b.SeekToSentence(i);
    EXPECT_EQ(0, b.GetCurPlace());
  }
  b.SeekToSentence(99);
  EXPECT_EQ(b.GetUnicodeLength(), b.GetCurPlace());
  EXPECT_EQ(b.GetTotalSentences(), b.GetCurSentence());
  b.SeekToPlace(-3);
  EXPECT_EQ(0, b.GetCurPlace());
  b.SeekToPlace(1 << 30);
  EXPECT_EQ(b.GetUnicodeLength(), b.GetCurPlace());
  b.SeekToPage(-1);
  EXPECT_EQ(0, b.GetCurPlace());
  b.SeekToParagraph(7);
  EXPECT_EQ(b.GetTotalSentences(), b.GetCurSentence());
}

TEST(CEbookReading, SeekToParagraphZeroGoesToPlaceZeroButNextReachesParagraphZero) {
  // Text before the first paragraph mark, as in a document with text
  // directly in its body before the first paragraph element.
  Book b;
  ASSERT_EQ(0, b.Open(nullptr));
  ASSERT_EQ(11, b.AddText("Preface. ", 9) + b.AddText("xx", 2));
  ASSERT_EQ(0, b.AddParagraphFlag(0));
  ASSERT_EQ(12, b.AddText("Body text. ", 11) + b.AddText("Y", 1));
  ASSERT_EQ(0, b.FinishBuilding(true));
  b.SeekToPlace(3);
  EXPECT_EQ(-1, b.GetCurParagraph());
  b.SeekToParagraph(0);
  EXPECT_EQ(0, b.GetCurPlace());
  b.SeekToNextParagraph();
  EXPECT_EQ(11, b.GetCurPlace()) << "next must move on, not stay at place 0";
  EXPECT_EQ(0, b.GetCurParagraph());
}

TEST(CEbookHeadings, LevelsFilterNextAndPreviousHeadings) {
  Book b;
  ASSERT_EQ(0, b.Build({"Part one\n", "Chapter A\n", "Text a. ", "Chapter B\n", "Text b. ", "Part two\n", "End."},
                       {{0, 1}, {1, 2}, {3, 2}, {5, 1}}));
  EXPECT_EQ(4, b.GetTotalHeadings());
  EXPECT_EQ(2, b.GetLevelDepth());
  b.SeekToNextHeading(1);
  EXPECT_EQ(3, b.GetCurHeading()) << "level 1 skips the chapters";
  b.SeekToLastHeading(2);
  EXPECT_EQ(2, b.GetCurHeading());
  b.SeekToPlace(b.GetCurPlace() + 12);  // inside chapter B's text
  b.SeekToLastHeading(2);
  EXPECT_EQ(1, b.GetCurHeading()) << "previous from inside a section is the heading before it";
  b.SeekToLastHeading(9);
  EXPECT_EQ(0, b.GetCurHeading());
  b.SeekToLastHeading(9);
  EXPECT_EQ(0, b.GetCurPlace());
  b.SeekToHeading(3);
  b.SeekToNextHeading(9);
  EXPECT_EQ(b.GetUnicodeLength(), b.GetCurPlace());
}

TEST(CEbookHeadings, HeadingsAtOnePlaceNeverTrapNextOrPrevious) {
  Book b;
  // An empty top heading right before a sub-heading: both at one place.
  ASSERT_EQ(0, b.Build({"Intro. ", "Title\n", "Body. ", "More\n", "Rest."}, {{1, 1}, {1, 2}, {3, 2}}));
  std::vector<int> visited;
  for (int i = 0; i < 5; ++i) {
    b.SeekToNextHeading(9);
    visited.push_back(b.GetCurPlace());
  }
  int end = b.GetUnicodeLength();
  EXPECT_EQ((std::vector<int>{7, 19, end, end, end}), visited);
  visited.clear();
  for (int i = 0; i < 3; ++i) {
    b.SeekToLastHeading(9);
    visited.push_back(b.GetCurPlace());
  }
  EXPECT_EQ((std::vector<int>{19, 7, 0}), visited);
}

TEST(CEbookEmpty, EmptyTextHasNoSentencesOrPagesAndEverySeekLandsAtZero) {
  Book b;
  ASSERT_EQ(0, b.Build({}));
  EXPECT_EQ(0, b.GetTotalSentences());
  EXPECT_EQ(0, b.GetTotalPages());
  EXPECT_EQ(0, b.GetTotalParagraphs());
  EXPECT_EQ(0, b.GetLevelDepth());
  unsigned short* text = nullptr;
  int length = -1;
  EXPECT_EQ(0, b.ReadCurSentence(&text, &length));
  EXPECT_EQ(0, length);
  for (auto seek : {&CEbook::SeekToNextSentence, &CEbook::SeekToLastSentence, &CEbook::SeekToNextPage,
                    &CEbook::SeekToLastPage, &CEbook::SeekToNextParagraph, &CEbook::SeekToLastParagraph}) {
    (b.*seek)();
    EXPECT_EQ(0, b.GetCurPlace());
  }
  b.SeekToPage(3);
  EXPECT_EQ(0, b.GetCurPlace());
  unsigned short buf[4];
  EXPECT_EQ(0, b.GetUnicode(buf, 4));
}

TEST(CEbookBuilding, TablesGrowAndClosingEntriesAreTheTextLength) {
  Book b;
  std::vector<std::string> paras;
  for (int i = 0; i < 9000; ++i) paras.push_back("Para " + std::to_string(i) + ".\n");
  std::vector<Heading> heads;
  for (int i = 0; i < 2000; ++i) heads.push_back({i * 4, 1 + i % 3});
  ASSERT_EQ(0, b.Build(paras, heads));
  EXPECT_EQ(9000, b.GetTotalParagraphs());
  EXPECT_EQ(2000, b.GetTotalHeadings());
  EXPECT_EQ(9000, b.GetTotalSentences());
  EXPECT_EQ(3, b.GetLevelDepth());
  b.SeekToParagraph(8999);
  EXPECT_EQ(u"Para 8999.\n", Current(b));
  b.SeekToHeading(1999);
  EXPECT_EQ(1999 * 4, b.GetCurParagraph());
  // Text beyond one growth step of the buffer.
  Book big;
  std::string chunk(100000, 'z');
  ASSERT_EQ(0, big.Open(nullptr));
  for (int i = 0; i < 4; ++i) ASSERT_EQ(100000, big.AddText(chunk.data(), 100000));
  std::u16string w = u"ąę";
  ASSERT_EQ(2, big.AddTextW(reinterpret_cast<const unsigned short*>(w.data()), 2));
  ASSERT_EQ(0, big.AddCharW('!'));
  ASSERT_EQ(0, big.FinishBuilding(true));
  EXPECT_EQ(400003, big.GetUnicodeLength());
  std::vector<unsigned short> all(400010);
  ASSERT_EQ(400003, big.GetUnicode(all.data(), 400010));
  EXPECT_EQ(u'ą', all[400000]);
  EXPECT_EQ('!', all[400002]);
}

TEST(CEbookBuilding, ArgumentsAndStateErrors) {
  Book b;
  EXPECT_EQ(-2, b.AddText(nullptr, 3));
  EXPECT_EQ(0, b.AddText("abc", 0));
  EXPECT_EQ(-2, b.AddTextW(nullptr, 3));
  EXPECT_EQ(-2, b.DealPages()) << "no sentence table yet";
  unsigned short* text;
  int length;
  EXPECT_EQ(-2, b.ReadCurSentence(&text, &length)) << "no text";
  EXPECT_EQ(-2, b.GetUnicode(nullptr, 3));
  ASSERT_EQ(0, b.Build({"One."}));
  EXPECT_EQ(-2, b.DealSentences()) << "already built";
  EXPECT_EQ(-2, b.DealPages());
  EXPECT_EQ(-2, b.GetUnicode(nullptr, 3));
  unsigned short buf[2];
  EXPECT_EQ(-2, b.GetUnicode(buf, 0));
  // A cut UTF-8 sequence at the end of the input is not turned into text.
  EXPECT_EQ(1, b.AddText("a\xc5", 2));
}

// A source read in steps of one paragraph ("Part k. Second."); the closing
// fails at step `failAt`.
class SteppedBook : public CEbook {
 public:
  explicit SteppedBook(int failAt) : failAt_(failAt) {}
  int Open(const char*) override {
    if (CEbook::Open(nullptr) != 0) return -1;
    // Declared, so that its first short step is split at once instead of
    // waiting for enough text to tell the language by.
    SetLanguage("en");
    Step();
    return ReadInSteps();
  }

 protected:
  int ReadMore() override {
    if (steps_ == failAt_) return -3;
    if (steps_ == 6) return FinishBuilding(true);
    Step();
    return 1;
  }

 private:
  void Step() {
    std::string p = "Part " + std::to_string(steps_++) + ". Second.\n";
    AddParagraphFlag(0);
    if (steps_ % 2) AddHeadingFlag(1, 0);
    AddText(p.data(), static_cast<int>(p.size()));
  }
  int steps_ = 0;
  int failAt_;
};

TEST(CEbookSteps, AFailedStepEndsTheBookWithWhatWasSettled) {
  SteppedBook whole(-1), failed(3);
  ASSERT_EQ(0, whole.Open(nullptr));
  ASSERT_EQ(0, failed.Open(nullptr));
  EXPECT_FALSE(failed.Settled());
  EXPECT_EQ(Sentences(whole)[0], Sentences(failed)[0]);
  EXPECT_EQ(12, whole.GetTotalSentences());
  // Three parts were read when the closing failed; the last of them could
  // still have grown, so the book is the two before it, closed and whole.
  EXPECT_EQ(4, failed.GetTotalSentences());
  EXPECT_TRUE(failed.Settled());
  EXPECT_EQ(2, failed.GetTotalParagraphs());
  EXPECT_EQ(1, failed.GetTotalHeadings());
  EXPECT_EQ(AsUtf8(Sentences(failed)), std::vector<std::string>({"Part 0. ", "Second.\n", "Part 1. ", "Second.\n"}));
  EXPECT_EQ(1, failed.GetTotalPages());
  failed.SeekToPlace(1 << 20);
  EXPECT_EQ(failed.GetUnicodeLength(), failed.GetCurPlace());
}

TEST(CEbookSettings, LimitsOutsideTheirRangeFallBackToDefaults) {
  Book b;
  b.SetMaxSentenceLength(99);
  b.SetPageLength(5001);
  ASSERT_EQ(0, b.Build({std::string(1200, 'q')}));
  EXPECT_EQ(3, b.GetTotalSentences()) << "99 is refused: 500";
  EXPECT_EQ(2, b.GetTotalPages()) << "5001 is refused: 1000";
  Book c;
  c.SetMaxSentenceLength(2000);
  c.SetPageLength(200);
  ASSERT_EQ(0, c.Build({std::string(1200, 'q')}));
  EXPECT_EQ(1, c.GetTotalSentences());
  EXPECT_EQ(6, c.GetTotalPages());
  // Close keeps both limits.
  c.Close();
  ASSERT_EQ(0, c.Build({std::string(1200, 'q')}));
  EXPECT_EQ(1, c.GetTotalSentences());
}

TEST(EbookClass, ExtensionsChooseTheSourceWithoutRegardToCase) {
  for (const char* ext : {"txt", "TXT", "Ebk"}) {
    iCEbook* book = GetEbookClass(ext);
    ASSERT_NE(nullptr, book) << ext;
    delete book;
  }
  EXPECT_EQ(nullptr, GetEbookClass("odt"));
  EXPECT_EQ(nullptr, GetEbookClass(nullptr));
  EXPECT_EQ(nullptr, GetEbookClass(""));
  EXPECT_EQ(1, CheckIsEbookFile_FromExtName("EPUB"));
  EXPECT_EQ(1, CheckIsEbookFile_FromExtName("azw3"));
  EXPECT_EQ(0, CheckIsEbookFile_FromExtName("mp3"));
  EXPECT_EQ(0, CheckIsEbookFile_FromExtName(nullptr));
}

TEST(EbookStringCollectionTest, StoresCopiesAndFindsThemRegardlessOfCase) {
  EbookStringCollection c;
  EXPECT_EQ(-1, c.Add(nullptr));
  std::string s = "Chapter1.xhtml";
  ASSERT_EQ(0, c.Add(s.c_str()));
  s[0] = 'X';
  EXPECT_EQ(0, c.Find("chapter1.XHTML")) << "a copy was stored";
  for (int i = 0; i < 1000; ++i) ASSERT_EQ(0, c.Add(("item-" + std::to_string(i) + std::string(20, 'p')).c_str()));
  EXPECT_EQ(1001, c.GetCount());
  EXPECT_EQ(501, c.Find(("ITEM-500" + std::string(20, 'P')).c_str()));
  EXPECT_EQ(-1, c.Find("item-"));
  EXPECT_EQ(-1, c.Find(nullptr));
  c.Cls();
  EXPECT_EQ(0, c.GetCount());
  EXPECT_EQ(-1, c.Find("chapter1.xhtml"));
  EXPECT_EQ(0, c.Add("again"));
  EXPECT_STREQ("again", c.GetAt(0));
}

}  // namespace
