// EPUB books: EPUB 3 with a navigation document and EPUB 2 with an NCX and a
// DTBook spine item, from fixtures of our own (tests/data/ebook/epub/make.sh),
// hrefs inside the archive, and damaged, encrypted and mislabelled copies.
#include <string>

#include "ebook/epub.h"
#include "tests/ebook/markup_dump.h"
#include "tests/support/test_support.h"

namespace {

using ebooktest::Dump;
using ebooktest::Peek;
using ebooktest::ReadText;

std::string Fixture(const std::string& name) { return dtbtest::DataPath("ebook/epub/" + name); }

TEST(Epub, BooksReadAsTheirDumps) {
  for (const char* name : {"book3", "book2"}) {
    SCOPED_TRACE(name);
    Peek<CEpub> b;
    ASSERT_EQ(0, b.Open(Fixture(std::string(name) + ".epub").c_str()));
    ebooktest::ExpectDump(b, Fixture(std::string(name) + ".dump"));
  }
  // Fonts obfuscated by the usual method are no obstacle to the text.
  Peek<CEpub> fonts;
  ASSERT_EQ(0, fonts.Open(Fixture("fonts_only.epub").c_str()));
  EXPECT_EQ(ReadText(Fixture("book3.dump")), Dump(fonts));
}

TEST(Epub, HrefsStayInsideTheArchive) {
  std::string fragment;
  EXPECT_EQ("OEBPS/text/a b.xhtml", CEpub::ResolveHref("OEBPS/package.opf", "text/a%20b.xhtml#x%41", &fragment));
  EXPECT_EQ("xA", fragment);
  EXPECT_EQ("OEBPS/x.xhtml", CEpub::ResolveHref("OEBPS/text/nav.xhtml", "./../x.xhtml"));
  EXPECT_EQ("etc/passwd", CEpub::ResolveHref("OEBPS/package.opf", "../../../../etc/passwd"));
  EXPECT_EQ("etc/passwd", CEpub::ResolveHref("OEBPS/package.opf", "/etc/passwd"));
  EXPECT_EQ("OEBPS/nav.xhtml", CEpub::ResolveHref("OEBPS/nav.xhtml", "#top", &fragment));
  EXPECT_EQ("top", fragment);
  EXPECT_EQ("100%zz%4", CEpub::GetHrefString("100%zz%4"));
}

TEST(Epub, DamagedEncryptedAndMislabelledBooksAreRefused) {
  dtbtest::TempDir dir;
  std::string good = ReadText(Fixture("book3.epub"));
  std::string flipped = good;
  // A byte of the compressed package changed: the checksum no longer matches.
  size_t opf = flipped.find("OEBPS/package.opf");
  flipped[opf + 40] = static_cast<char>(flipped[opf + 40] ^ 0x55);
  dtbtest::WriteFile(dir / "truncated.epub", good.substr(0, good.size() - 200));
  dtbtest::WriteFile(dir / "flipped.epub", flipped);
  dtbtest::WriteFile(dir / "text.epub", "This is a text file with an EPUB extension.\n");
  dtbtest::WriteFile(dir / "empty.epub", "");
  for (const std::string& path :
       {Fixture("encrypted.epub"), Fixture("wrong_mimetype.epub"), Fixture("images_only.epub"), dir / "truncated.epub", dir / "flipped.epub", dir / "text.epub", dir / "empty.epub"}) {
    SCOPED_TRACE(path);
    CEpub b;
    EXPECT_EQ(-6, b.Open(path.c_str()));
    EXPECT_EQ(0, b.GetUnicodeLength());
  }
  // A spine document missing from the archive is passed over, not the book.
  CEpub partial;
  EXPECT_EQ(0, partial.Open(Fixture("missing_member.epub").c_str()));
  EXPECT_GT(partial.GetUnicodeLength(), 0);
  CEpub b;
  EXPECT_EQ(-4, b.Open((dir / "missing.epub").c_str()));
  EXPECT_EQ(-2, b.Open(nullptr));
}

}  // namespace
