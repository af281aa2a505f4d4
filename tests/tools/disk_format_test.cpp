// The tools menu and disk formatting: the confirmation sequence, the shell
// commands it runs, and its refusals.
#include <algorithm>
#include <filesystem>

#include "browser/file_browser.h"
#include "tests/tools/tools_fixture.h"
#include "tools/calculagraph.h"
#include "tools/tools_menu.h"

namespace toolstest {
namespace {

class DiskFormatWindow : public ToolsTest {
 protected:
  void SetUp() override {
    ToolsTest::SetUp();
    if (IsSkipped()) return;
    std::filesystem::remove(Host("/dev/mmcblk1"));
    std::filesystem::remove(Host("/dev/mmcblk1p1"));
    g_UsbState = 0;
    g_UsbMicroSdState = 0;
    ASSERT_EQ(CreateDiskFormat(), 0);
  }
  void TearDown() override {
    ToolsTest::TearDown();
    g_UsbState = 0;
  }
  void InsertCard() {
    dtbtest::WriteFile(Host("/dev/mmcblk1"), "");
    dtbtest::WriteFile(Host("/dev/mmcblk1p1"), "");
    board_->mounted.insert("/mnt/microsd");
  }
  bool Ran(const std::string& command) {
    return std::find(board_->commands.begin(), board_->commands.end(), command) != board_->commands.end();
  }
  bool Said(const std::string& text) {
    for (const auto& l : board_->Lines())
      if (l == "say: " + text) return true;
    return false;
  }
  // The commands run, the working LED left out.
  std::vector<std::string> Commands() {
    std::vector<std::string> out;
    for (const auto& c : board_->commands)
      if (c.compare(0, 5, "echo ") != 0) out.push_back(c);
    return out;
  }
  void Confirm() {
    for (int k : {KEY_UP, KEY_DOWN, KEY_LEFT, KEY_RIGHT}) Key(k);
  }
};

TEST_F(DiskFormatWindow, CardFormattedAfterTheFourKeys) {
  InsertCard();
  EXPECT_EQ(board_->LastSaid(), "format internal memory");
  Key(KEY_DOWN);
  EXPECT_EQ(board_->LastSaid(), "format micro sd card");
  Key(KEY_PLAY);
  EXPECT_EQ(board_->LastSaid(),
            "warning! formatting will erase all data, please click up, down, left, and right to confirm");
  Key(KEY_UP);
  EXPECT_EQ(board_->LastSaid(), "up");
  Key(KEY_DOWN);
  Key(KEY_LEFT);
  EXPECT_EQ(board_->LastSaid(), "left");
  board_->Clear();
  Key(KEY_RIGHT);
  EXPECT_TRUE(Said("right, formatting, please wait"));
  std::vector<std::string> expected = {"umount /mnt/microsd", "mkfs.vfat /dev/mmcblk1p1",
                                       "mount -t vfat -o utf8 /dev/mmcblk1p1 /mnt/microsd"};
  std::vector<std::string> ran = Commands();
  ASSERT_GE(ran.size(), expected.size());
  EXPECT_TRUE(std::equal(expected.begin(), expected.end(), ran.begin())) << testing::PrintToString(ran);
  EXPECT_FALSE(Ran("mkfs.vfat /dev/mmcblk0p6")) << "the internal memory is left alone";
  EXPECT_EQ(board_->LastSaid(), "formatting finished");
}

TEST_F(DiskFormatWindow, WrongOrderCancelsAtTheThirdKey) {
  InsertCard();
  Key(KEY_DOWN);
  Key(KEY_PLAY);
  Key(KEY_UP);
  Key(KEY_DOWN);
  Key(KEY_RIGHT);
  EXPECT_EQ(board_->LastSaid(), "input error, cancel format");
  Key(KEY_LEFT);  // back to choosing: switches the disk
  EXPECT_EQ(board_->LastSaid(), "format internal memory");
  EXPECT_FALSE(Ran("mkfs.vfat /dev/mmcblk1p1"));
}

TEST_F(DiskFormatWindow, NoCardNeverWarns) {
  Key(KEY_RIGHT);
  Key(KEY_PLAY);
  EXPECT_EQ(board_->LastSaid(), "no micro sd card");
  Key(KEY_UP);
  EXPECT_EQ(board_->LastSaid(), "format internal memory") << "still choosing";
}

TEST_F(DiskFormatWindow, InternalMemoryAndSettingsPartition) {
  board_->Clear();
  Key(KEY_PLAY);
  Confirm();
  std::vector<std::string> expected = {
      "umount /mnt/emmc", "umount /mnt/settings", "mkfs.vfat /dev/mmcblk0p5",
      "mkfs.vfat -n ORVEXA /dev/mmcblk0p6", "mount -t vfat /dev/mmcblk0p5 /mnt/settings",
      "mount -t vfat -o utf8 /dev/mmcblk0p6 /mnt/emmc", "cp /home/start.wav /mnt/settings",
      "cp /home/q7snb.bin /mnt/settings/q7snb.bin"};
  std::vector<std::string> ran = Commands();
  ASSERT_GE(ran.size(), expected.size());
  EXPECT_TRUE(std::equal(expected.begin(), expected.end(), ran.begin())) << testing::PrintToString(ran);
  EXPECT_TRUE(Ran("mkdir /mnt/emmc/Daisy")) << "the standard folders again";
  EXPECT_EQ(board_->LastSaid(), "formatting finished");
}

TEST_F(DiskFormatWindow, FailedFormatIsNotReportedAsFinished) {
  InsertCard();
  board_->failing.insert("mkfs.vfat /dev/mmcblk1p1");
  Key(KEY_DOWN);
  Key(KEY_PLAY);
  Confirm();
  EXPECT_TRUE(Ran("mount -t vfat -o utf8 /dev/mmcblk1p1 /mnt/microsd")) << "mounted again all the same";
  EXPECT_EQ(board_->LastSaid(), "error");
}

TEST_F(DiskFormatWindow, ADiskInUseIsNotFormatted) {
  const char* kInUse = "The disk is in use, nothing was formatted.";
  board_->failing.insert("umount /mnt/settings");
  Key(KEY_PLAY);
  Confirm();
  EXPECT_EQ(board_->LastSaid(), kInUse);
  EXPECT_TRUE(Ran("mount -t vfat -o utf8 /dev/mmcblk0p6 /mnt/emmc")) << "the internal memory back";
  InsertCard();
  board_->failing = {"umount /mnt/microsd"};
  Key(KEY_DOWN);
  Key(KEY_PLAY);
  Confirm();
  EXPECT_EQ(board_->LastSaid(), kInUse);
  for (const std::string& c : Commands()) EXPECT_EQ(c.find("mkfs"), std::string::npos) << c;
}

TEST_F(DiskFormatWindow, RefusedWhileTheComputerHasTheDisk) {
  g_UsbState = 2;
  Key(KEY_PLAY);
  EXPECT_EQ(board_->LastSaid(), "USB connected");
  Confirm();
  EXPECT_FALSE(Ran("mkfs.vfat /dev/mmcblk0p6"));
}

TEST_F(ToolsTest, MenuOpensEachTool) {
  g_CalculagraphData.length = 30;
  ASSERT_EQ(CreateToolsMenu(), 0);
  RefreshCurWindow();
  EXPECT_EQ(board_->LastSaid(), "Voice reminder");
  Key(KEY_LEFT);
  EXPECT_EQ(board_->LastSaid(), "Disk Management");
  Key(KEY_PLAY);
  EXPECT_EQ(g_TotalWindows, 3);
  EXPECT_EQ(board_->LastSaid(), "format internal memory");
  EXPECT_EQ(Key(KEY_BACK), WND_CLOSE);
  Key(KEY_RIGHT, 2);  // wraps to the calculator
  EXPECT_EQ(board_->LastSaid(), "calculator");
  Key(KEY_PLAY);
  EXPECT_EQ(board_->LastSaid(), "0 ");
  Key(KEY_BACK);
  Key(KEY_DOWN);
  Key(KEY_PLAY);
  EXPECT_EQ(board_->LastSaid(), "countdown 30 minutes");
  Key(KEY_BACK);
  Key(KEY_DOWN);  // compass, on a board without a magnetometer
  Key(KEY_PLAY);
  EXPECT_EQ(g_TotalWindows, 2);
  EXPECT_EQ(board_->LastSaid(), "this player has no compass");
  EXPECT_EQ(Key(KEY_MENU), WND_CLOSE) << "menu leaves, as in the tools";
  EXPECT_EQ(g_TotalWindows, 1);
}

}  // namespace
}  // namespace toolstest
