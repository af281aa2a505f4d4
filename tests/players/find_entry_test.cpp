#include "players/kit/find_entry.h"

#include <gtest/gtest.h>

#include <string>

#include "core/base/keys.h"
#include "speech/ux_language.h"

namespace {

class FindEntryTest : public ::testing::Test {
 protected:
  void SetUp() override { ClearLastFindWord(); }
  void TearDown() override {
    ClearLastFindWord();
    g_pUxLanguage = GetUxLanguage(UX_LANGUAGE_POLISH);
    g_CurLanguage = UX_LANGUAGE_POLISH;
  }
  static void Language(int lang) {
    g_pUxLanguage = GetUxLanguage(lang);
    g_CurLanguage = lang;
  }
};

TEST_F(FindEntryTest, TheWheelFollowsTheLanguageAndTheWordIsKeptForTheNextSearch) {
  Language(UX_LANGUAGE_POLISH);
  FindEntry e;
  EXPECT_EQ(e.Begin(), "szukaj tekstu, a");
  EXPECT_EQ(e.Cycle(1), "ą");  // Polish letters sit in alphabet order
  EXPECT_EQ(e.Cycle(-1), "a");
  EXPECT_EQ(e.Cycle(-1), "spacja");  // round the wheel to the space
  std::string say;
  EXPECT_EQ(e.KeyDown(KEY_LEFT, &say), FindEntry::kHandled);
  EXPECT_EQ(say, "pusto");
  EXPECT_EQ(e.KeyDown(KEY_PLAY, &say), FindEntry::kHandled);  // nothing to look for
  EXPECT_TRUE(LastFindWord().empty());
  e.KeyDown(KEY_RIGHT, &say);
  for (int i = 0; i < 11; ++i) say = e.Cycle(1);
  EXPECT_EQ(say, "i");
  e.KeyDown(KEY_RIGHT, &say);
  EXPECT_EQ(say, "a");
  EXPECT_EQ(e.KeyDown(KEY_LEFT, &say), FindEntry::kHandled);
  EXPECT_EQ(say, "i");
  EXPECT_EQ(e.KeyDown(KEY_PLAY, &say), FindEntry::kSearch);
  EXPECT_EQ(LastFindWord(), u"i");
  EXPECT_EQ(e.KeyDown(KEY_BACK, &say), FindEntry::kLeave);
  EXPECT_EQ(e.KeyDown(KEY_INFO, &say), FindEntry::kNotMine);
  // The next entry starts from the word; in English the wheel has no ą.
  Language(UX_LANGUAGE_ENGLISH);
  FindEntry en;
  EXPECT_EQ(en.Begin(), "find text, i");
  EXPECT_EQ(en.Cycle(-9), "space");
  EXPECT_EQ(en.Cycle(1), "a");
  EXPECT_EQ(en.Cycle(1), "b");
}

TEST(FindKeys, PlayHeldMakesMenuRightAndLeftTheFindKeysAndEachIsDescribed) {
  EXPECT_EQ(FindComboOf(KEY_MENU), FIND_COMBO_ENTER);
  EXPECT_EQ(FindComboOf(KEY_RIGHT), FIND_COMBO_NEXT);
  EXPECT_EQ(FindComboOf(KEY_LEFT), FIND_COMBO_PREV);
  EXPECT_EQ(FindComboOf(KEY_UP), FIND_COMBO_NONE);
  for (const FindKeyDes* table : {c_FindKeyDes, c_FindEntryKeyDes}) {
    for (const FindKeyDes* d = table; d->key; ++d) {
      char en[256], pl[256];
      EXPECT_GT(GetUxLanguage(UX_LANGUAGE_ENGLISH)->GetString(d->phraseId, en, sizeof en), 0);
      EXPECT_GT(GetUxLanguage(UX_LANGUAGE_POLISH)->GetString(d->phraseId, pl, sizeof pl), 0);
      EXPECT_STRNE(en, pl);
    }
  }
}

}  // namespace
