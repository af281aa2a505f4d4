#include "browser/logical_strcmp.h"

#include <random>
#include <string>
#include <vector>

#include "browser/string_collection.h"
#include "tests/support/root_board.h"
#include "tests/support/test_support.h"

namespace {

using dtbtest::TempDir;
using dtbtest::WriteFile;

std::string TablePath() { return std::string(DTB_BINARY_DIR) + "/home/ChnCharIndexs.bin"; }

int Sign(int v) { return v < 0 ? -1 : (v > 0 ? 1 : 0); }

class WithTable : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(0, LoadChnCharIndexFrom(TablePath().c_str())); }
  void TearDown() override { FreeChnCharIndex(); }
};

struct Pair {
  const char* first;
  const char* second;
};

void ExpectOrdered(const std::vector<Pair>& pairs) {
  for (const Pair& p : pairs) {
    EXPECT_LT(LogicalStrCmp(p.first, p.second), 0) << p.first << " | " << p.second;
    EXPECT_GT(LogicalStrCmp(p.second, p.first), 0) << p.second << " | " << p.first;
  }
}

TEST_F(WithTable, NumbersCompareAsNumbers) {
  ExpectOrdered({
      {"track1.mp3", "track2.mp3"},
      {"track2.mp3", "track10.mp3"},
      {"2", "10"},
      {"a01", "a1"},  // equal numbers go on digit by digit
      {"007", "7"},
      {"n100", "n99999999999999999999999999"},
      {"n99999999999999999999999998", "n99999999999999999999999999"},
      // A later number counts as a number behind the same text (case aside).
      {"Tom 2 rozdział 9", "Tom 2 rozdział 10"},
      {"a1 B9", "A1 b10"},
      // Behind different text it is compared digit by digit.
      {"x1-a10", "x1a9"},
      {"disc 1 - 10.mp3", "disc 2 - 1.mp3"},
  });
}

TEST_F(WithTable, HyphensOnlyBreakTies) {
  ExpectOrdered({
      {"ab.txt", "a-b.txt"},
      {"ab", "a-c"},       // the hyphen is skipped: b before c
      {"x", "-x"},
      {"a-bc", "a-b-c"},
      {"a-b", "a-b-"},
      {"Rozdział 1-a", "Rozdział-1"},  // the space weighs less than the 1
  });
  EXPECT_EQ(0, LogicalStrCmp("a-b", "a-b"));
  EXPECT_EQ(0, LogicalStrCmp("--", "--"));
}

TEST_F(WithTable, CaseIsIgnoredUntilEverythingElseIsEqual) {
  ExpectOrdered({
      {"apple", "Banana"},
      {"Apple", "apple"},
      {"ZEBRA.txt", "zebra.TXT"},
  });
  EXPECT_EQ(0, LogicalStrCmp("Żółw", "Żółw"));
}

TEST_F(WithTable, PolishLettersFollowTheirBaseLetter) {
  ExpectOrdered({
      {"a", "ą"},
      {"ąz", "b"},
      {"Az", "Ąa"},
      {"cz", "ćma"},
      {"ez", "ęa"},
      {"lz", "łania"},
      {"Łódź", "m"},
      {"nz", "ńa"},
      {"oz", "ósemka"},
      {"sz", "ślimak"},
      {"śz", "t"},
      {"zz", "źrebak"},
      {"źz", "żaba"},
      {"Żaba", "żaba"},
      {"ez", "éa"},  // an accent other than Polish stays beside its letter
      {"éz", "f"},
  });
}

TEST_F(WithTable, PunctuationFirstThenDigitsThenLetters) {
  ExpectOrdered({
      {"_x", "0"},
      {"(a)", "1"},
      {"!", "a"},
      {"9", "a"},
      {"1abc", "abc"},
      {" a", "a"},
  });
}

TEST(LogicalStrCmpWithoutTable, FallsBackToCaseInsensitiveOrder) {
  FreeChnCharIndex();
  ExpectOrdered({
      {"apple", "Banana"},
      {"track2", "track10"},
      {"Apple", "apple"},
      {"ab.txt", "a-b.txt"},
  });
  // A sort asked for in logical order without the file sorts ignoring case.
  TempDir root;
  dtbtest::ScopedRootBoard board(root.path());
  StringCollection names;
  for (const char* n : {"b", "track10", "A", "track2"}) names.Add(n);
  names.Sort(StringCollection::kSortLogical);
  EXPECT_EQ(StringCollection::kSortCase, names.GetSortMode());
  EXPECT_STREQ("A", names.Get(0));
  EXPECT_STREQ("track10", names.Get(2));
  EXPECT_EQ(nullptr, g_ChnCharIndex);
}

TEST(LogicalStrCmpWithoutTable, TableOfTheWrongSizeIsRefused) {
  TempDir dir;
  WriteFile(dir / "short.bin", std::string(131071, '\1'));
  WriteFile(dir / "long.bin", std::string(131073, '\1'));
  EXPECT_EQ(-1, LoadChnCharIndexFrom((dir / "short.bin").c_str()));
  EXPECT_EQ(-1, LoadChnCharIndexFrom((dir / "long.bin").c_str()));
  EXPECT_EQ(-1, LoadChnCharIndexFrom((dir / "absent.bin").c_str()));
  EXPECT_EQ(nullptr, g_ChnCharIndex);
  ASSERT_EQ(0, LoadChnCharIndexFrom(TablePath().c_str()));
  EXPECT_EQ(-1, LoadChnCharIndexFrom((dir / "short.bin").c_str()));
  EXPECT_NE(nullptr, g_ChnCharIndex);  // the good table stays
  FreeChnCharIndex();
}

// Every pair of a crowd of awkward names: numbers, hyphens, case, Polish
// letters, bytes cut off in the middle of a character.
std::vector<std::string> AwkwardNames() {
  const char* parts[] = {"1", "2", "10", "0", "-", "a", "A", "ą", "Ą", "b",
                         " ", ".", "\xc4", "\xe0", "\xe0\x80", "x", "9", "--"};
  std::mt19937 rng(7);
  std::vector<std::string> names = {"", "-", "1a-9", "1a10", "a-b", "a-B", "ab"};
  for (int i = 0; i < 400; i++) {
    std::string s;
    int n = static_cast<int>(rng() % 6);
    for (int k = 0; k < n; k++) s += parts[rng() % (sizeof(parts) / sizeof(parts[0]))];
    names.push_back(s);
  }
  return names;
}

void ExpectAntisymmetric() {
  std::vector<std::string> names = AwkwardNames();
  for (const auto& a : names) {
    ASSERT_EQ(0, LogicalStrCmp(a.c_str(), a.c_str())) << a;
    for (const auto& b : names) {
      int ab = Sign(LogicalStrCmp(a.c_str(), b.c_str()));
      int ba = Sign(LogicalStrCmp(b.c_str(), a.c_str()));
      ASSERT_EQ(ab, -ba) << "'" << a << "' vs '" << b << "'";
      ASSERT_EQ(a == b, ab == 0) << "'" << a << "' vs '" << b << "'";
    }
  }
}

TEST_F(WithTable, OrderIsAntisymmetric) { ExpectAntisymmetric(); }
TEST(LogicalStrCmpWithoutTable, OrderIsAntisymmetric) {
  FreeChnCharIndex();
  ExpectAntisymmetric();
}

TEST_F(WithTable, SortedListingOfMixedNames) {
  std::vector<std::string> want = {
      "(intro).mp3", "01 Wstęp.mp3",     "1 Wstęp.mp3",     "2 Litwa.mp3",
      "10 Łowy.mp3", "Ala.txt",          "ala.txt",         "ąkla.txt",
      "Łąka 2.txt",  "Łąka 10.txt",      "Łąka-10.txt",     "Śnieg.txt",
      "zebra.txt",   "Źdźbło.txt",       "żaba.txt"};
  std::vector<const char*> list;
  for (size_t i = 0; i < want.size(); i++) list.push_back(want[(i * 7) % want.size()].c_str());
  StrSort(list.data(), static_cast<int>(list.size()), LogicalStrCmp);
  std::vector<std::string> got(list.begin(), list.end());
  EXPECT_EQ(want, got);
}

}  // namespace
