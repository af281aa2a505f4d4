// Books made by others: links written in every way a tool may write them,
// SMIL files that no heading points into, inline markup, decimal commas and
// a package title in another encoding than declared.
#include <string>

#include "daisy/clock_value.h"
#include "daisy/daisy.h"
#include "daisy/daisy_title.h"
#include "daisy/text_util.h"
#include "daisy/xhtml.h"
#include "tests/support/test_support.h"

namespace libDaisy {
namespace {

using dtbtest::TempDir;
using dtbtest::WriteFile;

std::string Texts(Daisy& book) {
  std::string out;
  const _DaisyObject* o;
  int count;
  if (book.GetObjects(&o, &count) != 0) return out;
  for (int i = 0; i < count; i++) {
    if (o[i].kind != kObjectText) continue;
    for (int p = o[i].start; p < o[i].end; p++) {
      const char* t;
      if (book.GetXhtmlText(o[i].file, p, &t) == 0) out += std::string(t) + "|";
    }
  }
  return out;
}

TEST(BookLinks, NormalisedDecodedAndKeptInsideTheBook) {
  std::string n;
  EXPECT_TRUE(NormalizeLink("./a%20b.smil", &n));
  EXPECT_EQ("a b.smil", n);
  EXPECT_TRUE(NormalizeLink("sub/../x/./y.mp3", &n));
  EXPECT_EQ("x/y.mp3", n);
  EXPECT_TRUE(NormalizeLink("100%.mp3", &n));  // not an escape
  EXPECT_EQ("100%.mp3", n);
  EXPECT_FALSE(NormalizeLink("../secret.smil", &n));
  EXPECT_FALSE(NormalizeLink("a/../../b", &n));
  EXPECT_FALSE(NormalizeLink("%2E%2E/b", &n));
  EXPECT_FALSE(NormalizeLink("/etc/passwd", &n));
  EXPECT_FALSE(NormalizeLink("http://x/a.mp3", &n));
  // Plain names are taken as they are, others as NormalizeLink gives them.
  {
    std::string_view name;
    const std::string plain = "sub/a.smil";
    EXPECT_TRUE(LinkName(plain, &n, &name));
    EXPECT_EQ(plain.data(), name.data());
    for (const char* link : {"./a%20b.smil", "sub//a.smil", "../x", ".", "a/", "a:b"}) {
      std::string want;
      EXPECT_EQ(NormalizeLink(link, &want), LinkName(link, &n, &name)) << link;
      EXPECT_EQ(want, name) << link;
    }
  }

  TempDir top;
  const std::string dir = top.path() + "/book";
  WriteFile(top.path() + "/outside.smil",
            "<smil><body><par id='o'><text src='book/t.html#s'/></par></body></smil>");
  WriteFile(dir + "/ncc.html",
            "<html><head><title>T</title></head><body>"
            "<h1><a href='./part%20one.smil#a'>One</a></h1>"
            "<h2><a href='part%20one.SMIL#b'>One b</a></h2>"
            "<h1><a href='../outside.smil#o'>Out</a></h1>"
            "<div><a href='two.smil#c'>only a div leads here</a></div></body></html>");
  WriteFile(dir + "/part one.smil",
            "<smil><body><seq><par id='a'><text src='./t.html#t1'/></par>"
            "<par id='b'><text src='T.html#t2'/><audio src='../x.mp3'/></par></seq></body></smil>");
  WriteFile(dir + "/two.smil",
            "<smil><body><seq><par id='c'><text src='t.html#t3'/></par></seq></body></smil>");
  WriteFile(dir + "/t.html",
            "<html><body><p id='t1'>First <em>whole</em> sentence, <a href='#x'>with</a> "
            "<span>links</span>.</p><p id='t2'>Second<br/>line.</p>"
            "<p id='t3'>Third <span id='t3a'>inner</span> one.</p><p id='s'>secret</p>"
            "</body></html>");
  Daisy book;
  ASSERT_EQ(0, book.Open((dir + "/ncc.html").c_str(), 0));
  // Each file read once; the div's file is in the reading order too; nothing
  // from outside the folder.
  EXPECT_EQ("First whole sentence, with links.|Second line.|Third inner one.|", Texts(book));
  EXPECT_EQ(1, book.GetTotalXhmtls());
  const int *elements, *levels;
  const StringArray* texts;
  int headings;
  ASSERT_EQ(0, book.GetHeadings(&elements, &levels, &texts, &headings));
  ASSERT_EQ(3, headings);
  EXPECT_GE(elements[0], 0);
  EXPECT_GT(elements[1], elements[0]);
  EXPECT_EQ(-1, elements[2]);
  const char* name;
  EXPECT_EQ(-1, book.GetAudioFilename(0, &name));
  bool refused = false;
  for (int i = 0; i < book.GetTotalWarnings(); i++)
    refused |= book.GetWarning(i)->what.find("outside the book") != std::string::npos;
  EXPECT_TRUE(refused);
}

TEST(BookLinks, ReferencedInlineIdStillCutsAPiece) {
  Xhtml doc;
  doc.SetReferencedIds({"p", "w2"});
  const std::string html =
      "<html><body><p id='p'>One <em>two</em> <span id='w2'>three</span> four</p></body></html>";
  ASSERT_EQ(0, doc.OpenMemory(html.data(), html.size(), XmlReadOptions()));
  ASSERT_EQ(3, doc.GetTotalTexts());
  const char* t;
  doc.GetText(0, &t);
  EXPECT_STREQ("One two", t);
  doc.GetText(1, &t);
  EXPECT_STREQ("three", t);
}

TEST(BookSmaller, DecimalCommaAndRepairedPackageTitle) {
  EXPECT_EQ(12500, ClippingAndClockValue_to_Ms("12,5s"));
  EXPECT_EQ(62250, ClippingAndClockValue_to_Ms("0:01:02,25"));

  TempDir dir;
  WriteFile(dir / "package.opf",
            "<?xml version='1.0' encoding='utf-8'?><package><metadata>"
            "<dc-metadata xmlns:dc='http://purl.org/dc/elements/1.1/'>"
            "<dc:Title>Caf\xe9 Tr\xe8s</dc:Title></dc-metadata></metadata>"
            "<manifest><item id='s' href='a.smil' media-type='application/smil'/></manifest>"
            "<spine><itemref idref='s'/></spine></package>");
  char buffer[128];
  ASSERT_EQ(0, GetTitle((dir / "package.opf").c_str(), buffer, sizeof buffer, 2));
  EXPECT_STREQ("Caf\xc3\xa9 Tr\xc3\xa8s", buffer);
  DaisyGetTitle quick;
  ASSERT_EQ(0, quick.Open((dir / "package.opf").c_str(), 2));
  ASSERT_NE(nullptr, quick.GetText());
  EXPECT_STREQ("Caf\xc3\xa9 Tr\xc3\xa8s", quick.GetText());
}

}  // namespace
}  // namespace libDaisy
