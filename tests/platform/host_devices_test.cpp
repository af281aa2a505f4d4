// The hardware models behind the host board's device nodes, driven the way
// the firmware drives the real ones.
#include <fcntl.h>
#include <linux/i2c.h>
#include <linux/rtc.h>
#include <unistd.h>

#include <cerrno>

#include "platform/board_ioctl.h"
#include "tests/platform/host_fixture.h"

namespace {

class DevicesTest : public HostBoardTest {
 protected:
  // A combined write-register/read-byte, as the power-chip driver does it.
  int ReadReg(int reg, int addr = 0x24) {
    unsigned char r = static_cast<unsigned char>(reg), v = 0xEE;
    struct i2c_msg m[2] = {{static_cast<__u16>(addr), 0, 1, &r}, {static_cast<__u16>(addr), I2C_M_RD, 1, &v}};
    if (board::I2cTransfer("/dev/i2c-1", m, 2) != 2) return -1;
    return v;
  }
  int WriteReg(int reg, int value) {
    unsigned char b[2] = {static_cast<unsigned char>(reg), static_cast<unsigned char>(value)};
    struct i2c_msg m = {0x24, 0, 2, b};
    return board::I2cTransfer("/dev/i2c-1", &m, 1);
  }
  const board::HostState& St() { return host_->host_state(); }
};

TEST_F(DevicesTest, PowerChipStatusAndInterrupts) {
  EXPECT_EQ(ReadReg(0x0A), 0x00);
  EXPECT_EQ(ReadReg(0x02), 0x00);
  // The button goes down: the interrupt latches the change once.
  St().Set(board::state::kPowerButton, "1");
  St().Bump(board::state::kPowerButtonChanges);
  EXPECT_EQ(ReadReg(0x02) & 0x07, 0x04);
  EXPECT_EQ(ReadReg(0x02) & 0x07, 0x00);
  EXPECT_EQ(ReadReg(0x0A) & 0x01, 0x01);
  // A charger: USB power, interrupt, charging, then charging completed.
  St().Set(board::state::kPowerButton, "0");
  St().Set(board::state::kUsb, "charger");
  St().Bump(board::state::kUsbChanges);
  St().SetInt(board::state::kBattery, 6);
  EXPECT_EQ(ReadReg(0x02) & 0x07, 0x02);
  EXPECT_EQ(ReadReg(0x0A), 0x04);
  EXPECT_EQ(ReadReg(0x03) & 0x10, 0x00);
  St().SetInt(board::state::kBattery, 7);
  EXPECT_EQ(ReadReg(0x03) & 0x10, 0x10);
  // Termination is only reported with power present.
  St().Set(board::state::kUsb, "none");
  EXPECT_EQ(ReadReg(0x03) & 0x10, 0x00);
}

TEST_F(DevicesTest, PowerChipRegistersTheFirmwareWrites) {
  EXPECT_EQ(WriteReg(0x05, 0xB0), 1);
  EXPECT_EQ(WriteReg(0x09, 0x01), 1);
  int path = ReadReg(0x01);
  ASSERT_GE(path, 0);
  EXPECT_EQ(WriteReg(0x01, (path & ~3) | 2), 1);  // 1300 mA
  EXPECT_EQ(ReadReg(0x01) & 3, 2);
  EXPECT_EQ(ReadReg(0x05), 0xB0);
  std::string pmic = dtbtest::ReadFile(St().File(board::state::kPmic));
  EXPECT_NE(pmic.find("0x01=0x3E"), std::string::npos) << pmic;
  EXPECT_NE(pmic.find("0x05=0xB0"), std::string::npos);
  EXPECT_NE(pmic.find("0x09=0x01"), std::string::npos);
  // Mask bits stick in the interrupt register; the status register refuses writes.
  EXPECT_EQ(WriteReg(0x02, 0x70), 1);
  EXPECT_EQ(ReadReg(0x02), 0x70);
  EXPECT_EQ(WriteReg(0x0A, 0xFF), -1);
  EXPECT_EQ(ReadReg(0x0A), 0x00);
  // Nothing answers at other addresses.
  errno = 0;
  EXPECT_EQ(ReadReg(0x0A, 0x12), -1);
  EXPECT_EQ(errno, ENXIO);
  EXPECT_EQ(board::I2cTransfer("/dev/i2c-9", nullptr, 0), -1);
}

TEST_F(DevicesTest, BatteryAdcFollowsTheBatteryState) {
  int fd = BOpen("/dev/ti_adc", O_RDONLY);
  ASSERT_GE(fd, 0);
  // The firmware's thresholds: >2373 full, >2324 75 %, >2276 50 %, >2166 25 %, >2118 low.
  const int lower[] = {0, 2119, 2167, 2277, 2325, 2374};
  const int upper[] = {2118, 2166, 2276, 2324, 2373, 5000};
  for (int s = 0; s <= 5; ++s) {
    St().SetInt(board::state::kBattery, s);
    int v = -1;
    ASSERT_EQ(board::Ioctl(fd, ADC_READ_CH6, &v), 0);
    EXPECT_GE(v, lower[s]) << s;
    EXPECT_LE(v, upper[s]) << s;
  }
  St().SetInt(board::state::kBatteryAdc, 2305);
  int v = 0;
  ASSERT_EQ(board::Ioctl(fd, ADC_READ_CH6, &v), 0);
  EXPECT_EQ(v, 2305);
  EXPECT_EQ(board::Ioctl(fd, RTC_AIE_ON, nullptr), -1);  // not an ADC request
  close(fd);
}

TEST_F(DevicesTest, RtcWakeAlarmIsKeptInAFile) {
  int fd = BOpen("/dev/rtc0", O_RDWR);
  ASSERT_GE(fd, 0);
  struct rtc_wkalrm w = {};
  w.time.tm_year = 130;
  w.time.tm_mon = 0;
  w.time.tm_mday = 2;
  w.time.tm_hour = 7;
  w.time.tm_min = 30;
  ASSERT_EQ(board::Ioctl(fd, RTC_WKALM_SET, &w), 0);
  ASSERT_EQ(board::Ioctl(fd, RTC_AIE_ON, nullptr), 0);
  std::string rec = dtbtest::ReadFile(St().File(board::state::kRtcAlarm));
  EXPECT_NE(rec.find("enabled 1"), std::string::npos) << rec;
  EXPECT_NE(rec.find("time 2030-01-02 07:30:00"), std::string::npos) << rec;
  struct tm tm = {};
  tm.tm_year = 130;
  tm.tm_mday = 2;
  tm.tm_hour = 7;
  tm.tm_min = 30;
  tm.tm_isdst = -1;
  EXPECT_NE(rec.find("epoch " + std::to_string(mktime(&tm))), std::string::npos) << rec;
  ASSERT_EQ(board::Ioctl(fd, RTC_AIE_OFF, nullptr), 0);
  EXPECT_NE(dtbtest::ReadFile(St().File(board::state::kRtcAlarm)).find("enabled 0"), std::string::npos);
  // A record the real driver would reject.
  w.time.tm_mon = 1;
  w.time.tm_mday = 30;
  errno = 0;
  EXPECT_EQ(board::Ioctl(fd, RTC_WKALM_SET, &w), -1);
  EXPECT_EQ(errno, EINVAL);
  close(fd);
  // The alarm survives a restart of the player (a new board on the same root).
  auto again = board::MakeHostBoard(host_->root());
  fd = open((host_->root() + "/dev/rtc0").c_str(), O_RDWR);
  struct rtc_wkalrm r = {};
  ASSERT_EQ(again->Ioctl(fd, RTC_WKALM_RD, &r), 0);
  EXPECT_EQ(r.time.tm_hour, 7);
  EXPECT_EQ(r.enabled, 0);
  close(fd);
}

TEST_F(DevicesTest, PinsStandbyTimerAndAmplifier) {
  int fd = BOpen("/dev/mic2det", O_RDWR);
  ASSERT_GE(fd, 0);
  struct mic2det_pin p = {59 / 32, 59 % 32, -1};
  ASSERT_EQ(board::Ioctl(fd, MIC2DET_GET_PIN, &p), 0);
  EXPECT_EQ(p.level, 0);
  St().Set(board::state::kHeadphones, "1");
  ASSERT_EQ(board::Ioctl(fd, MIC2DET_GET_PIN, &p), 0);
  EXPECT_EQ(p.level, 1);
  p.pin = 40;
  EXPECT_EQ(board::Ioctl(fd, MIC2DET_GET_PIN, &p), -1);
  int seconds = 900;
  ASSERT_EQ(board::Ioctl(fd, DTIME_STANDBY_SET, &seconds), 0);
  EXPECT_EQ(St().GetInt(board::state::kStandbyTimer), 900);
  close(fd);

  int amp = BOpen("/dev/amp_en", O_RDONLY);
  ASSERT_GE(amp, 0);
  int args[2] = {1, 1};
  ASSERT_EQ(board::Ioctl(amp, AMP_EN_SET, args), 0);
  EXPECT_EQ(St().Get(board::state::kAmplifier), "on");
  args[1] = 0;
  ASSERT_EQ(board::Ioctl(amp, AMP_EN_SET, args), 0);
  EXPECT_EQ(St().Get(board::state::kAmplifier), "off");
  close(amp);
}

TEST_F(DevicesTest, KeypadFifoDeliversRecordsAndNeverEnds) {
  int fd = board::OpenInputDevice("/dev/input/event0");
  ASSERT_GE(fd, 0);
  int w = open(Root("dev/input/event0").c_str(), O_WRONLY | O_NONBLOCK);
  ASSERT_GE(w, 0);
  unsigned char rec[16] = {};
  rec[8] = 1;
  rec[10] = 307 & 0xFF;
  rec[11] = 307 >> 8;
  rec[12] = 1;
  ASSERT_EQ(write(w, rec, 16), 16);
  close(w);  // the writer goes away: the reader must not see end of file
  unsigned char got[16];
  ASSERT_EQ(read(fd, got, 16), 16);
  EXPECT_EQ(got[10] | (got[11] << 8), 307);
  fcntl(fd, F_SETFL, O_NONBLOCK);
  errno = 0;
  EXPECT_EQ(read(fd, got, 16), -1);
  EXPECT_EQ(errno, EAGAIN);
  close(fd);
}

TEST_F(DevicesTest, ClockOffsetShiftsTheBoardTime) {
  time_t before = board::Now();
  host_->SetClockOffset(3600);
  EXPECT_NEAR(static_cast<double>(board::Now() - before), 3600.0, 2.0);
  EXPECT_NEAR(static_cast<double>(BTime()), static_cast<double>(time(nullptr) + 3600), 2.0);
  // The simulator changes the file directly.
  St().SetInt(board::state::kClockOffset, -60);
  EXPECT_NEAR(static_cast<double>(board::Now()), static_cast<double>(time(nullptr) - 60), 2.0);
  board::Current().Transcript("say", "two\nlines");
  std::string t = dtbtest::ReadFile(Root("var/log/transcript"));
  EXPECT_NE(t.find(" say two lines\n"), std::string::npos) << t;
}

bool IsHostBoard() { return dynamic_cast<board::HostBoard*>(&board::Current()) != nullptr; }

TEST(BoardSelect, OptionsAndEnvironment) {
  dtbtest::TempDir dir;
  std::string root = dir.path();
  char a0[] = "dtbplayer", a1[] = "--board", a2[] = "host", a3[] = "--root", a5[] = "--keep";
  std::vector<char> a4(root.begin(), root.end());
  a4.push_back(0);
  char* argv[] = {a0, a1, a2, a3, a4.data(), a5, nullptr};
  int argc = 6;
  auto previous = board::Install(nullptr);
  // A device build knows no host board and says so.
  board::RegisterBoard("host", nullptr);
  char* hostOnly[] = {a0, a1, a2, a3, a4.data(), nullptr};
  int hostOnlyc = 5;
  EXPECT_EQ(board::InstallFromArgs(&hostOnlyc, hostOnly), -1);
  EXPECT_EQ(board::Path("/mnt/emmc/x"), "/mnt/emmc/x");
  board::RegisterHostBoard();
  ASSERT_EQ(board::InstallFromArgs(&argc, argv), 0);
  EXPECT_EQ(argc, 2);
  EXPECT_STREQ(argv[1], "--keep");
  EXPECT_TRUE(IsHostBoard());
  // The player's start-up mounts the disks itself.
  EXPECT_EQ(board::Current().IsMountPoint("/mnt/emmc"), 0);
  struct stat st;
  EXPECT_EQ(stat((root + "/dev/input/event0").c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));

  char* bad[] = {a0, a1, a2, nullptr};
  int badc = 3;
  unsetenv("DTB_ROOT");
  EXPECT_EQ(board::InstallFromArgs(&badc, bad), -1);
  setenv("DTB_BOARD", "host", 1);
  setenv("DTB_ROOT", root.c_str(), 1);
  char* none[] = {a0, nullptr};
  int nonec = 1;
  ASSERT_EQ(board::InstallFromArgs(&nonec, none), 0);
  EXPECT_TRUE(IsHostBoard());
  unsetenv("DTB_BOARD");
  unsetenv("DTB_ROOT");
  ASSERT_EQ(board::InstallFromArgs(&nonec, none), 0);
  EXPECT_FALSE(IsHostBoard());
  EXPECT_EQ(board::Path("/mnt/emmc/x"), "/mnt/emmc/x");
  board::Install(std::move(previous));
}

}  // namespace
