// What every window does alike, the list menu and the keypad lock.
#include "window_fixture.h"
#include "core/ui/keypad_idle.h"

namespace coretest {
namespace {

// A window that leaves every key to the shared handling.
class PlainWindow : public iWindow {
 public:
  explicit PlainWindow(std::string name) : name_(std::move(name)) {}
  ~PlainWindow() override { g_Log.push_back(name_ + ".deleted"); }
  int OnKeyDown(int code) override { return OnDefaultKeyDown(code); }
  int OnKeyPress(int code) override { return OnDefaultKeyPress(code); }
  int OnClose() override {
    g_Log.push_back(name_ + ".close");
    return 0;
  }
  int OnRefresh() override {
    g_Log.push_back(name_ + ".refresh");
    return 0;
  }

 private:
  std::string name_;
};

class FiveItemMenu : public Menu {
 public:
  FiveItemMenu() { m_ItemCount = 5; }
  ~FiveItemMenu() override { g_Log.push_back("menu.deleted"); }
  int Show() override {
    g_Log.push_back("menu.show " + std::to_string(m_CurIndex));
    return 0;
  }
  int KeyOK() override {
    g_Log.push_back("menu.ok " + std::to_string(m_CurIndex));
    return WND_CLOSE;
  }
  int index() const { return m_CurIndex; }
};

using Defaults = WindowTest;

FiveItemMenu* PushMenu() {
  FiveItemMenu* m = new FiveItemMenu;
  EXPECT_EQ(AddWindow(m), 0);
  return m;
}

// Key down then, when it returned 0, the first press, as the keypad does.
void Click(int code) {
  if (KeyDown(code) == 0) KeyPress(code);
}

TEST_F(Defaults, MenuArrowsWrapAndSpeakEachItem) {
  Push("root");
  FiveItemMenu* m = PushMenu();
  Click(KEY_UP);
  EXPECT_EQ(m->index(), 4);
  Click(KEY_RIGHT);
  EXPECT_EQ(m->index(), 0);
  Click(KEY_DOWN);
  Click(KEY_LEFT);
  EXPECT_EQ(g_Log, (std::vector<std::string>{"menu.show 4",
                                             "menu.show 0", "menu.show 1", "menu.show 0"}));
}

TEST_F(Defaults, MenuPlayBackAndMenuKeys) {
  LogWindow* root = Push("root");
  PushMenu();
  Click(KEY_PLAY);
  EXPECT_EQ(Count("menu.ok 0"), 1);
  EXPECT_EQ(g_TotalWindows, 1);
  EXPECT_EQ(Count("root.refresh"), 1);

  PushMenu();
  Click(KEY_BACK);
  EXPECT_EQ(g_TotalWindows, 1);

  PushMenu();
  g_Log.clear();
  Click(KEY_MENU);
  EXPECT_EQ(g_TotalWindows, 1);
  EXPECT_EQ(Count("menu.deleted"), 1);
  EXPECT_EQ(Count("root.down 1001"), 1) << "the root is asked for file management";
  (void)root;
}

TEST_F(Defaults, ModeKeyInAChildClosesEveryChildAndReachesTheRoot) {
  Push("root");
  AddWindow(new PlainWindow("player"));
  PushMenu();
  Click(KEY_RADIO);
  EXPECT_EQ(g_TotalWindows, 1);
  EXPECT_EQ(g_Log, (std::vector<std::string>{"menu.deleted", "player.close", "player.deleted",
                                             "root.down 256"}));
}

TEST_F(Defaults, PowerTimersAndTheShortPowerKeyPassDownToTheRoot) {
  Push("root");
  AddWindow(new PlainWindow("player"));
  for (int code : {EV_AUTO_SHUTDOWN, EV_IDLE_SHUTDOWN, KEY_POWER_SHORT}) {
    g_Log.clear();
    KeyDown(code);
    EXPECT_EQ(Count("root.down " + std::to_string(code)), 1) << code;
    EXPECT_EQ(g_TotalWindows, 2) << "the player stays open";
  }
}

TEST_F(Defaults, InfoKeyCountsWhereAmITimeThenBattery) {
  Push("root");
  AddWindow(new PlainWindow("player"));
  g_InfoKeyDownTimes = 1;
  KeyDown(KEY_INFO);
  EXPECT_EQ(Count("player.refresh"), 1);
  g_InfoKeyDownTimes = 2;
  KeyDown(KEY_INFO);
  EXPECT_EQ(Count("player.refresh"), 1) << "second press: time and date";
  EXPECT_EQ(g_InfoKeyDownTimes, 2);
  g_InfoKeyDownTimes = 3;
  KeyDown(KEY_INFO);
  EXPECT_EQ(g_InfoKeyDownTimes, 0) << "the battery report starts the count again";
}

TEST_F(Defaults, LockedKeypadKeepsMenusAndModesStill) {
  Push("root");
  FiveItemMenu* m = PushMenu();
  g_bKeyBoardLocked = true;
  for (int code : {KEY_UP, KEY_DOWN, KEY_LEFT, KEY_RIGHT, KEY_PLAY, KEY_BACK, KEY_MENU, KEY_RADIO,
                   KEY_MUSIC, KEY_BOOKMARK, KEY_RECORD, KEY_VOL_UP})
    Click(code);
  EXPECT_EQ(m->index(), 0);
  EXPECT_EQ(g_TotalWindows, 2);
  EXPECT_EQ(Count("menu.show 0") + Count("menu.show 1") + Count("menu.show 4"), 0);
  EXPECT_EQ(Count("root.down 256"), 0);

  // The lock's own events and the timers still get through.
  KeyDown(KEY_POWER_SHORT);
  EXPECT_EQ(Count("root.down 3000"), 1);

  g_bKeyBoardLocked = false;
  Click(KEY_DOWN);
  EXPECT_EQ(m->index(), 1);
}

TEST_F(Defaults, UnhandledKeyRepeatsWhereTheUserIs) {
  Push("root");
  AddWindow(new PlainWindow("player"));
  KeyDown(KEY_PLAY);
  EXPECT_EQ(Count("player.refresh"), 1);
  g_bKeyBoardLocked = true;
  KeyDown(KEY_PLAY);
  EXPECT_EQ(Count("player.refresh"), 1) << "locked: a refusal beep instead";
}

}  // namespace
}  // namespace coretest
