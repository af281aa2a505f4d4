// Mobipocket books: a small MOBI 6 book of our own (make_mobi.py) read through
// the HTML rules, a KF8 book of skeletons and fragments, a DRM-protected copy,
// damaged copies and other files.
#include <algorithm>
#include <cstdio>
#include <string>

#include "ebook/mobi.h"
#include "tests/ebook/kf8_maker.h"
#include "tests/ebook/markup_dump.h"
#include "tests/support/test_support.h"

namespace {

using ebooktest::Peek;
using ebooktest::ReadText;

std::string Fixture(const std::string& name) { return dtbtest::DataPath("ebook/mobi/" + name); }

TEST(Mobi, BookReadsAsItsDump) {
  Peek<CMobi> b;
  ASSERT_EQ(0, b.Open(Fixture("book.mobi").c_str()));
  ebooktest::ExpectDump(b, Fixture("book.dump"));
}

TEST(Mobi, Kf8BookIsRebuiltFromSkeletonsAndFragments) {
  dtbtest::TempDir dir;
  std::string book = kf8maker::Make({"<h1>One</h1><p>First text.</p>", "<h1>Two</h1><p>Second text.</p>",
                                     "<h2>Two a</h2><p>More text.</p>"});
  dtbtest::WriteFile(dir / "a.azw3", book);
  Peek<CMobi> b;
  ASSERT_EQ(0, b.Open((dir / "a.azw3").c_str()));
  EXPECT_EQ("One\nFirst text.\nTwo\nSecond text.\nTwo a\nMore text.\n", ebooktest::AllText(b));
  ASSERT_EQ(3, b.GetTotalHeadings());
  EXPECT_EQ(2, b.HeadingLevel(2));
  // A damaged fragment table: a fragment placed past its skeleton's end lands
  // behind the file's "</html>", one placed at its very start before the
  // skeleton; every file still reads whole, headings included.
  char label[16];
  snprintf(label, sizeof label, "%010zu", book.substr(book.find("<?xml")).find("</body>"));
  size_t at = book.find(label);
  ASSERT_NE(std::string::npos, at);
  for (const char* place : {"9999999999", "0000000000"}) {
    SCOPED_TRACE(place);
    std::string damaged = book;
    damaged.replace(at, 10, place);
    dtbtest::WriteFile(dir / "d.azw3", damaged);
    Peek<CMobi> d;
    ASSERT_EQ(0, d.Open((dir / "d.azw3").c_str()));
    EXPECT_EQ("One\nFirst text.\nTwo\nSecond text.\nTwo a\nMore text.\n", ebooktest::AllText(d));
    EXPECT_EQ(3, d.GetTotalHeadings());
  }
}

TEST(Mobi, ProtectedDamagedAndOtherFilesAreRefused) {
  dtbtest::TempDir dir;
  std::string good = ReadText(Fixture("book.mobi"));
  dtbtest::WriteFile(dir / "header.mobi", good.substr(0, 100));
  dtbtest::WriteFile(dir / "text.mobi", "Just some text, not a book at all, long enough to be read as one.");
  dtbtest::WriteFile(dir / "empty.mobi", "");
  // A record table that runs backwards (libmobi would size a record at
  // gigabytes from it).
  std::string backwards = good;
  std::swap_ranges(backwards.begin() + 78 + 8, backwards.begin() + 78 + 12, backwards.begin() + 78 + 16);
  dtbtest::WriteFile(dir / "backwards.mobi", backwards);
  for (const std::string& path : {Fixture("drm.mobi"), dir / "header.mobi", dir / "backwards.mobi", dir / "text.mobi", dir / "empty.mobi",
                                  dtbtest::DataPath("ebook/epub/book3.epub")}) {
    SCOPED_TRACE(path);
    CMobi b;
    EXPECT_EQ(-6, b.Open(path.c_str()));
    EXPECT_EQ(0, b.GetUnicodeLength());
  }
  // Cut inside the text: what is there is read, or the book is refused;
  // never noise.
  dtbtest::WriteFile(dir / "cut.mobi", good.substr(0, good.size() - 150));
  Peek<CMobi> cut;
  if (cut.Open((dir / "cut.mobi").c_str()) == 0) {
    EXPECT_EQ(0u, ebooktest::Dump(cut).find("[p][h1][page]Mobi heading"));
  }
  CMobi b;
  EXPECT_EQ(-4, b.Open((dir / "missing.mobi").c_str()));
  EXPECT_EQ(-2, b.Open(nullptr));
}

}  // namespace
