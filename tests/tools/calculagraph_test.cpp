// The countdown and its statistics: the files, the date roll-over, the
// window's keys and announcements as the clock moves.
#include <cstring>

#include "tests/tools/tools_fixture.h"
#include "tools/calculagraph.h"

namespace toolstest {
namespace {

struct tm Date(int year, int month, int day) {
  struct tm t {};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  return t;
}

CalculagraphData Counted(const struct tm& stamp) {
  CalculagraphData d{};
  d.today = 10;
  d.month = 100;
  d.year = 1000;
  d.lastYear = 7;
  d.stampYear = stamp.tm_year;
  d.stampMonth = stamp.tm_mon;
  d.stampDay = stamp.tm_mday;
  return d;
}

TEST(CalculagraphStats, RollOverByDayMonthAndYear) {
  CalculagraphData d = Counted(Date(2026, 3, 14));
  RollCalculagraphStats(&d, Date(2026, 3, 14));
  EXPECT_EQ(d.today, 10) << "same day";
  RollCalculagraphStats(&d, Date(2026, 3, 15));
  EXPECT_EQ(d.today, 0);
  EXPECT_EQ(d.month, 100);
  d.today = 5;
  RollCalculagraphStats(&d, Date(2026, 4, 1));
  EXPECT_EQ(d.today, 0);
  EXPECT_EQ(d.month, 0);
  EXPECT_EQ(d.year, 1000) << "a new month keeps this year";
  // The same day number of another month is another day.
  d = Counted(Date(2026, 3, 14));
  RollCalculagraphStats(&d, Date(2026, 5, 14));
  EXPECT_EQ(d.month, 0);
  EXPECT_EQ(d.stampMonth, 4);

  d = Counted(Date(2026, 12, 31));
  RollCalculagraphStats(&d, Date(2027, 1, 1));
  EXPECT_EQ(d.lastYear, 1000);
  EXPECT_EQ(d.year, 0);
  EXPECT_EQ(d.month, 0);
  EXPECT_EQ(d.today, 0);
  EXPECT_EQ(d.stampYear, 127);

  d = Counted(Date(2026, 6, 1));
  RollCalculagraphStats(&d, Date(2028, 6, 1));
  EXPECT_EQ(d.lastYear, 7) << "two years later last year is unknown";
  EXPECT_EQ(d.year, 0);
}

class ToolsFiles : public ToolsTest {
 protected:
  void SetUp() override {
    ToolsTest::SetUp();
    if (IsSkipped()) return;
    std::filesystem::remove(Host("/mnt/settings/calculagraph_data.bin"));
    std::filesystem::remove(Host("/mnt/settings/tools.bin"));
  }
};

TEST_F(ToolsFiles, SavedAndLoadedLittleEndian) {
  EXPECT_EQ(LoadToolsSettings(), -1) << "no tools.bin";
  EXPECT_EQ(g_CalculagraphData.length, 30);
  EXPECT_EQ(g_CalculagraphData.interval, 15);
  g_CalculagraphData.today = 0x01020304;
  g_CalculagraphData.length = 45;
  ASSERT_EQ(SaveToolsSettings(), 0);
  std::string data = dtbtest::ReadFile(Host("/mnt/settings/calculagraph_data.bin"));
  ASSERT_EQ(data.size(), 44u);
  EXPECT_EQ(data.substr(0, 4), std::string("\x04\x03\x02\x01", 4));
  EXPECT_EQ(dtbtest::ReadFile(Host("/mnt/settings/tools.bin")).size(), 92u);
  g_CalculagraphData = CalculagraphData{};
  EXPECT_EQ(LoadToolsSettings(), 0);
  EXPECT_EQ(g_CalculagraphData.today, 0x01020304);
  EXPECT_EQ(g_CalculagraphData.length, 45);
}

TEST_F(ToolsFiles, DamagedStatisticsFile) {
  // Cut short: the defaults stay.
  dtbtest::WriteFile(Host("/mnt/settings/calculagraph_data.bin"), std::string(20, '\x7f'));
  LoadToolsSettings();
  EXPECT_EQ(g_CalculagraphData.today, 0);
  EXPECT_EQ(g_CalculagraphData.length, 30);
  // Garbage of the right size: no negative minutes, and the window repairs
  // the length and interval.
  dtbtest::WriteFile(Host("/mnt/settings/calculagraph_data.bin"), std::string(44, '\xff'));
  LoadToolsSettings();
  EXPECT_EQ(g_CalculagraphData.today, 0);
  EXPECT_EQ(g_CalculagraphData.lastYear, 0);
  ASSERT_EQ(CreateCalculagraph(), 0);
  EXPECT_EQ(g_CalculagraphData.length, 30);
  EXPECT_EQ(g_CalculagraphData.interval, 15);
  EXPECT_EQ(board_->LastSaid(), "countdown 30 minutes");
  // A tools.bin of another size is not taken.
  dtbtest::WriteFile(Host("/mnt/settings/tools.bin"), std::string(91, 'x'));
  EXPECT_EQ(LoadToolsSettings(), -1);
}

class CountdownWindow : public ToolsTest {
 protected:
  void SetUp() override {
    ToolsTest::SetUp();
    if (IsSkipped()) return;
    g_CalculagraphData = CalculagraphData{};
    g_CalculagraphData.length = 30;
    g_CalculagraphData.interval = 15;
    g_bCalculagraphRunning = false;
  }
  void TearDown() override {
    ToolsTest::TearDown();
    g_bCalculagraphRunning = false;
  }
  // The clock at `minutes` after now (the start), then one tick.
  std::string At(int minutes, int seconds = 0) {
    board_->offset = minutes * 60 + seconds;
    board_->Clear();
    WindowTick();
    return board_->LastSaid();
  }
};

TEST_F(CountdownWindow, TenMinutesAnnouncedAtSevenEightNineAndEnded) {
  g_CalculagraphData.length = 10;
  ASSERT_EQ(CreateCalculagraph(), 0);
  Key(KEY_PLAY);
  EXPECT_EQ(board_->LastSaid(), "start");
  ASSERT_TRUE(g_bCalculagraphRunning);
  EXPECT_EQ(GetRemindLeftTime(static_cast<unsigned>(BTime())), 420u);
  EXPECT_EQ(At(6, 59), "");
  EXPECT_EQ(At(7), "time passed 7 minutes, left 3 minutes");
  EXPECT_EQ(At(7, 30), "");
  EXPECT_EQ(At(8), "time passed 8 minutes, left 2 minutes");
  EXPECT_EQ(At(9), "time passed 9 minutes, left 1 minute");
  EXPECT_EQ(At(10), "countdown end, total 10 minutes");
  EXPECT_FALSE(g_bCalculagraphRunning);
  EXPECT_EQ(g_CalculagraphData.today, 10);
  EXPECT_EQ(g_CalculagraphData.month, 10);
  EXPECT_EQ(g_CalculagraphData.year, 10);
}

TEST_F(CountdownWindow, ThirtyMinutesWithFifteenMinuteInterval) {
  ASSERT_EQ(CreateCalculagraph(), 0);
  Key(KEY_PLAY);
  EXPECT_EQ(At(15), "time passed 15 minutes, left 15 minutes");
  EXPECT_EQ(At(26), "");
  EXPECT_EQ(At(27), "time passed 27 minutes, left 3 minutes");
  // Any key speaks the state; back cancels and counts the minutes.
  board_->offset = 28 * 60 + 10;
  Key(KEY_LEFT);
  EXPECT_EQ(board_->LastSaid(), "time passed 28 minutes, left 2 minutes");
  Key(KEY_BACK);
  EXPECT_EQ(board_->LastSaid(), "Canceled, time passed 28 minutes");
  EXPECT_EQ(g_CalculagraphData.today, 28);
  EXPECT_EQ(g_TotalWindows, 2) << "cancelling keeps the window";
}

TEST_F(CountdownWindow, ClockSetBackCountsNothing) {
  ASSERT_EQ(CreateCalculagraph(), 0);
  Key(KEY_PLAY);
  board_->offset = -3600;
  Key(KEY_BACK);
  EXPECT_EQ(g_CalculagraphData.today, 0);
  EXPECT_EQ(g_CalculagraphData.month, 0);
}

TEST_F(CountdownWindow, GoesOnUnderThePowerMenusAndWithoutItsWindow) {
  ASSERT_EQ(CreateCalculagraph(), 0);
  Key(KEY_PLAY);
  board_->offset = 5 * 60;
  KeyDown(KEY_POWER_SHORT);
  ASSERT_FALSE(root_->codes.empty());
  EXPECT_EQ(root_->codes.back(), KEY_POWER_SHORT);
  EXPECT_EQ(g_TotalWindows, 2) << "the power menu opens over the countdown";
  EXPECT_TRUE(g_bCalculagraphRunning);
  // Closed from outside (a charger, an alarm): the heartbeat announces it.
  CloseAllChildWindow();
  ASSERT_TRUE(g_bCalculagraphRunning);
  // Saved meanwhile (power-off), the file counts what has passed.
  ASSERT_EQ(SaveToolsSettings(), 0);
  EXPECT_EQ(g_CalculagraphData.today, 0);
  ASSERT_EQ(LoadToolsSettings(), 0);
  EXPECT_EQ(g_CalculagraphData.today, 5);
  g_CalculagraphData.today = 0;
  board_->offset = 15 * 60;
  board_->Clear();
  CalculagraphStep();
  EXPECT_EQ(board_->LastSaid(), "time passed 15 minutes, left 15 minutes");
  board_->offset = 30 * 60;
  CalculagraphStep();
  EXPECT_EQ(board_->LastSaid(), "countdown end, total 30 minutes");
  EXPECT_FALSE(g_bCalculagraphRunning);
  EXPECT_EQ(g_CalculagraphData.today, 30);
}

TEST_F(CountdownWindow, LengthsIntervalAndStatistics) {
  g_CalculagraphData.length = 3;
  g_CalculagraphData.interval = 20;
  g_CalculagraphData.today = 61;
  time_t now = BTime();
  struct tm local;
  localtime_r(&now, &local);
  g_CalculagraphData.stampYear = local.tm_year;
  g_CalculagraphData.stampMonth = local.tm_mon;
  g_CalculagraphData.stampDay = local.tm_mday;
  ASSERT_EQ(CreateCalculagraph(), 0);
  EXPECT_EQ(g_CalculagraphData.length, 30);
  EXPECT_EQ(g_CalculagraphData.interval, 15);
  Key(KEY_LEFT);
  EXPECT_EQ(g_CalculagraphData.length, 240) << "30 - 30 wraps";
  EXPECT_EQ(board_->LastSaid(), "countdown 4 hours");
  g_pUxLanguage = GetUxLanguage(UX_LANGUAGE_POLISH);
  RefreshCurWindow();
  EXPECT_EQ(board_->LastSaid(), "odliczanie: 4 godziny");
  g_pUxLanguage = GetUxLanguage(UX_LANGUAGE_ENGLISH);
  Key(KEY_RIGHT);
  EXPECT_EQ(g_CalculagraphData.length, 30);
  Key(KEY_DOWN);  // user defined
  Key(KEY_RIGHT);
  EXPECT_EQ(board_->LastSaid(), "user defined 35 minutes");
  Key(KEY_UP);
  EXPECT_EQ(g_CalculagraphData.length, 60) << "rounded up to 30-minute steps";
  Key(KEY_DOWN);
  g_CalculagraphData.length = 5;
  Key(KEY_LEFT);
  EXPECT_EQ(g_CalculagraphData.length, 240);
  Key(KEY_DOWN);  // inquiry
  EXPECT_EQ(board_->LastSaid(), "inquiry");
  Key(KEY_PLAY);
  EXPECT_EQ(board_->LastSaid(), "1 hour and 1 minute totaly today");
  Key(KEY_LEFT);
  EXPECT_EQ(board_->LastSaid(), "0 minutes totaly last year");
  Key(KEY_DOWN);  // delete
  Key(KEY_PLAY);
  EXPECT_EQ(board_->LastSaid(), "data deleted");
  EXPECT_EQ(g_CalculagraphData.today, 0);
  Key(KEY_DOWN);  // interval
  Key(KEY_RIGHT);
  EXPECT_EQ(board_->LastSaid(), "remind per 30 minutes");
  EXPECT_EQ(Key(KEY_BACK), WND_CLOSE);
}

}  // namespace
}  // namespace toolstest
