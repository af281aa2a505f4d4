#include "ebook/text_helpers.h"

#include <string>
#include <vector>

#include "tests/ebook/ebook_test_util.h"
#include "tests/support/test_support.h"

namespace {

using ebooktest::U16;

int FirstSentence(const std::u16string& s) {
  return GetSentencesLengthW(reinterpret_cast<const unsigned short*>(s.data()), static_cast<int>(s.size()));
}

// The first sentence as text, to make failures readable.
std::string Head(const std::string& utf8) {
  std::u16string s = U16(utf8);
  return ebooktest::U8(s.substr(0, static_cast<size_t>(FirstSentence(s))));
}

TEST(SentenceLength, FullStopsInsideNumbersAndAbbreviationsDoNotEndSentences) {
  EXPECT_EQ("It costs 3.50 dollars. ", Head("It costs 3.50 dollars. Next"));
  EXPECT_EQ("See e.g. ", Head("See e.g. this"));
  EXPECT_EQ("Version 1.2.3 is out. ", Head("Version 1.2.3 is out. Yes"));
  // A full stop as the very last unit leaves the sentence open: the whole input.
  EXPECT_EQ("Ends with a stop.", Head("Ends with a stop."));
}

TEST(SentenceLength, EllipsisAndTrailingPunctuationBelongToTheSentence) {
  EXPECT_EQ("Wait... ", Head("Wait... what"));
  EXPECT_EQ("Really?!\" ", Head("Really?!\" she said"));
  EXPECT_EQ("Done.\r\n\r\n", Head("Done.\r\n\r\nNext line"));
  // Typographic quotes and dashes are word units: a sentence starts at them.
  EXPECT_EQ("Tak. ", Head("Tak. „Nie”"));
}

TEST(SentenceLength, SemicolonEndsButColonDoesNot) {
  EXPECT_EQ("a;", Head("a;b"));
  EXPECT_EQ("a:b", Head("a:b"));
  // Fullwidth colon and ideographic full stop do end a sentence.
  EXPECT_EQ("日本：", Head("日本：東京"));
  EXPECT_EQ("東京。", Head("東京。大阪"));
}

TEST(SentenceLength, LineFeedEndsButCarriageReturnAloneDoesNot) {
  EXPECT_EQ("one\n", Head("one\ntwo"));
  EXPECT_EQ("one\rtwo", Head("one\rtwo"));
}

TEST(SentenceLength, OnlySeparatorsOrNoTerminatorGiveTheWholeInput) {
  EXPECT_EQ(5, FirstSentence(u"  ...")) << "punctuation only";
  EXPECT_EQ(9, FirstSentence(u"  no stop")) << "leading separators are part of it";
  EXPECT_EQ(0, GetSentencesLengthW(nullptr, 5));
  std::u16string s = u"x";
  EXPECT_EQ(0, GetSentencesLengthW(reinterpret_cast<const unsigned short*>(s.data()), 0));
  EXPECT_EQ(1, FirstSentence(u"."));
}

TEST(CheckIfUtf8, CutSequenceDependsOnWhetherTheDataIsWhole) {
  const unsigned char cut[] = {'a', 0xE4, 0xB8};
  EXPECT_EQ(1, CheckIfUtf8(cut + 1, 2, 0));
  EXPECT_EQ(0, CheckIfUtf8(cut + 1, 2, 1));
  EXPECT_EQ(1, CheckIfUtf8(cut, 1, 1));
  EXPECT_EQ(0, CheckIfUtf8(cut, 0, 1));
  EXPECT_EQ(-1, CheckIfUtf8(nullptr, 3, 1));
  EXPECT_EQ(-1, CheckIfUtf8(cut, -1, 1));
}

TEST(CheckIfUtf8, RejectsCodePageBytesAndAcceptsAllFourSequenceLengths) {
  // "żółw" in Windows-1250: lone high bytes.
  const unsigned char cp1250[] = {0xBF, 0xF3, 0xB3, 'w'};
  EXPECT_EQ(0, CheckIfUtf8(cp1250, 4, 1));
  std::string utf8 = "Zażółć gęślą jaźń € 😀";
  EXPECT_EQ(1, CheckIfUtf8(reinterpret_cast<const unsigned char*>(utf8.data()), static_cast<int>(utf8.size()), 1));
  const unsigned char badFollower[] = {0xC5, 'a'};
  EXPECT_EQ(0, CheckIfUtf8(badFollower, 2, 0));
  const unsigned char tooHigh[] = {0xF8, 0x80, 0x80, 0x80};
  EXPECT_EQ(0, CheckIfUtf8(tooHigh, 4, 1));
}

TEST(DecodeUtf8, DecodesEveryLengthAndKeepsTheCharacterAfterAnEmoji) {
  std::string in = "aż€😀b";
  unsigned short out[16];
  int used = 0;
  int n = DecodeUtf8(reinterpret_cast<const unsigned char*>(in.data()), static_cast<int>(in.size()), out, 16, &used);
  ASSERT_EQ(6, n);
  EXPECT_EQ(static_cast<int>(in.size()), used);
  std::u16string got(reinterpret_cast<char16_t*>(out), 6);
  EXPECT_EQ(U16(in), got);
}

TEST(DecodeUtf8, RoomForOneUnitTurnsAPairIntoOneSpaceAndCutTailsWait) {
  std::string in = "😀";
  unsigned short out[4] = {0, 0, 0, 0};
  int used = 0;
  EXPECT_EQ(1, DecodeUtf8(reinterpret_cast<const unsigned char*>(in.data()), 4, out, 1, &used));
  EXPECT_EQ(' ', out[0]);
  EXPECT_EQ(4, used);
  // A sequence cut by the end is left for the next call.
  const unsigned char cut[] = {'x', 0xC5};
  EXPECT_EQ(1, DecodeUtf8(cut, 2, out, 4, &used));
  EXPECT_EQ(1, used);
  // Bytes that cannot be UTF-8 become spaces, one each, and take nothing else.
  const unsigned char bad[] = {0x80, 0xC5, 'A', 0xFF};
  ASSERT_EQ(4, DecodeUtf8(bad, 4, out, 4, &used));
  EXPECT_EQ((std::vector<unsigned short>{' ', ' ', 'A', ' '}), std::vector<unsigned short>(out, out + 4));
}

TEST(FindPlace, FindsTheEntryAtOrBelowTheValue) {
  const int t[] = {0, 10, 20, 20, 20, 35, 50};
  EXPECT_EQ(-1, FindPlace(t, 7, -1));
  EXPECT_EQ(-1, FindPlace(nullptr, 7, 5));
  EXPECT_EQ(-1, FindPlace(t, 0, 5));
  EXPECT_EQ(0, FindPlace(t, 7, 9));
  EXPECT_EQ(1, FindPlace(t, 7, 10));
  EXPECT_EQ(5, FindPlace(t, 7, 49));
  EXPECT_EQ(6, FindPlace(t, 7, 50));
  EXPECT_EQ(6, FindPlace(t, 7, 1000));
  int eq = FindPlace(t, 7, 25);
  EXPECT_EQ(4, eq) << "between 20 and 35 only the last 20 qualifies";
  int any = FindPlace(t, 7, 20);
  EXPECT_TRUE(any >= 2 && any <= 4);
  EXPECT_EQ(4, FindLastPlace(t, 7, 20));
  // Exhaustively against a linear search over a longer table.
  std::vector<int> big;
  for (int i = 0; i < 300; ++i) big.push_back(i * 3 + (i % 7 == 0 ? 0 : 1));
  for (int v = 0; v < 905; ++v) {
    int expect = -1;
    for (int i = 0; i < 300; ++i)
      if (big[i] <= v) expect = i;
    ASSERT_EQ(expect, FindLastPlace(big.data(), 300, v)) << v;
  }
}

TEST(SmallHelpers, CaseCompareWhitespaceLineBreaksAndByteSwap) {
  std::u16string tag = u"Body";
  auto t = reinterpret_cast<const unsigned short*>(tag.data());
  EXPECT_EQ(0, unicode_wch_casecmp(t, "bODY", 4));
  EXPECT_EQ(1, unicode_wch_casecmp(t, "BODA", 4));
  EXPECT_EQ(-1, unicode_wch_casecmp(t, "BODZ", 4));
  EXPECT_EQ(0, unicode_wch_casecmp(t, "BOX", 2));
  EXPECT_EQ(0, unicode_wch_casecmp(t, "x", 0));
  EXPECT_EQ(-1, unicode_wch_casecmp(nullptr, "x", 1));
  // Only a-z fold: 'ł' is not 'Ł'.
  std::u16string pl = u"ł";
  EXPECT_NE(0, unicode_wch_casecmp(reinterpret_cast<const unsigned short*>(pl.data()), "\xc5", 1));

  std::u16string ws = u" \t\r\n\x0b" u"a b\x0c\r ";
  auto w = reinterpret_cast<const unsigned short*>(ws.data());
  int n = static_cast<int>(ws.size());
  EXPECT_EQ(4, GetFrontWhiteSpaceLengthW(w, n)) << "vertical tab is not white space";
  EXPECT_EQ(2, GetRearWhiteSpaceLengthW(w, n)) << "form feed is not white space";
  EXPECT_EQ(0, GetFrontWhiteSpaceLengthW(w, 0));

  EXPECT_EQ(1, Check0D0A_W(w, 3));
  EXPECT_EQ(0, Check0D0A_W(w, 2));
  EXPECT_EQ(0, Check0D0A_W(nullptr, 3));

  unsigned short units[] = {0x0102, 0xFEFF};
  Utf16BeToLe(units, 2);
  EXPECT_EQ(0x0201, units[0]);
  EXPECT_EQ(0xFFFE, units[1]);
  Utf16BeToLe(nullptr, 2);
}

}  // namespace
