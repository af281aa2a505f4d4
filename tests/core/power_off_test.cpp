// Power-off: the save sequence, the "param" file and the RTC wake-up.
#include <sys/stat.h>

#include <ctime>

#include "runtime_fixture.h"

namespace coretest {
namespace {

class PowerOffTest : public RuntimeTest {
 protected:
  std::string Device(const char* path) { return board::Path(path); }
  bool Exists(const char* path) {
    struct stat st;
    return stat(Device(path).c_str(), &st) == 0;
  }
  std::string RtcAlarm() {
    return dtbtest::ReadFile(host->host_state().File(board::state::kRtcAlarm));
  }
  std::string Commands() { return dtbtest::ReadFile(dir->path() + "/var/log/commands.log"); }
  // Puts the board clock at an absolute time.
  void SetEpoch(time_t t) { host->SetClockOffset(static_cast<long>(t - time(nullptr))); }
};

TEST_F(PowerOffTest, SavesEverythingWritesParamAndDisablesTheWakeUp) {
  g_SystemSettings.volume = 4;
  g_SystemSettings.hpvolume = 16;
  EXPECT_EXIT(PowerOff(), testing::ExitedWithCode(board::kExitPowerOff), "");

  EXPECT_EQ(dtbtest::ReadFile(Device("/mnt/settings/param")),
            std::string("\x00\x0a\x00\x46\x00\x00", 6));
  EXPECT_TRUE(Exists("/mnt/settings/bookmark.xml"));
  EXPECT_TRUE(Exists("/mnt/settings/history.xml"));
  EXPECT_NE(RtcAlarm().find("enabled 0"), std::string::npos) << RtcAlarm();

  std::string log = Commands();
  size_t sync = log.find(" sync");
  size_t hwclock = log.find("hwclock --systohc");
  size_t off = log.find(" poweroff");
  ASSERT_NE(sync, std::string::npos) << log;
  ASSERT_NE(hwclock, std::string::npos) << log;
  ASSERT_NE(off, std::string::npos) << log;
  EXPECT_LT(sync, hwclock);
  EXPECT_LT(hwclock, off);
}

TEST_F(PowerOffTest, NoParamFileWithoutTheSettingsPartition) {
  ASSERT_EQ(board::System("umount /mnt/settings"), 0);
  EXPECT_EXIT(PowerOff(), testing::ExitedWithCode(board::kExitPowerOff), "");
  ASSERT_EQ(board::System("mount -t vfat -o utf8 /dev/mmcblk0p5 /mnt/settings"), 0);
  EXPECT_FALSE(Exists("/mnt/settings/param"));
}

TEST_F(PowerOffTest, AutomaticPowerOnSoonerThan30sWakesIn30s) {
  time_t now = time(nullptr);
  time_t dayStart = now - now % 86400;
  int minutes = 600;  // 10:00
  SetEpoch(dayStart + minutes * 60 - 10);
  g_SystemSettings.timer_power_on = true;
  g_SystemSettings.timer_power_on_time = minutes;
  EXPECT_EXIT(PowerOff(), testing::ExitedWithCode(board::kExitPowerOff), "");
  std::string alarm = RtcAlarm();
  EXPECT_NE(alarm.find("enabled 1"), std::string::npos) << alarm;
  long long epoch = -1;
  size_t at = alarm.find("epoch ");
  ASSERT_NE(at, std::string::npos) << alarm;
  epoch = std::stoll(alarm.substr(at + 6));
  long long expected = dayStart + minutes * 60 - 10 + 30;
  EXPECT_NEAR(static_cast<double>(epoch), static_cast<double>(expected), 2.0) << alarm;
}

TEST_F(PowerOffTest, AutomaticPowerOnPassedTodayWakesTomorrow) {
  time_t now = time(nullptr);
  time_t dayStart = now - now % 86400;
  SetEpoch(dayStart + 12 * 3600);
  g_SystemSettings.timer_power_on = true;
  g_SystemSettings.timer_power_on_time = 7 * 60;
  EXPECT_EXIT(PowerOff(), testing::ExitedWithCode(board::kExitPowerOff), "");
  std::string alarm = RtcAlarm();
  size_t at = alarm.find("epoch ");
  ASSERT_NE(at, std::string::npos) << alarm;
  EXPECT_EQ(std::stoll(alarm.substr(at + 6)), static_cast<long long>(dayStart + 86400 + 7 * 3600))
      << alarm;
}

TEST_F(PowerOffTest, RtcAlarmOnAndOff) {
  struct tm when = {};
  when.tm_year = 2031 - 1900;
  when.tm_mon = 4;
  when.tm_mday = 17;
  when.tm_hour = 6;
  when.tm_min = 45;
  EXPECT_EQ(SetRtcAlarm(true, &when), 0);
  EXPECT_NE(RtcAlarm().find("enabled 1"), std::string::npos) << RtcAlarm();
  EXPECT_NE(RtcAlarm().find("time 2031-05-17 06:45:00"), std::string::npos) << RtcAlarm();
  EXPECT_EQ(SetRtcAlarm(false, nullptr), 0);
  EXPECT_NE(RtcAlarm().find("enabled 0"), std::string::npos) << RtcAlarm();
}

}  // namespace
}  // namespace coretest
