// The card/USB receiver over a real local socket, with the host board's
// card and gadget behind it.
#include "browser/socket_receiver.h"

#include <arpa/inet.h>
#include <glib.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>

#include "browser/file_browser.h"
#include "core/app/mainloop.h"
#include "core/ui/keypad_idle.h"
#include "platform/host/host_board.h"
#include "speech/ux_language.h"
#include "tests/support/test_support.h"

namespace {

int FreePort() {
  int s = socket(AF_INET, SOCK_STREAM, 0);
  struct sockaddr_in a = {};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof a;
  int port = -1;
  if (bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
      getsockname(s, reinterpret_cast<sockaddr*>(&a), &len) == 0)
    port = ntohs(a.sin_port);
  close(s);
  return port;
}

int Connect(int port) {
  int s = socket(AF_INET, SOCK_STREAM, 0);
  struct sockaddr_in a = {};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = htons(static_cast<uint16_t>(port));
  if (connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
    close(s);
    return -1;
  }
  return s;
}

bool Send(int port, const std::string& message) {
  int s = Connect(port);
  if (s < 0) return false;
  bool ok = write(s, message.data(), message.size()) == static_cast<ssize_t>(message.size());
  close(s);
  return ok;
}

// Runs the loop until `done` holds or the time is up.
template <class Pred>
bool RunUntil(Pred done, double seconds) {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(int(seconds * 1000));
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    g_main_context_iteration(nullptr, FALSE);
    usleep(5000);
  }
  return true;
}

class SocketReceiverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    while (g_TotalWindows > 0) {
      iWindow* w = g_WindowList[--g_TotalWindows];
      g_WindowList[g_TotalWindows] = nullptr;
      delete w;
    }
    ASSERT_EQ(board::CreateHostLayout(dir_.path()), 0);
    auto b = board::MakeHostBoard(dir_.path());
    ASSERT_TRUE(b);
    board::Install(std::move(b));
    g_pUxLanguage = GetUxLanguage(UX_LANGUAGE_ENGLISH);
    port_ = FreePort();
    ASSERT_GT(port_, 0);
    setenv("DTB_HOTPLUG_PORT", std::to_string(port_).c_str(), 1);
    g_UsbState = 0;
    g_DirInfo.Cls();
    ASSERT_EQ(CreateFileBrowser(), 0);
  }
  void TearDown() override {
    StopSocketReceiver();
    unsetenv("DTB_HOTPLUG_PORT");
    while (g_TotalWindows > 0) {
      iWindow* w = g_WindowList[--g_TotalWindows];
      g_WindowList[g_TotalWindows] = nullptr;
      delete w;
    }
    g_UsbState = 0;
    board::Install(nullptr);
  }
  // The card as the hotplug script leaves it: device nodes in /dev and
  // /var/volatile, files on its first partition.
  void InsertCard() {
    for (const char* d : {"dev", "var/volatile"}) {
      dtbtest::WriteFile(dir_ / (std::string(d) + "/mmcblk1"), "card\n");
      dtbtest::WriteFile(dir_ / (std::string(d) + "/mmcblk1p1"), "vfat\n");
    }
    dtbtest::WriteFile(dir_ / "mnt/microsd/song.mp3", "x");
  }
  void RemoveCard() {
    for (const char* d : {"dev/mmcblk1", "dev/mmcblk1p1", "var/volatile/mmcblk1", "var/volatile/mmcblk1p1"})
      unlink((dir_ / d).c_str());
  }
  dtbtest::TempDir dir_;
  int port_ = -1;
};

TEST_F(SocketReceiverTest, CardMessagesMountAndUnmountAndTheBrowserFollows) {
  ASSERT_EQ(InitSocketReceiver(), 0);
  ASSERT_EQ(InitSocketReceiver(), 0);  // a second call starts nothing new
  ASSERT_EQ(g_DirInfo.LoadDir("/mnt/emmc"), 0);
  InsertCard();
  ASSERT_TRUE(Send(port_, std::string("mmcblk1p1_in", 13)));  // with its zero
  ASSERT_TRUE(RunUntil([] { return IsMountDir("/mnt/microsd") == 1; }, 5));
  EXPECT_STREQ(g_DirInfo.GetPath(), "/mnt/microsd");
  EXPECT_EQ(g_file_browser->LastUtterance(), "main folder, song.mp3, 1 bytes");

  RemoveCard();
  ASSERT_TRUE(Send(port_, "mmcblk1p1_out"));
  ASSERT_TRUE(RunUntil([] { return IsMountDir("/mnt/microsd") == 0; }, 5));
  EXPECT_STREQ(g_DirInfo.GetPath(), "/mnt/emmc");
}

TEST_F(SocketReceiverTest, ARemovedCardLeavesTheListingWithTheKeypadLocked) {
  ASSERT_EQ(InitSocketReceiver(), 0);
  InsertCard();
  ASSERT_TRUE(Send(port_, "mmcblk1p1_in"));
  ASSERT_TRUE(RunUntil([] { return IsMountDir("/mnt/microsd") == 1; }, 5));
  ASSERT_STREQ(g_DirInfo.GetPath(), "/mnt/microsd");
  g_bKeyBoardLocked = true;
  RemoveCard();
  ASSERT_TRUE(Send(port_, "mmcblk1p1_out"));
  bool gone = RunUntil([] { return IsMountDir("/mnt/microsd") == 0; }, 5);
  g_bKeyBoardLocked = false;
  ASSERT_TRUE(gone);
  EXPECT_STREQ(g_DirInfo.GetPath(), "/mnt/emmc");
}

TEST_F(SocketReceiverTest, ASilentClientOrJunkDoesNotStopTheReceiver) {
  ASSERT_EQ(InitSocketReceiver(), 0);
  int silent = Connect(port_);
  ASSERT_GE(silent, 0);
  ASSERT_TRUE(Send(port_, std::string(3000, '\x01')));  // longer than a message
  ASSERT_TRUE(Send(port_, "no such message"));
  g_UsbState = 1;
  ASSERT_TRUE(Send(port_, "usb_config"));
  EXPECT_TRUE(RunUntil([] { return g_UsbState == 2; }, 6));
  close(silent);
}

TEST_F(SocketReceiverTest, ACardPresentAtStartIsMountedAndOneInsertedInDiskModeIsExported) {
  InsertCard();
  ASSERT_EQ(InitSocketReceiver(), 0);
  EXPECT_EQ(IsMountDir("/mnt/microsd"), 1);
  ASSERT_EQ(g_DirInfo.LoadDir("/mnt/emmc"), 0);
  KeyDown(EV_USB_IN);
  ASSERT_EQ(g_UsbState, 1);
  EXPECT_EQ(g_UsbLun, 2);
  EXPECT_EQ(g_UsbMicroSdState, 2);
  const std::string lun1 = dir_ / "sys/devices/platform/omap/musb-ti81xx/musb-hdrc.0/gadget/lun1/file";
  RemoveCard();
  HandleHotplugCode(HOTPLUG_PARTITION_OUT);
  EXPECT_EQ(g_UsbMicroSdState, 0);
  EXPECT_EQ(dtbtest::ReadFile(lun1).find("mmcblk1"), std::string::npos);
  InsertCard();
  HandleHotplugCode(HOTPLUG_PARTITION_IN);
  EXPECT_EQ(g_UsbMicroSdState, 2);
  EXPECT_NE(dtbtest::ReadFile(lun1).find("/dev/mmcblk1p1"), std::string::npos);
  EXPECT_EQ(IsMountDir("/mnt/microsd"), 0);  // exported, not mounted
}

}  // namespace
