// Mobipocket books: a small MOBI 6 book of our own (make_mobi.py) read through
// the HTML rules, a KF8 book of skeletons and fragments, a DRM-protected copy,
// damaged copies and other files.
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "ebook/mobi.h"
#include "tests/ebook/kf8_maker.h"
#include "tests/ebook/markup_dump.h"
#include "tests/ebook/sentence_walk.h"
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

TEST(Mobi, ALongBookIsReadInStepsExactlyAsWhole) {
  using ebooktest::Walk;
  std::vector<std::string> chapters;
  // Chapters larger than the parser's pieces, so that steps end inside them.
  for (int c = 0; c < 16; ++c) {
    std::string h = "h" + std::to_string(1 + c % 2);
    std::string ch = "<" + h + ">Chapter " + std::to_string(c) + "</" + h + ">";
    for (int p = 0; p < 90; ++p)
      ch += "<p>Sentence " + std::to_string(p) + " of chapter " + std::to_string(c) +
            " goes on for a while. Another one follows it here; and a third ends it!</p>";
    // Notes long enough to run across a step, and the book's own page marks
    // only late in it.
    if (c >= 5 && c < 10) ch = "<aside epub:type=\"footnote\">" + ch + "</aside>";
    if (c >= 12) ch += "<span epub:type=\"pagebreak\" title=\"" + std::to_string(c) + "\"/>";
    chapters.push_back(ch);
  }
  dtbtest::TempDir dir;
  const std::string path = dir / "long.azw3";
  dtbtest::WriteFile(path, kf8maker::Make(chapters));

  Peek<CMobi> whole;
  ASSERT_EQ(0, whole.Open(path.c_str()));
  const int sentences = whole.GetTotalSentences();
  ASSERT_TRUE(whole.Settled());
  const std::vector<std::string> expected = Walk(whole);
  ASSERT_EQ(static_cast<size_t>(sentences), expected.size());

  Peek<CMobi> stepped;
  ASSERT_EQ(0, stepped.Open(path.c_str()));
  EXPECT_FALSE(stepped.Settled());
  EXPECT_EQ(expected, Walk(stepped));
  EXPECT_EQ(sentences, stepped.GetTotalSentences());
  EXPECT_EQ(whole.GetTotalPages(), stepped.GetTotalPages());
  for (int i = 0; i <= whole.GetTotalPages(); ++i) ASSERT_EQ(whole.PageStart(i), stepped.PageStart(i)) << i;

  // Moves that reach past what was read: the next top heading, a far place,
  // a paragraph, and the text streamed for a search.
  Peek<CMobi> moved;
  ASSERT_EQ(0, moved.Open(path.c_str()));
  whole.SeekToSentence(0);
  for (int i = 0; i < 3; ++i) moved.SeekToNextHeading(1), whole.SeekToNextHeading(1);
  EXPECT_EQ(whole.GetCurPlace(), moved.GetCurPlace());
  const int far = whole.GetUnicodeLength() * 3 / 4;
  moved.SeekToPlace(far);
  whole.SeekToPlace(far);
  EXPECT_EQ(whole.GetCurSentence(), moved.GetCurSentence());
  moved.SeekToParagraph(1000);
  whole.SeekToParagraph(1000);
  EXPECT_EQ(whole.GetCurPlace(), moved.GetCurPlace());
  Peek<CMobi> searched;
  ASSERT_EQ(0, searched.Open(path.c_str()));
  unsigned short a[64], b[64];
  EXPECT_EQ(64, searched.GetUnicodeAt(far, a, 64, nullptr));
  EXPECT_EQ(64, whole.GetUnicodeAt(far, b, 64, nullptr));
  EXPECT_TRUE(std::equal(a, a + 64, b));
}

}  // namespace
