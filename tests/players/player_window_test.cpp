// The key dispatch every player window shares, on a window that only
// records which of its actions each key reached.
#include <gtest/gtest.h>

#include <string>

#include "core/ui/keypad_idle.h"
#include "core/ui/system_settings.h"
#include "players/kit/find_entry.h"
#include "players/kit/player_window.h"

namespace {

class RecordingPlayer : public PlayerWindow {
 public:
  std::string log;
  bool silent = false;
  FindKeys* find = nullptr;

  int Down(int code) { return OnKeyDown(code); }
  bool Press(int code) { return VolumeKeyPress(code); }
  int OnKeyDown(int code) override { return PlayerKeyDown(code); }
  int OnKeyPress(int) override { return 0; }
  int OnRefresh() override { return 0; }

 protected:
  int EventDown(int code) override {
    if (code != EV_TIME_ANNOUNCE) return kNotShared;
    log += "event ";
    return 7;
  }
  int LockedKeyDown(int) override {
    log += "locked ";
    return 0;
  }
  FindKeys* Finder() override { return find; }
  void PauseForSpeech() override { log += "pause "; }
  void PauseForMenu() override { log += "hold "; }
  void SayInfo() override { log += "info "; }
  void PlayKeyDown() override { log += "play "; }
  void CloseDown() override { log += "close "; }
  void UpDownKeyDown(int step) override { log += "mode" + std::to_string(step) + " "; }
  void LeftRightKeyDown(int step) override { log += "move" + std::to_string(step) + " "; }
  void EnterSettingsMenu() override { log += "settings "; }
  void EnterBookmarkMenu() override { log += "bookmarks "; }
  bool VolumeSpoken() override { return silent; }
  int OtherKeyDown(int code) override {
    log += "other ";
    return code;
  }
};

class PlayerWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_bKeyBoardLocked = false;
    g_InfoKeyDownTimes = 1;
  }
  void TearDown() override { g_bKeyBoardLocked = false; }
  RecordingPlayer p_;
};

TEST_F(PlayerWindowTest, EachSharedKeyReachesItsAction) {
  EXPECT_EQ(p_.Down(KEY_INFO), 0);
  EXPECT_EQ(p_.Down(KEY_MENU), 0);
  EXPECT_EQ(p_.Down(KEY_BOOKMARK), 0);
  EXPECT_EQ(p_.Down(KEY_PLAY), 0);
  EXPECT_EQ(p_.Down(KEY_UP), 0);
  EXPECT_EQ(p_.Down(KEY_RIGHT), 0);
  EXPECT_EQ(p_.Down(KEY_VOL_UP), 0);
  EXPECT_EQ(p_.Down(KEY_RADIO), KEY_RADIO);
  EXPECT_EQ(p_.log, "pause info hold settings hold bookmarks play mode-1 move1 other ");
  p_.log.clear();
  EXPECT_EQ(p_.Down(KEY_BACK), WND_CLOSE);
  EXPECT_EQ(p_.log, "close ");
}

// Events come before the lock, and a locked keypad keeps every shared key
// from acting.
TEST_F(PlayerWindowTest, EventsFirstThenTheLock) {
  g_bKeyBoardLocked = true;
  EXPECT_EQ(p_.Down(EV_TIME_ANNOUNCE), 7);
  EXPECT_EQ(p_.Down(KEY_BACK), 0);
  EXPECT_EQ(p_.Down(KEY_PLAY), 0);
  EXPECT_EQ(p_.log, "event pause locked pause locked ");
  EXPECT_FALSE(p_.Press(KEY_VOL_UP));
}

// Play held down makes menu the find key, not the settings menu.
TEST_F(PlayerWindowTest, FindCombinationGoesBeforeTheKey) {
  bool paused = false;
  FindKeys find({&paused, [] {}, [](const std::string&) {}, [](int) {}, [] {},
                 [](bool, const std::u16string&) {}, [](int) { return 0; }});
  p_.find = &find;
  p_.Down(KEY_PLAY);
  p_.Down(KEY_MENU);
  EXPECT_EQ(p_.log, "play ");
  EXPECT_TRUE(find.Entering());
}

TEST_F(PlayerWindowTest, VolumePressesChangeTheLevelOtherKeysAreLeft) {
  const int before = g_SystemSettings.GetVolume();
  EXPECT_TRUE(p_.Press(KEY_VOL_DOWN));
  EXPECT_EQ(g_SystemSettings.GetVolume(), before > 0 ? before - 1 : 0);
  EXPECT_TRUE(p_.Press(KEY_VOL_UP));
  EXPECT_EQ(g_SystemSettings.GetVolume(), before > 0 ? before : 1);
  EXPECT_FALSE(p_.Press(KEY_LEFT));
}

}  // namespace
