#include "browser/string_collection.h"

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "browser/logical_strcmp.h"
#include "tests/support/test_support.h"

namespace {

TEST(StringCollection, HoldsThousandsOfNamesInOrderOfAdding) {
  StringCollection c;
  for (int i = 0; i < 5000; i++) ASSERT_EQ(0, c.Add(("name " + std::to_string(i)).c_str()));
  ASSERT_EQ(5000, c.GetTotal());
  EXPECT_STREQ("name 0", c.Get(0));
  EXPECT_STREQ("name 4999", c.Get(4999));
  EXPECT_EQ(nullptr, c.Get(5000));
  EXPECT_EQ(nullptr, c.Get(-1));
  EXPECT_EQ(1234, c.Find("NAME 1234"));
  EXPECT_EQ(-1, c.Find("name 5000"));
  EXPECT_EQ(-1, c.Find(nullptr));
  EXPECT_EQ(-1, c.Add(nullptr));
  std::string big(300, 'x');
  ASSERT_EQ(0, c.Add(big.c_str()));
  EXPECT_EQ(big, c.Get(5000));
  ASSERT_EQ(0, c.Add(""));
  EXPECT_STREQ("", c.Get(5001));
  c.Cls();
  EXPECT_EQ(0, c.GetTotal());
  EXPECT_EQ(nullptr, c.Get(0));
  ASSERT_EQ(0, c.Add("again"));
  EXPECT_STREQ("again", c.Get(0));
}

TEST(StringCollection, SortModes) {
  StringCollection c;
  for (const char* n : {"b10", "B2", "a", "b2"}) c.Add(n);
  c.Sort(7);  // unknown: nothing changes
  EXPECT_STREQ("b10", c.Get(0));
  EXPECT_EQ(StringCollection::kSortNone, c.GetSortMode());
  c.Sort(StringCollection::kSortByte);
  EXPECT_EQ((std::vector<std::string>{"B2", "a", "b10", "b2"}),
            (std::vector<std::string>{c.Get(0), c.Get(1), c.Get(2), c.Get(3)}));
  c.Sort(StringCollection::kSortCase);
  EXPECT_STREQ("a", c.Get(0));
  EXPECT_STREQ("b10", c.Get(1));
  ASSERT_EQ(
      0, LoadChnCharIndexFrom((std::string(DTB_BINARY_DIR) + "/home/ChnCharIndexs.bin").c_str()));
  c.Sort(StringCollection::kSortLogical);
  EXPECT_EQ(StringCollection::kSortLogical, c.GetSortMode());
  EXPECT_EQ((std::vector<std::string>{"a", "B2", "b2", "b10"}),
            (std::vector<std::string>{c.Get(0), c.Get(1), c.Get(2), c.Get(3)}));
  EXPECT_EQ(3, c.Find("B10"));
  FreeChnCharIndex();
}

// A comparison that answers at random must still leave every name in the
// list exactly once, and end.
int Coin(const char*, const char*) {
  static std::mt19937 rng(1);
  return static_cast<int>(rng() % 3) - 1;
}

TEST(StrSort, SurvivesAComparisonThatContradictsItself) {
  std::vector<std::string> names;
  for (int i = 0; i < 2000; i++) names.push_back(std::to_string(i % 700));
  std::vector<const char*> list;
  for (auto& n : names) list.push_back(n.c_str());
  StrSort(list.data(), static_cast<int>(list.size()), Coin);
  std::vector<const char*> sortedIn(list), sortedOrig;
  for (auto& n : names) sortedOrig.push_back(n.c_str());
  std::sort(sortedIn.begin(), sortedIn.end());
  std::sort(sortedOrig.begin(), sortedOrig.end());
  EXPECT_EQ(sortedOrig, sortedIn);
}

TEST(StrSort, SortsLikeTheStandardLibrary) {
  std::mt19937 rng(3);
  for (int n : {0, 1, 2, 3, 17, 1000}) {
    std::vector<std::string> names;
    for (int i = 0; i < n; i++)
      names.push_back(std::to_string(rng() % 50) + (rng() % 2 ? "A" : "a"));
    std::vector<const char*> a, b;
    for (auto& s : names) a.push_back(s.c_str());
    sort_case_string(a.data(), n);
    for (int i = 1; i < n; i++) EXPECT_LE(strcasecmp(a[i - 1], a[i]), 0);
    for (auto& s : names) b.push_back(s.c_str());
    sort_string(b.data(), n);
    for (int i = 1; i < n; i++) EXPECT_LE(strcmp(b[i - 1], b[i]), 0);
  }
  // Already sorted and reversed input are no worst case for a middle pivot.
  std::vector<std::string> many;
  for (int i = 0; i < 20000; i++) many.push_back(std::to_string(100000 + i));
  std::vector<const char*> rev;
  for (auto it = many.rbegin(); it != many.rend(); ++it) rev.push_back(it->c_str());
  sort_string(rev.data(), static_cast<int>(rev.size()));
  EXPECT_STREQ("100000", rev.front());
  EXPECT_STREQ("119999", rev.back());
}

}  // namespace
