// The build's install tree made into an upgrade packet by the packet script:
// the supervisor takes it from the internal memory, installs it and reboots
// into the installed player.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "tests/support/sim_harness.h"
#include "tests/support/test_support.h"

namespace {

namespace fs = std::filesystem;

int Shell(const std::string& command) {
  int r = system((command + " >/dev/null 2>&1").c_str());
  return WIFEXITED(r) ? WEXITSTATUS(r) : -1;
}

std::string Quoted(const std::string& s) { return "'" + s + "'"; }

int MakePacket(const std::string& stage, const std::string& out) {
  return Shell("python3 " + Quoted(std::string(DTB_SOURCE_DIR) + "/scripts/make-packet.py") + " " +
               Quoted(stage) + " " + Quoted(out) + " --version 7");
}

TEST(ImageE2e, SupervisorInstallsThePacketOfTheInstallTreeAndStartsItsPlayer) {
  DTB_REQUIRE_PLAYER();
  dtbtest::TempDir dir;
  const std::string stage = dir.path() + "/stage", root = dir.path() + "/root";
  ASSERT_EQ(Shell(std::string(DTB_CMAKE) + " --install " + Quoted(DTB_BINARY_DIR) +
                  " --component device --prefix " + Quoted(stage)),
            0);
  ASSERT_TRUE(fs::is_regular_file(stage + "/home/q7exe2"));
  ASSERT_TRUE(fs::is_regular_file(stage + "/home/voices/pl_ewa.voice"));
  ASSERT_EQ(dtbtest::LayOutRoot(root, "en"), 0);
  ASSERT_EQ(MakePacket(stage, root + "/mnt/emmc"), 0);

  // No player at first: the supervisor's USB-disk mode installs the packet
  // when the cable goes out, and the reboot starts the player it installed.
  dtbtest::SimRun run;
  run.root = root;
  run.fresh = false;
  run.player = "/bin/false";
  run.extra = {"--supervisor", std::string(DTB_BINARY_DIR) + "/supervisor/supervisor"};
  run.script =
      "wait 1\n"
      "usb in\n"
      "wait 2\n"
      "usb out\n"
      "expect Internal memory 40\n"
      "quit\n";
  run.timeout_seconds = 150;
  dtbtest::SimResult r = dtbtest::RunSim(run);
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_NE(r.output.find("sim: the device reboots"), std::string::npos) << r.output;
  EXPECT_EQ(dtbtest::ReadFile(root + "/home/q7exe2"), dtbtest::ReadFile(stage + "/home/q7exe2"));
  EXPECT_EQ(dtbtest::ReadFile(root + "/home/ChnCharIndexs.bin"),
            dtbtest::ReadFile(stage + "/home/ChnCharIndexs.bin"));
  EXPECT_FALSE(fs::exists(root + "/mnt/emmc/q7upgrade.sh"));
}

TEST(ImageE2e, PacketScriptRefusesWhatTheDeviceWouldRefuse) {
  dtbtest::TempDir dir;
  const std::string stage = dir.path() + "/stage", out = dir.path() + "/out";
  fs::create_directories(stage + "/home");
  dtbtest::WriteFile(stage + "/home/q7exe2", "player");
  ASSERT_EQ(MakePacket(stage, out), 0);
  EXPECT_EQ(dtbtest::ReadFile(out + "/q7upgrade.sh").size(), 99u);

  fs::create_symlink("q7exe2", stage + "/home/link");
  EXPECT_NE(MakePacket(stage, dir.path() + "/out2"), 0) << "a link";
  fs::remove(stage + "/home/link");
  fs::create_directories(stage + "/mnt/settings");
  EXPECT_NE(MakePacket(stage, dir.path() + "/out3"), 0) << "a disk";
  EXPECT_FALSE(fs::exists(dir.path() + "/out3/q7_upgrade"));
}

}  // namespace
