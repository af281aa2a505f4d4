// The settings tree through its keys on a host board: the clock's day
// clamp, the clamped speed, the headphone rule of the transmitter, the
// board without one, the browser on a folder the language renames, and the
// version text of a device record.
#include <ctime>
#include <string>

#include <gtest/gtest.h>

#include "browser/dir_info.h"
#include "browser/file_browser.h"
#include "browser/openers.h"
#include "core/ui/system_settings.h"
#include "core/ui/window.h"
#include "platform/board.h"
#include "platform/board_profile.h"
#include "platform/host/host_board.h"
#include "settings/settings_menu.h"
#include "settings/settings_menus.h"
#include "speech/ux_language.h"
#include "tests/core/window_fixture.h"
#include "tests/supervisor/packet_maker.h"

namespace {

bool g_RecordingOpened = false;

class SettingsMenus : public coretest::WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    ASSERT_EQ(board::CreateHostLayout(dir_.path()), 0);
    auto b = board::MakeHostBoard(dir_.path());
    host_ = b.get();
    board::Install(std::move(b));
    g_pUxLanguage = GetUxLanguage(UX_LANGUAGE_ENGLISH);
    g_SystemSettings = SystemSettings();
    board::SelectProfile(board::ProfileOfRevision(0));
    coretest::Push("root");
    g_MainMenuIndex = 0;
    ASSERT_EQ(CreateMainMenu(), 0);
  }
  void TearDown() override {
    while (g_TotalWindows > 2) KeyDown(KEY_BACK);
    WindowTest::TearDown();
    board::Install(nullptr);
    board::SelectProfile(board::ProfileOfRevision(0));
  }
  static void Press(int code, int times = 1) {
    for (int i = 0; i < times; ++i) KeyPress(code);
  }
  // From the main menu's first item, opens item `main`, then its item `sub`.
  static void Open(int main, int sub = -1) {
    Press(KEY_DOWN, main);
    KeyDown(KEY_PLAY);
    if (sub < 0) return;
    Press(KEY_DOWN, sub);
    KeyDown(KEY_PLAY);
  }
  dtbtest::TempDir dir_;
  board::HostBoard* host_ = nullptr;
};

TEST_F(SettingsMenus, LeapDayClampsWhenTheYearChanges) {
  struct tm want = {};
  want.tm_year = 2024 - 1900, want.tm_mon = 1, want.tm_mday = 29, want.tm_hour = 10, want.tm_isdst = -1;
  host_->SetClockOffset(static_cast<long>(mktime(&want) - time(nullptr)));
  Open(2, 2);  // time settings, set time and date
  ASSERT_EQ(g_TotalWindows, 4);
  Press(KEY_RIGHT);  // 2025: no 29 February
  KeyDown(KEY_PLAY);
  EXPECT_EQ(g_TotalWindows, 3);
  time_t now = board::Now();
  struct tm got;
  localtime_r(&now, &got);
  EXPECT_EQ(got.tm_year + 1900, 2025);
  EXPECT_EQ(got.tm_mon + 1, 2);
  EXPECT_EQ(got.tm_mday, 28);
  EXPECT_EQ(got.tm_hour, 10);
}

TEST_F(SettingsMenus, SpeedStopsAtBothEnds) {
  Open(3, 1);  // system voice, speed
  Press(KEY_LEFT, 40);
  KeyDown(KEY_PLAY);
  EXPECT_EQ(g_SystemSettings.tts_speed, -10);
  KeyDown(KEY_PLAY);  // speed again
  Press(KEY_RIGHT, 40);
  Press(KEY_UP, 3);  // does nothing here
  KeyDown(KEY_PLAY);
  EXPECT_EQ(g_SystemSettings.tts_speed, 20);
}

TEST_F(SettingsMenus, TransmitterWantsHeadphonesAndIsAbsentOnTheAmplifierBoard) {
  Open(6);  // FM Transmitter settings
  Press(KEY_RIGHT);  // enable
  KeyDown(KEY_PLAY);
  EXPECT_EQ(g_TotalWindows, 3) << "stays open without headphones";
  EXPECT_FALSE(g_SystemSettings.fm_send);
  KeyDown(KEY_BACK);
  KeyDown(KEY_BACK);

  board::SelectProfile(board::ProfileOfRevision(1));
  g_RecordingOpened = false;
  g_MainMenuIndex = 5;  // resume play settings
  RegisterBrowserWindow(BW_RECORDING_SETTINGS_MENU, [] {
    g_RecordingOpened = true;
    return -1;
  });
  ASSERT_EQ(CreateMainMenu(), 0);
  Press(KEY_DOWN);  // the transmitter is skipped: recording settings
  KeyDown(KEY_PLAY);
  EXPECT_TRUE(g_RecordingOpened);
  RegisterBrowserWindow(BW_RECORDING_SETTINGS_MENU, nullptr);
}

// The user is on "Audio books" in the disk's root, later inside "Record",
// when the language changes: they stay on or in the renamed folder.
TEST_F(SettingsMenus, LanguageSwitchKeepsTheUserOnTheRenamedFolders) {
  g_SystemSettings.SetLanguage(UX_LANGUAGE_ENGLISH);
  ASSERT_EQ(CreateDaisyDir(), 0);
  ASSERT_EQ(board::System("mkdir /mnt/emmc/Record/Monday /mnt/emmc/Record/Tuesday"), 0);
  ASSERT_EQ(g_DirInfo.LoadDir("/mnt/emmc"), 0);
  g_DirInfo.SetCurSel(g_DirInfo.Find("Audio books"));
  Open(9);  // language, on English
  Press(KEY_LEFT);
  KeyDown(KEY_PLAY);
  EXPECT_EQ(g_SystemSettings.language, UX_LANGUAGE_POLISH);
  EXPECT_STREQ(g_DirInfo.GetPath(), "/mnt/emmc");
  ASSERT_NE(g_DirInfo.GetCurSelName(), nullptr);
  EXPECT_STREQ(g_DirInfo.GetCurSelName(), "Książki audio");

  ASSERT_EQ(g_DirInfo.LoadDir("/mnt/emmc/nagrywanie"), 0);
  g_DirInfo.SetCurSel(g_DirInfo.Find("Tuesday"));
  KeyDown(KEY_PLAY);  // language again, on Polish
  Press(KEY_RIGHT);
  KeyDown(KEY_PLAY);
  EXPECT_STREQ(g_DirInfo.GetPath(), "/mnt/emmc/Record");
  ASSERT_NE(g_DirInfo.GetCurSelName(), nullptr);
  EXPECT_STREQ(g_DirInfo.GetCurSelName(), "Tuesday");
  g_DirInfo.Cls();
}

// A card formatted with 512-byte blocks said "0 MB".
TEST(SettingsText, MegabytesOfSmallAndLargeBlocks) {
  EXPECT_EQ(Megabytes(4194304, 512), 2048);
  EXPECT_EQ(Megabytes(262144, 4096), 1024);
  EXPECT_EQ(Megabytes(1ULL << 40, 4096), 0x7fffffff);
}

TEST(SettingsText, VersionLinesFromTheDeviceRecord) {
  dtbtest::TempDir dir;
  g_pUxLanguage = GetUxLanguage(UX_LANGUAGE_ENGLISH);
  dtbtest::WriteFile(dir / "snb.bin", dtbtest::SnbRecord());
  std::string text = VersionInformationText((dir / "snb.bin").c_str());
  EXPECT_NE(text.find("SN: Q 7 A 1 2 3 4\n"), std::string::npos) << text;
  EXPECT_NE(text.find("Version V2.01\n"), std::string::npos) << text;
  EXPECT_NE(text.find("free text\n"), std::string::npos) << text;
  // The record keeps 24 for 2024; the user hears the whole year.
  EXPECT_NE(text.find("delivery date June 30th 2024"), std::string::npos) << text;
  std::string none = VersionInformationText((dir / "missing.bin").c_str());
  EXPECT_EQ(none.find("SN"), std::string::npos) << none;
  EXPECT_NE(none.find("Released date January 11th 2018"), std::string::npos) << none;
}

}  // namespace
