// The simulator's contract, checked against a stand-in player that reports
// what reaches it through the board (the firmware's own e2e tests use the
// real dtbplayer through the same harness).
#include <sys/stat.h>

#include <fstream>

#include "platform/host/host_board.h"
#include "sim/sim_text.h"
#include "sim/simulator.h"
#include "tests/support/sim_harness.h"
#include "tests/support/test_support.h"

namespace {

dtbtest::SimResult RunStandIn(const std::string& root, const std::string& script, bool fresh = true,
                       std::vector<std::string> extra = {}) {
  dtbtest::SimRun run;
  run.root = root;
  run.script = script;
  run.fresh = fresh;
  run.player = DTB_STAND_IN_PLAYER;
  run.extra = std::move(extra);
  run.timeout_seconds = 60;
  return dtbtest::RunSim(run);
}

bool Has(const std::string& out, const std::string& what) { return out.find(what) != std::string::npos; }

size_t Count(const std::string& out, const std::string& what) {
  size_t n = 0;
  for (size_t p = out.find(what); p != std::string::npos; p = out.find(what, p + 1)) ++n;
  return n;
}

TEST(SimText, CaseFoldingCoversPolishLetters) {
  EXPECT_EQ(sim::FoldCase("ZAŻÓŁĆ GĘŚLĄ JAŹŃ"), "zażółć gęślą jaźń");
  EXPECT_TRUE(sim::ContainsFolded("Książki audio", "KSIĄŻKI"));
  EXPECT_FALSE(sim::ContainsFolded("Music", "musics"));
  EXPECT_EQ(sim::ParseSeconds("0.5"), 0.5);
  EXPECT_LT(sim::ParseSeconds("-1"), 0);
  EXPECT_LT(sim::ParseSeconds("5s"), 0);
  EXPECT_EQ(sim::KeyCodeByName("voldown"), 258);
  EXPECT_EQ(sim::KeyCodeByName("power"), -1);
}

TEST(Dtbsim, KeysReachThePlayerAndExpectsPass) {
  dtbtest::TempDir dir;
  auto r = RunStandIn(dir / "root",
               "expect ready\n"
               "key play\n"
               "expect KEY 307 DOWN\n"
               "expect key 307 up 3\n"
               "down up\nwait 0.2\nup up\n"
               "expect key 306 up\n"
               "hold right 0.3\n"
               "expect key 305 up\n");
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_TRUE(Has(r.output, "say: key 307 down")) << r.output;
  // The transcript in the root holds the same utterances with time stamps.
  std::string t = dtbtest::ReadFile(dir / "root/var/log/transcript");
  EXPECT_TRUE(Has(t, " say key 305 up\n")) << t;
}

TEST(Dtbsim, FailedExpectReportsWhatWasSpoken) {
  dtbtest::TempDir dir;
  auto r = RunStandIn(dir / "root", "expect ready\nkey play\nexpect something else 1\nkey up\nexpect key 306 down\n");
  EXPECT_EQ(r.status, sim::kExitExpectFailed) << r.output;
  EXPECT_TRUE(Has(r.output, "expect failed: \"something else\"")) << r.output;
  EXPECT_TRUE(Has(r.output, "  say: key 307 down")) << r.output;
}

TEST(Dtbsim, MalformedScriptsAndUnsafeRootsAreRefused) {
  dtbtest::TempDir dir;
  auto r = RunStandIn(dir / "root", "key nosuchkey\nexpect ready\n");
  EXPECT_EQ(r.status, sim::kExitUsage) << r.output;
  // Every family of commands refuses its own misuse and names the line.
  for (const char* line : {"hold play", "power hold", "usb sideways", "battery 8", "headphones maybe",
                           "sd in half", "clock +soon", "wait", "expect", "kill now", "frobnicate"}) {
    r = RunStandIn(dir / "root", std::string(line) + "\nexpect ready\n");
    EXPECT_EQ(r.status, sim::kExitUsage) << line << "\n" << r.output;
    EXPECT_TRUE(Has(r.output, "bad command \"" + std::string(line) + "\"")) << r.output;
  }
  // --fresh never wipes a folder that is not a device root.
  dtbtest::WriteFile(dir / "mine/precious.txt", "keep");
  r = RunStandIn(dir / "mine", "quit\n");
  EXPECT_EQ(r.status, sim::kExitUsage) << r.output;
  EXPECT_EQ(dtbtest::ReadFile(dir / "mine/precious.txt"), "keep");
}

TEST(Dtbsim, PowerButtonPowerOffAndPowerOn) {
  dtbtest::TempDir dir;
  auto r = RunStandIn(dir / "root",
               "expect ready\n"
               "power hold 0.3\n"
               "expect power down\nexpect power up\n"
               "key back\n"  // the stand-in powers off
               "wait 0.5\n"
               "key play\n"  // off: nothing happens
               "power click\n"
               "expect ready\n"
               "key menu\n"  // reboot: the simulator starts it again
               "expect ready\n");
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_TRUE(Has(r.output, "sim: the device powered off")) << r.output;
  EXPECT_TRUE(Has(r.output, "the key does nothing")) << r.output;
  EXPECT_TRUE(Has(r.output, "sim: the device reboots")) << r.output;
  EXPECT_EQ(Count(r.output, "say: ready"), 3u) << r.output;
  EXPECT_FALSE(Has(r.output, "key 307")) << r.output;
}

TEST(Dtbsim, CrashFailsTheRun) {
  dtbtest::TempDir dir;
  auto r = RunStandIn(dir / "root", "expect ready\nkey voldown\nwait 0.5\n");
  EXPECT_EQ(r.status, sim::kExitPlayerFailed) << r.output;
  EXPECT_TRUE(Has(r.output, "killed by signal")) << r.output;
}

TEST(Dtbsim, KillIsNoFailureAndThePowerButtonStartsThePlayerAgain) {
  dtbtest::TempDir dir;
  auto r = RunStandIn(dir / "root",
               "expect ready\n"
               "kill\n"
               "key play\n"  // off: nothing happens
               "power click\n"
               "expect ready\n");
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_TRUE(Has(r.output, "sim: dtbplayer killed (SIGKILL)")) << r.output;
  EXPECT_TRUE(Has(r.output, "the key does nothing")) << r.output;
  EXPECT_EQ(Count(r.output, "say: ready"), 2u) << r.output;
}

TEST(Dtbsim, UsbComputerChargerAndCard) {
  dtbtest::TempDir dir;
  auto r = RunStandIn(dir / "root",
               "expect ready\n"
               "usb in\n"
               "expect usb power\n"
               "expect hotplug usb_config\n"  // only once the disk is exported
               "usb out\n"
               "expect no usb power\n"
               "battery 6\n"  // charging needs power: a charger is plugged
               "expect usb power\n"
               "usb out\n"
               "battery 2\nkey volup\nexpect adc 2\n"
               "headphones in\nexpect headphones in\n"
               "sd in\nexpect hotplug mmcblk1p1_in\n"
               "sd out\nexpect hotplug mmcblk1p1_out\n"
               "sd in whole\nexpect hotplug mmcblk1_in\n");
  EXPECT_EQ(r.status, 0) << r.output;
  struct stat st;
  EXPECT_EQ(stat((dir / "root/dev/mmcblk1").c_str(), &st), 0);
  EXPECT_NE(stat((dir / "root/dev/mmcblk1p1").c_str(), &st), 0);
  std::string log = dtbtest::ReadFile(dir / "root/var/log/commands.log");
  EXPECT_TRUE(Has(log, "rc=0 insmod /home/g_mass_storage.ko file=/dev/mmcblk0p6")) << log;
}

TEST(Dtbsim, ClockAndRtcWakeUp) {
  dtbtest::TempDir dir;
  auto r = RunStandIn(dir / "root",
               "expect ready\n"
               "clock 2030-06-01 08:00\n"
               "key left\nexpect time 2030-06-01 08:00\n"
               "clock +3600\n"
               "key left\nexpect time 2030-06-01 09:00\n"
               "key info\n"  // alarm a minute ahead, power off
               "wait 0.5\n"
               "clock +120\n"
               "expect ready\n");
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_TRUE(Has(r.output, "woken by the RTC alarm")) << r.output;
  board::HostState st(dir / "root");
  EXPECT_TRUE(Has(dtbtest::ReadFile(st.File(board::state::kRtcAlarm)), "enabled 0"));
}

TEST(Dtbsim, RootIsReusedAndLanguageWritten) {
  dtbtest::TempDir dir;
  auto r = RunStandIn(dir / "root", "expect ready\n", true, {"--lang", "pl"});
  ASSERT_EQ(r.status, 0) << r.output;
  std::string cfg = dtbtest::ReadFile(dir / "root/mnt/settings/system.config.xml");
  EXPECT_TRUE(Has(cfg, "<ebook>")) << cfg;
  EXPECT_TRUE(Has(cfg, "language=\"polish\"")) << cfg;
  dtbtest::WriteFile(dir / "root/mnt/emmc/kept.txt", "x");
  r = RunStandIn(dir / "root", "expect ready\n", false, {"--lang", "en"});
  ASSERT_EQ(r.status, 0) << r.output;
  EXPECT_EQ(dtbtest::ReadFile(dir / "root/mnt/emmc/kept.txt"), "x");
  cfg = dtbtest::ReadFile(dir / "root/mnt/settings/system.config.xml");
  EXPECT_TRUE(Has(cfg, "language=\"english\"")) << cfg;
  EXPECT_FALSE(Has(cfg, "polish")) << cfg;
  r = RunStandIn(dir / "root", "expect ready\n", true);
  ASSERT_EQ(r.status, 0) << r.output;
  struct stat st;
  EXPECT_NE(stat((dir / "root/mnt/emmc/kept.txt").c_str(), &st), 0);
}

}  // namespace
