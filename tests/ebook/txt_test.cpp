#include "ebook/txt.h"

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/lib/iconv/converter.h"
#include "tests/ebook/ebook_test_util.h"
#include "tests/support/test_support.h"

namespace {

using dtbtest::TempDir;
using dtbtest::WriteFile;
using ebooktest::Current;
using ebooktest::PageStarts;
using ebooktest::ParagraphStarts;
using ebooktest::Sentences;
using ebooktest::SentenceStarts;
using ebooktest::U16;
using ebooktest::U8;

enum class Enc { Utf8, Utf8Bom, Utf16Le, Utf16Be, Cp1250 };

// Windows-1250 bytes of the characters the tests use, written out by hand so
// that the converter under test is not also the one producing the input.
const std::map<char16_t, unsigned char>& Cp1250Table() {
  static const std::map<char16_t, unsigned char> t = {
      {u'ą', 0xB9}, {u'ć', 0xE6}, {u'ę', 0xEA}, {u'ł', 0xB3}, {u'ń', 0xF1}, {u'ó', 0xF3}, {u'ś', 0x9C},
      {u'ź', 0x9F}, {u'ż', 0xBF}, {u'Ą', 0xA5}, {u'Ć', 0xC6}, {u'Ę', 0xCA}, {u'Ł', 0xA3}, {u'Ń', 0xD1},
      {u'Ó', 0xD3}, {u'Ś', 0x8C}, {u'Ź', 0x8F}, {u'Ż', 0xAF}, {u'„', 0x84}, {u'”', 0x94}, {u'–', 0x96},
      {u'…', 0x85}};
  return t;
}

std::string Encode(const std::u16string& text, Enc enc) {
  std::string out;
  switch (enc) {
    case Enc::Utf8Bom:
      out = "\xEF\xBB\xBF";
      [[fallthrough]];
    case Enc::Utf8:
      return out + U8(text);
    case Enc::Utf16Le:
    case Enc::Utf16Be: {
      bool le = enc == Enc::Utf16Le;
      out = le ? "\xFF\xFE" : "\xFE\xFF";
      for (char16_t c : text) {
        char lo = static_cast<char>(c & 0xFF), hi = static_cast<char>(c >> 8);
        out += le ? lo : hi;
        out += le ? hi : lo;
      }
      return out;
    }
    case Enc::Cp1250:
      for (char16_t c : text) {
        if (c < 0x80) {
          out += static_cast<char>(c);
        } else {
          auto it = Cp1250Table().find(c);
          EXPECT_NE(it, Cp1250Table().end()) << "no Windows-1250 byte for U+" << std::hex << int(c);
          out += it != Cp1250Table().end() ? static_cast<char>(it->second) : '?';
        }
      }
      return out;
  }
  return out;
}

std::unique_ptr<CTxt> OpenText(const std::string& path, int expect = 0) {
  auto t = std::make_unique<CTxt>();
  EXPECT_EQ(expect, t->Open(path.c_str())) << path;
  return t;
}

std::u16string WholeText(CTxt& t) {
  std::vector<unsigned short> buf(static_cast<size_t>(t.GetUnicodeLength()) + 8);
  int n = t.GetUnicode(buf.data(), static_cast<int>(buf.size()));
  EXPECT_EQ(t.GetUnicodeLength(), n);
  return std::u16string(reinterpret_cast<char16_t*>(buf.data()), static_cast<size_t>(std::max(n, 0)));
}

// Reads the book front to back as the reader does: sentence by sentence.
std::u16string ReadThrough(CTxt& t) {
  std::u16string all;
  t.SeekToSentence(0);
  for (int guard = 0; guard <= t.GetTotalSentences(); ++guard) {
    unsigned short* text = nullptr;
    int length = 0;
    EXPECT_EQ(0, t.ReadCurSentence(&text, &length));
    if (length == 0) break;
    all.append(reinterpret_cast<char16_t*>(text), static_cast<size_t>(length));
    t.SeekToNextSentence();
  }
  return all;
}

// About 12,000 units of Polish prose over several lines: crosses chunk
// boundaries, pages and the paragraph accumulator, and has decimals,
// ellipses, colons and semicolons on the way.
std::u16string PolishText() {
  std::u16string para = U16(
      "Pewnego razu zdarzyło się, że latarnik w Aspinwall przepadł bez wieści… Cena wynosiła 3.50 dolara; "
      "mówiono o tym długo: „Źle się stało” – rzekł ktoś. Żółć, gęś, łąka i jaźń! Czy to prawda? ");
  std::u16string text;
  for (int i = 0; i < 60; ++i) {
    text += para;
    if (i % 7 == 6) text += u"\n";
    if (i % 13 == 12) text += u"\n\n";
  }
  return text + u"Koniec.";
}

TEST(TxtEncodings, TheSameTextGivesTheSamePlacesAndSentencesInEveryEncoding) {
  TempDir dir;
  std::u16string text = PolishText();
  ASSERT_GT(text.size(), 2u * CTxt::c_ChunkUnits);
  const std::pair<Enc, int> encodings[] = {{Enc::Utf8, CTxt::c_Utf8},       {Enc::Utf8Bom, CTxt::c_Utf8},
                                           {Enc::Utf16Le, CTxt::c_Utf16Le}, {Enc::Utf16Be, CTxt::c_Utf16Be},
                                           {Enc::Cp1250, CTxt::c_CodePage}};
  std::vector<int> refSentences, refParagraphs, refPages;
  std::vector<std::u16string> refText;
  for (auto [enc, code] : encodings) {
    SCOPED_TRACE(code);
    std::string path = dir / ("book" + std::to_string(static_cast<int>(enc)) + ".txt");
    WriteFile(path, Encode(text, enc));
    auto t = OpenText(path);
    EXPECT_EQ(code, t->GetEncoding());
    EXPECT_EQ(static_cast<int>(text.size()), t->GetUnicodeLength());
    EXPECT_EQ(text, WholeText(*t));
    EXPECT_EQ(text, ReadThrough(*t));
    if (refSentences.empty()) {
      refSentences = SentenceStarts(*t);
      refParagraphs = ParagraphStarts(*t);
      refPages = PageStarts(*t);
      refText = Sentences(*t);
      EXPECT_EQ(12, t->GetTotalPages());
      EXPECT_EQ(241, t->GetTotalSentences());
      EXPECT_EQ(18, t->GetTotalParagraphs());
      continue;
    }
    EXPECT_EQ(refSentences, SentenceStarts(*t));
    EXPECT_EQ(refParagraphs, ParagraphStarts(*t));
    EXPECT_EQ(refPages, PageStarts(*t));
    EXPECT_EQ(refText, Sentences(*t));
  }
  EXPECT_EQ(U16("Pewnego razu zdarzyło się, że latarnik w Aspinwall przepadł bez wieści… Cena wynosiła 3.50 "
                "dolara; "),
            refText.at(0))
      << "the ellipsis character and the decimal point do not end the sentence";
  EXPECT_EQ(U16("mówiono o tym długo: „Źle się stało” – rzekł ktoś. "), refText.at(1));
}

TEST(TxtSegmentation, LineBreaksEndParagraphsAndLongRunsAreCutAfterAThousandUnits) {
  TempDir dir;
  // 3,000 units without a line break, in sentences of 70 units.
  std::string run;
  while (run.size() < 3000) run += std::string(68, 'x') + ". ";
  run.resize(3000);
  WriteFile(dir / "run.txt", run + "\nshort line\nanother line\n");
  auto t = OpenText(dir / "run.txt");
  // Paragraphs start behind the first sentence that brings the run to 1,000
  // units or more; every line break then starts one more.
  EXPECT_EQ((std::vector<int>{1050, 2100, 3001, 3012}), ParagraphStarts(*t));
  EXPECT_EQ(5, t->GetTotalParagraphs());
  // Page k starts with the first sentence that starts at or after k * 1000.
  EXPECT_EQ((std::vector<int>{0, 1050, 2030, 3001}), PageStarts(*t));
  t->SeekToPlace(2500);
  EXPECT_EQ(2, t->GetCurParagraph());
  EXPECT_EQ(2, t->GetCurPage());
  t->SeekToLastPage();
  EXPECT_EQ(1050, t->GetCurPlace());
  t->SeekToNextParagraph();
  EXPECT_EQ(2100, t->GetCurPlace());
  t->SeekToParagraph(4);
  EXPECT_EQ(u"another line\n", Current(*t));
  EXPECT_EQ(0, t->GetTotalHeadings());
  EXPECT_EQ(0, t->GetLevelDepth());
  t->SeekToNextHeading(1);
  EXPECT_EQ(3012, t->GetCurPlace()) << "no headings: heading moves change nothing";
}

TEST(TxtSegmentation, TheEndOfTheTextIsOnTheLastPage) {
  TempDir dir;
  std::string run;
  while (run.size() < 3000) run += std::string(68, 'x') + ". ";
  WriteFile(dir / "run.txt", run);
  auto t = OpenText(dir / "run.txt");
  ASSERT_EQ(3, t->GetTotalPages());
  for (int i = 0; i < 5; ++i) t->SeekToNextPage();
  ASSERT_EQ(t->GetUnicodeLength(), t->GetCurPlace());
  EXPECT_EQ(2, t->GetCurPage()) << "page 3 of 3, not 4 of 3";
  EXPECT_EQ(t->GetTotalParagraphs() - 1, t->GetCurParagraph());
  t->SeekToLastPage();
  EXPECT_EQ(2030, t->GetCurPlace()) << "back from the end: the start of the last page";
}

TEST(TxtSegmentation, SentencesAreCutAtTheMaximumAndBlankLinesMakeNoEmptyParagraphs) {
  TempDir dir;
  WriteFile(dir / "t.txt", std::string(1200, 'w') + "\r\n\r\n\r\nNext.");
  auto t = OpenText(dir / "t.txt");
  EXPECT_EQ((std::vector<int>{0, 500, 1000, 1206}), SentenceStarts(*t));
  EXPECT_EQ((std::vector<int>{1000, 1206}), ParagraphStarts(*t)) << "1,000 units without a break";
  t->SeekToSentence(2);
  EXPECT_EQ(U16(std::string(200, 'w') + "\r\n\r\n\r\n"), Current(*t));
  // A seek into the middle of a sentence reads its rest.
  t->SeekToPlace(1100);
  EXPECT_EQ(2, t->GetCurSentence());
  EXPECT_EQ(106u, Current(*t).size());
  t->SeekToLastSentence();
  EXPECT_EQ(500, t->GetCurPlace());
}

TEST(TxtChunks, SentencesAcrossChunkBoundariesReadBackWhole) {
  TempDir dir;
  // Multi-byte letters make byte offsets and places differ.
  std::u16string sentence = U16("Zażółć gęślą jaźń, " + std::string(70, 'k') + ". ");
  std::u16string text;
  while (text.size() < 3 * CTxt::c_ChunkUnits) text += sentence;
  for (Enc enc : {Enc::Utf8, Enc::Cp1250, Enc::Utf16Be}) {
    std::string path = dir / ("c" + std::to_string(static_cast<int>(enc)) + ".txt");
    WriteFile(path, Encode(text, enc));
    auto t = OpenText(path);
    int checked = 0;
    for (int i = t->GetTotalSentences() - 1; i >= 0; --i) {  // backwards: no help from the window
      t->SeekToSentence(i);
      int start = t->GetCurPlace();
      std::u16string s = Current(*t);
      ASSERT_EQ(text.substr(static_cast<size_t>(start), sentence.size()), s) << "sentence " << i;
      if (start / CTxt::c_ChunkUnits != (start + static_cast<int>(s.size()) - 1) / CTxt::c_ChunkUnits) ++checked;
    }
    EXPECT_EQ(3, checked) << "sentences spanning the three inner chunk boundaries";
    if (enc != Enc::Utf16Be) {
      EXPECT_EQ(4, t->GetChunkCount());
    }
  }
}

TEST(TxtChunks, CharactersBeyondTheBasicPlaneSurviveAndReadTheSameEverywhere) {
  TempDir dir;
  // An emoji inside a chunk stays a surrogate pair; one that would be split
  // by a chunk boundary reads as one space, the same in every reading path.
  std::string bytes = "Emoji 😀 here. " + std::string(4095 - 15, 'a') + "😀" + "b tail.";
  WriteFile(dir / "e.txt", bytes);
  auto t = OpenText(dir / "e.txt");
  EXPECT_EQ(CTxt::c_Utf8, t->GetEncoding());
  std::u16string text = WholeText(*t);
  ASSERT_EQ(static_cast<size_t>(4095 + 1 + 7), text.size());
  EXPECT_EQ(U16("Emoji 😀 here. "), text.substr(0, 15));
  EXPECT_EQ(u' ', text[4095]);
  EXPECT_EQ(u'b', text[4096]) << "the character after the emoji is kept";
  EXPECT_EQ(text, ReadThrough(*t));
}

TEST(TxtOpen, EmptyFilesOpenWithNothingToRead) {
  TempDir dir;
  for (const char* bytes : {"", "\xEF\xBB\xBF", "\xFF\xFE", "\xFE\xFF"}) {
    WriteFile(dir / "e.txt", bytes);
    auto t = OpenText(dir / "e.txt");
    EXPECT_EQ(0, t->GetTotalSentences());
    EXPECT_EQ(0, t->GetTotalPages());
    EXPECT_EQ(0, t->GetTotalParagraphs());
    EXPECT_EQ(0, t->GetUnicodeLength());
    unsigned short* text = reinterpret_cast<unsigned short*>(1);
    int length = -1;
    EXPECT_EQ(0, t->ReadCurSentence(&text, &length));
    EXPECT_EQ(nullptr, text);
    EXPECT_EQ(0, length);
    t->SeekToNextPage();
    t->SeekToLastParagraph();
    t->SeekToNextSentence();
    EXPECT_EQ(0, t->GetCurPlace());
    EXPECT_EQ(0, t->GetCurPage());
  }
}

TEST(TxtOpen, DetectionLooksAtTheFirstBlockOnly) {
  TempDir dir;
  const size_t block = 512 * 1024;
  // The first block ends inside a two-byte sequence: still UTF-8.
  std::string big(block - 1, 'a');
  big += "\xC5\x82 end";
  WriteFile(dir / "big.txt", big);
  auto t = OpenText(dir / "big.txt");
  EXPECT_EQ(CTxt::c_Utf8, t->GetEncoding());
  t->SeekToPlace(static_cast<int>(block) - 1);
  EXPECT_EQ(u"ł end", Current(*t));
  // A whole file that ends inside a sequence is not UTF-8.
  WriteFile(dir / "cut.txt", "abc\xC5");
  t = OpenText(dir / "cut.txt");
  EXPECT_EQ(CTxt::c_CodePage, t->GetEncoding());
  EXPECT_EQ(u"abcĹ", WholeText(*t));
  // UTF-16 without a mark, told by its NUL bytes.
  WriteFile(dir / "nomark.txt", std::string("h\0i\0", 4));
  t = OpenText(dir / "nomark.txt");
  EXPECT_EQ(CTxt::c_Utf16Le, t->GetEncoding());
  EXPECT_EQ(u"hi", WholeText(*t));
}

TEST(TxtOpen, CodePageLettersAndUndefinedBytes) {
  TempDir dir;
  std::u16string letters = u"ąćęłńóśźż ĄĆĘŁŃÓŚŹŻ „cytat” – i…";
  WriteFile(dir / "pl.txt", Encode(letters, Enc::Cp1250) + "\x98!");
  auto t = OpenText(dir / "pl.txt");
  EXPECT_EQ(CTxt::c_CodePage, t->GetEncoding());
  EXPECT_EQ(letters + u" !", WholeText(*t)) << "0x98 has no character: a space";
}

// Mainframe exports: EBCDIC lines ended by its new-line byte (0x15), and
// fixed records of capitals padded with spaces and no line ends at all.
TEST(TxtOpen, EbcdicTextsReadAsTextWithTheirPunctuationAndLines) {
  TempDir dir;
  auto ebcdic = [](const char* codePage, const std::string& utf8) {
    std::string out;
    EXPECT_EQ(0, conv::Converter(codePage, "UTF-8").Convert(utf8.data(), utf8.size(), &out)) << codePage;
    return out;
  };
  const std::string lines[] = {"Mr. Smith went to Washington, D.C. yesterday! Was it [far]?",
                               "He paid $5 (10% off) for a map; \"fine\", he said.", "The end."};
  std::u16string expected;
  for (const std::string& l : lines) expected += U16(l) + u"\n";
  // "!" and the brackets are where IBM037 and IBM500 differ.
  for (const char* cp : {"IBM037", "IBM500"}) {
    SCOPED_TRACE(cp);
    std::string bytes;
    for (const std::string& l : lines) bytes += ebcdic(cp, l) + "\x15";
    WriteFile(dir / "export.txt", bytes);
    auto t = OpenText(dir / "export.txt");
    EXPECT_EQ(CTxt::c_CodePage, t->GetEncoding());
    EXPECT_EQ(expected, WholeText(*t));
    EXPECT_EQ(3, t->GetTotalParagraphs());
  }
  // Polish letters make it the Latin-2 EBCDIC.
  const std::string polish = "Zażółć gęślą jaźń, łąka i świerszcz.";
  WriteFile(dir / "pl.txt", ebcdic("IBM870", polish) + "\x15" + ebcdic("IBM870", polish) + "\x15");
  EXPECT_EQ(U16(polish + "\n" + polish + "\n"), WholeText(*OpenText(dir / "pl.txt")));
  std::string records;
  std::u16string text;
  for (const char* r : {"ACCOUNT 000123 JOHN SMITH", "BALANCE 4,500.00 USD", "STATUS ACTIVE"}) {
    std::string line = std::string(r) + std::string(80 - strlen(r), ' ');
    records += ebcdic("IBM037", line);
    text += U16(line);
  }
  WriteFile(dir / "records.txt", records);
  EXPECT_EQ(text, WholeText(*OpenText(dir / "records.txt")));
}

TEST(TxtOpen, ACancelledOpenGivesUpAtOnce) {
  using Clock = std::chrono::steady_clock;
  TempDir dir;
  std::string line = std::string(600, 'a') + ". \n", big;
  while (big.size() < (30u << 20)) big += line;
  WriteFile(dir / "big.txt", big);
  const std::string path = dir / "big.txt";
  CTxt early;
  early.CancelOpen();  // asked before the scan began: still honoured
  auto t0 = Clock::now();
  EXPECT_EQ(-6, early.Open(path.c_str()));
  EXPECT_LT(Clock::now() - t0, std::chrono::milliseconds(300));
  EXPECT_EQ(0, early.GetTotalSentences());

  // The opening scans only the start now, so a cancel comes after it; the
  // scan behind the reading goes on whole.
  CTxt book, whole;
  ASSERT_EQ(0, book.Open(path.c_str()));
  EXPECT_FALSE(book.Settled());
  book.CancelOpen();
  ASSERT_EQ(0, whole.Open(path.c_str()));
  EXPECT_EQ(whole.GetTotalSentences(), book.GetTotalSentences());
  EXPECT_EQ(whole.GetUnicodeLength(), book.GetUnicodeLength());
}

TEST(TxtOpen, FailuresAreReportedNotCrashed) {
  TempDir dir;
  OpenText(dir / "missing.txt", -4);
  mkdir((dir / "folder.txt").c_str(), 0755);
  OpenText(dir / "folder.txt", -4);
  CTxt t;
  EXPECT_EQ(-4, t.Open(nullptr));
  unsigned short* text;
  int length;
  EXPECT_EQ(-2, t.ReadCurSentence(&text, &length)) << "nothing open";
  unsigned short buf[4];
  EXPECT_EQ(-2, t.GetUnicode(buf, 4));
  WriteFile(dir / "ok.txt", "One. Two.");
  ASSERT_EQ(0, t.Open((dir / "ok.txt").c_str()));
  EXPECT_EQ(-2, t.ReadCurSentence(nullptr, &length));
  EXPECT_EQ(-2, t.GetUnicode(buf, 0));
  EXPECT_EQ(-2, t.GetUnicode(nullptr, 4));
  EXPECT_EQ(4, t.GetUnicode(buf, 4));
  EXPECT_EQ(u"One.", std::u16string(reinterpret_cast<char16_t*>(buf), 4));
  iCEbook* byExt = GetEbookClass("TXT");
  ASSERT_NE(nullptr, byExt);
  EXPECT_EQ(0, byExt->Open((dir / "ok.txt").c_str()));
  EXPECT_EQ(2, byExt->GetTotalSentences());
  delete byExt;
}

TEST(TxtOpen, AFileThatShrinksAfterOpeningFailsToReadInsteadOfReadingGarbage) {
  TempDir dir;
  std::string text;
  for (int i = 0; i < 400; ++i) text += "Zdanie numer " + std::to_string(i) + " ma ogonki: ąę. ";
  for (Enc enc : {Enc::Utf8, Enc::Utf16Le}) {
    std::string path = dir / "s.txt";
    WriteFile(path, Encode(U16(text), enc));
    auto t = OpenText(path);
    t->SeekToSentence(t->GetTotalSentences() - 1);
    ASSERT_EQ(0, truncate(path.c_str(), 100));
    unsigned short* p = nullptr;
    int length = 0;
    EXPECT_EQ(-5, t->ReadCurSentence(&p, &length));
  }
}

TEST(TxtOpen, SettingsAreBackToDefaultsWhileABookIsOpen) {
  TempDir dir;
  WriteFile(dir / "w.txt", std::string(1200, 'w'));
  CTxt t;
  t.SetMaxSentenceLength(150);
  ASSERT_EQ(0, t.Open((dir / "w.txt").c_str()));
  EXPECT_EQ(3, t.GetTotalSentences());
}

TEST(TxtLimits, CodePageAndUtf8TextEndsAtTheChunkTableLimit) {
  TempDir dir;
  const long long limit = 1LL * CTxt::c_MaxChunks * CTxt::c_ChunkUnits;
  std::string line(99, 'a');
  line += '\n';
  {
    FILE* f = fopen((dir / "huge.txt").c_str(), "wb");
    ASSERT_NE(nullptr, f);
    for (long long n = 0; n < limit + 5000; n += 100) fwrite(line.data(), 1, line.size(), f);
    fclose(f);
  }
  auto t = OpenText(dir / "huge.txt");
  EXPECT_EQ(limit, t->GetUnicodeLength());
  EXPECT_EQ(CTxt::c_MaxChunks, t->GetChunkCount());
  t->SeekToSentence(t->GetTotalSentences() - 1);
  std::u16string last = Current(*t);
  EXPECT_EQ(static_cast<size_t>(limit % 100), last.size());
  EXPECT_EQ(limit, t->GetCurPlace() + static_cast<long long>(last.size()));
}

}  // namespace
