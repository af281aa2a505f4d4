#include "players/audiobook_player.h"

#include <gtest/gtest.h>

#include "players/play_thread.h"
#include "window_fixture.h"

namespace {

class AudioBookPlayerTest : public PlayerWindowTest {
 protected:
  // A book of parts of the given lengths named part1.mp3, part2.mp3, ...
  void MakeBook(const std::vector<int>& ms) {
    for (size_t i = 0; i < ms.size(); ++i) parts_.push_back(AddFile("part" + std::to_string(i + 1) + ".mp3", ms[i]));
  }
  AudioBookPlayer* Top() { return dynamic_cast<AudioBookPlayer*>(CurWindow()); }
  bool Playing() { return AudioBookPlayThread().State() == PLAY_STATE_PLAYING; }
  std::vector<std::string> parts_;
};

TEST_F(AudioBookPlayerTest, StepBackCrossesAFileBoundaryAndResumesAfterClose) {
  fake_->pace = 1;
  MakeBook({60000, 60000, 60000});
  g_AudioBookSettings.step = 1;  // 30 s
  ASSERT_EQ(CreateAudioBookPlayer(dir_.path().c_str(), "cur_time=70, total_time=180, cur_file=1, cur_file_time=10"), 0);
  ASSERT_NE(Top(), nullptr);
  ASSERT_TRUE(TickUntil([&] { return Playing(); }));
  EXPECT_EQ(Top()->CurFile(), 1);
  EXPECT_EQ(fake_->Seeks().back(), 10000);
  Tap(KEY_LEFT);
  ASSERT_TRUE(TickUntil([&] { return Playing(); }));
  EXPECT_EQ(Top()->CurFile(), 0);
  EXPECT_EQ(fake_->Opened().back(), parts_[0]);
  EXPECT_EQ(fake_->Seeks().back(), 40000);
  KeyDown(KEY_BACK);
  ASSERT_EQ(g_TotalWindows, 1);
  int h = g_History.Find(EM_HISTORY_AUDIOBOOK, dir_.path().c_str());
  ASSERT_EQ(h, 0);
  std::string text = g_History.GetAt(h)->text;
  EXPECT_EQ(text.rfind("cur_time=40, total_time=180, cur_file=0, cur_file_time=40", 0), 0u) << text;
  // Reopened with the stored text: the same file and second.
  fake_->Reset();
  ASSERT_EQ(CreateAudioBookPlayer(dir_.path().c_str(), text.c_str()), 0);
  ASSERT_TRUE(TickUntil([&] { return Playing(); }));
  EXPECT_EQ(fake_->Opened().front(), parts_[0]);
  EXPECT_EQ(fake_->Seeks().front(), 40000);
}

TEST_F(AudioBookPlayerTest, ForwardPastTheLastFileEndsTheBook) {
  fake_->pace = 1;
  MakeBook({60000, 60000, 60000});
  g_AudioBookSettings.step = 2;  // 60 s
  ASSERT_EQ(CreateAudioBookPlayer(dir_.path().c_str(), "cur_file=2, cur_file_time=30"), 0);
  ASSERT_TRUE(TickUntil([&] { return Playing(); }));
  Tap(KEY_RIGHT);
  EXPECT_EQ(fake_->Seeks().back(), 61000);
  ASSERT_TRUE(TickUntil([&] { return AudioBookPlayThread().State() == PLAY_STATE_ENDED; }));
  TickUntil([] { return false; }, 100);
  EXPECT_EQ(Top()->CurFile(), 2);
  EXPECT_EQ(AudioBookPlayThread().State(), PLAY_STATE_ENDED);  // stays at the end
  BookTimeInfo i = Top()->GetCurTimeInfo();
  EXPECT_EQ(i.bookSec, 180);
  // A stored step index 7 steps by 10 s.
  g_AudioBookSettings.step = 7;
  Tap(KEY_LEFT);
  EXPECT_EQ(fake_->Seeks().back(), 50000);
}

TEST_F(AudioBookPlayerTest, PartsPlayInOrderAcrossFiles) {
  MakeBook({500, 500, 500});
  dtbtest::WriteFile(dir_ / "cover.jpg", "img");
  ASSERT_EQ(CreateAudioBookPlayer(dir_.path().c_str(), nullptr), 0);
  EXPECT_EQ(Top()->FileCount(), 3);
  ASSERT_TRUE(TickUntil([&] { return fake_->Opened().size() == 3 && AudioBookPlayThread().State() == PLAY_STATE_ENDED; }));
  EXPECT_EQ(fake_->Opened(), parts_);
  TickUntil([] { return false; }, 100);
  EXPECT_EQ(fake_->Opened().size(), 3u);  // no wrap at the end of the book
  // Up on the first part reopens it from its start; down stops at the last.
  Tap(KEY_UP);
  Tap(KEY_UP);
  TickUntil([&] { return fake_->Opened().size() >= 4; });
  EXPECT_EQ(fake_->Opened()[3], parts_[1]);
}

TEST_F(AudioBookPlayerTest, OpeningBeyondTheLastFileStartsAtItsEnd) {
  MakeBook({60000, 60000, 60000, 30000});
  ASSERT_EQ(CreateAudioBookPlayer(dir_.path().c_str(), "cur_file=7, cur_file_time=2"), 0);
  ASSERT_TRUE(TickUntil([&] { return !fake_->Seeks().empty(); }));
  EXPECT_EQ(Top()->CurFile(), 3);
  EXPECT_EQ(fake_->Opened().front(), parts_[3]);
  EXPECT_EQ(fake_->Seeks().front(), 30000);
}

TEST_F(AudioBookPlayerTest, BackwardHighlightPlaysForwardInALoop) {
  MakeBook({60000, 60000, 60000});
  const char* text =
      "cur_time=170, total_time=180, cur_file=2, cur_file_time=50, end_time=80, end_file=1, end_file_time=20";
  g_bookmark.AddAudioBook(dir_.path().c_str(), text);
  ASSERT_EQ(CreateAudioBookPlayer(dir_.path().c_str(), text), 0);
  const BookSegment& seg = Top()->Segment();
  EXPECT_EQ(seg.startFile, 1);
  EXPECT_EQ(seg.startMs, 20000);
  EXPECT_EQ(seg.endFile, 2);
  EXPECT_EQ(seg.endMs, 50000);
  ASSERT_TRUE(TickUntil([&] { return fake_->Opened().size() >= 5; }));
  std::vector<std::string> o = fake_->Opened();
  EXPECT_EQ(o[0], parts_[1]);
  EXPECT_EQ(o[1], parts_[2]);
  EXPECT_EQ(o[2], parts_[1]);
  EXPECT_EQ(o[3], parts_[2]);
  // The end file stops at the segment's end; the start file at its start.
  EXPECT_EQ(fake_->Seeks()[0], 20000);
  // Leaving the highlight through the menu lets the book go on.
  fake_->pace = 10;
  ASSERT_TRUE(TickUntil([&] { return Playing() && AudioBookPlayThread().CurMs() > 25000; }));
  Tap(KEY_BOOKMARK);
  Tap(KEY_DOWN);
  Tap(KEY_DOWN);
  Tap(KEY_PLAY);
  EXPECT_FALSE(Top()->Segment().Active());
  EXPECT_EQ(AudioBookPlayThread().RepeatEnd(), -1);
}

TEST_F(AudioBookPlayerTest, BookmarkAddsThePositionText) {
  fake_->pace = 1;
  MakeBook({60000, 60000});
  ASSERT_EQ(CreateAudioBookPlayer(dir_.path().c_str(), "cur_file=1, cur_file_time=5"), 0);
  ASSERT_TRUE(TickUntil([&] { return Playing(); }));
  Tap(KEY_BOOKMARK);
  Tap(KEY_PLAY);  // add bookmark
  int idx = g_bookmark.Find(EM_BM_AUDIOBOOK, dir_.path().c_str());
  ASSERT_GE(idx, 0);
  auto* item = static_cast<AudioBookBmFileItem*>(g_bookmark.GetAt(idx));
  ASSERT_EQ(item->GetCount(), 1);
  EXPECT_STREQ(item->GetAt(0)->parameters, "cur_time=65, total_time=120, cur_file=1, cur_file_time=5");
}

TEST_F(AudioBookPlayerTest, SettingsMenuStopsAtTheEnds) {
  fake_->pace = 1;
  MakeBook({60000});
  ASSERT_EQ(CreateAudioBookPlayer(dir_.path().c_str(), nullptr), 0);
  ASSERT_TRUE(TickUntil([&] { return Playing(); }));
  Tap(KEY_MENU);  // speed
  Tap(KEY_UP);    // step (wraps)
  for (int i = 0; i < 10; ++i) Tap(KEY_RIGHT);
  Tap(KEY_PLAY);
  EXPECT_EQ(g_AudioBookSettings.step, 6);
  Tap(KEY_MENU);
  Tap(KEY_DOWN);  // wraps to speed
  Tap(KEY_DOWN);  // pitch
  for (int i = 0; i < 10; ++i) Tap(KEY_LEFT);
  Tap(KEY_PLAY);
  EXPECT_EQ(g_AudioBookSettings.pitch, -5);
  EXPECT_EQ(g_AudioBookSettings.speed, 0);
}

}  // namespace
