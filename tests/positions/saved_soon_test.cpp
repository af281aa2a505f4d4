// Changes reach their files soon after they happen, not only at power-off:
// the deferred save of the settings areas, on a fake clock, and the history
// written while a book plays.
#include <string>

#include "core/ui/settings_area.h"
#include "positions/bookmark.h"
#include "positions/history.h"
#include "tests/support/root_board.h"
#include "tests/support/test_support.h"

namespace {

constexpr SettingsKey kCounted{"counted"};
constexpr SettingsKey kNobody{"nobody"};

long long g_NowMs = 0;
int g_Saves = 0;
int g_Result = 0;

class SavedSoon : public ::testing::Test {
 protected:
  void SetUp() override {
    g_NowMs = 1000000;
    g_Saves = 0;
    g_Result = 0;
    ClearSettingsAreas();
    SetSettingsClock([] { return g_NowMs; });
    RegisterSettingsArea({kCounted, nullptr, nullptr,
                          [] {
                            ++g_Saves;
                            return g_Result;
                          },
                          nullptr});
  }
  void TearDown() override {
    ClearSettingsAreas();
    SetSettingsClock(nullptr);
  }
  // Runs the 250 ms tick's saves for `ms`; the saves made meanwhile.
  static int Ticks(long long ms) {
    int before = g_Saves;
    for (long long t = 0; t < ms; t += 250) {
      g_NowMs += 250;
      RunDeferredSaves();
    }
    return g_Saves - before;
  }
};

TEST_F(SavedSoon, ABurstIsOneWriteAfterAQuietMomentAndAStreamStillGetsWritten) {
  MarkSettingsChanged(kCounted);
  EXPECT_EQ(0, Ticks(1000));
  MarkSettingsChanged(kCounted);  // the quiet time starts again
  EXPECT_EQ(0, Ticks(1250));
  EXPECT_EQ(1, Ticks(500));
  EXPECT_FALSE(SettingsChangePending(kCounted));
  EXPECT_EQ(0, Ticks(10000));  // nothing changed, nothing written

  // A change every second never leaves a quiet moment: written anyway,
  // once per kSettingsLatestMs.
  int saves = 0;
  for (int i = 0; i < 20; ++i) {
    MarkSettingsChanged(kCounted);
    saves += Ticks(1000);
  }
  EXPECT_GE(saves, 3);
  EXPECT_LE(saves, 5);
}

TEST_F(SavedSoon, AFailedWriteIsTriedAgainLaterAndPowerOffTakesOverWhatWaits) {
  g_Result = -1;  // "/mnt/settings" not mounted
  MarkSettingsChanged(kCounted);
  EXPECT_EQ(1, Ticks(2000));
  EXPECT_TRUE(SettingsChangePending(kCounted));
  EXPECT_EQ(0, Ticks(kSettingsRetryMs - 2000));
  g_Result = 0;
  EXPECT_EQ(1, Ticks(3000));
  EXPECT_FALSE(SettingsChangePending(kCounted));

  MarkSettingsChanged(kCounted);
  MarkSettingsChanged(kNobody);  // an area never registered: no crash, nothing saved
  EXPECT_EQ(0, SavePowerOffSettings());
  EXPECT_EQ(3, g_Saves);
  EXPECT_FALSE(SettingsChangePending(kCounted));
  EXPECT_EQ(0, Ticks(5000));
}

// Start-up and power-off walk the areas in the order they were registered,
// each only where it has that step; a key names one area only.
TEST_F(SavedSoon, AreasAreLoadedAndSavedInTheirOrderAndAKeyNamesOneArea) {
  static std::string log;
  log.clear();
  constexpr SettingsKey kFirst{"first"};
  constexpr SettingsKey kSecond{"second"};
  ClearSettingsAreas();
  ASSERT_EQ(0, RegisterSettingsArea({kFirst, "first.xml", [] { log += "L1 "; return 0; },
                                     [] { log += "S1 "; return 0; }, nullptr}));
  ASSERT_EQ(0, RegisterSettingsArea({kSecond, nullptr, nullptr, [] { log += "S2 "; return -1; }, nullptr}));
  ASSERT_EQ(0, RegisterSettingsArea({SettingsKey{"third"}, nullptr, [] { log += "L3 "; return 0; },
                                     nullptr, nullptr}));
  EXPECT_EQ(-1, RegisterSettingsArea({SettingsKey{"first"}, nullptr, [] { log += "Lx "; return 0; },
                                      [] { log += "Sx "; return 0; }, nullptr}));
  LoadSettingsAreas();
  EXPECT_EQ(-1, SavePowerOffSettings());  // the second failed; the others are still saved
  EXPECT_EQ("L1 L3 S1 S2 ", log);
}

// The stores mark their area on a change, never on a load or on a record
// stored again unchanged.
TEST_F(SavedSoon, StoresMarkChangesOnly) {
  dtbtest::TempDir dir;
  dtbtest::ScopedRootBoard board(dir.path());
  BookMark bm(kBookmarkArea);
  History h(kHistoryArea);
  ASSERT_EQ(0, bm.AddEbook("/mnt/emmc/a.txt", 2, 40, -1, -1, "text"));
  EXPECT_TRUE(SettingsChangePending(kBookmarkArea));
  ASSERT_EQ(0, h.AddMusic("/mnt/emmc/a.mp3", 5000));
  EXPECT_TRUE(SettingsChangePending(kHistoryArea));
  ASSERT_EQ(0, bm.SaveToFile("/b.xml"));
  ASSERT_EQ(0, h.SaveToFile("/h.xml"));
  ClearSettingsAreas();  // forgets the marks

  BookMark bm2(kBookmarkArea);
  History h2(kHistoryArea);
  ASSERT_EQ(0, bm2.LoadFromFile("/b.xml"));
  ASSERT_EQ(0, h2.LoadFromFile("/h.xml"));
  ASSERT_EQ(1, h2.GetCount());
  EXPECT_FALSE(SettingsChangePending(kBookmarkArea));
  EXPECT_FALSE(SettingsChangePending(kHistoryArea));
  EXPECT_EQ(0, h2.AddMusic("/mnt/emmc/a.mp3", 5000));  // paused: the same place
  EXPECT_FALSE(SettingsChangePending(kHistoryArea));
  EXPECT_EQ(0, h2.AddMusic("/mnt/emmc/b.mp3", 0));
  EXPECT_EQ(0, h2.AddMusic("/mnt/emmc/a.mp3", 5000));  // the same place, but back to the front
  EXPECT_TRUE(SettingsChangePending(kHistoryArea));

  EXPECT_EQ(0, bm2.RemoveBookmark(bm2.GetAt(0), 0));
  EXPECT_TRUE(SettingsChangePending(kBookmarkArea));
}

TEST(HistoryPacer, AtMostOnceAMinuteAndAClockSetBackDoesNotStopIt) {
  HistoryPacer p;
  EXPECT_FALSE(p.Due(1000));  // playing starts
  EXPECT_FALSE(p.Due(1059));
  EXPECT_TRUE(p.Due(1060));
  EXPECT_FALSE(p.Due(1119));
  EXPECT_TRUE(p.Due(500));  // the clock was set back an hour
  EXPECT_FALSE(p.Due(530));
  EXPECT_TRUE(p.Due(560));
  // Moves: due a few seconds after the last one, then once a minute again.
  p.Soon(570);
  p.Soon(572);
  EXPECT_FALSE(p.Due(576));
  EXPECT_TRUE(p.Due(577));
  EXPECT_FALSE(p.Due(636));
  EXPECT_TRUE(p.Due(637));
}

// Ten minutes of a DAISY book playing, with a pause and a few bookmarks:
// "history.xml" is written at most once a minute, plus once per action.
TEST_F(SavedSoon, TenMinutesOfPlaybackWriteTheHistoryAtMostTenTimesPlusOnePerAction) {
  dtbtest::TempDir dir;
  dtbtest::ScopedRootBoard board(dir.path());
  static History* history = nullptr;
  static int historyWrites = 0;
  History h(kHistoryArea);
  BookMark bm(kBookmarkArea);
  history = &h;
  historyWrites = 0;
  RegisterSettingsArea({kHistoryArea, nullptr, nullptr,
                        [] {
                          ++historyWrites;
                          return history->SaveToFile("/history.xml");
                        },
                        nullptr});
  RegisterSettingsArea({kBookmarkArea, nullptr, nullptr, [] { return 0; }, nullptr});

  HistoryPacer pacer;
  int actions = 0;
  long long playedMs = 0;
  const long long start = g_NowMs;
  int writesWhenPaused = -1;
  for (long long t = 0; t < 10 * 60 * 1000; t += 250) {
    g_NowMs = start + t;
    // Paused from the third to the fifth minute: the place stands still.
    const bool playing = t < 2 * 60 * 1000 || t >= 5 * 60 * 1000;
    if (t == 2 * 60 * 1000 + 5000) writesWhenPaused = historyWrites;
    if (t == 5 * 60 * 1000 - 250) {
      EXPECT_EQ(writesWhenPaused, historyWrites);
    }
    if (playing) {
      playedMs += 250;
      const int ms = static_cast<int>(playedMs);
      if (pacer.Due(g_NowMs / 1000))
        h.AddDaisy("/mnt/emmc/Daisy/b/ncc.html", ms / 30000, ms % 30000, "Book", ms, "");
    }
    if (t == 90 * 1000 || t == 90 * 1000 + 500 || t == 7 * 60 * 1000) {
      bm.AddDaisy("/mnt/emmc/Daisy/b/ncc.html", 1, 0, "Book", static_cast<int>(playedMs), "");
      ++actions;
    }
    RunDeferredSaves();
  }
  // Closing the book stores its place once more.
  h.AddDaisy("/mnt/emmc/Daisy/b/ncc.html", 99, 0, "Book", static_cast<int>(playedMs), "");
  ++actions;
  for (int i = 0; i < 20; ++i) {
    g_NowMs += 250;
    RunDeferredSaves();
  }
  EXPECT_LE(historyWrites, 10 + actions);
  // A place for each minute played (one before the pause, five after it)
  // and the close.
  EXPECT_GE(historyWrites, 7);
  EXPECT_NE(std::string::npos, dtbtest::ReadFile(dir.path() + "/history.xml").find("object=\"99\""));
}

}  // namespace
