// PDF, RTF and Word 97-2003 books end to end through the simulator: a PDF
// moves by its outline and its own pages, speaks the pages as it labels them
// and resumes where it was closed; rich text and Word
// documents move by their headings; a damaged document is refused aloud.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "tests/ebook/pdf_maker.h"
#include "tests/ebook/word_doc_maker.h"
#include "tests/support/sim_harness.h"
#include "tests/support/test_support.h"

namespace {

TEST(BinaryReaderE2e, PdfByPageRtfAndDocByHeading) {
  DTB_REQUIRE_PLAYER();
  dtbtest::TempDir dir;
  const std::string root = dir / "root";
  ASSERT_EQ(dtbtest::LayOutRoot(root, "en"), 0);
  const std::string books = root + "/mnt/emmc/Books/";
  pdfmaker::Extras pdf;
  pdf.outline = {{"Opening words", 1, 0}, {"Closing page words", 1, 2}};
  pdf.pageLabels = "0 << /S /r >>";
  dtbtest::WriteFile(books + "a paper.pdf", pdfmaker::Make({{"Opening words of the paper."},
                                                             {"Middle page words."},
                                                             {"Closing page words."}},
                                                            pdf));
  dtbtest::WriteFile(books + "b rich.rtf",
                     "{\\rtf1\\ansi{\\stylesheet{\\s1 heading 1;}}\\pard\\s1 Rich title\\par\\pard Body text.\\par"
                     "\\pard\\s1 Second chapter\\par\\pard More text.\\par}");
  dtbtest::WriteFile(books + "c word.doc", docmaker::Make({{u"Word title", 1},
                                                           {u"Body of the first part."},
                                                           {u"Another chapter", 1},
                                                           {u"Body of the second part."}})
                                               .bytes);
  dtbtest::WriteFile(books + "d broken.doc", "\xD0\xCF\x11\xE0 not a compound file");
  std::string script =
      "expect Internal memory 20\n"
      "key play\nexpect main folder 10\n"
      "key down\nexpect Books\n"
      "key play\nexpect a paper.pdf\n"
      "key play\nexpect Opening words 20\n"
      "key play\nexpect pause\n"
      "key down\nexpect one percent\n"
      "key down\nexpect level 1\n"
      "key right\nexpect Closing page words\n"
      "key play\nexpect pause\n"
      "key down\nexpect page\n"
      "key left\nexpect Middle page words\n"
      "key play\nexpect pause\n"
      "key info\nexpect Current page: ii, total pages: 3\n"
      "key back\nexpect a paper.pdf\n"
      "key play\nexpect Middle page words 20\n"
      "key play\nexpect pause\n"
      "key info\nexpect Current page: ii, total pages: 3\n"
      "key back\nexpect a paper.pdf\n"
      "key down\nexpect b rich.rtf\n"
      "key play\nexpect Rich title 20\n"
      "key play\nexpect pause\n"
      "key down\nkey down\nexpect level 1\n"
      "key right\nexpect Second chapter\n"
      "key play\nexpect pause\n"
      "key left\nexpect Rich title\n"
      "key back\nexpect b rich.rtf\n"
      "key down\nexpect c word.doc\n"
      "key play\nexpect Word title 20\n"
      "key play\nexpect pause\n"
      "key down\nkey down\nexpect level 1\n"
      "key right\nexpect Another chapter\n"
      "key back\nexpect c word.doc\n"
      "key down\nexpect d broken.doc\n"
      "key play\nexpect can not open file 20\n"
      "power hold 3\nexpect shutting down 10\nwait 3\n";
  dtbtest::SimResult r = dtbtest::RunScript(root, script);
  ASSERT_EQ(r.status, 0) << r.output;
}

}  // namespace
