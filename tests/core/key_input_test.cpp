// Keys from the keypad: press and repeat timing, the power key and its
// shifted keys, the keypad lock and the info-key count.
#include "core/ui/key_describer.h"
#include "runtime_fixture.h"
#include "core/ui/keypad_idle.h"

namespace coretest {
namespace {

using KeyInput = RuntimeTest;

// Feeds pipe records back as the pipe watch would.
void Deliver(const Records& records) {
  for (const auto& r : records) HandleSimulateKey(r.first, r.second);
}

TEST_F(KeyInput, HeldKeyPressesAtOnceThenRepeatsFromTheSixthTickOncePerTick) {
  Key(KEY_DOWN, true);
  EXPECT_EQ(g_Log, (std::vector<std::string>{"root.down 263", "root.press 263"}));

  for (int tick = 1; tick <= 5; ++tick) {
    Tick();
    EXPECT_TRUE(Drain().empty()) << "tick " << tick;
  }
  for (int tick = 6; tick <= 8; ++tick) {
    Tick();
    Records r = Drain();
    EXPECT_EQ(r, (Records{{KEY_DOWN, KEY_KIND_PRESS}})) << "tick " << tick;
    Deliver(r);
  }
  EXPECT_EQ(Count("root.press 263"), 4);

  int heldTicks = -1;
  root->on_up = [&heldTicks](int) {
    heldTicks = g_KeyContinueTimes;
    return 0;
  };
  g_Log.clear();
  Key(KEY_DOWN, false);
  EXPECT_EQ(heldTicks, 8) << "OnKeyUp can still read how long the key was held";
  EXPECT_EQ(g_Log, (std::vector<std::string>{"root.up 263"}));
  EXPECT_EQ(g_KeyContinueTimes, 0);
  Tick(8);
  EXPECT_TRUE(Drain().empty()) << "no repeats once released";
}

// Info held, then menu: the describer takes every keypad key (down, first
// press, repeats, up) away from the windows, not device events; the chord
// again, or windows being closed for an event, ends it.
TEST_F(KeyInput, InfoHeldThenMenuSwitchesTheKeyDescriber) {
  Key(KEY_INFO, true);
  Key(KEY_MENU, true);
  Key(KEY_MENU, false);
  Key(KEY_INFO, false);
  ASSERT_TRUE(KeyDescriberOn());
  EXPECT_EQ(Count("root.down 261"), 0);
  g_Log.clear();
  Key(KEY_PLAY, true);
  Tick(7);
  Deliver(Drain());
  Key(KEY_PLAY, false);
  KeyDown(EV_TIME_ANNOUNCE);
  EXPECT_EQ(Count("root.down 307") + Count("root.press 307") + Count("root.up 307"), 0);
  EXPECT_EQ(Count("root.down 1002"), 1);

  Push("menu");
  CloseAllChildWindow();
  EXPECT_FALSE(KeyDescriberOn());
  Key(KEY_INFO, true);
  Key(KEY_MENU, true);
  EXPECT_TRUE(KeyDescriberOn());
  Key(KEY_INFO, true);
  Key(KEY_MENU, true);
  EXPECT_FALSE(KeyDescriberOn()) << "left the way it was entered";
  Key(KEY_PLAY, true);
  EXPECT_EQ(Count("root.down 307"), 1);
}

TEST_F(KeyInput, KeyDownThatIsNotHandledGetsNoFirstPress) {
  root->down[KEY_PLAY] = WND_STOP;
  Key(KEY_PLAY, true);
  EXPECT_EQ(Count("root.press 307"), 0);
}

TEST_F(KeyInput, PowerClickThenMusicTogglesTheLock) {
  PowerButton(true);
  EXPECT_EQ(g_PowerKeyShiftFunLeftTime, 20);
  PowerButton(false);
  EXPECT_EQ(Count("root.down 3000"), 1) << "the click";
  Key(KEY_MUSIC, true);
  Key(KEY_MUSIC, false);
  EXPECT_TRUE(g_bKeyBoardLocked);
  EXPECT_EQ(Count("root.down 1003"), 1);
  EXPECT_EQ(Count("root.down 257"), 0) << "the music key has its shifted meaning only";

  PowerButton(true);
  PowerButton(false);
  Key(KEY_MUSIC, true);
  EXPECT_FALSE(g_bKeyBoardLocked);
  EXPECT_EQ(Count("root.down 1004"), 1);
}

TEST_F(KeyInput, PowerThenBookmarkRestoresDefaults) {
  PowerButton(true);
  PowerButton(false);
  Key(KEY_BOOKMARK, true);
  EXPECT_EQ(Count("root.down 1005"), 1);
  EXPECT_EQ(Count("root.down 260"), 0);
}

TEST_F(KeyInput, ShiftWindowClosesAfterFiveSecondsOrOnAnyOtherKey) {
  PowerButton(true);
  PowerButton(false);
  Tick(20);
  EXPECT_EQ(g_PowerKeyShiftFunLeftTime, 0) << "still open on its last tick";
  Tick();
  EXPECT_EQ(g_PowerKeyShiftFunLeftTime, -1);
  Key(KEY_MUSIC, true);
  EXPECT_FALSE(g_bKeyBoardLocked);
  EXPECT_EQ(Count("root.down 257"), 1);
  Key(KEY_MUSIC, false);

  PowerButton(true);
  PowerButton(false);
  Key(KEY_UP, true);  // an ordinary key uses up the window
  Key(KEY_UP, false);
  EXPECT_EQ(Count("root.down 306"), 1);
  Key(KEY_MUSIC, true);
  EXPECT_FALSE(g_bKeyBoardLocked);
}

TEST_F(KeyInput, PowerKeyHeldTwoSecondsAsksForPowerOff) {
  PowerButton(true);
  Tick(7);
  EXPECT_TRUE(Drain().empty());
  Tick();
  EXPECT_EQ(Drain(), (Records{{EV_POWER_OFF, KEY_KIND_DOWN}}));
  EXPECT_EQ(g_ShutDownMode, 0);
}

TEST_F(KeyInput, PowerKeyReleasedEarlyStartsTheCountAgain) {
  PowerButton(true);
  Tick(6);
  PowerButton(false);
  Tick();
  PowerButton(true);
  Tick(6);
  EXPECT_TRUE(Drain().empty());
}

TEST_F(KeyInput, InfoKeyCountsConsecutivePressesOnly) {
  for (int i = 1; i <= 3; ++i) {
    Key(KEY_INFO, true);
    Key(KEY_INFO, false);
    EXPECT_EQ(g_InfoKeyDownTimes, i);
  }
  Key(KEY_UP, true);
  EXPECT_EQ(g_InfoKeyDownTimes, 0);
}

TEST_F(KeyInput, KeysRestartTheIdleAndSleepCounters) {
  g_SystemSettings.idle_shut_down_time = 3;
  {
    std::lock_guard<std::mutex> lock(g_SleepTimeMutex);
    g_SleepLeftTime = 1;
    g_IdleShutDownLeftTime = 1;
  }
  Key(KEY_UP, false);  // a release counts too
  EXPECT_EQ(g_SleepLeftTime, 60);
  EXPECT_EQ(g_IdleShutDownLeftTime, 180);
}

TEST_F(KeyInput, HeadphoneAndChipEventsAreNeverDispatched) {
  HandleInputEvent(1, SW_HEADPHONE, 1);
  HandleInputEvent(1, KEY_PMIC_IRQ, 1);
  HandleInputEvent(2, KEY_UP, 1);  // not a key event
  EXPECT_TRUE(g_Log.empty());
}

}  // namespace
}  // namespace coretest
