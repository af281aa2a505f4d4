// The DAISY player window driven through the window stack, on a scripted
// decoder, with real speech whose utterances are collected.
#include <gmock/gmock.h>

#include <cmath>

#include "tests/daisy/daisy_player_fixture.h"
#include "core/ui/keypad_idle.h"

namespace daisytest {
namespace {

using ::testing::Contains;

TEST_F(DaisyPlayerTest, OpensPlaysAndStepsThroughTheModesTheBookOffers) {
  MakeBook();
  fake_->pace = 1;
  DaisyPlayer* p = OpenBook();
  ASSERT_NE(p, nullptr);
  ASSERT_FALSE(p->IsOpenFailed());
  EXPECT_EQ(p->OfferedModes(), (std::vector<int>{0, 1, DAISY_NAV_PAGE, DAISY_NAV_PHRASE,
                                                 DAISY_NAV_TIME, DAISY_NAV_BOOKMARK}));
  ASSERT_TRUE(TickUntil([&] { return fake_->WrittenFrames() > 800; }));
  EXPECT_EQ(State(), DAISY_STATE_PLAYING);
  EXPECT_EQ(fake_->Opened(), std::vector<std::string>{book_ + "/a.mp3"});

  const char* spoken[] = {"level 2",  "page",   "phrase", "time jump: 30 seconds",
                          "bookmark", "level 1"};
  for (const char* s : spoken) {
    ClearLines();
    Tap(KEY_DOWN);
    EXPECT_TRUE(WaitSaid(std::string("say: ") + s)) << s << "\n" << AllLines();
    // Playback pauses for the mode and resumes once it has been spoken.
    Settle();
    EXPECT_TRUE(TickUntil([&] { return State() == DAISY_STATE_PLAYING; })) << s;
  }
  ClearLines();
  Tap(KEY_UP);
  EXPECT_TRUE(WaitSaid("say: bookmark")) << AllLines();
}

TEST_F(DaisyPlayerTest, HeadingAndPageMovesLandWhereTheyShould) {
  MakeBook();
  fake_->pace = 1;
  DaisyPlayer* p = OpenBook();
  ASSERT_NE(p, nullptr);
  ASSERT_TRUE(TickUntil([&] { return State() == DAISY_STATE_PLAYING; }));
  // Level 1: the next level-1 heading is "Chapter Two" (object 11; its
  // narration, object 13, plays at once).
  Tap(KEY_RIGHT);
  EXPECT_THAT(Pos().object, ::testing::AllOf(::testing::Ge(11), ::testing::Le(13)));
  Settle();
  ASSERT_TRUE(TickUntil([&] { return State() == DAISY_STATE_PLAYING; }));
  EXPECT_TRUE(TickUntil([&] { return fake_->Opened().size() == 2; }));
  EXPECT_EQ(fake_->Opened().back(), book_ + "/b.mp3");
  // Back: the level-1 heading before the one that holds the position.
  ClearLines();
  Tap(KEY_LEFT);
  EXPECT_THAT(Pos().object, ::testing::AllOf(::testing::Ge(1), ::testing::Le(3)));
  Settle();
  // Level 2 stops at the section inside chapter one.
  Tap(KEY_DOWN);
  Settle();
  ClearLines();
  Tap(KEY_RIGHT);
  EXPECT_THAT(Pos().object, ::testing::AllOf(::testing::Ge(7), ::testing::Le(9)));
  Settle();
  // Page mode: back from page 2 to page 1, then back once more to the start.
  Tap(KEY_DOWN);
  Settle();
  ClearLines();
  Tap(KEY_LEFT);
  EXPECT_THAT(Pos().object, ::testing::AllOf(::testing::Ge(1), ::testing::Le(3)));
  Settle();
  ClearLines();
  Tap(KEY_LEFT);
  EXPECT_EQ(Pos().object, 0);
  EXPECT_TRUE(WaitSaid("say: beginning of file")) << AllLines();
  Settle();
  EXPECT_TRUE(TickUntil([&] { return State() == DAISY_STATE_PLAYING; }));
}

TEST_F(DaisyPlayerTest, MenuGoesToAPageOrHeadingByNumber) {
  MakeBook();
  fake_->pace = 1;
  DaisyPlayer* p = OpenBook();
  ASSERT_NE(p, nullptr);
  Tap(KEY_MENU);
  EXPECT_TRUE(p->InMenu());
  EXPECT_TRUE(WaitSaid("say: go to page")) << AllLines();
  Tap(KEY_RIGHT);  // "1"
  Tap(KEY_UP);     // "2"
  EXPECT_TRUE(WaitSaid("say: 2"));
  ClearLines();
  Tap(KEY_PLAY);
  EXPECT_FALSE(p->InMenu());
  EXPECT_TRUE(WaitSaid("say: going to page 2")) << AllLines();
  EXPECT_EQ(Pos().object, 7);
  Settle();
  EXPECT_TRUE(TickUntil([&] { return State() == DAISY_STATE_PLAYING; }));

  // A page the book does not have.
  Tap(KEY_MENU);
  Tap(KEY_RIGHT);
  Tap(KEY_DOWN);   // 1 -> 0
  Tap(KEY_RIGHT);  // "00", and up to "09"
  for (int i = 0; i < 9; ++i) Tap(KEY_UP);
  EXPECT_TRUE(WaitSaid("say: 09"));
  ClearLines();
  Tap(KEY_PLAY);
  EXPECT_TRUE(WaitSaid("say: page not found!")) << AllLines();
  EXPECT_EQ(Pos().object >= 7, true);
  Settle();

  // Heading 3 through the second item.
  Tap(KEY_MENU);
  Tap(KEY_DOWN);
  EXPECT_TRUE(WaitSaid("say: go to heading"));
  Tap(KEY_RIGHT);
  Tap(KEY_UP);
  Tap(KEY_UP);
  ClearLines();
  Tap(KEY_PLAY);
  EXPECT_TRUE(WaitSaid("say: going to heading 3")) << AllLines();
  EXPECT_EQ(Pos().object, 11);
  Settle();
  // A number past the headings cannot be entered.
  Tap(KEY_MENU);
  Tap(KEY_RIGHT);
  ClearLines();
  Tap(KEY_RIGHT);  // 10 > 3 headings
  EXPECT_TRUE(WaitSaid("beep: 8")) << AllLines();
  Tap(KEY_BACK);
  EXPECT_FALSE(p->InMenu());
}

TEST_F(DaisyPlayerTest, TimeJumpCrossesClipBoundariesBothWays) {
  MakeBook();
  fake_->pace = 1;
  // Start at the second clip, paused, so the position is known.
  DaisyPlayer* p = OpenBook(6, 0, -1, -1);
  ASSERT_NE(p, nullptr);
  ASSERT_TRUE(TickUntil([&] { return State() == DAISY_STATE_PLAYING; }));
  Tap(KEY_PLAY);
  ASSERT_TRUE(p->IsPaused());
  const DaisyPos at = Pos();
  ASSERT_EQ(at.object, 6);
  for (int i = 0; i < 4; ++i) {
    Tap(KEY_DOWN);
    Settle();
  }
  ASSERT_EQ(p->CurMode(), DAISY_NAV_TIME);
  // 30 s forward: the rest of clip 6, clip 9 (10 s), clip 13 (8 s), then
  // into clip 16.
  const size_t seeks = fake_->Seeks().size();
  Tap(KEY_RIGHT);
  DaisyPos to = Pos();
  EXPECT_EQ(to.object, 16);
  EXPECT_NEAR(to.place, 30000 - (5000 - at.place) - 10000 - 8000, 300);
  ASSERT_TRUE(TickUntil([&] { return fake_->Seeks().size() > seeks; }));
  EXPECT_EQ(fake_->Opened().back(), book_ + "/b.mp3");
  EXPECT_NEAR(fake_->Seeks().back(), 8000 + to.place, 400);
  EXPECT_FALSE(p->IsPaused());
  // And 30 s back lands where it started.
  Tap(KEY_PLAY);
  DaisyPos before = Pos();
  Tap(KEY_LEFT);
  DaisyPos back = Pos();
  EXPECT_EQ(back.object, 6);
  EXPECT_NEAR(back.place, before.place - (30000 - (5000 + 10000 + 8000 + 0)) + 0, 400)
      << before.object << "/" << before.place;
}

TEST_F(DaisyPlayerTest, FasterSpeedGivesShorterOutputForTheSameBook) {
  MakeBook();
  auto playAll = [&](int speed) {
    g_Speed = speed;
    g_History.Clean();  // a finished book would resume at its end
    fake_->Reset();
    DaisyPlayer* p = OpenBook();
    EXPECT_NE(p, nullptr);
    EXPECT_TRUE(
        TickUntil([&] { return State() == DAISY_STATE_END || (p && p->IsPaused()); }, 20000));
    size_t frames = fake_->WrittenFrames();
    Tap(KEY_BACK);
    return frames;
  };
  const size_t normal = playAll(0);
  const size_t twice = playAll(10);    // +100 %
  const size_t fastest = playAll(20);  // +300 %
  EXPECT_NEAR(double(normal), 40.0 * 8000, 8000);
  EXPECT_NEAR(double(twice) / normal, 0.5, 0.05);
  EXPECT_NEAR(double(fastest) / normal, 0.25, 0.05);
  g_Speed = 0;
}

TEST_F(DaisyPlayerTest, BookmarkAddedIsListedAfterReopening) {
  MakeBook();
  fake_->pace = 1;
  DaisyPlayer* p = OpenBook(9, 2500, -1, -1);
  ASSERT_NE(p, nullptr);
  ASSERT_TRUE(TickUntil([&] { return State() == DAISY_STATE_PLAYING; }));
  Tap(KEY_BOOKMARK);
  EXPECT_TRUE(p->InBookmarkMode());
  EXPECT_TRUE(WaitSaid("say: add bookmark"));
  ClearLines();
  Tap(KEY_PLAY);
  EXPECT_TRUE(WaitSaid("say: bookmark 1 added")) << AllLines();
  EXPECT_FALSE(p->InBookmarkMode());
  ASSERT_EQ(p->BookmarkPlaces().size(), 1u);
  EXPECT_EQ(p->BookmarkPlaces()[0].object, 9);
  int idx = g_bookmark.Find(EM_BM_DAISY, (book_ + "/ncc.html").c_str());
  ASSERT_GE(idx, 0);
  auto* entry = static_cast<DaisyBmFileItem*>(g_bookmark.GetAt(idx));
  EXPECT_STREQ(entry->GetTitle(), "Test Book");
  ASSERT_EQ(entry->GetCount(), 1);
  EXPECT_STREQ(entry->GetAt(0)->startPageDes, "2");
  EXPECT_NEAR(entry->GetAt(0)->startMs, 12500, 400);
  Settle();
  Tap(KEY_BACK);
  EXPECT_EQ(g_TotalWindows, 1);

  p = OpenBook();
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->BookmarkPlaces().size(), 1u);
  Tap(KEY_BOOKMARK);
  Tap(KEY_RIGHT);
  EXPECT_TRUE(WaitSaid("say: bookmark list"));
  ClearLines();
  Tap(KEY_PLAY);
  EXPECT_TRUE(WaitSaid("say: bookmark 1, 0 minutes 12 seconds")) << AllLines();
  // Playing it goes there.
  Tap(KEY_PLAY);
  EXPECT_FALSE(p->InBookmarkMode());
  EXPECT_EQ(Pos().object, 9);
  EXPECT_NEAR(Pos().place, 2500, 400);
}

TEST_F(DaisyPlayerTest, ClosingStoresTheHistoryAndReopeningResumesThere) {
  MakeBook();
  fake_->pace = 1;
  DaisyPlayer* p = OpenBook(6, 1000, -1, -1);
  ASSERT_NE(p, nullptr);
  ASSERT_TRUE(TickUntil([&] { return State() == DAISY_STATE_PLAYING && Pos().place > 1300; }));
  Tap(KEY_BACK);
  EXPECT_EQ(g_TotalWindows, 1);
  EXPECT_EQ(State(), DAISY_STATE_NONE);
  int idx = g_History.Find(EM_HISTORY_DAISY, (book_ + "/ncc.html").c_str());
  ASSERT_GE(idx, 0);
  HistoryItem* h = g_History.GetAt(idx);
  EXPECT_EQ(h->object, 6);
  EXPECT_GT(h->place, 1300);
  EXPECT_STREQ(h->title, "Test Book");
  EXPECT_STREQ(h->text, "1");  // page 1 holds objects 1 to 6
  EXPECT_NEAR(h->ms, 5000 + h->place, 1);
  const int place = h->place;

  fake_->Reset();
  p = OpenBook();
  ASSERT_NE(p, nullptr);
  ASSERT_TRUE(TickUntil([&] { return !fake_->Seeks().empty(); }));
  EXPECT_EQ(Pos().object, 6);
  EXPECT_NEAR(fake_->Seeks()[0], 5000 + place, 150);

  // With resuming off, the book starts at the beginning.
  Tap(KEY_BACK);
  g_SystemSettings.daisy_resume_play = false;
  fake_->Reset();
  p = OpenBook();
  ASSERT_NE(p, nullptr);
  EXPECT_LE(Pos().object, 3);
  EXPECT_TRUE(fake_->Seeks().empty());
}

TEST_F(DaisyPlayerTest, TextOnlyBookIsReadAndOffersNoTimeJump) {
  MakeBook(false);
  DaisyPlayer* p = OpenBook();
  ASSERT_NE(p, nullptr);
  ASSERT_FALSE(p->IsOpenFailed());
  EXPECT_THAT(p->OfferedModes(), ::testing::Not(Contains(int(DAISY_NAV_TIME))));
  EXPECT_THAT(p->OfferedModes(), Contains(int(DAISY_NAV_PAGE)));
  EXPECT_TRUE(WaitSaid("read: First words of the book.", 15000)) << AllLines();
  EXPECT_TRUE(WaitSaid("read: The last words.", 15000)) << AllLines();
  EXPECT_TRUE(Said("read: Chapter One"));
  EXPECT_TRUE(WaitSaid("say: end of file", 15000)) << AllLines();
  // Player speech went to the card at its own rate.
  EXPECT_EQ(fake_->cardRate, 16000);
  EXPECT_GT(fake_->WrittenFrames(), 16000u);
  // No elapsed time in the information of a book without audio.
  ClearLines();
  g_InfoKeyDownTimes = 1;
  Tap(KEY_INFO);
  EXPECT_TRUE(WaitSaid("say: title: Test Book")) << AllLines();
  EXPECT_FALSE(Said("elapsed"));
}

TEST_F(DaisyPlayerTest, InformationKeyTellsTitleTimesAndCreator) {
  MakeBook();
  fake_->pace = 1;
  DaisyPlayer* p = OpenBook(6, 2000, -1, -1);
  ASSERT_NE(p, nullptr);
  ASSERT_TRUE(TickUntil([&] { return State() == DAISY_STATE_PLAYING; }));
  ClearLines();
  g_InfoKeyDownTimes = 1;
  Tap(KEY_INFO);
  ASSERT_TRUE(WaitSaid("say: title: Test Book")) << AllLines();
  std::string all = AllLines();
  EXPECT_NE(all.find("elapsed time: 0 minutes 7 seconds"), std::string::npos) << all;
  EXPECT_NE(all.find("Total time: 0 minutes 40 seconds"), std::string::npos) << all;
  EXPECT_NE(all.find("Creator: Ann Author"), std::string::npos) << all;
  Settle();
  EXPECT_TRUE(TickUntil([&] { return State() == DAISY_STATE_PLAYING; }));
}

TEST_F(DaisyPlayerTest, MissingAudioFileIsAnnouncedAndItsClipsTextIsRead) {
  MakeBook();
  fake_->files.erase(book_ + "/a.mp3");
  DaisyPlayer* p = OpenBook();
  ASSERT_NE(p, nullptr);
  ASSERT_FALSE(p->IsOpenFailed());
  EXPECT_TRUE(WaitSaid("say: can not open file")) << AllLines();
  // The clips of the other file still play, to the end of the book.
  EXPECT_TRUE(WaitSaid("end of file", 10000)) << AllLines();
  EXPECT_EQ(fake_->Opened(), std::vector<std::string>{book_ + "/b.mp3"});
  std::vector<std::string> read;
  for (const std::string& l : Lines())
    if (l.rfind("read: ", 0) == 0) read.push_back(l.substr(6));
  const std::string all = AllLines();
  EXPECT_EQ(read, (std::vector<std::string>{"Chapter One", "First words of the book.", "Section"})) << all;
  // The missing file is told before its text is read.
  EXPECT_LT(all.find("can not open file"), all.find("read: ")) << all;
  // b.mp3's 20 s, and the speech on top.
  EXPECT_GT(double(fake_->WrittenFrames()), 20.0 * 8000 + 800);
  // Still usable: back closes it.
  Tap(KEY_BACK);
  EXPECT_EQ(g_TotalWindows, 1);
}

TEST_F(DaisyPlayerTest, ClipsWithoutAudioOrTextReadTheirHeadingOrAreSkipped) {
  MakeBook(false);
  // Audio only, and none of it there: the NCC's heading texts stand in.
  auto par = [](const char* id, const char* b, const char* e) {
    return std::string("<par id=\"") + id + "\"><audio src=\"gone.mp3\" clip-begin=\"npt=" + b +
           "s\" clip-end=\"npt=" + e + "s\"/></par>";
  };
  dtbtest::WriteFile(Host(book_) + "/s1.smil", "<smil><body><seq>" + par("p1", "0", "5") + par("p2", "5", "10") +
                                                   par("p3", "10", "20") + "</seq></body></smil>\n");
  dtbtest::WriteFile(Host(book_) + "/s2.smil",
                     "<smil><body><seq>" + par("q1", "20", "28") + par("q2", "28", "40") + "</seq></body></smil>\n");
  DaisyPlayer* p = OpenBook();
  ASSERT_NE(p, nullptr);
  EXPECT_TRUE(WaitSaid("end of file", 15000)) << AllLines();
  std::vector<std::string> read;
  int told = 0;
  for (const std::string& l : Lines()) {
    if (l.rfind("read: ", 0) == 0) read.push_back(l.substr(6));
    told += l.find("can not open file") != std::string::npos;
  }
  EXPECT_EQ(read, (std::vector<std::string>{"Chapter One", "Section", "Chapter Two"})) << AllLines();
  EXPECT_EQ(told, 1) << AllLines();
}

TEST_F(DaisyPlayerTest, BookThatCannotBeOpenedIsAnnouncedAndTheWindowCloses) {
  dtbtest::WriteFile(Host(book_) + "/ncc.html",
                     "<html><head/><body><p>no entries</p></body></html>");
  ASSERT_EQ(0, CreateDaisyPlayer(book_.c_str(), "ncc.html", -1, -1, -1, -1));
  EXPECT_EQ(g_TotalWindows, 2);
  EXPECT_TRUE(WaitSaid("say: can not open")) << AllLines();
  EXPECT_TRUE(TickUntil([] { return g_TotalWindows == 1; }));
  EXPECT_EQ(State(), DAISY_STATE_NONE);
  // Nothing was stored for a book that never opened.
  EXPECT_EQ(g_History.Find(EM_HISTORY_DAISY, (book_ + "/ncc.html").c_str()), -1);
  // Bad arguments.
  EXPECT_EQ(-1, CreateDaisyPlayer(nullptr, "ncc.html", -1, -1, -1, -1));
  EXPECT_EQ(-1, CreateDaisyPlayer(book_.c_str(), nullptr, -1, -1, -1, -1));
}

TEST_F(DaisyPlayerTest, HighlightRangeRepeatsUntilTheUserMoves) {
  MakeBook();
  DaisyPlayer* p = OpenBook(3, 1000, 3, 3000);
  ASSERT_NE(p, nullptr);
  // Unpaced, the two seconds come round again and again.
  ASSERT_TRUE(TickUntil([&] { return fake_->Seeks().size() >= 3; }));
  for (int ms : fake_->Seeks()) EXPECT_NEAR(ms, 1000, 1);
  EXPECT_EQ(Pos().object, 3);
  // Phrase mode, one step on: the range no longer holds.
  Tap(KEY_DOWN);
  Tap(KEY_DOWN);
  Tap(KEY_DOWN);
  Settle();
  ASSERT_EQ(p->CurMode(), DAISY_NAV_PHRASE);
  Tap(KEY_RIGHT);
  EXPECT_TRUE(TickUntil([&] { return State() == DAISY_STATE_END || p->IsPaused(); }, 10000));
  EXPECT_TRUE(WaitSaid("end of file"));
}

TEST_F(DaisyPlayerTest, HighlightMarkedInBookmarkModeIsStoredAndRepeated) {
  MakeBook();
  fake_->pace = 1;
  DaisyPlayer* p = OpenBook(13, 1000, -1, -1);
  ASSERT_NE(p, nullptr);
  ASSERT_TRUE(TickUntil([&] { return State() == DAISY_STATE_PLAYING; }));
  g_DaisyBookmarkMenuIndex = 2;
  Tap(KEY_BOOKMARK);
  EXPECT_TRUE(WaitSaid("say: Start mark highlight bookmark"));
  Tap(KEY_PLAY);
  EXPECT_TRUE(WaitSaid("say: mark start place"));
  Settle();
  ASSERT_TRUE(TickUntil([&] { return State() == DAISY_STATE_PLAYING && Pos().place > 1500; }));
  Tap(KEY_BOOKMARK);
  EXPECT_TRUE(WaitSaid("say: End mark highlight bookmark"));
  ClearLines();
  Tap(KEY_PLAY);
  EXPECT_TRUE(WaitSaid("say: highlight bookmark 1 added")) << AllLines();
  int idx = g_bookmark.Find(EM_BM_DAISY, (book_ + "/ncc.html").c_str());
  ASSERT_GE(idx, 0);
  DaisyBmItem* bm = static_cast<DaisyBmFileItem*>(g_bookmark.GetAt(idx))->GetAt(0);
  ASSERT_NE(bm, nullptr);
  EXPECT_EQ(bm->startObject, 13);
  EXPECT_EQ(bm->endObject, 13);
  EXPECT_LT(bm->startPlace, bm->endPlace);
  EXPECT_STREQ(bm->startPageDes, "2");
  // The range plays from its start.
  Settle();
  EXPECT_EQ(Pos().object, 13);
  EXPECT_TRUE(DaisyThread().HasRepeat());
  Tap(KEY_BOOKMARK);
  EXPECT_TRUE(WaitSaid("say: Stop playing highlight bookmark"));
  Tap(KEY_PLAY);
  EXPECT_FALSE(DaisyThread().HasRepeat());
}

TEST_F(DaisyPlayerTest, MenuSettingsApplyAndSpeedAndIntervalAreKept) {
  MakeBook();
  fake_->pace = 1;
  DaisyPlayer* p = OpenBook();
  ASSERT_NE(p, nullptr);
  g_DaisyMenuIndex = 2;
  Tap(KEY_MENU);
  EXPECT_TRUE(WaitSaid("say: speed"));
  Tap(KEY_RIGHT);
  Tap(KEY_RIGHT);
  ClearLines();
  Tap(KEY_PLAY);
  EXPECT_TRUE(WaitSaid("say: Setting done.")) << AllLines();
  EXPECT_EQ(g_Speed, 2);
  // The interval goes no further than five minutes in the menu.
  g_DaisyMenuIndex = 4;
  Settle();
  Tap(KEY_MENU);
  for (int i = 0; i < 4; ++i) Tap(KEY_RIGHT);
  Tap(KEY_PLAY);
  EXPECT_EQ(g_JumpTimeIndex, 2);
  Settle();
  // Power-off writes them; the next start reads them back.
  const std::string file = Host("/mnt/settings/daisy.config.xml");
  ASSERT_EQ(0, SaveDaisySettings());
  EXPECT_NE(dtbtest::ReadFile(file).find("jumptime=\"300\""), std::string::npos);
  SetDaisySettingsToDefault();
  ASSERT_EQ(0, LoadDaisySettings());
  EXPECT_EQ(g_Speed, 2);
  EXPECT_EQ(g_JumpTimeIndex, 2);
  g_Speed = 0;
}

TEST_F(DaisyPlayerTest, EventsWhilePlayingPauseAndCloseCleanly) {
  MakeBook();
  fake_->pace = 1;
  DaisyPlayer* p = OpenBook(3, 500, -1, -1);
  ASSERT_NE(p, nullptr);
  ASSERT_TRUE(TickUntil([&] { return State() == DAISY_STATE_PLAYING; }));
  // A battery warning is spoken over paused playback, which then goes on.
  KeyDown(EV_BATTERY_LOW);
  EXPECT_NE(State(), DAISY_STATE_PLAYING);
  Settle();
  EXPECT_TRUE(TickUntil([&] { return State() == DAISY_STATE_PLAYING; }));
  // The radio key leaves the player: history stored, book closed, the root
  // takes the key.
  KeyDown(KEY_RADIO);
  EXPECT_EQ(g_TotalWindows, 1);
  EXPECT_EQ(root_->lastCode, KEY_RADIO);
  EXPECT_EQ(State(), DAISY_STATE_NONE);
  EXPECT_GE(g_History.Find(EM_HISTORY_DAISY, (book_ + "/ncc.html").c_str()), 0);
  // Closed from outside (USB, an alarm, power-off) the same way.
  p = OpenBook();
  ASSERT_NE(p, nullptr);
  g_History.Clean();
  CloseAllChildWindow();
  EXPECT_EQ(State(), DAISY_STATE_NONE);
  EXPECT_GE(g_History.Find(EM_HISTORY_DAISY, (book_ + "/ncc.html").c_str()), 0);
  // Locked keypad: keys beep, playing goes on.
  p = OpenBook();
  g_bKeyBoardLocked = true;
  ClearLines();
  Tap(KEY_RIGHT);
  EXPECT_TRUE(WaitSaid("beep: 8"));
  EXPECT_EQ(Pos().object < 4, true);
  g_bKeyBoardLocked = false;
}

}  // namespace
}  // namespace daisytest
