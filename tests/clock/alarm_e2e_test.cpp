// End to end: alarms ring at their time, snooze four times, and wake the
// device that is off.
#include <gtest/gtest.h>

#include <ctime>
#include <string>

#include "tests/support/sim_harness.h"
#include "tests/support/test_support.h"

namespace {

class AlarmE2E : public ::testing::Test {
 protected:
  dtbtest::SimResult Run(const std::string& script, bool fresh, int timeout = 120) {
    dtbtest::SimRun run;
    run.root = dir.path() + "/device";
    run.lang = "en";
    run.fresh = fresh;
    run.script = script;
    run.timeout_seconds = timeout;
    return dtbtest::RunSim(run);
  }
  // A fresh device whose first alarm is once, `minutes` from now (the
  // device's clock reads like the PC's and keeps UTC).
  void PrepareAlarmIn(int minutes) { PrepareAlarmAt(time(nullptr) + minutes * 60); }
  void PrepareAlarmAt(time_t at) {
    ASSERT_EQ(Run("expect Internal memory 20\nquit\n", true).status, 0);
    std::string file(46105, '\0');
    file[0] = static_cast<char>(at % 86400 / 3600);
    file[1] = static_cast<char>(at % 3600 / 60);
    file[2] = 1;
    dtbtest::WriteFile(dir.path() + "/device/mnt/settings/alarm.config.xml", file);
  }
  static int Count(const dtbtest::SimResult& r, const std::string& text) {
    int n = 0;
    for (const std::string& u : dtbtest::Utterances(r.output))
      if (u.find(text) != std::string::npos) ++n;
    return n;
  }
  dtbtest::TempDir dir;
};

TEST_F(AlarmE2E, RingsSnoozesFourTimesThenCloses) {
  DTB_REQUIRE_PLAYER();
  PrepareAlarmIn(2);
  std::string script = "expect Internal memory 20\nclock +150\nexpect Alarm after 10 minutes. 20\n";
  for (int i = 0; i < 3; ++i) script += "clock +600\nexpect Alarm after 10 minutes. 20\n";
  script += "clock +600\nexpect Alarm is closed. 20\nclock +600\nwait 8\nquit\n";
  dtbtest::SimResult r = Run(script, false);
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_EQ(Count(r, "Alarm after 10 minutes."), 4) << r.output;
  EXPECT_EQ(Count(r, "Alarm is closed."), 1) << r.output;
}

// Set through the settings menu's alarms, as the user does.
TEST_F(AlarmE2E, AnAlarmSetThroughTheSettingsMenuRingsAtItsTime) {
  DTB_REQUIRE_PLAYER();
  std::string script =
      "expect Internal memory 20\nclock 2026-03-10 00:59\n"
      "key menu\nexpect version information\nkey down\nkey down\nkey down\nkey down\nexpect alarms\n"
      "key play\nexpect alarm 1, 0:00, disable 5\n"
      "key play\nexpect hour, 0 5\nkey right\nexpect hour, 1 5\n"
      "key down\nexpect minute, 0 5\nkey right\nkey right\nexpect minute, 2 5\n"
      "key down\nexpect disable\nkey right\nexpect enable\n"
      "key play\nexpect alarm 1, 1:02, enable\nkey back\nexpect alarms\nkey back\nexpect Internal memory 10\n"
      "clock +180\nexpect Alarm after 10 minutes. 20\n";
  for (int i = 0; i < 3; ++i) script += "clock +600\nexpect Alarm after 10 minutes. 20\n";
  script += "clock +600\nexpect Alarm is closed. 20\nwait 3\nquit\n";
  dtbtest::SimResult r = Run(script, true, 200);
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_EQ(Count(r, "Alarm after 10 minutes."), 4) << r.output;
}

TEST_F(AlarmE2E, BackKeyClosesTheRingingAlarm) {
  DTB_REQUIRE_PLAYER();
  PrepareAlarmIn(2);
  dtbtest::SimResult r = Run(
      "expect Internal memory 20\nclock +150\nwindow AlarmWindow 20\nkey back\nexpect Alarm is closed. 10\n"
      "clock +600\nwait 8\nquit\n",
      false);
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_EQ(Count(r, "Alarm after 10 minutes."), 0) << r.output;
}

TEST_F(AlarmE2E, AnAlarmWakesTheDeviceThatIsOff) {
  DTB_REQUIRE_PLAYER();
  // The next 07:00 (today's before 07:00 UTC, as the device counts it too);
  // the clock goes to 06:58 of that day, the device off.
  time_t now = time(nullptr);
  time_t seven = now - now % 86400 + 7 * 3600;
  if (seven <= now) seven += 86400;
  PrepareAlarmAt(seven);
  struct tm day;
  gmtime_r(&seven, &day);
  char date[32];
  strftime(date, sizeof date, "%Y-%m-%d", &day);
  dtbtest::SimResult r = Run(std::string("expect Internal memory 20\n") + "clock " + date +
                                 " 06:58\n"
                                 "wait 1\n"
                                 "power hold 2.5\n"
                                 "expect shutting down. 10\n"
                                 "wait 2\n"
                                 "clock +150\n"
                                 "expect Alarm after 10 minutes. 40\n"
                                 "quit\n",
                             false);
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_NE(r.output.find("woken by the RTC alarm"), std::string::npos) << r.output;
}

}  // namespace
