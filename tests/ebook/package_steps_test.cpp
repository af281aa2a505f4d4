// EPUB and DOCX books read in steps behind the speech give the sentences,
// places, headings, pages and notes of the same book read whole; and EPUB
// spine items as reading systems read them (fallbacks, SVG, documents that
// only the HTML parser reads), from archives made here.
#include <string>
#include <utility>
#include <vector>

#include "core/lib/zip/archive.h"
#include "ebook/docx.h"
#include "ebook/epub.h"
#include "tests/ebook/markup_dump.h"
#include "tests/ebook/sentence_walk.h"
#include "tests/ebook/zip_maker.h"
#include "tests/support/test_support.h"

namespace {

using ebooktest::Walk;
using Members = std::vector<std::pair<std::string, std::string>>;

std::string Prose(int c, int paragraphs, const char* open, const char* close) {
  std::string out;
  for (int p = 0; p < paragraphs; ++p)
    out += open + ("Sentence " + std::to_string(p) + " of part " + std::to_string(c) +
                   " goes on for a while. Another one follows it here; and a third ends it!") + close;
  return out;
}

std::string Epub(const std::string& manifest, const std::string& spine, Members docs, const char* ns = "") {
  Members m{{"mimetype", "application/epub+zip"},
            {"META-INF/container.xml",
             "<container><rootfiles><rootfile full-path=\"O/p.opf\" media-type=\"application/oebps-package+xml\"/>"
             "</rootfiles></container>"},
            {"O/p.opf", std::string("<package version=\"3.0\"") + ns + "><metadata/><manifest>" + manifest +
                            "</manifest><spine>" + spine + "</spine></package>"}};
  m.insert(m.end(), docs.begin(), docs.end());
  return zipmaker::Make(m);
}

std::string Xhtml(const std::string& body) {
  return "<html xmlns=\"http://www.w3.org/1999/xhtml\" xmlns:epub=\"http://www.idpf.org/2007/ops\"><body>" + body +
         "</body></html>";
}

template <class Source>
void ExpectStepsAsWhole(const std::string& path) {
  ebooktest::Peek<Source> whole;
  ASSERT_EQ(0, whole.Open(path.c_str()));
  const int sentences = whole.GetTotalSentences();
  const std::vector<std::string> expected = Walk(whole);
  ASSERT_EQ(static_cast<size_t>(sentences), expected.size());
  ebooktest::Peek<Source> stepped;
  ASSERT_EQ(0, stepped.Open(path.c_str()));
  EXPECT_FALSE(stepped.Settled());
  EXPECT_EQ(expected, Walk(stepped));
  EXPECT_EQ(ebooktest::QuietTexts(whole), ebooktest::QuietTexts(stepped));
  EXPECT_EQ(whole.GetTotalHeadings(), stepped.GetTotalHeadings());
  for (int i = 0; i < whole.GetTotalHeadings(); ++i)
    ASSERT_EQ(whole.HeadingLevel(i), stepped.HeadingLevel(i)) << i;
  ASSERT_EQ(whole.GetTotalPages(), stepped.GetTotalPages());
  for (int i = 0; i <= whole.GetTotalPages(); ++i) ASSERT_EQ(whole.PageStart(i), stepped.PageStart(i)) << i;
  // A move past what was read reads on until it can answer.
  ebooktest::Peek<Source> moved;
  ASSERT_EQ(0, moved.Open(path.c_str()));
  moved.SeekToParagraph(whole.GetTotalParagraphs() - 3);
  whole.SeekToParagraph(whole.GetTotalParagraphs() - 3);
  EXPECT_EQ(whole.GetCurPlace(), moved.GetCurPlace());
}

TEST(PackageSteps, ALongEpubIsReadInStepsExactlyAsWhole) {
  std::string manifest = "<item id=\"nav\" href=\"nav.xhtml\" properties=\"nav\" media-type=\"application/xhtml+xml\"/>",
              spine, nav;
  Members docs;
  for (int c = 0; c < 12; ++c) {
    std::string n = "c" + std::to_string(c);
    manifest += "<item id=\"" + n + "\" href=\"" + n + ".xhtml\" media-type=\"application/xhtml+xml\"/>";
    spine += "<itemref idref=\"" + n + "\"/>";
    nav += "<li><a href=\"" + n + ".xhtml#h\">" + n + "</a></li>";
    // One chapter longer than a step; notes; late page marks; one chapter
    // only the HTML parser reads.
    std::string body = "<h2 id=\"h\">Part " + std::to_string(c) + "</h2>" + Prose(c, c == 3 ? 900 : 60, "<p>", "</p>");
    if (c == 5) body = "<aside epub:type=\"footnote\">" + body + "</aside>";
    if (c >= 8) body += "<span epub:type=\"pagebreak\" title=\"" + std::to_string(c) + "\"/>";
    if (c == 6) body += "<p>unclosed <b>bold</p>";
    docs.emplace_back("O/" + n + ".xhtml", Xhtml(body));
  }
  docs.emplace_back("O/nav.xhtml", Xhtml("<nav epub:type=\"toc\"><ol>" + nav + "</ol></nav>"));
  dtbtest::TempDir dir;
  dtbtest::WriteFile(dir / "long.epub", Epub(manifest, spine, docs));
  ExpectStepsAsWhole<CEpub>(dir / "long.epub");
  // Asking for a heading reads only up to it.
  ebooktest::Peek<CEpub> asked;
  ASSERT_EQ(0, asked.Open((dir / "long.epub").c_str()));
  EXPECT_TRUE(asked.HasHeading(2));
  EXPECT_FALSE(asked.Settled());
  EXPECT_FALSE(asked.HasHeading(12));
  EXPECT_TRUE(asked.Settled());
}

TEST(PackageSteps, ALongDocxIsReadInStepsExactlyAsWhole) {
  std::string body;
  for (int c = 0; c < 40; ++c) {
    body += "<w:p><w:pPr><w:outlineLvl w:val=\"" + std::to_string(c % 2) + "\"/></w:pPr><w:r><w:t>Part " +
            std::to_string(c) + "</w:t></w:r></w:p>";
    body += Prose(c, 40, "<w:p><w:r><w:t>", "</w:t></w:r></w:p>");
    if (c % 7 == 3) body += "<w:p><w:r><w:footnoteReference w:id=\"" + std::to_string(c) + "\"/></w:r></w:p>";
    if (c >= 30) body += "<w:p><w:r><w:lastRenderedPageBreak/><w:t>Page.</w:t></w:r></w:p>";
  }
  std::string notes;
  for (int c = 3; c < 40; c += 7)
    notes += "<w:footnote w:id=\"" + std::to_string(c) + "\"><w:p><w:r><w:footnoteRef/><w:t>Note " +
             std::to_string(c) + ".</w:t></w:r></w:p></w:footnote>";
  const char* w = " xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\"";
  std::string types = "application/vnd.openxmlformats-officedocument.wordprocessingml.";
  dtbtest::TempDir dir;
  dtbtest::WriteFile(
      dir / "long.docx",
      zipmaker::Make({{"[Content_Types].xml",
                       "<Types><Override PartName=\"/word/document.xml\" ContentType=\"" + types +
                           "document.main+xml\"/><Override PartName=\"/word/footnotes.xml\" ContentType=\"" + types +
                           "footnotes+xml\"/></Types>"},
                      {"word/document.xml", std::string("<w:document") + w + "><w:body>" + body + "</w:body></w:document>"},
                      {"word/footnotes.xml", std::string("<w:footnotes") + w + ">" + notes + "</w:footnotes>"}}));
  ExpectStepsAsWhole<CDocx>(dir / "long.docx");
}

std::string Text(CEpub& b) {
  std::vector<unsigned short> units(static_cast<size_t>(b.GetUnicodeLength()));
  b.GetUnicode(units.data(), static_cast<int>(units.size()));
  return std::string(units.begin(), units.end());
}

TEST(PackageSteps, EpubSpineItemsAreReadAsReadingSystemsReadThem) {
  const std::string svg =
      "<svg xmlns=\"http://www.w3.org/2000/svg\"><title>Map title</title><desc>A described map.</desc>"
      "<g><text x=\"1\">Label <tspan>one</tspan></text><rect/></g></svg>";
  // An internal subset declaring an external entity, and a reference to it:
  // the XML reader refuses the document, the HTML parser reads it.
  const std::string xxe =
      "<?xml version=\"1.0\"?><!DOCTYPE html [<!ENTITY xxe SYSTEM \"file:///etc/passwd\"> <!ENTITY q \"]>\">]>"
      "<html><body><p>Safe &xxe; text &amp; more &undefined; end.</p><p>Second &eacute;t&#233;.</p></body></html>";
  // The same declarations in a document the XML reader reads.
  const std::string wellFormed =
      "<?xml version=\"1.0\"?><!DOCTYPE html [<!ENTITY xxe SYSTEM \"file:///etc/passwd\"> <!ENTITY q \"]>\">]>"
      "<html><body><p>Kept &xxe;&q; apart.</p></body></html>";
  std::string manifest =
      "<item id=\"img\" href=\"a.png\" media-type=\"image/png\" fallback=\"alt\"/>"
      "<item id=\"alt\" href=\"a.xhtml\" media-type=\"application/xhtml+xml\"/>"
      "<item id=\"pdf\" href=\"b.pdf\" media-type=\"application/pdf\" fallback=\"img2\"/>"
      "<item id=\"img2\" href=\"b.png\" media-type=\"image/png\" fallback=\"b\"/>"
      "<item id=\"b\" href=\"b.xhtml\" media-type=\"application/xhtml+xml\"/>"
      "<item id=\"loop1\" href=\"l1.png\" media-type=\"image/png\" fallback=\"loop2\"/>"
      "<item id=\"loop2\" href=\"l2.png\" media-type=\"image/png\" fallback=\"loop1\"/>"
      "<item id=\"gone\" href=\"gone.xhtml\" media-type=\"application/xhtml+xml\"/>"
      "<item id=\"svg\" href=\"s.svg\" media-type=\"image/svg+xml\"/>"
      "<item id=\"xxe\" href=\"x.xhtml\" media-type=\"application/xhtml+xml\"/>"
      "<item id=\"wf\" href=\"w.xhtml\" media-type=\"application/xhtml+xml\"/>";
  std::string spine;
  for (const char* id : {"img", "loop1", "pdf", "gone", "svg", "xxe", "wf"})
    spine += std::string("<itemref idref=\"") + id + "\"/>";
  dtbtest::TempDir dir;
  dtbtest::WriteFile(dir / "book.epub", Epub(manifest, spine,
                                             {{"O/a.png", "\x89PNG"},
                                              {"O/a.xhtml", Xhtml("<p>Fallback of an image.</p>")},
                                              {"O/b.xhtml", Xhtml("<p>End of a chain.</p>")},
                                              {"O/s.svg", svg},
                                              {"O/x.xhtml", xxe},
                                              {"O/w.xhtml", wellFormed}}));
  CEpub b;
  ASSERT_EQ(0, b.Open((dir / "book.epub").c_str()));
  EXPECT_EQ(
      "Fallback of an image.\nEnd of a chain.\nMap title\nA described map.\nLabel one\nSafe text & more end.\n"
      "Second \xE9t\xE9.\nKept apart.\n",
      Text(b));
  // A spine of nothing but SVG is a book.
  dtbtest::WriteFile(dir / "svg.epub", Epub(manifest, "<itemref idref=\"svg\"/>", {{"O/s.svg", svg}}));
  CEpub only;
  ASSERT_EQ(0, only.Open((dir / "svg.epub").c_str()));
  EXPECT_EQ("Map title\nA described map.\nLabel one\n", Text(only));
}

TEST(ZipArchive, MembersAreFoundByNameInAnyCaseTheFirstOfTwoWinning) {
  dtbtest::TempDir dir;
  Members members{{"OEBPS/Text/Ch1.xhtml", "first"}, {"oebps/text/ch1.XHTML", "second"}};
  for (int i = 0; i < 3000; ++i) members.emplace_back("m/" + std::to_string(i), std::to_string(i));
  dtbtest::WriteFile(dir / "a.zip", zipmaker::Make(members));
  zip::Archive zip;
  ASSERT_EQ(0, zip.Open((dir / "a.zip").c_str()));
  std::string s;
  EXPECT_EQ(0, zip.ReadAll("oebps/TEXT/ch1.xhtml", &s, 100));
  EXPECT_EQ("first", s);
  EXPECT_EQ(0, zip.ReadAll("m/2999", &s, 100));
  EXPECT_EQ("2999", s);
  EXPECT_FALSE(zip.Has("m/3000"));
  EXPECT_FALSE(zip.Has(""));
  EXPECT_EQ(-6, zip.OpenMember("OEBPS/Text"));
}

}  // namespace
