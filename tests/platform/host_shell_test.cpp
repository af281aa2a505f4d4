// The host shell's commands have the effect they would have on the device.
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <cstring>
#include <fstream>

#include "tests/platform/host_fixture.h"

namespace {

const char c_Lun0[] = "sys/devices/platform/omap/musb-ti81xx/musb-hdrc.0/gadget/lun0/file";

TEST_F(HostBoardTest, MountsFollowTheTable) {
  EXPECT_EQ(board::Current().IsMountPoint("/mnt/emmc"), 1);
  EXPECT_EQ(board::Current().IsMountPoint("/mnt/settings"), 1);
  EXPECT_EQ(board::Current().IsMountPoint("/mnt/microsd"), 0);  // no card in a fresh root
  EXPECT_EQ(board::Current().IsMountPoint("/mnt/nowhere"), -1);
  dtbtest::WriteFile(board::Path("/mnt/emmc/book.txt"), "text");
  EXPECT_EQ(dtbtest::ReadFile(Root("mnt/emmc/book.txt")), "text");

  EXPECT_EQ(Sh("umount /mnt/emmc"), 0);
  EXPECT_EQ(board::Current().IsMountPoint("/mnt/emmc"), 0);
  EXPECT_FALSE(DevExists("/mnt/emmc/book.txt"));  // the empty folder beneath
  EXPECT_NE(Sh("umount /mnt/emmc"), 0);
  EXPECT_EQ(Sh("mount -t vfat -o utf8 /dev/mmcblk0p6 /mnt/emmc"), 0);
  EXPECT_TRUE(DevExists("/mnt/emmc/book.txt"));
  EXPECT_NE(Sh("mount -t vfat -o utf8 /dev/mmcblk0p6 /mnt/emmc"), 0);  // already mounted
  EXPECT_NE(dtbtest::ReadFile(Root("proc/mounts")).find("/dev/mmcblk0p6 /mnt/emmc vfat"), std::string::npos);
  EXPECT_NE(Log().find("rc=0 mount -t vfat -o utf8 /dev/mmcblk0p6 /mnt/emmc"), std::string::npos);
}

TEST_F(HostBoardTest, CardStatesReachTheFirmware) {
  // No card: the mount fails ("no micro sd card").
  EXPECT_EQ(Sh("mount -t vfat -o utf8 /dev/mmcblk1p1 /mnt/microsd"), 32);
  // An unformatted card: present, but the mount fails ("disk not formatted").
  dtbtest::WriteFile(Root("dev/mmcblk1"), "card\n");
  dtbtest::WriteFile(Root("dev/mmcblk1p1"), "raw\n");
  dtbtest::WriteFile(Root("var/volatile/mmcblk1p1"), "raw\n");
  EXPECT_TRUE(DevExists("/dev/mmcblk1"));
  EXPECT_EQ(Sh("mount -t vfat -o utf8 /var/volatile/mmcblk1p1 /mnt/microsd"), 32);
  EXPECT_EQ(board::Current().IsMountPoint("/mnt/microsd"), 0);
  // Formatting makes it mountable, through the hotplug script's node too.
  EXPECT_EQ(Sh("mkfs.vfat /dev/mmcblk1p1"), 0);
  EXPECT_EQ(Sh("mount -t vfat -o utf8 /var/volatile/mmcblk1p1 /mnt/microsd"), 0);
  dtbtest::WriteFile(board::Path("/mnt/microsd/a.mp3"), "a");
  // Pulled out while mounted: the files are gone, the mount stays until umount.
  unlink(Root("dev/mmcblk1p1").c_str());
  EXPECT_FALSE(DevExists("/mnt/microsd/a.mp3"));
  EXPECT_EQ(BOpendir("/mnt/microsd"), nullptr);
  EXPECT_EQ(board::Current().IsMountPoint("/mnt/microsd"), 1);
  EXPECT_NE(Sh("cp /mnt/microsd/a.mp3 /mnt/emmc/"), 0);
  EXPECT_FALSE(Exists("var/board/gone"));
  EXPECT_EQ(Sh("umount /mnt/microsd"), 0);
  // The card keeps its files for the next insertion.
  EXPECT_EQ(dtbtest::ReadFile(Root("mnt/microsd/a.mp3")), "a");
}

TEST_F(HostBoardTest, FormattingEmptiesTheDisk) {
  dtbtest::WriteFile(board::Path("/mnt/emmc/Music/a.mp3"), "a");
  dtbtest::WriteFile(board::Path("/mnt/settings/system.config.xml"), "<ebook/>");
  EXPECT_EQ(Sh("mkfs.vfat -n ORVEXA /dev/mmcblk0p6"), 1);  // refused while mounted
  EXPECT_TRUE(DevExists("/mnt/emmc/Music/a.mp3"));
  EXPECT_EQ(Sh("umount /mnt/emmc"), 0);
  EXPECT_EQ(Sh("mkfs.vfat -n ORVEXA /dev/mmcblk0p6"), 0);
  EXPECT_EQ(Sh("mount -t vfat -o utf8 /dev/mmcblk0p6 /mnt/emmc"), 0);
  EXPECT_TRUE(DevExists("/mnt/emmc"));
  EXPECT_FALSE(DevExists("/mnt/emmc/Music"));
  EXPECT_TRUE(DevExists("/mnt/settings/system.config.xml"));  // another partition
  EXPECT_NE(Sh("mkfs.vfat /dev/mmcblk9p1"), 0);
}

TEST_F(HostBoardTest, MassStorageTakesTheInternalMemoryAway) {
  dtbtest::WriteFile(Root("home/g_mass_storage.ko"), "module");
  dtbtest::WriteFile(board::Path("/mnt/emmc/book.txt"), "b");
  EXPECT_EQ(Sh("umount /mnt/emmc"), 0);
  EXPECT_EQ(Sh("insmod /home/g_mass_storage.ko file=\"/dev/mmcblk0p6\""), 0);
  EXPECT_EQ(dtbtest::ReadFile(Root(c_Lun0)), "/dev/mmcblk0p6\n");
  // Exported: the player cannot mount it, and a forgotten mount shows nothing.
  EXPECT_EQ(Sh("mount -t vfat -o utf8 /dev/mmcblk0p6 /mnt/emmc"), 32);
  EXPECT_NE(Sh("insmod /home/g_mass_storage.ko file=/dev/mmcblk0p6"), 0);  // already loaded
  EXPECT_EQ(Sh("rmmod /home/g_mass_storage.ko"), 0);
  EXPECT_FALSE(Exists(c_Lun0));
  EXPECT_NE(Sh("rmmod /home/g_mass_storage.ko"), 0);
  EXPECT_EQ(Sh("mount -t vfat -o utf8 /dev/mmcblk0p6 /mnt/emmc"), 0);
  EXPECT_TRUE(DevExists("/mnt/emmc/book.txt"));

  // Loaded while still mounted (a firmware slip): the files vanish from view.
  EXPECT_EQ(Sh("insmod /home/g_mass_storage.ko file=/dev/mmcblk0p6"), 0);
  EXPECT_FALSE(DevExists("/mnt/emmc/book.txt"));
  EXPECT_EQ(Sh("rmmod g_mass_storage"), 0);
  EXPECT_TRUE(DevExists("/mnt/emmc/book.txt"));
  // The card exported later through the gadget's second disk file.
  dtbtest::WriteFile(Root("dev/mmcblk1"), "card\n");
  dtbtest::WriteFile(Root("dev/mmcblk1p1"), "vfat\n");
  EXPECT_EQ(Sh("insmod /home/g_mass_storage.ko file=/dev/mmcblk0p6,/dev/mmcblk1p1"), 0);
  EXPECT_EQ(Sh("echo   > /sys/devices/platform/omap/musb-ti81xx/musb-hdrc.0/gadget/lun1/file"), 0);
  EXPECT_EQ(Sh("mount -t vfat -o utf8 /dev/mmcblk1p1 /mnt/microsd"), 0);
  EXPECT_EQ(Sh("umount /mnt/microsd"), 0);
  EXPECT_EQ(Sh("echo /dev/mmcblk1p1 > /sys/devices/platform/omap/musb-ti81xx/musb-hdrc.0/gadget/lun1/file"), 0);
  EXPECT_EQ(Sh("mount -t vfat -o utf8 /dev/mmcblk1p1 /mnt/microsd"), 32);
}

TEST_F(HostBoardTest, FileCommands) {
  ASSERT_EQ(Sh("mkdir /mnt/emmc/Daisy"), 0);
  EXPECT_NE(Sh("mkdir /mnt/emmc/Daisy"), 0);
  EXPECT_NE(Sh("mkdir /mnt/emmc/a/b"), 0);
  EXPECT_EQ(Sh("mkdir -p /mnt/emmc/a/b"), 0);
  dtbtest::WriteFile(board::Path("/mnt/emmc/a/b/one.mp3"), "1");
  dtbtest::WriteFile(board::Path("/mnt/emmc/a/two.mp3"), "2");
  // cp: a folder needs -r; into an existing folder keeps the name.
  EXPECT_NE(Sh("cp /mnt/emmc/a /mnt/emmc/Daisy"), 0);
  EXPECT_EQ(Sh("cp -r /mnt/emmc/a /mnt/emmc/Daisy"), 0);
  EXPECT_EQ(dtbtest::ReadFile(board::Path("/mnt/emmc/Daisy/a/b/one.mp3")), "1");
  EXPECT_NE(Sh("cp -r /mnt/emmc/a /mnt/emmc/a/b"), 0);  // into itself
  EXPECT_NE(Sh("cp /mnt/emmc/missing /mnt/emmc/x"), 0);
  // mv across disks, and into itself refused.
  ASSERT_EQ(Sh("mv \"/mnt/emmc/a/two.mp3\" /mnt/settings/"), 0);
  EXPECT_TRUE(DevExists("/mnt/settings/two.mp3"));
  EXPECT_FALSE(DevExists("/mnt/emmc/a/two.mp3"));
  EXPECT_NE(Sh("mv /mnt/emmc/a /mnt/emmc/a/b"), 0);
  // rm: folders need -r; -f ignores missing; globs match names.
  EXPECT_NE(Sh("rm /mnt/emmc/a"), 0);
  EXPECT_NE(Sh("rm /mnt/emmc/nothing"), 0);
  EXPECT_EQ(Sh("rm -f /mnt/emmc/nothing"), 0);
  dtbtest::WriteFile(board::Path("/mnt/settings/voice_reminder/1.mp3"), "1");
  dtbtest::WriteFile(board::Path("/mnt/settings/voice_reminder/reminder.xml"), "x");
  EXPECT_EQ(Sh("rm -rf /mnt/settings/voice_reminder/*"), 0);
  EXPECT_TRUE(DevExists("/mnt/settings/voice_reminder"));
  EXPECT_FALSE(DevExists("/mnt/settings/voice_reminder/1.mp3"));
  EXPECT_FALSE(DevExists("/mnt/settings/voice_reminder/reminder.xml"));
  // A mounted disk's own folder cannot go; what it holds can.
  EXPECT_NE(Sh("rm -rf /mnt/emmc"), 0);
  EXPECT_TRUE(Exists("mnt/emmc"));
  EXPECT_FALSE(DevExists("/mnt/emmc/Daisy"));
  EXPECT_EQ(board::Current().IsMountPoint("/mnt/emmc"), 1);
  EXPECT_NE(Sh("rm -rf /"), 0);
  // Paths cannot climb out of the root.
  EXPECT_EQ(board::Path("/../../etc/passwd"), Root("etc/passwd"));
  EXPECT_EQ(Sh("mkdir -p /../../outside"), 0);
  EXPECT_TRUE(Exists("outside"));
}

TEST_F(HostBoardTest, EchoDateAndStandby) {
  EXPECT_EQ(Sh("echo 600000 > /sys/devices/system/cpu/cpu0/cpufreq/scaling_max_freq"), 0);
  EXPECT_EQ(dtbtest::ReadFile(Root("sys/devices/system/cpu/cpu0/cpufreq/scaling_max_freq")), "600000\n");
  EXPECT_EQ(Sh("echo 1 > /sys/devices/platform/leds-gpio/leds/am335x:EVM_SK:usr0/brightness"), 0);
  EXPECT_NE(Sh("echo x > /mnt/emmc/no/such/folder"), 0);

  EXPECT_EQ(Sh("date \"2031-7-4 9:05\"\n"), 0);
  time_t now = board::Now();
  struct tm tm;
  localtime_r(&now, &tm);
  EXPECT_EQ(tm.tm_year, 131);
  EXPECT_EQ(tm.tm_mon, 6);
  EXPECT_EQ(tm.tm_mday, 4);
  EXPECT_EQ(tm.tm_hour, 9);
  EXPECT_EQ(tm.tm_min, 5);
  EXPECT_NE(Sh("date \"2031-13-4 9:05\""), 0);
  EXPECT_EQ(Sh("hwclock --systohc"), 0);
  EXPECT_NEAR(host_->host_state().GetInt(board::state::kRtcClock), now, 2);

  host_->host_state().SetInt(board::state::kStandbyTimer, 840);
  EXPECT_EQ(Sh("echo standby > /sys/power/state"), 0);
  EXPECT_NE(Log().find("note standby 840"), std::string::npos);
}

TEST_F(HostBoardTest, UnknownCommandsFailAndAreLogged) {
  EXPECT_EQ(Sh("fdisk /dev/mmcblk1"), 127);
  EXPECT_NE(Log().find("rc=127 fdisk /dev/mmcblk1"), std::string::npos);
  EXPECT_NE(Log().find("unknown command: fdisk"), std::string::npos);
  EXPECT_EQ(Sh("false || true"), 0);
  EXPECT_EQ(Sh("false && fdisk"), 1);
}

TEST_F(HostBoardTest, PowerOffAndRebootEndTheProcess) {
  EXPECT_EXIT(board::System("sync; poweroff"), ::testing::ExitedWithCode(board::kExitPowerOff), "");
  EXPECT_EXIT(board::System("reboot"), ::testing::ExitedWithCode(board::kExitReboot), "");
}

// A tar archive in memory: (name, content, type) members.
std::string Tar(const std::vector<std::tuple<std::string, std::string, char>>& members) {
  std::string out;
  for (auto& [name, data, type] : members) {
    char h[512] = {};
    snprintf(h, 100, "%s", name.c_str());
    snprintf(h + 100, 8, "%07o", 0644);
    snprintf(h + 124, 12, "%011o", static_cast<unsigned>(data.size()));
    h[156] = type;
    memcpy(h + 257, "ustar", 5);
    memset(h + 148, ' ', 8);
    unsigned sum = 0;
    for (unsigned char c : h) sum += c;
    snprintf(h + 148, 8, "%06o", sum);
    out.append(h, 512);
    out += data;
    out.append((512 - data.size() % 512) % 512, '\0');
  }
  out.append(1024, '\0');
  return out;
}

TEST_F(HostBoardTest, UpgradeScriptUnpacksIntoTheRoot) {
  std::string tar = Tar({{"home/", "", '5'},
                         {"home/uImage", "kernel", '0'},
                         {"./mnt/settings/start.wav", "RIFF", '0'},
                         {"home/link", "", '2'}});
  gzFile g = gzopen(board::Path("/mnt/emmc/q7_upgrade").c_str(), "wb");
  ASSERT_TRUE(g);
  gzwrite(g, tar.data(), static_cast<unsigned>(tar.size()));
  gzclose(g);
  dtbtest::WriteFile(board::Path("/mnt/emmc/q7upgrade.sh"),
                     "### q7_upgrade 04 00000000 00000000\ntar -zxvf /mnt/emmc/q7_upgrade -C /\n"
                     "rm -f /mnt/emmc/q7_upgrade\n");
  EXPECT_EQ(Sh("sh /mnt/emmc/q7upgrade.sh"), 0);
  EXPECT_EQ(dtbtest::ReadFile(Root("home/uImage")), "kernel");
  // Through the mount table: the settings partition got the file.
  EXPECT_EQ(dtbtest::ReadFile(Root("mnt/settings/start.wav")), "RIFF");
  EXPECT_FALSE(Exists("home/link"));
  EXPECT_FALSE(DevExists("/mnt/emmc/q7_upgrade"));

  // A member climbing out of the destination is never written.
  dtbtest::WriteFile(board::Path("/mnt/emmc/evil.tar"),
                     Tar({{"../../escaped", "x", '0'}, {"mnt/emmc/ok", "y", '0'}}));
  EXPECT_NE(Sh("tar -xf /mnt/emmc/evil.tar -C /"), 0);
  EXPECT_FALSE(Exists("../escaped"));
  EXPECT_TRUE(DevExists("/mnt/emmc/ok"));
  dtbtest::WriteFile(board::Path("/mnt/emmc/short.tar"), tar.substr(0, 700));
  EXPECT_NE(Sh("tar -xf /mnt/emmc/short.tar -C /tmp"), 0);
}

}  // namespace
