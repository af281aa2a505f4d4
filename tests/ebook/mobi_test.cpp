// Mobipocket books: a small MOBI 6 book of our own (make_mobi.py) read through
// the HTML rules, a DRM-protected copy, damaged copies and other files.
#include <algorithm>
#include <string>

#include "ebook/mobi.h"
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
