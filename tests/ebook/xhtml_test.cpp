// XHTML books: the markup rules on a fixture of our own (expected dump beside
// it), and damaged copies that must be refused with the source's codes.
#include <memory>
#include <string>
#include <vector>

#include "ebook/xhtml.h"
#include "tests/ebook/ebook_test_util.h"
#include "tests/ebook/markup_dump.h"
#include "tests/support/test_support.h"

namespace {

using ebooktest::Dump;
using ebooktest::Peek;
using ebooktest::ReadText;

std::string Fixture(const std::string& name) { return dtbtest::DataPath("ebook/markup/" + name); }

TEST(Xhtml, FixtureReadsAsItsDump) {
  Peek<CXhtml> b;
  ASSERT_EQ(0, b.Open(Fixture("sample.xhtml").c_str()));
  ebooktest::ExpectDump(b, Fixture("sample.xhtml.dump"));
  // Reading is the same at every opening: places are stored in bookmarks.
  int length = b.GetUnicodeLength();
  Peek<CXhtml> again;
  ASSERT_EQ(0, again.Open(Fixture("sample.xhtml").c_str()));
  EXPECT_EQ(length, again.GetUnicodeLength());
}

TEST(Xhtml, DamagedAndWrongFilesAreRefused) {
  dtbtest::TempDir dir;
  std::string good = ReadText(Fixture("sample.xhtml"));
  struct Case {
    const char* name;
    std::string bytes;
    int code;
  } cases[] = {
      {"truncated.xhtml", good.substr(0, good.size() / 2), -6},
      {"badxml.xhtml", "<html><body><p>One</b></p></body></html>", -6},
      {"binary.xhtml", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16), -6},
      {"empty.xhtml", "", -5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    dtbtest::WriteFile(dir / c.name, c.bytes);
    CXhtml b;
    EXPECT_EQ(c.code, b.Open((dir / c.name).c_str()));
    EXPECT_EQ(0, b.GetUnicodeLength());
  }
  // Declared entities are never expanded: nothing of another file is read.
  dtbtest::WriteFile(dir / "entity.xhtml", "<!DOCTYPE x [<!ENTITY e SYSTEM \"/etc/passwd\">]><x>a&e;b</x>");
  Peek<CXhtml> e;
  if (e.Open((dir / "entity.xhtml").c_str()) == 0) {
    EXPECT_EQ(std::string::npos, Dump(e).find("root"));
  }
  CXhtml b;
  EXPECT_EQ(-4, b.Open((dir / "missing.xhtml").c_str()));
  EXPECT_EQ(-2, b.Open(nullptr));
}

TEST(Xhtml, DtbookLevelsAndPageNumbersGiveHeadingsAndPages) {
  dtbtest::TempDir dir;
  dtbtest::WriteFile(dir / "book.xml",
                     "<dtbook><book><frontmatter><doctitle>Title</doctitle></frontmatter><bodymatter>"
                     "<level1><pagenum>1</pagenum><h1>One</h1><p>First text.</p>"
                     "<level2><hd>One a</hd><p>Second text.</p><pagenum>2</pagenum><p>Third.</p></level2>"
                     "</level1></bodymatter></book></dtbook>");
  Peek<CXhtml> b;
  ASSERT_EQ(0, b.Open((dir / "book.xml").c_str()));
  // Page numbers mark pages and are not read.
  EXPECT_EQ(
      "[p][page]Title\\n\n"
      "[p][h1][page]One\\n\n"
      "[p]First text.\\n\n"
      "[p][h2]One a\\n\n"
      "[p]Second text.\\n\n"
      "[p][page]Third.\\n\n"
      "sentences 6 paragraphs 6 headings 2 pages 3 depth 2\n",
      Dump(b));
}

// Notes and note references stay in the text (places do not depend on a
// setting) and are told to quieter reading as ranges.
TEST(Xhtml, NotesAreQuietRangesOfTheText) {
  dtbtest::TempDir dir;
  dtbtest::WriteFile(dir / "notes.xhtml",
                     "<html xmlns:epub=\"http://www.idpf.org/2007/ops\"><body>"
                     "<p>Text with a note<a epub:type=\"noteref\" href=\"#n1\">1</a> in it.</p>"
                     "<aside epub:type=\"footnote\" id=\"n1\"><p>The note itself.</p></aside>"
                     "<p>After <annotation>an aside</annotation> the end.</p>"
                     "<p>By role<a role=\"doc-noteref\" href=\"#n2\">2</a>.</p>"
                     "<ol role=\"doc-endnotes\"><li id=\"n2\">An endnote.</li></ol></body></html>");
  Peek<CXhtml> b;
  ASSERT_EQ(0, b.Open((dir / "notes.xhtml").c_str()));
  const std::string text = ebooktest::AllText(b);
  EXPECT_EQ(ebooktest::QuietTexts(b), (std::vector<std::string>{"1", "The note itself.\n", "an aside", "2", "An endnote.\n"})) << text;
  EXPECT_NE(text.find("note1 in it."), std::string::npos) << text;
}

// A navigation document's hidden landmarks and list of printed pages would
// be read as noise; what follows them is read.
TEST(Xhtml, WhatThePageHidesIsNotRead) {
  dtbtest::TempDir dir;
  dtbtest::WriteFile(dir / "nav.xhtml",
                     "<html xmlns=\"http://www.w3.org/1999/xhtml\" xmlns:epub=\"http://www.idpf.org/2007/ops\">"
                     "<body><nav epub:type=\"toc\"><ol><li><a href=\"c.xhtml\">Chapter</a></li></ol></nav>"
                     "<nav epub:type=\"landmarks\" hidden=\"hidden\"><ol><li><a href=\"#t\">Title Page</a></li>"
                     "<li><p>Nested <b>deeper</b></p><img src=\"x.png\" alt=\"picture\"/></li></ol></nav>"
                     "<nav epub:type=\"page-list\" hidden=\"\"><ol><li><a href=\"c.xhtml#p1\">1</a></li></ol></nav>"
                     "<p>Read on.</p></body></html>");
  Peek<CXhtml> b;
  ASSERT_EQ(0, b.Open((dir / "nav.xhtml").c_str()));
  EXPECT_EQ("[p][page]Chapter\\n\n[p]Read on.\\n\nsentences 2 paragraphs 2 headings 0 pages 1 depth 0\n", Dump(b));
}

}  // namespace
