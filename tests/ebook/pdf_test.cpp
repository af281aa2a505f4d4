// PDF documents written by tests/ebook/pdf_maker.h: pages read one at a
// time, places that map onto pages, refused files; then the shared corpus.
#include <string>

#include "ebook/pdf.h"
#include "tests/ebook/ebook_test_util.h"
#include "tests/ebook/markup_dump.h"
#include "tests/ebook/pdf_maker.h"
#include "tests/support/test_support.h"

namespace {

using ebooktest::Current;
using ebooktest::U8;

std::string Cur(CPdf& b) { return U8(Current(b)); }

class PdfTest : public ::testing::Test {
 protected:
  void OpenPages(const std::vector<pdfmaker::Page>& pages) {
    dtbtest::WriteFile(m_Dir / "a.pdf", pdfmaker::Make(pages));
    ASSERT_EQ(0, m_B.Open((m_Dir / "a.pdf").c_str()));
  }
  dtbtest::TempDir m_Dir;
  CPdf m_B;
};

TEST_F(PdfTest, SentencesAndParagraphsMoveAcrossPages) {
  OpenPages({{"One. Two runs", "over a line."}, {}, {"Three."}});
  const int s = m_B.Stride();
  EXPECT_EQ(3, m_B.GetTotalPages());
  EXPECT_EQ("One. ", Cur(m_B));
  m_B.SeekToNextSentence();
  EXPECT_EQ("Two runs over a line.\n", Cur(m_B)) << "lines of a block are joined";
  m_B.SeekToNextSentence();
  EXPECT_EQ(1, m_B.GetCurPage());
  EXPECT_EQ(s, m_B.GetCurPlace());
  EXPECT_EQ("\n", Cur(m_B)) << "a page without text is one empty line";
  m_B.SeekToNextParagraph();
  EXPECT_EQ("Three.\n", Cur(m_B));
  m_B.SeekToNextSentence();
  EXPECT_EQ(3 * s, m_B.GetCurPlace());
  EXPECT_EQ("", Cur(m_B)) << "the end";
  m_B.SeekToLastSentence();
  EXPECT_EQ("Three.\n", Cur(m_B));
  m_B.SeekToLastSentence();
  m_B.SeekToLastSentence();
  EXPECT_EQ("Two runs over a line.\n", Cur(m_B));
  m_B.SeekToLastParagraph();
  EXPECT_EQ(0, m_B.GetCurPlace());
}

TEST_F(PdfTest, PlacesAndIndicesNameTheSamePageOnEveryOpening) {
  OpenPages({{"Alpha. Beta."}, {"Gamma. Delta."}});
  m_B.SeekToPage(1);
  m_B.SeekToNextSentence();
  int place = m_B.GetCurPlace(), sentence = m_B.GetCurSentence(), paragraph = m_B.GetCurParagraph();
  EXPECT_EQ(m_B.Stride() + 7, place);
  CPdf again;
  ASSERT_EQ(0, again.Open((m_Dir / "a.pdf").c_str()));
  again.SeekToPlace(place);
  EXPECT_EQ("Delta.\n", Cur(again));
  EXPECT_EQ(1, again.GetCurPage());
  again.SeekToSentence(sentence);
  EXPECT_EQ(place, again.GetCurPlace());
  again.SeekToParagraph(paragraph);
  EXPECT_EQ(again.Stride(), again.GetCurPlace());
  again.SeekToPlace(again.Stride() - 1);
  EXPECT_EQ("Gamma. ", Cur(again)) << "a place in the gap behind a page's text is the next page's start";
  again.SeekToLastPage();
  EXPECT_EQ(0, again.GetCurPage());
  again.SeekToPage(99);
  EXPECT_EQ(2, again.GetCurPage());
  // The reader reopens a finished book at its last sentence.
  again.SeekToSentence(again.GetTotalSentences() - 1);
  EXPECT_EQ("Delta.\n", Cur(again));
  std::vector<unsigned short> all(64);
  int n = again.GetUnicode(all.data(), 64);
  EXPECT_EQ("Alpha. Beta.\nGamma. Delta.\n", U8(std::u16string(all.begin(), all.begin() + n)));
}

TEST_F(PdfTest, RefusedFiles) {
  std::string good = pdfmaker::Make({{"Text."}});
  dtbtest::WriteFile(m_Dir / "locked.pdf", pdfmaker::Make({{"Secret."}}, true));
  dtbtest::WriteFile(m_Dir / "cut.pdf", good.substr(0, 40));
  dtbtest::WriteFile(m_Dir / "tail.pdf", good.substr(0, good.find("xref")));
  dtbtest::WriteFile(m_Dir / "none.pdf", pdfmaker::Make({}));
  dtbtest::WriteFile(m_Dir / "text.pdf", "just text");
  for (const char* name : {"locked.pdf", "cut.pdf", "tail.pdf", "none.pdf", "text.pdf"}) {
    SCOPED_TRACE(name);
    CPdf b;
    EXPECT_EQ(-6, b.Open((m_Dir / name).c_str()));
    unsigned short* t;
    int l;
    EXPECT_EQ(-2, b.ReadCurSentence(&t, &l));
  }
  CPdf b;
  EXPECT_EQ(-4, b.Open((m_Dir / "missing.pdf").c_str()));
}

TEST_F(PdfTest, OutlineEntriesAreHeadingsAtTheirPagesWithNestingLevels) {
  pdfmaker::Extras x;
  // Out of page order, a named destination, a title found inside its page,
  // a title the page does not show, and a one-letter title.
  x.outline = {{"Preface", 1, 0},      {"Part One", 1, 1},        {"Second section", 2, 2, true},
               {"First section", 2, 1}, {"Not on the page", 3, 2}, {"A", 1, 3}};
  dtbtest::WriteFile(m_Dir / "o.pdf", pdfmaker::Make({{"Preface. Why this."},
                                                      {"Part One", "First section. Text one."},
                                                      {"Intro words. Second section. Text two."},
                                                      {"Appendix words."}},
                                                     x));
  ASSERT_EQ(0, m_B.Open((m_Dir / "o.pdf").c_str()));
  const int s = m_B.Stride();
  EXPECT_EQ(6, m_B.GetTotalHeadings());
  EXPECT_EQ(3, m_B.GetLevelDepth());
  EXPECT_EQ(0, m_B.GetCurHeading());
  struct Step {
    int level;
    int heading;
    int place;
    const char* text;
  };
  // Level 2 walks over headings of levels 1 and 2; the third-level one that
  // the page does not show stands with the heading before it and is passed.
  for (Step st : {Step{2, 1, s, "Part One First section. "}, Step{2, 2, s + 9, "First section. "},
                  Step{2, 4, 2 * s + 13, "Second section. "}, Step{2, 5, 3 * s, "Appendix words.\n"}}) {
    m_B.SeekToNextHeading(st.level);
    EXPECT_EQ(st.heading, m_B.GetCurHeading());
    EXPECT_EQ(st.place, m_B.GetCurPlace());
    EXPECT_EQ(st.text, Cur(m_B));
  }
  m_B.SeekToNextHeading(9);
  EXPECT_EQ(4 * s, m_B.GetCurPlace()) << "past the last heading: the end";
  m_B.SeekToLastHeading(1);
  EXPECT_EQ(5, m_B.GetCurHeading());
  m_B.SeekToLastHeading(1);
  EXPECT_EQ(1, m_B.GetCurHeading());
  m_B.SeekToLastHeading(1);
  EXPECT_EQ(0, m_B.GetCurPlace());
  m_B.SeekToHeading(4);
  EXPECT_EQ(2 * s + 13, m_B.GetCurPlace());
  m_B.SeekToPlace(2 * s + 3);
  EXPECT_EQ(2, m_B.GetCurHeading()) << "before the heading found inside the page";
  m_B.SeekToLastHeading(3);
  EXPECT_EQ(s, m_B.GetCurPlace()) << "back from inside a heading: the one before it";
  // A document without an outline has no headings to move by.
  CPdf plain;
  dtbtest::WriteFile(m_Dir / "p.pdf", pdfmaker::Make({{"Only."}}));
  ASSERT_EQ(0, plain.Open((m_Dir / "p.pdf").c_str()));
  EXPECT_EQ(0, plain.GetTotalHeadings());
  EXPECT_EQ(0, plain.GetLevelDepth());
  EXPECT_EQ(-1, plain.GetCurHeading());
  plain.SeekToNextHeading(1);
  EXPECT_EQ(0, plain.GetCurPlace());
}

TEST_F(PdfTest, PagesSpeakTheirLabels) {
  pdfmaker::Extras x;
  x.pageLabels = "0 << /S /r >> 2 << /S /D >> 3 << /P (A-) /S /D /St 7 >>";
  dtbtest::WriteFile(m_Dir / "l.pdf", pdfmaker::Make({{"i"}, {"ii"}, {"one"}, {"appendix"}}, x));
  ASSERT_EQ(0, m_B.Open((m_Dir / "l.pdf").c_str()));
  std::string label;
  const char* want[] = {"i", "ii", "1", "A-7"};
  for (int p = 0; p < 4; ++p) {
    ASSERT_EQ(0, m_B.GetPageLabel(p, &label));
    EXPECT_EQ(want[p], label);
  }
  EXPECT_EQ(-1, m_B.GetPageLabel(4, &label));
  CPdf plain;
  dtbtest::WriteFile(m_Dir / "p.pdf", pdfmaker::Make({{"a"}, {"b"}}));
  ASSERT_EQ(0, plain.Open((m_Dir / "p.pdf").c_str()));
  ASSERT_EQ(0, plain.GetPageLabel(1, &label));
  EXPECT_EQ("2", label) << "without labels a page is its number";
}

TEST(PdfCorpus, OutlinesAreHeadings) {
  DTB_REQUIRE_CORPUS(root, "pdf");
  for (const char* name :
       {"pypdf_pdflatex-outline.pdf", "tika_testPDF_bookmarks.pdf", "pypdf_GeoTopo-komprimiert.pdf"}) {
    SCOPED_TRACE(name);
    CPdf b;
    ASSERT_EQ(0, b.Open((root + "/" + name).c_str()));
    int n = b.GetTotalHeadings();
    EXPECT_GT(n, 0);
    int last = -1;
    for (int i = 0; i < n; ++i) {
      b.SeekToHeading(i);
      EXPECT_GE(b.GetCurPlace(), last) << "heading " << i;
      last = b.GetCurPlace();
      if (getenv("DTB_SHOW_HEADINGS")) printf("%d %d %s\n", i, b.GetCurPage(), Cur(b).c_str());
    }
  }
}

TEST(PdfCorpus, FilesOpenWithTheirPages) {
  DTB_REQUIRE_CORPUS(root, "pdf");
  struct Row {
    const char* name;
    int pages;
  };
  for (Row r : {Row{"pypdf_002-trivial-libre-office-writer.pdf", 1}, Row{"pypdf_GeoTopo-komprimiert.pdf", 117},
                Row{"pypdf_google-doc-document.pdf", 0}, Row{"pypdf_multicolumn.pdf", 3},
                Row{"pypdf_pdflatex-4-pages.pdf", 4}, Row{"pypdf_pdflatex-outline.pdf", 4},
                Row{"textract_two_column.pdf", 0}, Row{"tika_testPDF_bookmarks.pdf", 0}}) {
    SCOPED_TRACE(r.name);
    CPdf b;
    ASSERT_EQ(0, b.Open((root + "/" + r.name).c_str()));
    if (r.pages) {
      EXPECT_EQ(r.pages, b.GetTotalPages());
    }
    EXPECT_GT(Cur(b).size(), 1u);
  }
}

}  // namespace
