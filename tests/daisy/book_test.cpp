// The book model over books of our own: a clean DAISY 2.02 full-text book, a
// DAISY 3 book with text, and a DAISY 2.02 book with the faults real books
// have. The expected dumps were written from the books' files by hand.
#include <cstring>
#include <string>

#include "daisy/daisy.h"
#include "daisy/daisy_title.h"
#include "daisy/xhtml.h"
#include "tests/support/test_support.h"

namespace libDaisy {
namespace {

using dtbtest::DataPath;
using dtbtest::ReadFile;
using dtbtest::TempDir;
using dtbtest::WriteFile;

std::string Book(const std::string& rel) { return DataPath("daisy/books/" + rel); }

std::string DumpOf(const Daisy& book) {
  std::string out;
  book.Dump(out, true);
  return out;
}

TEST(DaisyType, GuessedFromTheFileName) {
  EXPECT_EQ(1, GuessDaisyType("/mnt/emmc/book/NCC.HTML"));
  EXPECT_EQ(1, GuessDaisyType("ncc.html"));
  EXPECT_EQ(2, GuessDaisyType("/mnt/emmc/Daisy/b/package.OPF"));
  EXPECT_EQ(0, GuessDaisyType("/mnt/emmc/ncc.htm"));
  EXPECT_EQ(0, GuessDaisyType("/mnt/emmc/ncc.html/x"));
  EXPECT_EQ(0, GuessDaisyType("/mnt/emmc/opf"));
  EXPECT_EQ(0, GuessDaisyType(nullptr));
  EXPECT_EQ(2, Daisy::GuessDaisyType("a.opf"));
}

TEST(DaisyBook, Daisy202FullTextBook) {
  Daisy book;
  ASSERT_EQ(0, book.Open(Book("book202/ncc.html").c_str(), 0));
  EXPECT_EQ(ReadFile(Book("book202/expected.txt")), DumpOf(book));

  // The accessors the player uses.
  const _DaisyObject* objects;
  int count;
  ASSERT_EQ(0, book.GetObjects(&objects, &count));
  const int *elements, *levels;
  const StringArray* texts;
  int headings;
  ASSERT_EQ(0, book.GetHeadings(&elements, &levels, &texts, &headings));
  ASSERT_EQ(4, headings);
  // Heading 3 ("Chapter two") leads to par q1, whose text is the heading text.
  const _DaisyObject& text = objects[elements[2] + 1];
  ASSERT_EQ(kObjectText, text.kind);
  const char* piece;
  ASSERT_EQ(0, book.GetXhtmlText(text.file, text.start, &piece));
  EXPECT_STREQ("Chapter two", piece);
  EXPECT_EQ(7, book.GeXhmtltTotalTexts(0));
  EXPECT_EQ(-1, book.GeXhmtltTotalTexts(1));
  EXPECT_EQ(-1, book.GetXhtmlText(0, 9, &piece));
  const char* name;
  EXPECT_EQ(0, book.GetAudioFilename(1, &name));
  EXPECT_STREQ("two.mp3", name);
  EXPECT_EQ(-1, book.GetAudioFilename(-1, &name));
  EXPECT_EQ(-1, book.GetAudioFilename(2, &name));
  EXPECT_EQ(2, book.GetTotalMetas());
  const char* content;
  ASSERT_EQ(0, book.GetMeta(1, &name, &content));
  EXPECT_STREQ("0:00:20", content);
  EXPECT_EQ(-1, book.GetMeta(2, &name, &content));

  book.Close();
  EXPECT_EQ(nullptr, book.GetTitle());
  EXPECT_EQ(0, book.GetTotalHeadings());
  EXPECT_EQ(0, book.GetTotalPages());
  EXPECT_EQ(0, book.GetTotalXhmtls());
  EXPECT_EQ(-1, book.GetTotalMetas());
  EXPECT_EQ(-1, book.GetObjects(&objects, &count));
  EXPECT_EQ(-1, book.GetHeadings(&elements, &levels, &texts, &headings));
}

TEST(DaisyBook, Daisy3BookWithNcxAndDtbook) {
  Daisy book;
  ASSERT_EQ(0, book.Open(Book("book3/package.opf").c_str(), 2));
  EXPECT_EQ(ReadFile(Book("book3/expected.txt")), DumpOf(book));
}

TEST(DaisyBook, MessyBookOpensAsFarAsItCan) {
  // HTML NCC in windows-1250 with <br> and unclosed tags; a SMIL file in
  // windows-1250 that declares UTF-8; a missing SMIL file; a SMIL file cut off
  // mid-tag; a link to an id that does not exist; a missing audio file.
  Daisy book;
  ASSERT_EQ(0, book.Open(Book("messy202/ncc.html").c_str(), 1));
  std::string dump = DumpOf(book);
  std::string model = dump.substr(0, dump.find("warnings "));
  EXPECT_EQ(ReadFile(Book("messy202/expected.txt")), model);

  struct {
    int code;
    const char* file;
    const char* what;
  } c_Want[] = {
      {-3, "ncc.html", "read as HTML in windows-1250"},
      {-3, "a.smil", "read as windows-1250"},
      {-3, "missing.smil", "missing"},
      {-3, "c.smil", "elements before the fault kept"},
      {-3, "a.smil#nope", "no such id"},
      {-3, "ncc.html", "text document"},
      {-1, "gone.mp3", "audio file missing"},
  };
  ASSERT_EQ(7, book.GetTotalWarnings()) << dump;
  for (int i = 0; i < 7; i++) {
    const DaisyWarning* w = book.GetWarning(i);
    EXPECT_EQ(c_Want[i].code, w->code) << i;
    EXPECT_EQ(c_Want[i].file, w->file) << i;
    EXPECT_NE(std::string::npos, w->what.find(c_Want[i].what)) << i << ": " << w->what;
  }
  EXPECT_EQ(nullptr, book.GetWarning(7));

  // The NCC, read as the text of a.smil, gives the heading its text.
  const _DaisyObject* objects;
  int count;
  ASSERT_EQ(0, book.GetObjects(&objects, &count));
  const char* piece;
  ASSERT_EQ(0, book.GetXhtmlText(objects[2].file, objects[2].start, &piece));
  EXPECT_STREQ("Gospodarstwo", piece);
}

TEST(DaisyBook, BrokenBooksFailCleanly) {
  Daisy book;
  EXPECT_EQ(-1, book.Open(nullptr, 1));
  EXPECT_EQ(-1, book.Open("ab", 1));
  EXPECT_EQ(-1, book.Open(std::string(kMaxDaisyPath + 1, 'a').c_str(), 1));
  EXPECT_EQ(-3, book.Open(Book("book202/text.html").c_str(), 0));  // neither NCC nor OPF
  EXPECT_EQ(-3, book.Open(Book("nothing/ncc.html").c_str(), 0));
  EXPECT_EQ(-3, book.Open(Book("nothing/book.opf").c_str(), 0));
  // An OPF read as an NCC has no body entries.
  EXPECT_EQ(-3, book.Open(Book("book3/package.opf").c_str(), 1));
  EXPECT_EQ(nullptr, book.GetTitle());
  EXPECT_EQ(0, book.GetTotalWarnings());

  TempDir dir;
  // Body entries that lead to no SMIL file that can be read.
  WriteFile(dir / "a/ncc.html",
            "<html><head><title>T</title></head><body><h1><a href='gone.smil#x'>H</a></h1>"
            "<h1><a href='#x'>H</a></h1></body></html>");
  EXPECT_EQ(-3, book.Open((dir / "a/ncc.html").c_str(), 0));
  // Only headings without links.
  WriteFile(dir / "b/ncc.html", "<html><head/><body><h1>H</h1><p>text</p></body></html>");
  EXPECT_EQ(-3, book.Open((dir / "b/ncc.html").c_str(), 0));
  // A package whose spine names nothing playable.
  WriteFile(dir / "c/book.opf",
            "<package><metadata/><manifest><item id='x' href='x.pdf' media-type='application/pdf'/>"
            "</manifest><spine><itemref idref='x'/></spine></package>");
  EXPECT_EQ(-3, book.Open((dir / "c/book.opf").c_str(), 0));
  WriteFile(dir / "d/book.opf", "<package><metadata/><manifest/><spine/></package>");
  EXPECT_EQ(-3, book.Open((dir / "d/book.opf").c_str(), 0));
  // A broken package file is the book's own fault.
  WriteFile(dir / "e/book.opf", "<package><metadata></package>");
  EXPECT_EQ(-3, book.Open((dir / "e/book.opf").c_str(), 0));

  // After all that the object opens a good book as if new.
  ASSERT_EQ(0, book.Open(Book("book202/ncc.html").c_str(), 1));
  EXPECT_EQ(ReadFile(Book("book202/expected.txt")), DumpOf(book));
}

TEST(DaisyBook, Daisy3FilesInAnotherEncodingThanDeclaredAreReadAgain) {
  // book3 with Latin-1 letters in the package and navigation files, both of
  // which declare UTF-8.
  TempDir dir;
  for (const char* name : {"one.smil", "two.smil", "book.xml", "a.mp3"})
    WriteFile(dir / name, ReadFile(Book(std::string("book3/") + name)));
  std::string opf = ReadFile(Book("book3/package.opf"));
  opf.replace(opf.find("<dc:Title>Three"), 15, "<dc:Title>Caf\xe9 Three");
  WriteFile(dir / "package.opf", opf);
  std::string ncx = ReadFile(Book("book3/nav.ncx"));
  ncx.replace(ncx.find("<text>Heading"), 13, "<text>H\xe9" "ading");
  WriteFile(dir / "nav.ncx", ncx);

  Daisy book;
  ASSERT_EQ(0, book.Open((dir / "package.opf").c_str(), 0));
  EXPECT_STREQ("Caf\xc3\xa9 Three", book.GetTitle());
  const int *elements, *levels;
  const StringArray* texts;
  int headings;
  ASSERT_EQ(0, book.GetHeadings(&elements, &levels, &texts, &headings));
  EXPECT_EQ(9, headings);
  EXPECT_STREQ("H\xc3\xa9" "ading", texts->Get(0));
  ASSERT_GE(book.GetTotalWarnings(), 2);
  EXPECT_EQ("package.opf", book.GetWarning(0)->file);
  EXPECT_NE(std::string::npos, book.GetWarning(0)->what.find("read as windows-1252"));
  bool ncxRepaired = false;
  for (int i = 0; i < book.GetTotalWarnings(); i++)
    ncxRepaired |= book.GetWarning(i)->file == "nav.ncx";
  EXPECT_TRUE(ncxRepaired);
}

TEST(DaisyBook, SpansBecomePagesOnlyWithoutPageEntries) {
  TempDir dir;
  WriteFile(dir / "ncc.html",
            "<html><head><title>T</title></head><body>"
            "<h1><a href='a.smil#p1'>H</a></h1>"
            "<span class='noteref'><a href='a.smil#p2'>12</a></span>"
            "<span class='sidebar'><a href='A.SMIL#P3'>13</a></span></body></html>");
  WriteFile(dir / "a.smil",
            "<smil><body><seq><par id='p1'/><par id='p2'/><par id='p3'/></seq></body></smil>");
  Daisy book;
  ASSERT_EQ(0, book.Open((dir / "ncc.html").c_str(), 0));
  const int* elements;
  const StringArray* labels;
  int pages;
  ASSERT_EQ(0, book.GetPages(&elements, &labels, &pages));
  ASSERT_EQ(2, pages);
  EXPECT_EQ(2, elements[0]);
  EXPECT_EQ(3, elements[1]);
  EXPECT_STREQ("13", labels->Get(1));
}

TEST(DaisyBook, FilesAreFoundWhateverTheCaseOfTheirLinks) {
  TempDir dir;
  WriteFile(dir / "ncc.html",
            "<html><head/><body><h1><a href='Sub/ONE.SMIL#P1'>H</a></h1></body></html>");
  WriteFile(dir / "Sub/one.smil",
            "<smil><body><par id='p1'><text src='Text.HTML#x'/><audio src='A.mp3'/></par></body></smil>");
  WriteFile(dir / "Sub/text.html", "<html><body><p id='x'>Words</p></body></html>");
  WriteFile(dir / "Sub/a.mp3", "");
  Daisy book;
  ASSERT_EQ(0, book.Open((dir / "ncc.html").c_str(), 0));
  const int *elements, *levels;
  const StringArray* texts;
  int headings;
  ASSERT_EQ(0, book.GetHeadings(&elements, &levels, &texts, &headings));
  EXPECT_EQ(0, elements[0]);
  const char* piece;
  // The text reference is relative to the book folder, as the SMIL writes it:
  // Text.HTML is not in the book folder, so the text is missing.
  EXPECT_EQ(-1, book.GetXhtmlText(0, 0, &piece));
  // Audio names stay as written; the player opens them, so a name that does
  // not match exactly is reported.
  const char* name;
  ASSERT_EQ(0, book.GetAudioFilename(0, &name));
  EXPECT_STREQ("A.mp3", name);
  ASSERT_EQ(2, book.GetTotalWarnings());
  EXPECT_EQ("Text.HTML", book.GetWarning(0)->file);
  EXPECT_EQ("A.mp3", book.GetWarning(1)->file);
}

TEST(DaisyBook, PlayerCanCompleteClipTimesInPlace) {
  Daisy book;
  ASSERT_EQ(0, book.Open(Book("book202/ncc.html").c_str(), 1));
  _DaisyObject* objects;
  int count;
  ASSERT_EQ(0, book.GetObjects(&objects, &count));
  ASSERT_EQ(-1, objects[19].end);
  objects[19].end = 7000;
  EXPECT_EQ(17000, book.GetTotalAudioMs());
}

TEST(DaisyBook, ClipWithoutEndKeepsMinusOne) {
  TempDir dir;
  WriteFile(dir / "ncc.html",
            "<html><head/><body><h1><a href='a.smil'>H</a></h1></body></html>");
  WriteFile(dir / "a.smil",
            "<smil><body><audio src='x.mp3' clip-begin='npt=1s'/><audio src='x.mp3'/></body></smil>");
  WriteFile(dir / "x.mp3", "");
  Daisy book;
  ASSERT_EQ(0, book.Open((dir / "ncc.html").c_str(), 0));
  const _DaisyObject* o;
  int count;
  ASSERT_EQ(0, book.GetObjects(&o, &count));
  ASSERT_EQ(2, count);
  EXPECT_EQ(1000, o[0].start);
  EXPECT_EQ(-1, o[0].end);
  EXPECT_EQ(-1, o[1].start);
  EXPECT_EQ(0, book.GetTotalAudioMs());
  EXPECT_EQ(nullptr, book.GetTitle());
}

TEST(BookTitle, GetTitleReadsOnlyTheControlFile) {
  char buffer[512];
  EXPECT_EQ(-1, GetTitle(nullptr, buffer, 512, 1));
  EXPECT_EQ(-1, GetTitle("ncc.html", nullptr, 512, 1));
  EXPECT_EQ(-1, GetTitle("ncc.html", buffer, 9, 1));
  strcpy(buffer, "old");
  EXPECT_EQ(-3, GetTitle(Book("book202/text.html").c_str(), buffer, 512, 0));
  EXPECT_STREQ("", buffer);
  EXPECT_EQ(0, GetTitle(Book("nothing/ncc.html").c_str(), buffer, 512, 0));
  EXPECT_STREQ("", buffer);
  EXPECT_EQ(0, GetTitle(Book("nothing/package.opf").c_str(), buffer, 512, 0));
  ASSERT_EQ(0, GetTitle(Book("book202/ncc.html").c_str(), buffer, 512, 0));
  EXPECT_STREQ("Small book", buffer);
  ASSERT_EQ(0, Daisy::GetTitle(Book("book3/package.opf").c_str(), buffer, 512, 2));
  EXPECT_STREQ("Three", buffer);
  ASSERT_EQ(0, GetTitle(Book("messy202/ncc.html").c_str(), buffer, 512, 0));
  EXPECT_STREQ("Pan Tadeusz, księga pierwsza", buffer);
  // A short buffer never ends in half a letter: "Pan Tadeusz, k" + "s" fits, "ę" would not.
  ASSERT_EQ(0, GetTitle(Book("messy202/ncc.html").c_str(), buffer, 18, 0));
  EXPECT_STREQ("Pan Tadeusz, ksi", buffer);
  ASSERT_EQ(0, GetTitle(Book("messy202/ncc.html").c_str(), buffer, 17, 0));
  EXPECT_STREQ("Pan Tadeusz, ksi", buffer);
}

TEST(BookTitle, QuickTitleAndFirstClip) {
  DaisyGetTitle quick;
  EXPECT_EQ(-1, quick.Open(nullptr, 1));
  EXPECT_EQ(-3, quick.Open(Book("book202/text.html").c_str(), 0));
  // An NCC that cannot be read still answers, with nothing found.
  EXPECT_EQ(0, quick.Open(Book("nothing/ncc.html").c_str(), 0));
  EXPECT_EQ(nullptr, quick.GetText());
  EXPECT_EQ(-3, quick.Open(Book("nothing/package.opf").c_str(), 0));

  ASSERT_EQ(0, quick.Open(Book("book202/ncc.html").c_str(), 0));
  EXPECT_STREQ("Small book", quick.GetText());
  EXPECT_STREQ("one.mp3", quick.GetAudio());
  EXPECT_EQ(0, quick.GetAudioStartMs());
  EXPECT_EQ(2500, quick.GetAudioEndMs());
  // The NCX has no clip: the first SMIL file of the spine gives it.
  ASSERT_EQ(0, quick.Open(Book("book3/package.opf").c_str(), 0));
  EXPECT_STREQ("Three", quick.GetText());
  EXPECT_STREQ("a.mp3", quick.GetAudio());
  EXPECT_EQ(2500, quick.GetAudioEndMs());
  // The fragment is honoured: from par q3 on.
  ASSERT_EQ(0, quick.GetFirstAudio(Book("book202/two.smil").c_str(), "Q3"));
  EXPECT_EQ(6000, quick.GetAudioStartMs());
  EXPECT_EQ(-1, quick.GetAudioEndMs());
  EXPECT_EQ(-1, quick.GetFirstAudio(nullptr, nullptr));
  EXPECT_EQ(-3, quick.GetFirstAudio(Book("nothing/a.smil").c_str(), nullptr));
  // Windows-1250 bytes under a UTF-8 declaration before the clip.
  ASSERT_EQ(0, quick.Open(Book("messy202/ncc.html").c_str(), 0));
  EXPECT_STREQ("01.mp3", quick.GetAudio());
  EXPECT_EQ(10500, quick.GetAudioEndMs());
  quick.Close();
  EXPECT_EQ(nullptr, quick.GetAudio());
  EXPECT_EQ(-1, quick.GetAudioStartMs());
  EXPECT_EQ(-1, quick.GetAudioEndMs());
}

}  // namespace
}  // namespace libDaisy
