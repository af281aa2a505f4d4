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
