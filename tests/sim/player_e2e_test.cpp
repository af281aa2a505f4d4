// The real player on the simulated board, end to end through dtbsim.
#include <fstream>

#include "platform/host/host_board.h"
#include "tests/support/sim_harness.h"
#include "tests/support/test_support.h"

namespace {

bool Has(const std::string& text, const std::string& what) { return text.find(what) != std::string::npos; }

TEST(PlayerE2e, StartsTakesKeysAndPowersOffOnAHeldPowerButton) {
  DTB_REQUIRE_PLAYER();
  dtbtest::TempDir dir;
  dtbtest::SimRun run;
  run.root = dir / "root";
  run.script =
      "wait 4\n"
      "key down\n"
      "wait 0.5\n"
      "power hold 4\n"
      "wait 3\n";
  run.timeout_seconds = 90;
  dtbtest::SimResult r = dtbtest::RunSim(run);
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_TRUE(Has(r.output, "sim: the device powered off")) << r.output;
  std::string log = dtbtest::ReadFile(dir / "root/var/log/commands.log");
  // Start-up mounted both partitions; power-off saved the clock and asked
  // the board to power off.
  EXPECT_TRUE(Has(log, "rc=0 mount -t vfat -o utf8 /dev/mmcblk0p6 /mnt/emmc")) << log;
  EXPECT_TRUE(Has(log, "rc=0 mount -t vfat -o utf8 /dev/mmcblk0p5 /mnt/settings")) << log;
  EXPECT_TRUE(Has(log, "rc=0 hwclock --systohc")) << log;
  EXPECT_TRUE(Has(log, "note poweroff")) << log;
  // Nothing to wake up for: the RTC alarm is off.
  board::HostState st(dir / "root");
  EXPECT_TRUE(Has(dtbtest::ReadFile(st.File(board::state::kRtcAlarm)), "enabled 0"));
  EXPECT_TRUE(Has(dtbtest::ReadFile(dir / "root/var/log/player.log"), "key 263 down"));
}

}  // namespace
