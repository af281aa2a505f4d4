// The file browser end to end: the real player on the simulated board, a
// library each test builds, and dtbsim scripts that press keys and wait
// for what the device says.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/sim_harness.h"
#include "tests/support/test_support.h"

namespace {

namespace fs = std::filesystem;

bool Said(const dtbtest::SimResult& r, const std::string& text) {
  for (const std::string& u : dtbtest::Utterances(r.output))
    if (u.find(text) != std::string::npos) return true;
  return false;
}

class BrowserE2e : public ::testing::Test {
 protected:
  void SetUp() override {
    DTB_REQUIRE_PLAYER();
    root_ = dir_ / "root";
    ASSERT_EQ(dtbtest::LayOutRoot(root_, "en"), 0);
  }
  dtbtest::SimResult Run(const std::string& script) {
    dtbtest::SimRun run;
    run.root = root_;
    run.fresh = false;
    run.script = script;
    run.timeout_seconds = 150;
    return dtbtest::RunSim(run);
  }
  // A file on the internal memory (or, with card, on the micro SD card).
  void File(const std::string& rel, const std::string& bytes = "x", bool card = false) {
    dtbtest::WriteFile(root_ + (card ? "/mnt/microsd/" : "/mnt/emmc/") + rel, bytes);
  }
  void Folder(const std::string& rel) { fs::create_directories(root_ + "/mnt/emmc/" + rel); }
  void StartAt(const std::string& text) {
    dtbtest::WriteFile(root_ + "/mnt/settings/poweroff.path", text);
  }
  void CopyBook(const std::string& fixture, const std::string& rel) {
    fs::create_directories(root_ + "/mnt/emmc/" + rel);
    fs::copy(dtbtest::DataPath("daisy/books/" + fixture), root_ + "/mnt/emmc/" + rel,
             fs::copy_options::recursive);
  }
  std::string Log() { return dtbtest::ReadFile(root_ + "/var/log/commands.log"); }

  dtbtest::TempDir dir_;
  std::string root_;
};

TEST_F(BrowserE2e, DiskChoiceNaturalOrderTieBreakJumpsHiddenAndEmptyFolders) {
  for (const char* f : {"track10.mp3", "track2.mp3", "track1.mp3", "a-b.txt", "ab.txt", ".hidden.txt"})
    File(std::string("Music/") + f);
  for (int i = 1; i <= 25; ++i) File("Jump/n" + std::to_string(i) + ".txt");
  Folder("Jump/.secret");
  Folder("Zzz empty");
  dtbtest::SimResult r = Run(
      "expect Choose internal memory, or micro sd card, Internal memory 20\n"
      "key down\n"
      "expect micro sd card\n"
      "key up\n"
      "expect Internal memory\n"
      "key play\n"
      "expect main folder, Audio books, folder\n"
      // Root: Audio books, Daisy, Jump, Music, Record, Zzz empty.
      "key up\n"
      "expect Zzz empty, folder\n"
      "key play\n"
      "expect no files\n"
      "key back\n"
      "expect Zzz empty, folder\n"
      "key up\n"
      "expect Record, folder\n"
      "key up\n"
      "expect Music, folder\n"
      "key play\n"
      "expect ab.txt\n"
      "key down\n"
      "expect a-b.txt\n"
      "key down\n"
      "expect track1.mp3\n"
      "key down\n"
      "expect track2.mp3\n"
      "key down\n"
      "expect track10.mp3\n"
      "key info\n"
      "expect total 5 files, current 5\n"
      "key down\n"
      "expect ab.txt\n"
      "key back\n"
      "expect Music, folder\n"
      "key up\n"
      "expect Jump, folder\n"
      "key play\n"
      "expect n1.txt\n"
      "key right\n"
      "expect n3.txt\n"
      "key left\n"
      "expect n1.txt\n"
      "key left\n"
      "expect n25.txt\n"
      "key right\n"
      "expect n1.txt\n"
      "key info\n"
      "expect total 25 files, current 1\n"
      "quit\n");
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_FALSE(Said(r, "hidden")) << r.output;
  EXPECT_FALSE(Said(r, "secret")) << r.output;
}

TEST_F(BrowserE2e, LeavingAndEnteringFoldersLandsOnTheEntryLastUsed) {
  File("A/B/one.txt");
  File("A/B/two.txt");
  File("A/B/three.txt");
  File("A/C/x.txt");
  StartAt("/mnt/emmc/A/B/one.txt");
  dtbtest::SimResult r = Run(
      "expect one.txt 20\n"
      "key down\n"
      "expect three.txt\n"
      "key back\n"
      "expect B, folder\n"
      "key back\n"
      "expect main folder, A, folder\n"
      "key back\n"
      "expect Choose internal memory, or micro sd card, Internal memory\n"
      "key play\n"
      "expect main folder, A, folder\n"
      "key play\n"
      "expect B, folder\n"
      "key play\n"
      "expect three.txt\n"
      // Another branch is remembered in its turn.
      "key back\n"
      "key down\n"
      "expect C, folder\n"
      "key play\n"
      "expect x.txt\n"
      "key back\n"
      "key up\n"
      "expect B, folder\n"
      "key play\n"
      "expect one.txt\n"
      "quit\n");
  EXPECT_EQ(r.status, 0) << r.output;
}

TEST_F(BrowserE2e, DaisyFolderListsBooksUnderTheirTitles) {
  CopyBook("book202", "Daisy/Book One");
  CopyBook("book3", "Daisy/Book Two");
  StartAt("/mnt/emmc/Daisy");
  dtbtest::SimResult r = Run(
      "expect main folder, Daisy, folder 20\n"
      "key play\n"
      "expect Book One, folder\n"
      "key down\n"
      "expect Book Two, folder\n"
      "key down\n"
      "expect Book One, folder\n"
      "key play\n"
      "expect Small book\n"
      // Inside the book only the book is an entry: the audio, SMIL and
      // text files are skipped and the jump keys repeat it.
      "key down\n"
      "expect Small book\n"
      "key right\n"
      "expect Small book\n"
      "key info\n"
      "expect Small book, daisy file\n"
      "key back\n"
      "expect Book One, folder\n"
      "key down\n"
      "key play\n"
      "expect Three\n"
      "quit\n");
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_FALSE(Said(r, "one.smil")) << r.output;
  EXPECT_FALSE(Said(r, "ncc.html")) << r.output;
}

TEST_F(BrowserE2e, AudioBookFolderIsOneEntryAndOpensTheBookPlayer) {
  File("Audio books/Book A/part 1.mp3", std::string(4000, '\x5a'));
  File("Audio books/Book A/part 2.mp3", std::string(4000, '\x5a'));
  File("Audio books/Book A/cover.txt");
  StartAt("/mnt/emmc/Audio books/Book A");
  dtbtest::SimResult r = Run(
      "expect Book A, folder 20\n"
      "key play\n"
      "expect Book A\n"
      "key down\n"
      "expect Book A\n"
      "key info\n"
      "expect Book A, current time\n"
      "key play\n"
      "wait 2\n"
      "quit\n");
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_FALSE(Said(r, "part 1")) << r.output;
  EXPECT_FALSE(Said(r, "cover")) << r.output;
  EXPECT_NE(dtbtest::ReadFile(root_ + "/var/log/player.log").find("Audio books/Book A"),
            std::string::npos);
}

TEST_F(BrowserE2e, PowerOffPositionIsRestoredAtTheNextStart) {
  File("Books/novel.txt");
  File("Books/poems.txt");
  StartAt("/mnt/emmc/Books/novel.txt");
  dtbtest::SimResult r = Run(
      "expect novel.txt 20\n"
      "key down\n"
      "expect poems.txt\n"
      "wait 0.5\n"
      "power hold 3\n"
      "wait 3\n");
  ASSERT_EQ(r.status, 0) << r.output;
  EXPECT_EQ(dtbtest::ReadFile(root_ + "/mnt/settings/poweroff.path"), "/mnt/emmc/Books/poems.txt");

  r = Run("expect poems.txt 20\nkey up\nexpect novel.txt\nquit\n");
  EXPECT_EQ(r.status, 0) << r.output;

  // A card position without a card: the disk choice, on the card.
  StartAt("/mnt/microsd/x");
  r = Run("expect micro sd card 20\nkey play\nexpect no micro sd card\nquit\n");
  EXPECT_EQ(r.status, 0) << r.output;
}

TEST_F(BrowserE2e, CardInsertedAndRemovedWhileBrowsing) {
  File("Books/novel.txt");
  File("song.mp3", "x", true);
  StartAt("/mnt/emmc/Books/novel.txt");
  dtbtest::SimResult r = Run(
      "expect novel.txt 20\n"
      "sd in\n"
      "expect main folder, song.mp3 10\n"
      "key info\n"
      "expect total 1 files, current 1\n"
      "sd out\n"
      "expect main folder, Audio books, folder 10\n"
      "key back\n"
      "key down\n"
      "expect micro sd card\n"
      "key play\n"
      "expect no micro sd card\n"
      "quit\n");
  EXPECT_EQ(r.status, 0) << r.output;
  std::string log = Log();
  EXPECT_NE(log.find("rc=0 mount -t vfat -o utf8 /var/volatile/mmcblk1p1 /mnt/microsd"), std::string::npos)
      << log;
  EXPECT_NE(log.find("rc=0 umount /mnt/microsd"), std::string::npos) << log;
}

TEST_F(BrowserE2e, UsbDiskModeRefusesTheDiskUntilTheCableIsPulled) {
  File("Books/novel.txt");
  File("song.mp3", "x", true);
  StartAt("/mnt/emmc/Books/novel.txt");
  dtbtest::SimResult r = Run(
      "expect novel.txt 20\n"
      "sd in\n"
      "expect song.mp3 10\n"
      "sd out\n"
      "expect Audio books 10\n"
      "sd in\n"
      "expect song.mp3 10\n"
      "usb in\n"
      "expect USB connected 5\n"
      "wait 1\n"
      "key play\n"
      "expect USB connected\n"
      "key down\n"
      "expect USB connected\n"
      "key music\n"
      "expect USB connected\n"
      // The host has configured the disk: no charger timeout after 5 s.
      "wait 5\n"
      "key info\n"
      "expect USB connected\n"
      "sd out\n"
      "wait 0.5\n"
      "sd in\n"
      "wait 2\n"
      "usb out\n"
      "expect song.mp3 10\n"
      "key back\n"
      "expect Choose internal memory\n"
      "key play\n"
      "expect main folder\n"
      "quit\n");
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_FALSE(Said(r, "Charging.")) << r.output;
  std::string log = Log();
  const std::string lun1 = "/sys/devices/platform/omap/musb-ti81xx/musb-hdrc.0/gadget/lun1/file";
  size_t in = log.find("rc=0 umount /mnt/emmc");
  size_t cpu = log.find("echo 600000 > /sys/devices/system/cpu/cpu0/cpufreq/scaling_min_freq");
  size_t mod = log.find("rc=0 insmod /home/g_mass_storage.ko file=/dev/mmcblk0p6,/dev/mmcblk1p1");
  size_t withdraw = log.find("echo   > " + lun1);
  size_t exported = log.find("echo /dev/mmcblk1p1 > " + lun1);
  size_t out = log.find("rc=0 rmmod /home/g_mass_storage.ko");
  size_t remount = log.find("rc=0 mount -t vfat -o utf8 /dev/mmcblk0p6 /mnt/emmc", in);
  ASSERT_NE(in, std::string::npos) << log;
  EXPECT_LT(in, mod);
  EXPECT_LT(cpu, mod);
  EXPECT_LT(mod, withdraw);
  EXPECT_LT(withdraw, exported);
  EXPECT_LT(exported, out);
  EXPECT_LT(out, remount);
  EXPECT_NE(remount, std::string::npos) << log;
  EXPECT_NE(log.find("echo 300000 > /sys/devices/system/cpu/cpu0/cpufreq/scaling_min_freq", out),
            std::string::npos);
}

TEST_F(BrowserE2e, UsbChargerEndsDiskModeAndBrowsingGoesOn) {
  File("Books/novel.txt");
  File("Books/poems.txt");
  StartAt("/mnt/emmc/Books/novel.txt");
  dtbtest::SimResult r = Run(
      "expect novel.txt 20\n"
      "usb charger\n"
      "expect USB connected 5\n"
      "expect Charging. 10\n"
      "key down\n"
      "expect poems.txt\n"
      "quit\n");
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_NE(Log().find("rc=0 rmmod /home/g_mass_storage.ko"), std::string::npos);
}

TEST_F(BrowserE2e, MusicKeySkipsAudioBooksAndDaisyAndSaysNoMusicFiles) {
  File("Audio books/X/one.mp3");
  File("Daisy/two.mp3");
  File("Deep/er/three.mp3");
  File("Books/novel.txt");
  dtbtest::SimResult r = Run(
      "expect Internal memory 20\n"
      "key music\n"
      "expect no music files\n"
      "quit\n");
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_FALSE(Said(r, "can not open")) << r.output;
}

TEST_F(BrowserE2e, NamesAsAComputerWroteThemAreSpokenAndRunNothing) {
  std::vector<std::string> names = {
      "\xb9\xe6 cp1250.txt",           // not UTF-8
      std::string(251, 'L') + ".txt",  // the longest FAT name
      "quote \" and ' .txt",
      "dollar $(reboot).txt",
      "tick `poweroff`.txt",
      "new\nline.txt",
  };
  for (const std::string& n : names) File("Weird/" + n);
  StartAt("/mnt/emmc/Weird");
  std::string script = "expect Weird, folder 20\nkey play\nwait 1\n";
  for (size_t i = 0; i < names.size(); ++i) script += "key down\nwait 0.3\nkey info\nwait 0.3\n";
  script += "key back\nexpect Weird, folder\nkey play\nwait 0.5\npower hold 3\nwait 3\n";
  dtbtest::SimResult r = Run(script);
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_TRUE(Said(r, "\xc4\x85\xc4\x87 cp1250.txt")) << r.output;  // read as the Polish code page
  EXPECT_TRUE(Said(r, "new line.txt")) << r.output;
  EXPECT_TRUE(Said(r, "dollar $(reboot).txt")) << r.output;
  EXPECT_TRUE(Said(r, "tick `poweroff`.txt")) << r.output;
  EXPECT_TRUE(Said(r, "quote \" and ' .txt")) << r.output;
  EXPECT_TRUE(Said(r, std::string(251, 'L'))) << r.output;
  EXPECT_EQ(r.output.find("reboots"), std::string::npos) << r.output;
  // The entry selected at power-off is kept byte for byte.
  std::string saved = dtbtest::ReadFile(root_ + "/mnt/settings/poweroff.path");
  bool known = false;
  for (const std::string& n : names) known = known || saved == "/mnt/emmc/Weird/" + n;
  EXPECT_TRUE(known) << saved;
}

TEST_F(BrowserE2e, TwentyThousandEntriesListAndMoveWithoutAPause) {
  fs::create_directories(root_ + "/mnt/emmc/Big");
  for (int i = 0; i < 20000; ++i) std::ofstream(root_ + "/mnt/emmc/Big/file " + std::to_string(i) + ".txt");
  StartAt("/mnt/emmc/Big");
  dtbtest::SimResult r = Run(
      "expect Big, folder 20\n"
      "key play\n"
      "expect file 0.txt 3\n"
      "key down\n"
      "expect file 1.txt 1\n"
      "key up\n"
      "key up\n"
      "expect file 19999.txt 1\n"
      "key right\n"
      "expect file 0.txt 1\n"
      "key right\n"
      "expect file 2000.txt 1\n"
      "key back\n"
      "expect Big, folder 3\n"
      "quit\n");
  EXPECT_EQ(r.status, 0) << r.output;
}

}  // namespace
