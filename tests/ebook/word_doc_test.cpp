// Word 97-2003 documents written by tests/ebook/word_doc_maker.h, their
// damaged copies, and the shared corpus.
#include <string>

#include "ebook/word_doc.h"
#include "tests/ebook/markup_dump.h"
#include "tests/ebook/word_doc_maker.h"
#include "tests/support/test_support.h"

namespace {

using docmaker::Paragraph;
using ebooktest::Peek;
using ebooktest::U16;
using ebooktest::AllText;
using ebooktest::U8;


std::vector<Paragraph> Sample() {
  return {{u"Title", 1},
          {u"First line.\vSecond line with \x13 HYPERLINK \"x\" \x14link\x15 and \x13PAGE\x15 done."},
          {u"Section", 0, 1},
          {u""},
          {U16("Zażółć \x01 gęślą jaźń.")}};
}

TEST(WordDoc, TextParagraphsAndHeadingsOfBothPieceKinds) {
  for (bool compressed : {true, false}) {
    SCOPED_TRACE(compressed);
    dtbtest::TempDir dir;
    std::vector<Paragraph> paras = Sample();
    if (compressed) paras.back().text = u"Plain \x93quoted\x94.";
    // The Unicode document keeps its table stream in the mini stream.
    dtbtest::WriteFile(dir / "a.doc", docmaker::Make(paras, compressed, false, !compressed).bytes);
    Peek<CWordDoc> b;
    ASSERT_EQ(0, b.Open((dir / "a.doc").c_str()));
    std::string last = compressed ? "Plain \xE2\x80\x9Cquoted\xE2\x80\x9D." : "Za\xC5\xBC\xC3\xB3\xC5\x82\xC4\x87  g\xC4\x99\xC5\x9Bl\xC4\x85 ja\xC5\xBA\xC5\x84.";
    EXPECT_EQ("Title\nFirst line.\nSecond line with link and  done.\nSection\n" + last + "\n", AllText(b));
    EXPECT_EQ(4, b.GetTotalParagraphs()) << "the empty paragraph is not kept";
    ASSERT_EQ(2, b.GetTotalHeadings());
    EXPECT_EQ(1, b.HeadingLevel(0));
    EXPECT_EQ(2, b.HeadingLevel(1)) << "an outline level of 1 is a level-2 heading";
    b.SeekToNextHeading(2);
    EXPECT_EQ("Section\n", U8(ebooktest::Current(b)));
  }
}

TEST(WordDoc, ListNumbersAreReadBeforeTheirParagraphs) {
  using namespace std::string_literals;
  docmaker::Lists lists;
  lists.lists = {std::vector<docmaker::ListLevel>(9, {1, 0, u""}), {{1, 4, u"\x00)"s}}, {{1, 23, u"\xF0B7"}}};
  lists.lists[0][0].text = u"\x00."s;
  lists.lists[0][1] = {1, 2, u"\x00.\x01"s};
  lists.instances = {{0, {}}, {1, {}}, {2, {}}, {0, {{0, 7}}}};
  lists.styleIlfo = 2;
  auto item = [](const char16_t* text, int ilfo, int ilvl = 0) {
    Paragraph p{text};
    p.ilfo = ilfo;
    p.ilvl = ilvl;
    return p;
  };
  std::vector<Paragraph> paras = {item(u"Alpha", 1),       item(u"Alpha one", 1, 1), item(u"Alpha two", 1, 1),
                                  item(u"Beta", 1),        item(u"Beta one", 1, 1),  {u"Plain text."},
                                  item(u"Letter", 2),      item(u"Letter too", 2),   item(u"Dot", 3),
                                  item(u"Restarted", 4),   item(u"Past the end", 9), item(u"Deep", 2, 5),
                                  {u"By its style", 10}};
  dtbtest::TempDir dir;
  dtbtest::WriteFile(dir / "l.doc", docmaker::Make(paras, true, false, false, &lists).bytes);
  CWordDoc b;
  ASSERT_EQ(0, b.Open((dir / "l.doc").c_str()));
  EXPECT_EQ("1. Alpha\n1.i Alpha one\n1.ii Alpha two\n2. Beta\n2.i Beta one\nPlain text.\na) Letter\nb) Letter too\n"
            "Dot\n7. Restarted\nPast the end\nc) Deep\nd) By its style\n",
            AllText(b))
      << "levels restart below a new number; bullets are not read; an instance restarts its list; a style "
         "puts its paragraphs in a list";
  // Damaged list tables leave the numbers out and the text whole.
  std::string word, table;
  docmaker::Streams(paras, true, &word, &table, false, &lists);
  size_t pairs = 64 + 22 * 4 + 2;
  for (int damage = 0; damage < 3; ++damage) {
    SCOPED_TRACE(damage);
    std::string w = word, t = table;
    uint32_t lst = docmaker::Get32(w, pairs + 73 * 8), lfo = docmaker::Get32(w, pairs + 74 * 8);
    // The list table running far past the end, a number text longer than
    // the stream, more instances than bytes.
    if (damage == 0) docmaker::Put32(w, pairs + 73 * 8 + 4, 1u << 30);
    if (damage == 1) docmaker::Put16(t, lst + 2 + 3 * 28 + 28, 0xFFFF);
    if (damage == 2) docmaker::Put32(t, lfo, 0x7FFFFFFF);
    dtbtest::WriteFile(dir / "d.doc", docmaker::Compound(w, t).bytes);
    CWordDoc d;
    ASSERT_EQ(0, d.Open((dir / "d.doc").c_str()));
    std::string text = AllText(d);
    EXPECT_NE(std::string::npos, text.find("Alpha\n")) << text;
    EXPECT_NE(std::string::npos, text.find("Past the end\n")) << text;
  }
}

TEST(WordDoc, RefusedFiles) {
  dtbtest::TempDir dir;
  docmaker::DocFile good = docmaker::Make(Sample());
  auto refused = [&](const std::string& name, std::string bytes) {
    SCOPED_TRACE(name);
    dtbtest::WriteFile(dir / name, bytes);
    CWordDoc b;
    EXPECT_EQ(-4, b.Open((dir / name).c_str()));
    EXPECT_EQ(0, b.GetUnicodeLength());
  };
  refused("plain.doc", "{\\rtf1 not a compound file}");
  refused("cut.doc", good.bytes.substr(0, 700));
  std::string cycle = good.bytes;  // the main stream's second sector leads back to its first
  docmaker::Put32(cycle, good.fatOffset + (good.wordSector + 1) * 4, good.wordSector);
  refused("cycle.doc", cycle);
  std::string dirLoop = good.bytes;  // the directory's sector is its own successor
  docmaker::Put32(dirLoop, good.fatOffset + (good.wordSector - 1) * 4, good.wordSector - 1);
  refused("dirloop.doc", dirLoop);
  std::string far = good.bytes;  // the main stream starts past the end of the file
  docmaker::Put32(far, good.dirOffset + 128 + 0x74, 99999);
  refused("far.doc", far);
  std::string farFat = good.bytes;  // the header lists a table sector past the end
  docmaker::Put32(farFat, 0x4C, 0x7FFFFF00);
  refused("farfat.doc", farFat);
  std::string miniLoop = docmaker::Make(Sample(), false, false, true).bytes;  // the mini table's chain loops
  docmaker::Put32(miniLoop, miniLoop.size() - 512 + 4, 0);
  refused("miniloop.doc", miniLoop);
  size_t word = (good.wordSector + 1) * 512;
  std::string encrypted = good.bytes;
  docmaker::Put16(encrypted, word + 0x0A, 0x0300);
  refused("encrypted.doc", encrypted);
  std::string word6 = good.bytes;
  docmaker::Put16(word6, word + 2, 0x65);
  refused("word6.doc", word6);
  CWordDoc b;
  EXPECT_EQ(-4, b.Open((dir / "missing.doc").c_str()));
}

TEST(WordDocCorpus, FilesOpenOrAreRefusedAsExpected) {
  DTB_REQUIRE_CORPUS(root, "doc");
  CWordDoc b;
  EXPECT_EQ(-4, b.Open((root + "/tika_testWORD6.doc").c_str()));
  for (const char* name : {"tika_testWORD_various.doc", "wordextractor_bigfile-01.doc", "wordextractor_test01.doc",
                           "wordextractor_test04.doc", "wordextractor_test11.doc"}) {
    SCOPED_TRACE(name);
    ASSERT_EQ(0, b.Open((root + "/" + name).c_str()));
    EXPECT_GT(b.GetTotalSentences(), 0);
  }
  ASSERT_EQ(0, b.Open((root + "/tika_testWORD_various.doc").c_str()));
  EXPECT_NE(std::string::npos, AllText(b).find("numbered list:\n1) Number bullet 1\n2) Number bullet 2\n3) Number"));
  ASSERT_EQ(0, b.Open((root + "/textract_raw_text.doc").c_str()));
  std::string expected;
  for (unsigned char c : ebooktest::ReadText(root + "/textract_raw_text.expected.txt"))
    if (c > 32) expected += static_cast<char>(c);
  EXPECT_EQ(expected, ebooktest::Squeezed(b));
}

}  // namespace
