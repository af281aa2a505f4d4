// Web pages: the tokenizer and encodings on fixtures of our own (expected dump
// beside the input), the same reading wherever the input is cut, and files
// that are too short or not text refused.
#include <memory>
#include <string>

#include "ebook/html.h"
#include "tests/ebook/markup_dump.h"
#include "tests/support/test_support.h"

namespace {

using ebooktest::Dump;
using ebooktest::Peek;
using ebooktest::ReadText;
using ebooktest::U16;
using ebooktest::U8;

std::string Fixture(const std::string& name) { return dtbtest::DataPath("ebook/markup/" + name); }

// Feeds the tokenizer directly in pieces of a given size.
class Pieces : public Peek<CHtml> {
 public:
  int Read(const std::u16string& text, size_t piece) {
    Close();
    ResetParse();
    m_Tokenizer.Reset();
    for (size_t i = 0; i < text.size(); i += piece) {
      size_t n = std::min(piece, text.size() - i);
      m_Tokenizer.SaxPush(reinterpret_cast<const unsigned short*>(text.data() + i), static_cast<int>(n), false);
    }
    m_Tokenizer.SaxPush(nullptr, 0, true);
    return FinishParse();
  }
};

TEST(Html, FixtureReadsAsItsDumpWhereverTheInputIsCut) {
  Peek<CHtml> b;
  ASSERT_EQ(0, b.Open(Fixture("sample.html").c_str()));
  ebooktest::ExpectDump(b, Fixture("sample.html.dump"));
  std::string expected = Dump(b);
  std::u16string text = U16(ReadText(Fixture("sample.html")));
  for (size_t piece : {1, 2, 3, 7, 64}) {
    Pieces p;
    ASSERT_EQ(0, p.Read(text, piece));
    EXPECT_EQ(expected, Dump(p)) << "pieces of " << piece;
  }
}

TEST(Html, EncodingsFromMarkDeclarationAndFallback) {
  dtbtest::TempDir dir;
  // Not UTF-8 and nothing declared: CP1250.
  Peek<CHtml> cp;
  ASSERT_EQ(0, cp.Open(Fixture("cp1250.html").c_str()));
  EXPECT_EQ("[p][page]Łódź: żółw jest pełen ziół.\\n\nsentences 1 paragraphs 1 headings 0 pages 1 depth 0\n", Dump(cp));
  // The same bytes declaring ISO-8859-2, where 0x9F is no letter but 0xBC is ź.
  std::string latin2 = "<meta charset=\"iso-8859-2\"><p>\xBC\xF3\xB3w</p>";
  dtbtest::WriteFile(dir / "latin2.html", latin2);
  Peek<CHtml> l2;
  ASSERT_EQ(0, l2.Open((dir / "latin2.html").c_str()));
  EXPECT_EQ(U16("źółw\n"), ebooktest::Current(l2));
  // UTF-16 both ways, with and without a mark, read the same.
  std::u16string page = U16("<p>Zażółć gęślą jaźń.</p>");
  std::string le, be;
  for (char16_t c : page) {
    le += static_cast<char>(c & 0xFF), le += static_cast<char>(c >> 8);
    be += static_cast<char>(c >> 8), be += static_cast<char>(c & 0xFF);
  }
  for (const std::string& bytes : {"\xFF\xFE" + le, "\xFE\xFF" + be, le, be}) {
    dtbtest::WriteFile(dir / "u16.html", bytes);
    CHtml u;
    ASSERT_EQ(0, u.Open((dir / "u16.html").c_str()));
    EXPECT_EQ(U16("Zażółć gęślą jaźń.\n"), ebooktest::Current(u));
  }
}

TEST(Html, EntitiesNamedAndNumbered) {
  unsigned a = 0, b = 0;
  EXPECT_EQ(1, HtmlTokenizer::ResolveEntity(u"zdot;", &a, &b));
  EXPECT_EQ(0x17Cu, a);
  EXPECT_EQ(2, HtmlTokenizer::ResolveEntity(u"NotEqualTilde;", &a, &b));
  EXPECT_EQ(0x2242u, a);
  EXPECT_EQ(0x338u, b);
  EXPECT_EQ(1, HtmlTokenizer::ResolveEntity(u"#x1F600;", &a, &b));
  EXPECT_EQ(0x1F600u, a);
  EXPECT_EQ(1, HtmlTokenizer::ResolveEntity(u"#0;", &a, &b));
  EXPECT_EQ(0xFFFDu, a);
  EXPECT_EQ(1, HtmlTokenizer::ResolveEntity(u"#99999999999;", &a, &b));
  EXPECT_EQ(0xFFFDu, a);
  EXPECT_EQ(0, HtmlTokenizer::ResolveEntity(u"zdot", &a, &b)) << "only legacy names go without ';'";
  EXPECT_EQ(1, HtmlTokenizer::ResolveEntity(u"amp", &a, &b));
  EXPECT_EQ(0, HtmlTokenizer::ResolveEntity(u"#x;", &a, &b));
}

TEST(Html, ShortBinaryAndBrokenFiles) {
  dtbtest::TempDir dir;
  struct Case {
    const char* name;
    std::string bytes;
    int code;
  } cases[] = {
      {"four.html", "<p>a", -6},
      {"empty.html", "", -6},
      {"png.html", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\x10", 20), -6},
      {"zip.html", std::string("PK\3\4\x14\0\0\0\x08\0", 10) + std::string(64, '\0'), -6},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    dtbtest::WriteFile(dir / c.name, c.bytes);
    CHtml b;
    EXPECT_EQ(c.code, b.Open((dir / c.name).c_str()));
    EXPECT_EQ(0, b.GetUnicodeLength());
  }
  // A page cut in the middle reads what is there.
  std::string good = ReadText(Fixture("sample.html"));
  dtbtest::WriteFile(dir / "cut.html", good.substr(0, good.find("Second") + 10));
  CHtml cut;
  ASSERT_EQ(0, cut.Open((dir / "cut.html").c_str()));
  EXPECT_GT(cut.GetTotalSentences(), 2);
  CHtml missing;
  EXPECT_EQ(-4, missing.Open((dir / "missing.html").c_str()));
}

}  // namespace

namespace {

// A document type with an internal subset: neither the subset's end nor a
// reference to what it declares is read aloud, and an XHTML file that is not
// well-formed for it is read as HTML instead of refused.
TEST(Html, InternalSubsetIsNeitherReadNorRefused) {
  dtbtest::TempDir dir;
  const std::string subset = "<!DOCTYPE html [<!ENTITY who \"x ] y\"> <!ENTITY a '>'>]>";
  dtbtest::WriteFile(dir / "a.html", subset + "<html><body><p>Hello &who; &amp; &#65;.</p></body></html>");
  Peek<CHtml> h;
  ASSERT_EQ(0, h.Open((dir / "a.html").c_str()));
  EXPECT_EQ(U16("Hello & A.\n"), ebooktest::Current(h));
  dtbtest::WriteFile(dir / "b.xhtml", "<?xml version=\"1.0\"?>" + subset +
                                          "<html xmlns=\"http://www.w3.org/1999/xhtml\"><body><p>Hi &who; there.</p></body></html>");
  std::unique_ptr<iCEbook> x(GetEbookClass("xhtml"));
  ASSERT_TRUE(x);
  ASSERT_EQ(0, x->Open((dir / "b.xhtml").c_str()));
  EXPECT_EQ(U16("Hi there.\n"), ebooktest::Current(*x));
}

}  // namespace
