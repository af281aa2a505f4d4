// The file browser as the root of the window stack on a host board: folder
// modes, the remembered position, the power-off position and USB disk mode.
#include "browser/file_browser.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "browser/logical_strcmp.h"
#include "browser/socket_receiver.h"
#include "core/app/mainloop.h"
#include "platform/host/host_board.h"
#include "speech/ux_language.h"
#include "tests/daisy/narrated_fixture.h"
#include "tests/support/test_support.h"
#include "core/ui/keypad_idle.h"

namespace {

namespace fs = std::filesystem;

void ClearStack() {
  while (g_TotalWindows > 0) {
    iWindow* w = g_WindowList[--g_TotalWindows];
    g_WindowList[g_TotalWindows] = nullptr;
    delete w;
  }
}

class FileBrowserTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ClearStack();
    // Read before the board maps every absolute path into its root.
    ASSERT_EQ(0, LoadChnCharIndexFrom((std::string(DTB_BINARY_DIR) + "/home/ChnCharIndexs.bin").c_str()));
    ASSERT_EQ(board::CreateHostLayout(dir_.path()), 0);
    auto b = board::MakeHostBoard(dir_.path());
    ASSERT_TRUE(b);
    host_ = b.get();
    board::Install(std::move(b));
    g_pUxLanguage = GetUxLanguage(UX_LANGUAGE_ENGLISH);
    g_CurLanguage = UX_LANGUAGE_ENGLISH;
    g_UsbState = 0;
    g_bKeyBoardLocked = false;
    g_InfoKeyDownTimes = 0;
    g_DirInfo.Cls();
    ASSERT_EQ(CreateFileBrowser(), 0);
    ASSERT_EQ(CreateFileBrowser(), 0);  // once only
    ASSERT_EQ(g_TotalWindows, 1);
    fb_ = g_file_browser;
  }
  void TearDown() override {
    ClearStack();
    g_UsbState = 0;
    board::Install(nullptr);
  }
  void File(const std::string& rel) { dtbtest::WriteFile(dir_ / ("mnt/emmc/" + rel), "x"); }
  void Folder(const std::string& rel) { fs::create_directories(dir_ / ("mnt/emmc/" + rel)); }
  // Loads a folder as another module would and lets the browser speak it.
  std::string Open(const std::string& path) {
    EXPECT_EQ(0, g_DirInfo.LoadDir(path.c_str())) << path;
    fb_->OnRefresh();
    return fb_->LastUtterance();
  }
  std::string Press(int key) {
    KeyDown(key);
    KeyPress(key);
    return fb_->LastUtterance();
  }

  dtbtest::TempDir dir_;
  board::HostBoard* host_ = nullptr;
  FileBrowser* fb_ = nullptr;
};

TEST_F(FileBrowserTest, LevelsDisksAndTheDiskChoice) {
  Folder("A/B");
  EXPECT_EQ(Open("/mnt"), "Choose internal memory, or micro sd card, Internal memory");
  EXPECT_EQ(fb_->Level(), 1);
  EXPECT_EQ(Press(KEY_DOWN), "micro sd card");
  EXPECT_STREQ(g_DirInfo.GetCurSelName(), "microsd");
  EXPECT_EQ(Press(KEY_RIGHT), "Internal memory");
  EXPECT_EQ(Press(KEY_PLAY), "main folder, A, folder");
  EXPECT_EQ(fb_->Level(), 2);
  Open("/mnt/emmc/A/B");
  EXPECT_EQ(fb_->Level(), 4);
  EXPECT_EQ(Open("/mnt/emmc/A/B"), "no files");
  Open("/tmp");
  EXPECT_EQ(fb_->Level(), -1);
  EXPECT_EQ(fb_->Disk(), 0);
}

TEST_F(FileBrowserTest, DaisyFolderCyclesThroughBooksAndListsFoldersOnlyWhenTheyLeadToBooks) {
  File("DAISY/Shelf/ncc.html");  // unreadable: no title
  File("DAISY/Shelf/b.opf");
  File("DAISY/Shelf/notes.txt");
  File("DAISY/Shelf/Sub/x.txt");
  EXPECT_EQ(Open("/mnt/emmc/DAISY/Shelf"), "Shelf");
  EXPECT_TRUE(fb_->DaisyMode());
  EXPECT_EQ(fb_->BookCount(), 2);
  EXPECT_FALSE(fb_->FoldersListed());
  EXPECT_EQ(fb_->EntryCount(), 2);
  Press(KEY_DOWN);
  EXPECT_STREQ(g_DirInfo.GetCurSelName(), "ncc.html");
  Press(KEY_DOWN);
  EXPECT_STREQ(g_DirInfo.GetCurSelName(), "b.opf");
  Press(KEY_UP);
  EXPECT_STREQ(g_DirInfo.GetCurSelName(), "ncc.html");
  // A folder below that holds a folder is offered too.
  Folder("DAISY/Shelf/Sub/Inner");
  g_DirInfo.LoadDir(nullptr);
  fb_->CheckDirChange();
  EXPECT_TRUE(fb_->FoldersListed());
  EXPECT_EQ(fb_->EntryCount(), 3);
  Press(KEY_DOWN);
  EXPECT_EQ(fb_->LastUtterance(), "Sub, folder");
  Press(KEY_UP);
  EXPECT_STREQ(g_DirInfo.GetCurSelName(), "ncc.html");
  // An empty folder of the DAISY tree lists nothing; "Daisy" itself is
  // matched whatever its case, a folder named like it elsewhere is not.
  Folder("DAISY/Empty");
  EXPECT_EQ(Open("/mnt/emmc/DAISY/Empty"), "no files");
  File("Other/Daisy/ncc.html");
  Open("/mnt/emmc/Other/Daisy");
  EXPECT_FALSE(fb_->DaisyMode());
}

TEST_F(FileBrowserTest, DaisyFolderListsNarratedEpubsByTitleAndNotPlainOnes) {
  DTB_REQUIRE_NARRATED(books);
  File("DAISY/Shelf/plain.epub");
  Folder("DAISY/Shelf");
  fs::copy_file(books + "/narrated.epub", dir_ / "mnt/emmc/DAISY/Shelf/z.epub");
  EXPECT_EQ(Open("/mnt/emmc/DAISY/Shelf"), "Latarnik");
  EXPECT_EQ(fb_->BookCount(), 1);
  EXPECT_STREQ(g_DirInfo.GetCurSelName(), "z.epub");
}

TEST_F(FileBrowserTest, AudioBookFolderIsOneEntryBesideItsSubfolders) {
  File("Audio books/Series/Vol 1/a.mp3");
  File("Audio books/Series/ch1.mp3");
  File("Audio books/Series/cover.jpg");
  File("audio BOOKS/Other/readme.txt");
  Open("/mnt/emmc/Audio books/Series");
  EXPECT_TRUE(fb_->AudioBookMode());
  EXPECT_EQ(fb_->BookDuration(), 0);
  EXPECT_EQ(fb_->EntryCount(), 2);
  EXPECT_EQ(fb_->LastUtterance(), "Vol 1, folder");
  EXPECT_EQ(Press(KEY_DOWN), "Series");
  EXPECT_EQ(Press(KEY_DOWN), "Vol 1, folder");
  EXPECT_EQ(Press(KEY_UP), "Series");
  EXPECT_EQ(Press(KEY_RIGHT), "Series");  // no jumps here
  // A folder without audio is no book; the name matches without case.
  Open("/mnt/emmc/audio BOOKS/Other");
  EXPECT_TRUE(fb_->AudioBookMode());
  EXPECT_EQ(fb_->BookDuration(), -1);
  EXPECT_EQ(fb_->LastUtterance(), "no files");
}

TEST_F(FileBrowserTest, RememberedPositionKeepsADeeperPlaceOnTheSameBranch) {
  File("A/B/x.txt");
  File("A/B/y.txt");
  File("A/C/z.txt");
  Open("/mnt/emmc/A/B");
  Press(KEY_DOWN);  // y.txt
  fb_->SaveHistoryPath();
  EXPECT_STREQ(fb_->HistoryPath(), "/mnt/emmc/A/B/y.txt");
  Press(KEY_BACK);
  EXPECT_EQ(fb_->LastUtterance(), "B, folder");
  Press(KEY_BACK);
  EXPECT_STREQ(fb_->HistoryPath(), "/mnt/emmc/A/B/y.txt");
  g_DirInfo.LoadDir("/mnt/emmc/A");
  fb_->GotoHistoryPath("/mnt/EMMC/a");  // compared without case
  EXPECT_STREQ(g_DirInfo.GetCurSelName(), "B");
  Press(KEY_DOWN);
  fb_->SaveHistoryPath();
  EXPECT_STREQ(fb_->HistoryPath(), "/mnt/emmc/A/C");
  fb_->GotoHistoryPath("/mnt/emmc/a/C/deeper");  // not on the stored path: nothing
}

TEST_F(FileBrowserTest, PowerOffPositionRules) {
  const std::string file = dir_ / "mnt/settings/poweroff.path";
  File("Books/novel.txt");
  File("Books/poems.txt");
  auto restore = [&](const std::string& text) {
    dtbtest::WriteFile(file, text);
    g_DirInfo.Cls();
    return GoToPoweroffPath();
  };
  EXPECT_EQ(restore("/mnt/emmc/Books/poems.txt"), 0);
  EXPECT_STREQ(g_DirInfo.GetPath(), "/mnt/emmc/Books");
  EXPECT_STREQ(g_DirInfo.GetCurSelName(), "poems.txt");
  EXPECT_EQ(restore("/mnt/emmc/Books/gone.txt"), 0);
  EXPECT_STREQ(g_DirInfo.GetCurSelName(), "novel.txt");
  EXPECT_EQ(restore("/mnt/microsd/x"), 0);  // no card
  EXPECT_STREQ(g_DirInfo.GetPath(), "/mnt");
  EXPECT_STREQ(g_DirInfo.GetCurSelName(), "microsd");
  EXPECT_EQ(restore("/mnt/emmcX/y"), 0);
  EXPECT_STREQ(g_DirInfo.GetCurSelName(), "emmc");
  EXPECT_EQ(restore("/mnt/emmc/No/Such/x"), 0);
  EXPECT_STREQ(g_DirInfo.GetPath(), "/mnt");
  EXPECT_EQ(restore("/mnt"), -1);
  EXPECT_EQ(restore("/home/x/y"), -1);
  EXPECT_EQ(restore("/mnt/emmc/" + std::string(9300, 'x')), -1);
  fs::remove(file);
  EXPECT_EQ(GoToPoweroffPath(), -1);

  Open("/mnt/emmc/Books");
  Press(KEY_DOWN);
  EXPECT_EQ(SavePoweroffPath(), 0);
  EXPECT_EQ(dtbtest::ReadFile(file), "/mnt/emmc/Books/poems.txt");
  ClearStack();
  EXPECT_EQ(SavePoweroffPath(), -1);  // no browser, nothing to save
}

TEST_F(FileBrowserTest, UsbDiskModeBlocksBrowsingUntilTheHostOrTheCableLetsGo) {
  File("Books/novel.txt");
  Open("/mnt/emmc/Books");
  KeyDown(EV_USB_IN);
  EXPECT_EQ(g_UsbState, 1);
  EXPECT_EQ(fb_->LastUtterance(), "USB connected");
  // The internal memory belongs to the computer now.
  EXPECT_NE(g_DirInfo.LoadDir("/mnt/emmc/Books"), 0);
  EXPECT_EQ(Press(KEY_PLAY), "USB connected");
  EXPECT_EQ(Press(KEY_MUSIC), "USB connected");
  HandleHotplugCode(HOTPLUG_USB_SUSPEND);  // not configured yet: nothing
  EXPECT_EQ(g_UsbState, 1);
  HandleHotplugCode(HOTPLUG_USB_CONFIG);
  EXPECT_EQ(g_UsbState, 2);
  for (int i = 0; i < 20; ++i) WindowTick();
  EXPECT_EQ(g_UsbState, 2);  // a computer, not a charger
  HandleHotplugCode(HOTPLUG_USB_SUSPEND);
  EXPECT_EQ(g_UsbState, 3);
  EXPECT_EQ(IsMountDir("/mnt/emmc"), 1);
  EXPECT_EQ(fb_->LastUtterance(), "novel.txt, 1 bytes");
}

TEST_F(FileBrowserTest, UsbDiskModeNeverExportsAMountedDisk) {
  File("Books/novel.txt");
  Open("/mnt/emmc/Books");
  dtbtest::WriteFile(dir_ / "var/board/disk_busy", "/mnt/emmc\n");
  KeyDown(EV_USB_IN);
  EXPECT_EQ(fb_->LastUtterance(), "The internal memory is busy, the computer cannot use it now.");
  EXPECT_EQ(IsMountDir("/mnt/emmc"), 1);
  EXPECT_EQ(dtbtest::ReadFile(dir_ / "var/board/modules").find("g_mass_storage"), std::string::npos);
  EXPECT_EQ(Press(KEY_DOWN), "novel.txt, 1 bytes") << "the player goes on";
  // Once the disk is free the next cable works.
  dtbtest::WriteFile(dir_ / "var/board/disk_busy", "");
  g_UsbState = 0;
  KeyDown(EV_USB_IN);
  EXPECT_EQ(g_UsbState, 1);
  EXPECT_EQ(IsMountDir("/mnt/emmc"), 0);
}

TEST_F(FileBrowserTest, UsbChargerIsRecognisedAfterSeventeenTicks) {
  File("Books/novel.txt");
  Open("/mnt/emmc/Books");
  KeyDown(EV_USB_IN);
  for (int i = 0; i < 16; ++i) WindowTick();
  EXPECT_EQ(g_UsbState, 1);
  WindowTick();
  EXPECT_EQ(g_UsbState, 3);
  EXPECT_EQ(fb_->LastUtterance(), "Charging.");
  EXPECT_EQ(IsMountDir("/mnt/emmc"), 1);
  EXPECT_EQ(Press(KEY_DOWN), "novel.txt, 1 bytes");
  // A stray configure message after the mode ended changes nothing.
  HandleHotplugCode(HOTPLUG_USB_CONFIG);
  EXPECT_EQ(g_UsbState, 3);
  g_UsbState = 0;
  HandleHotplugCode(HOTPLUG_USB_CONFIG);
  EXPECT_EQ(g_UsbState, 0);
}

TEST(Hotplug, MessagesMapToTheirCodes) {
  struct {
    std::string text;
    int code;
  } cases[] = {
      {"mmcblk1_in", 0},     {"mmcblk1_out", 1},          {"mmcblk1p1_in", 2},
      {"mmcblk1p1_out", 3},  {"usb_config", 4},           {"usb_suspend", 5},
      {std::string("usb_config\0", 11), 4},                {"usb_suspend\n", 5},
      {"usb_config2", 255},  {"usb", 255},                {"", 255},
      {"USB_CONFIG", 255},   {std::string(1024, 'x'), 255},
  };
  for (auto& c : cases) EXPECT_EQ(HotplugMessageCode(c.text.data(), c.text.size()), c.code) << c.text;
  EXPECT_EQ(HotplugMessageCode(nullptr, 3), 255);
}

TEST(SpeakableName, KeepsUtf8AndReadsOtherBytesAsThePolishCodePage) {
  EXPECT_EQ(SpeakableName("Łąka 10.mp3"), "Łąka 10.mp3");
  EXPECT_EQ(SpeakableName("\xb9\xe6\xea.txt"), "ąćę.txt");
  EXPECT_EQ(SpeakableName("a\nb\tc\x7f"), "a b c ");
  EXPECT_EQ(SpeakableName("\xc3"), "Ă");               // a cut sequence
  EXPECT_EQ(SpeakableName("\xed\xa0\x80"), "í\xc2\xa0€");  // a surrogate is no UTF-8
  EXPECT_EQ(SpeakableName("\xf0\x9f\x8e\xb5"), "\xf0\x9f\x8e\xb5");
  EXPECT_EQ(SpeakableName(nullptr), "");
}

}  // namespace
