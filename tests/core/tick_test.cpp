// The 250 ms tick: USB detection, the once-a-second and once-a-minute work,
// the low-battery countdown, idle and auto power-off, time announcements.
#include <climits>

#include "browser/file_browser.h"
#include "power/battery.h"
#include "runtime_fixture.h"
#include "tools/calculagraph.h"
#include "core/ui/keypad_idle.h"

namespace coretest {
namespace {

using Tick250 = RuntimeTest;

bool Has(const Records& r, int code) {
  for (const auto& rec : r)
    if (rec.first == code && rec.second == KEY_KIND_DOWN) return true;
  return false;
}

TEST_F(Tick250, UsbPowerMustLastThreeTicks) {
  Usb("computer");
  Tick(2);
  Usb("none");
  Tick(2);
  EXPECT_TRUE(Drain().empty()) << "two ticks: neither connected nor removed";

  Usb("computer");
  Tick(3);
  EXPECT_EQ(Drain(), (Records{{EV_USB_IN, KEY_KIND_DOWN}}));
  Tick(5);
  EXPECT_FALSE(Has(Drain(), EV_USB_IN)) << "sent once per connection";
  Usb("none");
  Tick();
  EXPECT_EQ(Drain(), (Records{{EV_USB_OUT, KEY_KIND_DOWN}}));
}

TEST_F(Tick250, UsbRemovedLeavesMassStorageAndRestoresTheInputLimit) {
  g_UsbState = 2;
  AddWindow(new LogWindow("child"));
  HandleSimulateKey(EV_USB_OUT, KEY_KIND_DOWN);
  EXPECT_EQ(Count("child.deleted"), 1);
  EXPECT_EQ(Count("root.down 1013"), 1);
  EXPECT_EQ(g_UsbState, 0);
  std::string pmic = dtbtest::ReadFile(host->host_state().File(board::state::kPmic));
  EXPECT_NE(pmic.find("0x01=0x"), std::string::npos) << pmic;

  g_Log.clear();
  HandleSimulateKey(EV_USB_OUT, KEY_KIND_DOWN);  // not in mass storage: no dispatch
  EXPECT_EQ(Count("root.down 1013"), 0);
}

TEST_F(Tick250, LowBatteryCountdownWarnsAtTenFiveTwoOneMinutes) {
  std::vector<int> warnedAt;
  root->on_down = [&warnedAt](int code) {
    if (code == EV_BATTERY_LOW) warnedAt.push_back(g_BatLowShutDownLeftTime);
    return 0;
  };
  for (int minute = 0; minute < 10; ++minute) HandleSimulateKey(EV_BATTERY_LOW, KEY_KIND_DOWN);
  EXPECT_EQ(warnedAt, (std::vector<int>{10, 5, 2, 1}));
  EXPECT_EQ(g_BatLowShutDownLeftTime, 1);

  // The tenth minute after the first warning powers off with the low-battery farewell.
  EXPECT_EXIT(HandleSimulateKey(EV_BATTERY_LOW, KEY_KIND_DOWN),
              testing::ExitedWithCode(board::kExitPowerOff), "");
}

TEST_F(Tick250, UsbCancelsTheLowBatteryCountdown) {
  for (int minute = 0; minute < 9; ++minute) HandleSimulateKey(EV_BATTERY_LOW, KEY_KIND_DOWN);
  HandleSimulateKey(EV_USB_IN, KEY_KIND_DOWN);
  EXPECT_EQ(g_BatLowShutDownLeftTime, -1);
  HandleSimulateKey(EV_BATTERY_LOW, KEY_KIND_DOWN);
  EXPECT_EQ(g_BatLowShutDownLeftTime, 10) << "a new low battery starts a full countdown";
}

TEST_F(Tick250, MinuteStepReportsBatteryStates) {
  Battery(BAT_LOW);
  ToNextSecond();
  Tick();
  EXPECT_TRUE(Has(Drain(), EV_BATTERY_LOW));

  Battery(BAT_EMPTY);
  g_LastMinute = -1;
  ToNextSecond();
  Tick();
  GetBatAdc(true);  // let the filter follow the new level
  g_LastMinute = -1;
  ToNextSecond();
  Tick();
  EXPECT_TRUE(Has(Drain(), EV_POWER_OFF));
  EXPECT_EQ(g_ShutDownMode, 1);
}

TEST_F(Tick250, ChargingCompletedIsAnnouncedOncePerCharge) {
  Battery(BAT_CHARGED);
  Usb("charger");
  Drain();
  for (int minute = 0; minute < 3; ++minute) {
    g_LastMinute = -1;
    ToNextSecond();
    Tick();
  }
  Records r = Drain();
  int done = 0;
  for (const auto& rec : r) done += rec.first == EV_CHARGING_DONE;
  EXPECT_EQ(done, 1);
}

TEST_F(Tick250, TimeAnnouncementModes) {
  struct Case {
    int mode, hour, minute;
    bool announce;
  } cases[] = {
      {0, 11, 0, false},  {1, 10, 15, true},  {1, 10, 45, true},  {1, 10, 20, false},
      {2, 10, 15, false}, {2, 10, 30, true},  {2, 11, 0, true},   {3, 10, 15, false},
      {3, 10, 30, false}, {3, 11, 0, true},   {7, 11, 0, false},
  };
  for (const Case& c : cases) {
    g_SystemSettings.time_announcement_mode = c.mode;
    SetLocalTime(c.hour, c.minute);
    g_LastMinute = -1;
    ToNextSecond();
    Tick();
    EXPECT_EQ(Has(Drain(), EV_TIME_ANNOUNCE), c.announce)
        << "mode " << c.mode << " at " << c.hour << ":" << c.minute;
  }
}

TEST_F(Tick250, MinuteStepRunsOncePerMinute) {
  g_SystemSettings.time_announcement_mode = 1;
  SetLocalTime(10, 15);
  for (int second = 0; second < 5; ++second) {
    ToNextSecond();
    Tick();
  }
  int announced = 0;
  for (const auto& rec : Drain()) announced += rec.first == EV_TIME_ANNOUNCE;
  EXPECT_EQ(announced, 1);
}

TEST_F(Tick250, IdlePowerOffAfterTheSetMinutes) {
  g_SystemSettings.idle_shut_down_time = 1;
  ResetIdleShutDownTime();
  for (int second = 1; second < 60; ++second) {
    Tick(4);
    ASSERT_FALSE(Has(Drain(), EV_IDLE_SHUTDOWN)) << "second " << second;
  }
  Tick(4);
  EXPECT_TRUE(Has(Drain(), EV_IDLE_SHUTDOWN));
  EXPECT_EQ(g_IdleShutDownLeftTime, 20) << "asked again in 20 s if nothing powers off";
}

TEST_F(Tick250, IdlePowerOffNeverWhenDisabledOrOnUsbPower) {
  g_SystemSettings.idle_shut_down_time = 0;
  ResetIdleShutDownTime();
  EXPECT_EQ(g_IdleShutDownLeftTime, INT_MAX);

  g_SystemSettings.idle_shut_down_time = 1;
  ResetIdleShutDownTime();
  Usb("charger");
  Tick(3);
  Drain();
  for (int second = 0; second < 70; ++second) Tick(4);
  EXPECT_FALSE(Has(Drain(), EV_IDLE_SHUTDOWN));
  EXPECT_GT(g_IdleShutDownLeftTime, 0) << "USB power postpones it by a full period";
}

TEST_F(Tick250, DelaySleepTimeOnlyRaisesTheCounters) {
  g_SystemSettings.idle_shut_down_time = 1;
  ResetIdleShutDownTime();
  DelaySleepTime(10);
  EXPECT_EQ(g_SleepLeftTime, 60);
  EXPECT_EQ(g_IdleShutDownLeftTime, 60);
  {
    std::lock_guard<std::mutex> lock(g_SleepTimeMutex);
    g_SleepLeftTime = 3;
    g_IdleShutDownLeftTime = 4;
  }
  DelaySleepTime(10);
  EXPECT_EQ(g_SleepLeftTime, 10);
  EXPECT_EQ(g_IdleShutDownLeftTime, 10);
}

TEST_F(Tick250, AutoPowerOffFiresOnceAndWaitsOutMassStorage) {
  unsigned int past = static_cast<unsigned int>(BTime()) - 5;
  g_AutoShutDownTime = past;
  g_UsbState = 1;
  ToNextSecond();
  Tick();
  EXPECT_FALSE(Has(Drain(), EV_AUTO_SHUTDOWN));
  EXPECT_EQ(g_AutoShutDownTime, past) << "kept until mass storage ends";

  g_UsbState = 2;
  ToNextSecond();
  Tick();
  EXPECT_FALSE(Has(Drain(), EV_AUTO_SHUTDOWN));
  EXPECT_EQ(g_AutoShutDownTime, static_cast<unsigned int>(-1)) << "cancelled silently";

  g_AutoShutDownTime = past;
  g_UsbState = 0;
  ToNextSecond();
  Tick();
  EXPECT_TRUE(Has(Drain(), EV_AUTO_SHUTDOWN));
  EXPECT_EQ(g_AutoShutDownTime, static_cast<unsigned int>(-1));
}

TEST_F(Tick250, TimedPowerOffAtItsMinute) {
  SetLocalTime(22, 30);
  g_SystemSettings.timer_shut_down = 22 * 60 + 30;
  g_SystemSettings.timer_shut_down_enable = false;
  ToNextSecond();
  Tick();
  EXPECT_FALSE(Has(Drain(), EV_POWER_OFF));

  g_SystemSettings.timer_shut_down_enable = true;
  g_LastMinute = -1;
  ToNextSecond();
  Tick();
  EXPECT_TRUE(Has(Drain(), EV_POWER_OFF));
  EXPECT_EQ(g_ShutDownMode, 2);
}

}  // namespace
}  // namespace coretest

namespace coretest {
namespace {

class Standby : public RuntimeTest {
 protected:
  void TearDown() override {
    g_bCalculagraphRunning = false;
    RuntimeTest::TearDown();
  }
  std::string Commands() { return dtbtest::ReadFile(dir->path() + "/var/log/commands.log"); }
  void RunOutTheSleepCounter() {
    {
      std::lock_guard<std::mutex> lock(g_SleepTimeMutex);
      g_SleepLeftTime = 1;
    }
    ToNextSecond();
    Tick();
  }
};

TEST_F(Standby, OnlyWhileTheRadioOrTheCountdownRuns) {
  RunOutTheSleepCounter();
  EXPECT_EQ(Commands().find("standby"), std::string::npos);
  EXPECT_EQ(g_SleepLeftTime, 60) << "looked at again in a minute";
}

TEST_F(Standby, SleepsUntilTheNextQuarterHour) {
  g_bCalculagraphRunning = true;
  time_t now = time(nullptr);
  g_CalculagraphData.next = static_cast<int32_t>(now + 86400);  // the countdown speaks later
  time_t quarter = now - now % 900 + 900;
  host->SetClockOffset(static_cast<long>(quarter - 100 - now));
  testing::internal::CaptureStdout();
  RunOutTheSleepCounter();
  std::string out = testing::internal::GetCapturedStdout();
  size_t at = out.find("sleep ");
  ASSERT_NE(at, std::string::npos) << out;
  int seconds = std::stoi(out.substr(at + 6));
  EXPECT_GE(seconds, 98) << out;
  EXPECT_LE(seconds, 100) << out;
  EXPECT_NE(Commands().find("echo standby > /sys/power/state"), std::string::npos) << Commands();
  EXPECT_EQ(g_SleepLeftTime, 2);
}

TEST_F(Standby, WakesForTheCountdownsNextAnnouncement) {
  g_bCalculagraphRunning = true;
  time_t now = time(nullptr);
  time_t quarter = now - now % 900 + 900;
  host->SetClockOffset(static_cast<long>(quarter - 400 - now));
  g_CalculagraphData.next = static_cast<int32_t>(quarter - 100);
  testing::internal::CaptureStdout();
  RunOutTheSleepCounter();
  std::string out = testing::internal::GetCapturedStdout();
  size_t at = out.find("sleep ");
  ASSERT_NE(at, std::string::npos) << out;
  int seconds = std::stoi(out.substr(at + 6));
  EXPECT_GE(seconds, 298) << out;
  EXPECT_LE(seconds, 300) << out;
}

TEST_F(Standby, TooCloseToAQuarterHourTriesAgainInTwoSeconds) {
  g_bCalculagraphRunning = true;
  time_t now = time(nullptr);
  g_CalculagraphData.next = static_cast<int32_t>(now + 86400);  // the countdown speaks later
  time_t quarter = now - now % 900 + 900;
  host->SetClockOffset(static_cast<long>(quarter - 1 - now));
  RunOutTheSleepCounter();
  EXPECT_EQ(Commands().find("standby >"), std::string::npos);
  EXPECT_EQ(g_SleepLeftTime, 2);
}

}  // namespace
}  // namespace coretest
