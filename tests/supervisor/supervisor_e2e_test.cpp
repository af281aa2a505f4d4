// Upgrades and the boot sequence end to end: the real player and the
// supervisor on the simulated board, driven by dtbsim scripts.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/support/sim_harness.h"
#include "supervisor/packet/upgrade_install.h"
#include "tests/support/test_support.h"
#include "tests/supervisor/packet_maker.h"

namespace {

namespace fs = std::filesystem;

class SupervisorE2e : public ::testing::Test {
 protected:
  void SetUp() override {
    DTB_REQUIRE_PLAYER();
    root_ = dir_ / "root";
    ASSERT_EQ(dtbtest::LayOutRoot(root_, "en"), 0);
  }
  dtbtest::SimResult Run(const std::string& script, bool supervisor, const std::string& player = "") {
    dtbtest::SimRun run;
    run.root = root_;
    run.fresh = false;
    run.script = script;
    run.player = player;
    if (supervisor) run.extra = {"--supervisor", std::string(DTB_BINARY_DIR) + "/supervisor/supervisor"};
    run.timeout_seconds = 150;
    return dtbtest::RunSim(run);
  }
  std::string Emmc(const std::string& rel) { return root_ + "/mnt/emmc/" + rel; }
  std::string Log() { return dtbtest::ReadFile(root_ + "/var/log/commands.log"); }

  dtbtest::TempDir dir_;
  std::string root_;
};

// A stand-in player for the supervisor: a script of the host shell.
const char c_NewPlayer[] = "# the new player\necho new > /var/log/player_ran\npoweroff\n";

TEST_F(SupervisorE2e, PlayerInstallsAValidPacketWhenTheCableIsPulled) {
  std::string payload = dtbtest::Gzip(dtbtest::Tar(
      {{"home/", "", '5'}, {"home/upgrade_note.txt", "version 5"}, {"etc/init.d/q7", "start\n"}}));
  dtbtest::WritePacket(root_ + "/mnt/emmc", payload, 5);
  dtbtest::SimResult r = Run(
      "expect Internal memory 20\n"
      "usb in\n"
      "expect USB connected 5\n"
      "usb out\n"
      "expect upgrading 10\n"
      "expect upgrade finished, restarting 10\n"
      "expect Internal memory 30\n"
      "quit\n",
      false);
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_NE(r.output.find("sim: the device reboots"), std::string::npos) << r.output;
  EXPECT_EQ(dtbtest::ReadFile(root_ + "/home/upgrade_note.txt"), "version 5");
  EXPECT_EQ(dtbtest::ReadFile(root_ + "/etc/init.d/q7"), "start\n");
  EXPECT_FALSE(fs::exists(Emmc("q7upgrade.sh")));
  EXPECT_FALSE(fs::exists(Emmc("q7_upgrade")));
  EXPECT_FALSE(fs::exists(root_ + "/upgrade.ready"));
}

TEST_F(SupervisorE2e, PacketInAFolderAComputerNamedIsInstalledFromTheBrowser) {
  const std::string folder = "Upgrades/it's $(rm -rf x) `y`";
  fs::create_directories(Emmc(folder));
  dtbtest::WritePacket(Emmc(folder), dtbtest::Gzip(dtbtest::Tar({{"home/from_folder.txt", "ok"}})), 4);
  dtbtest::WriteFile(root_ + "/mnt/settings/poweroff.path", "/mnt/emmc/" + folder + "/q7_upgrade");
  dtbtest::SimResult r = Run(
      "expect q7_upgrade 20\n"
      "key play\n"
      "expect upgrade finished, restarting 15\n"
      "wait 3\n"
      "quit\n",
      false);
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_NE(r.output.find("sim: the device reboots"), std::string::npos) << r.output;
  EXPECT_EQ(dtbtest::ReadFile(root_ + "/home/from_folder.txt"), "ok");
  EXPECT_FALSE(fs::exists(Emmc(folder + "/q7_upgrade")));
  EXPECT_EQ(Log().find("refused"), std::string::npos) << "a name reached the shell unquoted";
}

TEST_F(SupervisorE2e, PlayerRefusesBadPacketsAndDeletesThem) {
  // Too old a version; then a payload that would write on the settings disk.
  std::string payload = dtbtest::Gzip(dtbtest::Tar({{"home/x", "x"}}));
  dtbtest::WritePacket(root_ + "/mnt/emmc", payload, 3);
  fs::create_directories(Emmc("Upgrades/from $(computer)"));
  std::string evil = dtbtest::Gzip(dtbtest::Tar({{"mnt/settings/system.config.xml", "<gone/>"}}));
  dtbtest::WritePacket(Emmc("Upgrades/from $(computer)"), evil, 6);
  std::string settings = dtbtest::ReadFile(root_ + "/mnt/settings/system.config.xml");
  dtbtest::WriteFile(root_ + "/mnt/settings/poweroff.path", "/mnt/emmc/Upgrades/from $(computer)/q7_upgrade");
  dtbtest::SimResult r = Run(
      "expect q7_upgrade 20\n"
      "usb in\n"
      "expect USB connected 5\n"
      "usb out\n"
      "expect upgrade failed 10\n"
      "wait 1\n"
      "key play\n"
      "expect upgrade failed 10\n"
      "quit\n",
      false);
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_EQ(r.output.find("sim: the device reboots"), std::string::npos) << r.output;
  EXPECT_FALSE(fs::exists(Emmc("q7upgrade.sh")));
  EXPECT_FALSE(fs::exists(Emmc("q7_upgrade")));
  EXPECT_FALSE(fs::exists(root_ + "/home/x"));
  EXPECT_EQ(dtbtest::ReadFile(root_ + "/mnt/settings/system.config.xml"), settings);
  EXPECT_EQ(Log().find("refused"), std::string::npos) << "a name reached the shell unquoted";
}

TEST_F(SupervisorE2e, PlayerInstallsTheDeviceRecordAndBootSound) {
  dtbtest::WriteFile(Emmc("q7snb.bin"), dtbtest::SnbRecord());
  std::string sound(20000, 's');
  dtbtest::WriteFile(Emmc("bootup_music.pcm"), sound);
  dtbtest::SimResult r = Run(
      "expect Internal memory 20\n"
      "usb in\n"
      "expect USB connected 5\n"
      "usb out\n"
      "expect snb upgrading finished 10\n"
      "expect boot up music upgrading finished 10\n"
      "expect rebooting 10\n"
      "expect Internal memory 30\n"
      "quit\n",
      false);
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_NE(r.output.find("sim: the device reboots"), std::string::npos) << r.output;
  EXPECT_EQ(dtbtest::ReadFile(root_ + "/home/q7snb.bin"), dtbtest::SnbRecord());
  EXPECT_EQ(dtbtest::ReadFile(root_ + "/mnt/settings/q7snb.bin"), dtbtest::SnbRecord());
  EXPECT_EQ(dtbtest::ReadFile(root_ + "/home/start.wav"), sound);
  EXPECT_EQ(dtbtest::ReadFile(root_ + "/mnt/settings/start.wav"), sound);
  EXPECT_FALSE(fs::exists(Emmc("bootup_music.pcm")));
  EXPECT_FALSE(fs::exists(Emmc("q7snb.bin")));

  // A damaged record is refused and deleted; a sound of the wrong size stays
  // where it is; nothing to reboot for.
  std::string damaged = dtbtest::SnbRecord();
  damaged[201] = 13;
  dtbtest::WriteFile(Emmc("q7snb.bin"), dtbtest::SealSnb(damaged));
  dtbtest::WriteFile(Emmc("bootup_music.pcm"), std::string(10240, 's'));
  r = Run(
      "expect Internal memory 20\n"
      "usb in\n"
      "expect USB connected 5\n"
      "usb out\n"
      "expect failed 10\n"
      "wait 2\n"
      "quit\n",
      false);
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_EQ(r.output.find("sim: the device reboots"), std::string::npos) << r.output;
  EXPECT_FALSE(fs::exists(Emmc("q7snb.bin")));
  EXPECT_TRUE(fs::exists(Emmc("bootup_music.pcm")));
  EXPECT_EQ(dtbtest::ReadFile(root_ + "/mnt/settings/q7snb.bin"), dtbtest::SnbRecord());
}

TEST_F(SupervisorE2e, PolishUsersHearPolishAboutTheDeviceRecord) {
  dtbtest::WriteFile(Emmc("q7snb.bin"), dtbtest::SnbRecord());
  dtbtest::SimRun run;
  run.root = root_;
  run.fresh = false;
  run.lang = "pl";
  run.script =
      "usb in\n"
      "wait 3\n"
      "usb out\n"
      "expect aktualizacja danych 15\n"
      "quit\n";
  dtbtest::SimResult r = dtbtest::RunSim(run);
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_EQ(dtbtest::ReadFile(root_ + "/mnt/settings/q7snb.bin"), dtbtest::SnbRecord());

  // A damaged record; then no settings disk to install into.
  std::string damaged = dtbtest::SnbRecord();
  damaged[201] = 13;
  dtbtest::WriteFile(Emmc("q7snb.bin"), dtbtest::SealSnb(damaged));
  run.script = "usb in\nwait 3\nusb out\nexpect aktualizacja nie powiodła się 15\nquit\n";
  r = dtbtest::RunSim(run);
  EXPECT_EQ(r.status, 0) << r.output;
  dtbtest::WriteFile(root_ + "/dev/mmcblk0p5", "");
  run.script = "usb in\nwait 3\nusb out\nexpect dysk ustawień nie jest sformatowany 15\nquit\n";
  r = dtbtest::RunSim(run);
  EXPECT_EQ(r.status, 0) << r.output;
}

TEST_F(SupervisorE2e, BootsThePlayerThroughTheSupervisor) {
  // What a power cut while unpacking left: removed at boot.
  dtbtest::WriteFile(root_ + "/upgrade.new/home/q7exe2", std::string(1 << 20, 'x'));
  dtbtest::SimResult r = Run(
      "expect Internal memory 20\n"
      "power hold 3\n"
      "expect shutting down 10\n"
      "wait 2\n"
      "quit\n",
      true);
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_NE(r.output.find("sim: the device powered off"), std::string::npos) << r.output;
  EXPECT_FALSE(fs::exists(root_ + "/upgrade.new"));
}

TEST_F(SupervisorE2e, SupervisorRefusesAPacketThatUnpacksPastTheBound) {
  std::vector<std::pair<std::string, unsigned long long>> parts = {{"home/q7exe2", 1000}};
  for (int i = 0; i < 3; i++) parts.push_back({"home/part" + std::to_string(i), kMaxUpgradeBytes / 3 + 4096});
  std::string payload = dtbtest::GzipTarOfZeros(parts);
  dtbtest::WritePacket(root_ + "/mnt/emmc", payload, 7);
  dtbtest::SimResult r = Run("wait 2\nusb in\nwait 2\nusb out\nwait 6\nquit\n", true, "/bin/false");
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_EQ(r.output.find("sim: the device reboots"), std::string::npos) << r.output;
  EXPECT_FALSE(fs::exists(root_ + "/home/part0"));
  EXPECT_FALSE(fs::exists(root_ + "/upgrade.new"));
}

TEST_F(SupervisorE2e, SupervisorPowersOffAfterAMinuteWithoutUsbPower) {
  dtbtest::SimResult r = Run("wait 55\nkey down\nwait 9\nquit\n", true, "/bin/false");
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_NE(r.output.find("sim: the device powered off"), std::string::npos) << r.output;
  std::string log = Log();
  size_t ended = log.find("rc=1 /home/q7exe2"), off = log.find("note poweroff", ended);
  ASSERT_NE(ended, std::string::npos) << log;
  ASSERT_NE(off, std::string::npos) << log;
  auto stamp = [&](size_t at) { return std::stod(log.substr(log.rfind('\n', at) + 1)); };
  EXPECT_NEAR(stamp(off) - stamp(ended), 60.0, 1.0) << "the key did not restart the count";
  EXPECT_NE(log.find("hwclock --systohc", ended), std::string::npos);
}

TEST_F(SupervisorE2e, SupervisorKeepsTheDiskForTheComputerAndUpgradesWhenPulled) {
  std::string payload = dtbtest::Gzip(dtbtest::Tar({{"home/q7exe2", c_NewPlayer}}));
  dtbtest::WritePacket(root_ + "/mnt/emmc", payload, 7);
  dtbtest::SimResult r = Run(
      "wait 2\n"
      "usb in\n"
      "wait 2\n"
      "usb out\n"
      "wait 4\n"
      "quit\n",
      true, "/bin/false");
  EXPECT_EQ(r.status, 0) << r.output;
  std::string log = Log();
  size_t in = log.find("insmod /home/g_mass_storage.ko file=\"/dev/mmcblk0p6\"");
  size_t out = log.find("rmmod /home/g_mass_storage.ko", in);
  EXPECT_NE(in, std::string::npos) << log;
  EXPECT_NE(out, std::string::npos) << log;
  // Rebooted into the new player, which ran whole and powered off.
  EXPECT_NE(r.output.find("sim: the device reboots"), std::string::npos) << r.output;
  EXPECT_EQ(dtbtest::ReadFile(root_ + "/var/log/player_ran"), "new\n");
  EXPECT_NE(r.output.find("sim: the device powered off"), std::string::npos) << r.output;
  EXPECT_FALSE(fs::exists(Emmc("q7upgrade.sh")));
}

}  // namespace
