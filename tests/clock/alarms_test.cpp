// Alarm due times and the stored alarm file.
#include <gtest/gtest.h>

#include <string>

#include "clock/alarms.h"
#include "tests/platform/host_fixture.h"

namespace {

constexpr unsigned int kNone = static_cast<unsigned int>(-1);
constexpr unsigned int kDay = 86400;
// Tuesday 2026-03-03 00:00 UTC (day 20515; (20515 + 3) % 7 = 1 = Tuesday).
constexpr unsigned int kTuesday = 20515 * kDay;

AlarmSlot Slot(int hour, int minute, int repeat) {
  AlarmSlot s;
  s.hour = hour;
  s.minute = minute;
  s.enabled = 1;
  s.repeat = repeat;
  return s;
}

TEST(AlarmNextTime, SameMinuteIsDueAtStartUpButTomorrowAfterAnEvent) {
  AlarmSlot s = Slot(7, 0, 0);
  unsigned int at0730s = kTuesday + 7 * 3600 + 30;
  EXPECT_EQ(AlarmNextTime(s, at0730s, false), kTuesday + 7 * 3600);
  EXPECT_EQ(AlarmNextTime(s, at0730s, true), kTuesday + kDay + 7 * 3600);
  EXPECT_EQ(AlarmNextTime(s, kTuesday + 6 * 3600, true), kTuesday + 7 * 3600);
  s.enabled = 0;
  EXPECT_EQ(AlarmNextTime(s, at0730s, false), kNone);
}

TEST(AlarmNextTime, WeekdaysPickTheNextChosenDay) {
  unsigned int noon = kTuesday + 12 * 3600;
  // Monday only, set on a Tuesday: six days later.
  EXPECT_EQ(AlarmNextTime(Slot(8, 0, 1 << 0), noon, true), kTuesday + 6 * kDay + 8 * 3600);
  // Tuesday and Sunday after Tuesday's time: Sunday.
  EXPECT_EQ(AlarmNextTime(Slot(8, 0, (1 << 1) | (1 << 6)), noon, true),
            kTuesday + 5 * kDay + 8 * 3600);
  // Tuesday before its time: today; every day after its time: tomorrow.
  EXPECT_EQ(AlarmNextTime(Slot(13, 5, 1 << 1), noon, true), kTuesday + 13 * 3600 + 300);
  EXPECT_EQ(AlarmNextTime(Slot(8, 0, 127), noon, true), kTuesday + kDay + 8 * 3600);
}

class AlarmFile : public HostBoardTest {
 protected:
  std::string File() { return board::Path("/mnt/settings/alarm.config.xml"); }
};

TEST_F(AlarmFile, SavesAndLoadsEverySlot) {
  g_Alarms[0] = Slot(6, 30, 0x1F);
  g_Alarms[4] = Slot(23, 59, 0);
  g_Alarms[4].signal = "/mnt/emmc/wake.mp3";
  ASSERT_EQ(SaveSlarms(), 0);
  EXPECT_EQ(dtbtest::ReadFile(File()).size(), 46105u);
  for (AlarmSlot& s : g_Alarms) s = AlarmSlot();
  ASSERT_EQ(LoadAlarms(), 0);
  EXPECT_EQ(g_Alarms[0].hour, 6);
  EXPECT_EQ(g_Alarms[0].minute, 30);
  EXPECT_EQ(g_Alarms[0].repeat, 0x1F);
  EXPECT_EQ(g_Alarms[4].signal, "/mnt/emmc/wake.mp3");
  EXPECT_EQ(g_Alarms[1].enabled, 0);
}

TEST_F(AlarmFile, BadRecordsAndWrongSizesLeaveAlarmsOff) {
  std::string file(46105, '\0');
  file[0] = 24;  // slot 0: hour out of range
  file[9221] = 7;  // slot 1: fine, with a path that never ends
  file[9221 + 2] = 1;
  std::fill(file.begin() + 9221 + 4, file.begin() + 2 * 9221, 'x');
  dtbtest::WriteFile(File(), file);
  ASSERT_EQ(LoadAlarms(), 0);
  EXPECT_EQ(g_Alarms[0].enabled, 0);
  EXPECT_EQ(g_Alarms[0].hour, 0);
  EXPECT_EQ(g_Alarms[1].hour, 7);
  EXPECT_EQ(g_Alarms[1].enabled, 1);
  EXPECT_TRUE(g_Alarms[1].signal.empty());

  dtbtest::WriteFile(File(), file + "x");
  EXPECT_EQ(LoadAlarms(), -1);
  EXPECT_EQ(g_Alarms[1].enabled, 0);
}

}  // namespace
