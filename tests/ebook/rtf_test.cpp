// Rich text: code pages, Unicode escapes, skipped groups, heading styles and
// damaged files, over small documents of our own; then the shared corpus.
#include <string>

#include "ebook/rtf.h"
#include "tests/ebook/markup_dump.h"
#include "tests/support/test_support.h"

namespace {

using ebooktest::Peek;
using ebooktest::Squeezed;
using ebooktest::AllText;
using ebooktest::U8;


std::string Read(const std::string& rtf, int* result = nullptr) {
  CRtf b;
  int r = b.OpenMemory(rtf.data(), rtf.size());
  if (result) *result = r;
  return r == 0 ? AllText(b) : "<" + std::to_string(r) + ">";
}

TEST(Rtf, CodePagesOfTheDocumentAndItsFonts) {
  EXPECT_EQ("caf\xC3\xA9\n", Read("{\\rtf1 caf\\'e9}")) << "without \\ansicpg a byte is its own unit";
  EXPECT_EQ("\xC5\xBC\xC3\xB3\xC5\x82\n", Read("{\\rtf1\\ansi\\ansicpg1250 \\'bf\\'f3\\'b3}"));
  EXPECT_EQ("\xC3\xA9 \xC4\x99\n", Read("{\\rtf1\\ansicpg1252{\\fonttbl{\\f0 A;}{\\f1\\fcharset238 B;}}"
                                        "\\f0 \\'e9 {\\f1 \\'ea}}"));
  EXPECT_EQ("\xE3\x81\x82\xE3\x81\x84\n", Read("{\\rtf1\\ansicpg932 \\'82\\'a0\\'82\\'a2}")) << "double-byte page";
  EXPECT_EQ("a\xC3\xA9\n", Read("{\\rtf1\\ansicpg819 a\\'e9}")) << "819 is Latin-1";
}

TEST(Rtf, UnicodeEscapesReplaceTheirFallbacks) {
  EXPECT_EQ("\xE2\x82\xAC.\n", Read("{\\rtf1\\uc2\\u8364 EE.}"));
  EXPECT_EQ("\xE2\x82\xAC" "x\n", Read("{\\rtf1\\uc1\\u8364\\'80x}")) << "an escaped byte is one fallback";
  EXPECT_EQ("\xF0\x90\x8C\xB0!\n", Read("{\\rtf1\\u-10240?\\u-8400?!}")) << "a surrogate pair";
  EXPECT_EQ("ab\n", Read("{\\rtf1 a\\u-10240?b}")) << "half a pair is dropped";
  EXPECT_EQ("x\xC4\x85\n", Read("{\\rtf1{\\upr{x\\'b9}{\\*\\ud{x\\u261?}}}}")) << "the Unicode copy only";
}

TEST(Rtf, GroupsWithoutTextAreSkipped) {
  EXPECT_EQ("Body link.\n",
            Read("{\\rtf1{\\fonttbl{\\f0 Arial;}}{\\colortbl;\\red0;}{\\info{\\title T}}{\\*\\unknown u}"
                 "{\\header H}Body {\\field{\\*\\fldinst HYPERLINK \"x\"}{\\fldrslt link}}.}"));
  EXPECT_EQ("a b\n", Read("{\\rtf1 a{\\pict\\bin6 }}{{{}} b}"));
  EXPECT_EQ("{a}\\\n", Read("{\\rtf1 \\{a\\}\\\\}"));
}

TEST(Rtf, ParagraphsAndHeadingsFromStylesAndOutlineLevels) {
  Peek<CRtf> b;
  std::string rtf =
      "{\\rtf1{\\stylesheet{\\ql Normal;}{\\s1\\outlinelevel0 Titel;}{\\s2 heading 2;}{\\*\\cs3 heading 1;}}"
      "\\pard\\s1 Title\\par\\pard Text one. Text two.\\par\\par\\pard\\s2 Sub\\par"
      "\\pard\\outlinelevel2 Deep\\par\\pard\\s3 Plain\\line more\\par}";
  ASSERT_EQ(0, b.OpenMemory(rtf.data(), rtf.size()));
  EXPECT_EQ("Title\nText one. Text two.\nSub\nDeep\nPlain\nmore\n", AllText(b));
  ASSERT_EQ(3, b.GetTotalHeadings());
  EXPECT_EQ(1, b.HeadingLevel(0));
  EXPECT_EQ(2, b.HeadingLevel(1));
  EXPECT_EQ(3, b.HeadingLevel(2));
  EXPECT_EQ(3, b.GetLevelDepth());
  EXPECT_EQ(5, b.GetTotalParagraphs()) << "empty paragraphs are not kept, a line break is not a paragraph";
  b.SeekToNextHeading(2);
  EXPECT_EQ("Sub\n", U8(ebooktest::Current(b)));
}

TEST(Rtf, DamagedFiles) {
  int r = 0;
  EXPECT_EQ("kept\n", Read("{\\rtf1 kept}} lost {", &r)) << "text behind the document's group is not read";
  EXPECT_EQ("cut off\n", Read("{\\rtf1{\\b cut off", &r)) << "a truncated file reads what it holds";
  EXPECT_EQ(0, r);
  Read("plain text", &r);
  EXPECT_EQ(-6, r);
  Read("{\\rtf1" + std::string(100000, '{'), &r);
  EXPECT_EQ(-6, r);
  CRtf b;
  EXPECT_EQ(-4, b.Open("/nonexistent/file.rtf"));
  EXPECT_EQ(-2, b.Open(nullptr));
}

TEST(RtfCorpus, FilesReadAsExpected) {
  DTB_REQUIRE_CORPUS(root, "rtf");
  CRtf b;
  ASSERT_EQ(0, b.Open((root + "/tika_testRTFWindowsCodepage1250.rtf").c_str()));
  EXPECT_EQ("za\xC5\xBC\xC3\xB3\xC5\x82\xC4\x87 g\xC4\x99\xC5\x9B" "l\xC4\x85 ja\xC5\xBA\xC5\x84\n"
            "ZA\xC5\xBB\xC3\x93\xC5\x81\xC4\x86 G\xC4\x98\xC5\x9AL\xC4\x84 JA\xC5\xB9\xC5\x83\n",
            AllText(b));
  ASSERT_EQ(0, b.Open((root + "/tika_testRTFUnicodeGothic.rtf").c_str()));
  EXPECT_EQ("\xF0\x90\x8C\xB2\xF0\x90\x8C\xBF\xF0\x90\x8D\x84\xF0\x90\x8C\xB9\xF0\x90\x8D\x83\xF0\x90\x8C\xBA\n",
            AllText(b));
  for (const char* name : {"pipeline_RTF2dtbook.rtf", "tika_testRTFJapanese.rtf",
                           "tika_testRTFWord2010CzechCharacters.rtf"}) {
    SCOPED_TRACE(name);
    ASSERT_EQ(0, b.Open((root + "/" + name).c_str()));
    EXPECT_GT(b.GetTotalSentences(), 5);
  }
  ASSERT_EQ(0, b.Open((root + "/pipeline_RTF2dtbook.rtf").c_str()));
  EXPECT_GE(b.GetLevelDepth(), 2) << "its heading styles give headings";
  ASSERT_EQ(0, b.Open((root + "/textract_raw_text.rtf").c_str()));
  std::string expected;
  for (unsigned char c : ebooktest::ReadText(root + "/textract_raw_text.expected.txt"))
    if (c > 32) expected += static_cast<char>(c);
  EXPECT_EQ(expected, Squeezed(b));
}

}  // namespace
