// Markup and packaged books end to end through the simulator: opened from the
// file browser by their extension, read by the real speech engine, moved by
// heading level and page, bookmarked and resumed.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "tests/support/sim_harness.h"
#include "tests/support/test_support.h"

namespace {

bool Has(const std::string& text, const std::string& what) { return text.find(what) != std::string::npos; }

TEST(MarkupReaderE2e, EpubDocxMhtAndAzw3FromTheBrowser) {
  DTB_REQUIRE_PLAYER();
  dtbtest::TempDir dir;
  const std::string root = dir / "root";
  ASSERT_EQ(dtbtest::LayOutRoot(root, "en"), 0);
  const std::string books = root + "/mnt/emmc/Books/";
  dtbtest::WriteFile(books + "a book.epub", dtbtest::ReadFile(dtbtest::DataPath("ebook/epub/book3.epub")));
  dtbtest::WriteFile(books + "b doc.docx", dtbtest::ReadFile(dtbtest::DataPath("ebook/docx/doc.docx")));
  dtbtest::WriteFile(books + "c page.mht", dtbtest::ReadFile(dtbtest::DataPath("ebook/mht/page.mht")));
  dtbtest::WriteFile(books + "d broken.epub", "PK\3\4 not really an archive");
  // The Kindle book comes from the shared corpus when it is there.
  const std::string azw3 = dtbtest::CorpusPath("mobi/libmobi_sample-obfuscated-fonts.azw3");
  if (!azw3.empty()) dtbtest::WriteFile(books + "e kindle.azw3", dtbtest::ReadFile(azw3));

  std::string script =
      "expect Internal memory 20\n"
      "key play\nexpect main folder 10\n"
      "key down\nexpect Books\n"
      "key play\nexpect a book.epub\n"
      // EPUB 3: the first sentence, then by heading levels from its navigation.
      "key play\nexpect Chapter one 20\n"
      "key play\nexpect pause\n"
      "key down\nexpect one percent\n"
      "key down\nexpect level 1\n"
      "key right\nexpect Chapter two\n"
      "key play\nexpect pause\n"
      "key down\nexpect level 2\n"
      "key left\nexpect Part two\n"
      "key play\nexpect pause\n"
      // By page: the book's one page break starts page 1 at "Part two".
      "key down\nexpect page\n"
      "key left\nexpect Chapter one\n"
      "key play\nexpect pause\n"
      "key right\nexpect Part two\n"
      "key play\nexpect pause\n"
      "key bookmark\nexpect add bookmark\n"
      "key play\nexpect Bookmark 1 added, Part two, page 2\n"
      // Closed and opened again: reading resumes there.
      "key back\nexpect a book.epub\n"
      "key play\nexpect Part two 20\n"
      "key back\nexpect a book.epub\n"
      // DOCX: heading styles give levels 1 to 3.
      "key down\nexpect b doc.docx\n"
      "key play\nexpect Title based on Heading 1 20\n"
      "key play\nexpect pause\n"
      "key down\nkey down\nkey down\nexpect level 2\n"
      "key right\nexpect Second page heading\n"
      "key play\nexpect pause\n"
      "key down\nexpect level 3\n"
      "key right\nexpect Own outline level\n"
      "key back\nexpect b doc.docx\n"
      // MHT: the HTML part of the saved page.
      "key down\nexpect c page.mht\n"
      "key play\nexpect Saved 20\n"
      "key back\nexpect c page.mht\n"
      // Not an archive behind the extension: refused aloud.
      "key down\nexpect d broken.epub\n"
      "key play\nexpect can not open file 20\n";
  if (!azw3.empty())
    script +=
        "wait 3\nkey down\nexpect e kindle.azw3\n"
        "key play\nexpect Libmobi 20\n"
        "key back\nexpect e kindle.azw3\n";
  script += "power hold 3\nexpect shutting down 10\nwait 3\n";
  dtbtest::SimResult r = dtbtest::RunScript(root, script);
  ASSERT_EQ(r.status, 0) << r.output;
  const std::string bookmarks = dtbtest::ReadFile(root + "/mnt/settings/bookmark.xml");
  EXPECT_TRUE(Has(bookmarks, "/mnt/emmc/Books/a book.epub")) << bookmarks;
}

}  // namespace
