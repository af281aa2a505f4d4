// Setting an alarm through its list and settings window.
#include <gtest/gtest.h>

#include "clock/alarms.h"
#include "core/ui/window.h"
#include "platform/board.h"
#include "tests/core/window_fixture.h"

namespace {

class AlarmMenus : public coretest::WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    for (AlarmSlot& s : g_Alarms) s = AlarmSlot();
    coretest::Push("root");
    ASSERT_EQ(CreateAlarmsMenu(), 0);
  }
  static void Press(int code, int times = 1) {
    for (int i = 0; i < times; ++i) KeyPress(code);
  }
};

TEST_F(AlarmMenus, PlayStoresTheSlotAndItsNextTime) {
  Press(KEY_DOWN);  // slot 2
  KeyDown(KEY_PLAY);
  ASSERT_EQ(g_TotalWindows, 3);
  Press(KEY_LEFT, 2);  // hour 22 (wraps below 0)
  Press(KEY_DOWN);
  Press(KEY_RIGHT, 30);
  Press(KEY_DOWN);
  Press(KEY_RIGHT);  // enabled
  Press(KEY_DOWN);
  Press(KEY_RIGHT);  // the cursor on Monday
  KeyDown(KEY_BOOKMARK);
  Press(KEY_LEFT, 2);  // back over the summary to Sunday
  KeyDown(KEY_BOOKMARK);
  EXPECT_EQ(g_Alarms[1].enabled, 0) << "nothing stored before play";
  KeyDown(KEY_PLAY);

  EXPECT_EQ(g_TotalWindows, 2) << "back in the list";
  const AlarmSlot& a = g_Alarms[1];
  EXPECT_EQ(a.hour, 22);
  EXPECT_EQ(a.minute, 30);
  EXPECT_EQ(a.enabled, 1);
  EXPECT_EQ(a.repeat, (1 << 0) | (1 << 6));
  EXPECT_TRUE(a.signal.empty());
  EXPECT_EQ(GetNextAlarmTime(), AlarmNextTime(a, static_cast<unsigned int>(BTime()), true));
}

TEST_F(AlarmMenus, BackLeavesTheSlotAlone) {
  KeyDown(KEY_PLAY);
  Press(KEY_RIGHT, 3);
  Press(KEY_DOWN, 2);
  Press(KEY_RIGHT);
  KeyDown(KEY_BACK);
  EXPECT_EQ(g_TotalWindows, 2);
  EXPECT_EQ(g_Alarms[0].hour, 0);
  EXPECT_EQ(g_Alarms[0].enabled, 0);
}

}  // namespace
