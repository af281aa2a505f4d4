// Word documents: a fixture of our own (tests/data/ebook/make_fixtures.sh)
// with inherited heading levels, list numbers, tables, revisions, drawings and
// Word's page breaks, and damaged copies.
#include <string>
#include <vector>

#include "ebook/docx.h"
#include "tests/ebook/markup_dump.h"
#include "tests/support/test_support.h"

namespace {

using ebooktest::Dump;
using ebooktest::Peek;
using ebooktest::ReadText;

std::string Fixture(const std::string& name) { return dtbtest::DataPath("ebook/docx/" + name); }

TEST(Docx, FixtureReadsAsItsDump) {
  Peek<CDocx> b;
  ASSERT_EQ(0, b.Open(Fixture("doc.docx").c_str()));
  ebooktest::ExpectDump(b, Fixture("doc.dump"));
  // Footnotes and endnotes follow the text; their marks and they themselves
  // are quiet ranges (a custom mark is the document's own text).
  EXPECT_EQ(ebooktest::QuietTexts(b), (std::vector<std::string>{"1", "i", "1  A footnote.\nIts second line.\n",
                                                                "* Starred note.\n", "i  An endnote.\n"}));
  // Notes cut off in the middle: the document opens with what they hold.
  Peek<CDocx> cut;
  ASSERT_EQ(0, cut.Open(Fixture("badnotes.docx").c_str()));
  EXPECT_NE(std::string::npos, Dump(cut).find("[p]1  A footnote.\\n\n[p]i  An endnote."));
}

TEST(Docx, StylesInheritLevelsAndListsNumber) {
  std::map<std::string, CDocx::Style> styles;
  ASSERT_EQ(0, CDocx::ParseStyles(ReadText(Fixture("doc/word/styles.xml")), &styles));
  EXPECT_EQ(1, CDocx::StyleLevel(styles, "MyTitle"));
  EXPECT_EQ(2, CDocx::StyleLevel(styles, "Heading2"));
  EXPECT_EQ(0, CDocx::StyleLevel(styles, "Loop1")) << "a loop of bases ends";
  EXPECT_EQ(0, CDocx::StyleLevel(styles, "Unknown"));
  EXPECT_EQ("c", CDocx::FormatNumber(3, "lowerLetter"));
  EXPECT_EQ("AA", CDocx::FormatNumber(27, "upperLetter"));
  EXPECT_EQ("xiv", CDocx::FormatNumber(14, "lowerRoman"));
  EXPECT_EQ("", CDocx::FormatNumber(1, "bullet"));
  CDocx::NoteNumbers notes;
  ASSERT_EQ(0, CDocx::ParseSettings("<w:settings xmlns:w=\"urn:w\"><w:footnotePr><w:numFmt w:val=\"upperLetter\"/>"
                                    "</w:footnotePr><w:endnotePr><w:numStart w:val=\"99999999999\"/></w:endnotePr>"
                                    "</w:settings>",
                                    &notes));
  EXPECT_EQ("upperLetter", notes.foot.format);
  EXPECT_EQ("lowerRoman", notes.end.format);
  EXPECT_EQ(1 << 20, notes.end.start) << "a wild start is kept in range";
}

TEST(Docx, DamagedAndWrongFilesAreRefused) {
  dtbtest::TempDir dir;
  std::string good = ReadText(Fixture("doc.docx"));
  dtbtest::WriteFile(dir / "truncated.docx", good.substr(0, good.size() / 2));
  // An encrypted document is an OLE compound file, not an archive.
  dtbtest::WriteFile(dir / "ole.docx", std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + std::string(504, '\0'));
  for (const std::string& path :
       {Fixture("missing_member.docx"), Fixture("badxml.docx"), dir / "truncated.docx", dir / "ole.docx",
        dtbtest::DataPath("ebook/epub/book3.epub")}) {
    SCOPED_TRACE(path);
    CDocx b;
    EXPECT_EQ(-6, b.Open(path.c_str()));
    EXPECT_EQ(0, b.GetUnicodeLength());
  }
  CDocx b;
  EXPECT_EQ(-4, b.Open((dir / "missing.docx").c_str()));
}

}  // namespace
