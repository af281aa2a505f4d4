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

// The window's part seen through the hooks: what it was asked to do.
class FindKeysTest : public FindEntryTest {
 protected:
  FindKeys MakeKeys() {
    return FindKeys({&paused_, [this] { log_ += "pause;"; }, [this](const std::string& t) { log_ += "say " + t + ";"; },
                     [this](int id) { log_ += "phrase " + std::to_string(id) + ";"; },
                     [this] { log_ += "resume;"; },
                     [this](bool forward, const std::u16string& w) {
                       log_ += std::string(forward ? "next " : "prev ") + FindWordUtf8(w) + ";";
                     },
                     [this](int code) {
                       log_ += "event " + std::to_string(code) + ";";
                       return 7;
                     }});
  }
  bool paused_ = false;
  std::string log_;
};

TEST_F(FindKeysTest, PlayHeldUndoesItsToggleAndEntersOrLooksUpTheWord) {
  Language(UX_LANGUAGE_ENGLISH);
  FindKeys keys = MakeKeys();
  EXPECT_FALSE(keys.ComboDown(KEY_PLAY));  // the window toggles its pause
  paused_ = true;
  EXPECT_FALSE(keys.ComboDown(KEY_UP));  // not a find key
  keys.KeyUp(KEY_PLAY);
  EXPECT_FALSE(keys.ComboDown(KEY_RIGHT));  // play no longer held
  EXPECT_TRUE(log_.empty());

  paused_ = false;
  keys.ComboDown(KEY_PLAY);
  paused_ = true;                         // what play did
  EXPECT_TRUE(keys.ComboDown(KEY_RIGHT));  // nothing looked for yet: the word first
  EXPECT_FALSE(paused_);
  EXPECT_TRUE(keys.Entering());
  EXPECT_EQ(log_, "pause;say find text, a;");

  log_.clear();
  EXPECT_EQ(keys.EntryKeyDown(nullptr, KEY_PLAY), 0);  // looks "a" up, forward
  EXPECT_FALSE(keys.Entering());
  EXPECT_EQ(log_, "next a;");
  log_.clear();
  EXPECT_TRUE(keys.ComboDown(KEY_LEFT));  // still held: the previous match
  EXPECT_EQ(log_, "prev a;");
}

TEST_F(FindKeysTest, LeavingTheEntryResumesAndADeviceEventEndsIt) {
  Language(UX_LANGUAGE_ENGLISH);
  FindKeys keys = MakeKeys();
  keys.ComboDown(KEY_PLAY);
  keys.ComboDown(KEY_MENU);
  log_.clear();
  EXPECT_EQ(keys.EntryKeyDown(nullptr, KEY_BACK), 0);
  EXPECT_FALSE(keys.Entering());
  EXPECT_EQ(log_, "phrase 16;resume;");
  keys.ComboDown(KEY_MENU);
  log_.clear();
  EXPECT_EQ(keys.EntryKeyDown(nullptr, EV_SD_REMOVED), 7);  // handled as outside the entry
  EXPECT_FALSE(keys.Entering());
  EXPECT_EQ(log_, "resume;event " + std::to_string(EV_SD_REMOVED) + ";");
}

}  // namespace
