// Clock values, string lists and metadata: the small pieces every reader uses.
#include <strings.h>

#include <memory>
#include <string>

#include "daisy/clock_value.h"
#include "daisy/meta.h"
#include "daisy/string_array.h"
#include "tests/support/test_support.h"

namespace libDaisy {
namespace {

TEST(ClockValue, EveryFormatSmilFilesUse) {
  EXPECT_EQ(12500, ClippingAndClockValue_to_Ms("npt=12.5s"));
  EXPECT_EQ(62250, ClippingAndClockValue_to_Ms("0:01:02.25"));
  EXPECT_EQ(5400000, ClippingAndClockValue_to_Ms("1.5h"));
  EXPECT_EQ(250, ClippingAndClockValue_to_Ms("250ms"));
  EXPECT_EQ(3123, ClippingAndClockValue_to_Ms("3.1234"));
  EXPECT_EQ(5000, ClippingAndClockValue_to_Ms("00:00:05"));
  EXPECT_EQ(150000, ClippingAndClockValue_to_Ms("2.5min"));
  EXPECT_EQ(65500, ClippingAndClockValue_to_Ms("01:05.5"));
  EXPECT_EQ(889793, ClippingAndClockValue_to_Ms("00:14:49.7939004"));
  EXPECT_EQ(500, ClippingAndClockValue_to_Ms(".5"));
  EXPECT_EQ(7000, ClippingAndClockValue_to_Ms("npt=7"));
  EXPECT_EQ(12000, ClippingAndClockValue_to_Ms(" 12s "));
  // The full clock's short way and the forms that leave it.
  EXPECT_EQ(45296789, ClippingAndClockValue_to_Ms("12:34:56.789"));
  EXPECT_EQ(3723400, ClippingAndClockValue_to_Ms("1:02:03.4"));
  EXPECT_EQ(1500, ClippingAndClockValue_to_Ms("0:00:01,5"));
  EXPECT_EQ(1000, ClippingAndClockValue_to_Ms("0:00:01."));
  EXPECT_EQ(61000, ClippingAndClockValue_to_Ms("0:1:01"));
}

TEST(ClockValue, OddValuesGiveTheirDefinedResult) {
  EXPECT_EQ(-1, ClippingAndClockValue_to_Ms(nullptr));
  EXPECT_EQ(0, ClippingAndClockValue_to_Ms(""));
  EXPECT_EQ(-1, ClippingAndClockValue_to_Ms("1:2:3:4"));
  EXPECT_EQ(0, ClippingAndClockValue_to_Ms("abc"));
  EXPECT_EQ(0, ClippingAndClockValue_to_Ms("npt="));  // too short to lose its prefix
  EXPECT_EQ(3000, ClippingAndClockValue_to_Ms("3furlongs"));
  EXPECT_EQ(123000, ClippingAndClockValue_to_Ms("x1:2:3"));  // hours 0: not a digit
  // Absurd values saturate instead of overflowing.
  EXPECT_EQ(2147483647, ClippingAndClockValue_to_Ms("99999999999999999999999h"));
  EXPECT_EQ(2147483647, ClippingAndClockValue_to_Ms("99999999:99:99"));
  // Only the given length counts.
  EXPECT_EQ(1000, ClippingAndClockValue_to_Ms("1s5", 2));
}

TEST(StringArray, AddsFindsAndGrowsAcrossBlocks) {
  StringArray list(16, 2);  // tiny blocks: every add crosses one
  EXPECT_EQ(-1, list.Add(nullptr));
  for (int i = 0; i < 500; i++) ASSERT_EQ(0, list.Add(("name" + std::to_string(i)).c_str()));
  ASSERT_EQ(500, list.GetCnt());
  EXPECT_STREQ("name0", list.Get(0));
  EXPECT_STREQ("name499", list.Get(499));
  EXPECT_EQ(nullptr, list.Get(500));
  EXPECT_EQ(nullptr, list.Get(-1));
  EXPECT_EQ(7, list.GetLength(499));
  EXPECT_EQ(123, list.Find("name123"));
  EXPECT_EQ(-1, list.Find("NAME123"));
  EXPECT_EQ(123, list.CaseFind("NAME123"));
  EXPECT_EQ(12, list.CaseFind("NAME123", 6));  // "NAME12"
  ASSERT_EQ(0, list.Add("abc", 2));
  EXPECT_STREQ("ab", list.Get(500));
  ASSERT_EQ(0, list.AddTextToLastString("cdef", 3));
  EXPECT_STREQ("abcde", list.Get(500));
  ASSERT_EQ(0, list.RemoveLastOne());
  EXPECT_EQ(500, list.GetCnt());
  ASSERT_EQ(0, list.Add("next"));
  EXPECT_STREQ("next", list.Get(500));
  EXPECT_STREQ("name499", list.Get(499));

  std::unique_ptr<StringArray> copy(list.Copy());
  ASSERT_TRUE(copy);
  EXPECT_EQ(501, copy->GetCnt());
  EXPECT_STREQ("next", copy->Get(500));
  list.Clean();
  EXPECT_EQ(0, list.GetCnt());
  EXPECT_EQ(-1, list.RemoveLastOne());
  EXPECT_STREQ("name7", copy->Get(7));
}

TEST(StringArray, CaseIndexAgreesWithLinearSearch) {
  StringArray hashed(64, 4), plain(64, 4);
  ASSERT_EQ(0, hashed.EnableCaseIndex());
  const char* words[] = {"Id1", "id2", "ID1", "x", "id1", "Y", "x"};
  for (int round = 0; round < 300; round++)
    for (const char* w : words) {
      std::string s = std::string(w) + (round % 3 ? "" : std::to_string(round));
      hashed.Add(s.c_str());
      plain.Add(s.c_str());
    }
  for (const char* probe : {"id1", "X", "y", "ID2", "nothing", "id1150", "ID1297"}) {
    EXPECT_EQ(plain.CaseFind(probe), hashed.CaseFind(probe)) << probe;
    for (int from : {0, 5, 777, 2099, 5000}) {
      // Reference: the first match at or after from, else the first overall.
      int want = -1, first = -1;
      for (int i = 0; i < plain.GetCnt(); i++)
        if (strcasecmp(plain.Get(i), probe) == 0) {
          if (first < 0) first = i;
          if (i >= from) {
            want = i;
            break;
          }
        }
      if (want < 0) want = first;
      EXPECT_EQ(want, hashed.CaseFindFrom(probe, -1, from)) << probe << " from " << from;
      EXPECT_EQ(want, plain.CaseFindFrom(probe, -1, from)) << probe << " from " << from;
    }
  }
  // Removing and truncating keep the index right.
  int before = hashed.CaseFind("y");
  hashed.Truncate(before);
  EXPECT_EQ(-1, hashed.CaseFind("y"));
  EXPECT_EQ(plain.CaseFind("ID1"), hashed.CaseFind("ID1"));
  hashed.Add("Y");
  EXPECT_EQ(before, hashed.CaseFind("y"));
}

TEST(Meta, KeepsPairsInOrder) {
  Meta meta;
  EXPECT_EQ(-1, meta.Add(nullptr, "x"));
  ASSERT_EQ(0, meta.Add("dc:title", "One"));
  ASSERT_EQ(0, meta.Add("dc:Title", "Two"));
  ASSERT_EQ(0, meta.Add("dc:titleX", "Three", 8, 3));
  EXPECT_EQ(3, meta.GetCnt());
  EXPECT_STREQ("Two", meta.Get("dc:Title"));
  EXPECT_STREQ("One", meta.CaseGet("DC:TITLE"));
  EXPECT_STREQ("One", meta.Get("dc:title"));  // the first of two with that name
  const char *name, *content;
  ASSERT_EQ(0, meta.Get(2, &name, &content));
  EXPECT_STREQ("dc:title", name);
  EXPECT_STREQ("Thr", content);
  EXPECT_EQ(-1, meta.Get(3, &name, &content));
  EXPECT_EQ(nullptr, meta.Get("nothing"));
  std::unique_ptr<Meta> copy(meta.Copy());
  ASSERT_TRUE(copy);
  std::string a, b;
  meta.Dump(a);
  copy->Dump(b);
  EXPECT_EQ(a, b);
}

}  // namespace
}  // namespace libDaisy
