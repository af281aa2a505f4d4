#include "players/audio_player.h"

#include <gtest/gtest.h>

#include "browser/dir_info.h"
#include "core/ui/system_settings.h"
#include "players/play_thread.h"
#include "players/kit/player_common.h"
#include "platform/board.h"
#include "speech/tts.h"
#include "speech/tts_output.h"
#include "speech/ux_language.h"
#include "window_fixture.h"

namespace {

using AudioPlayerTest = PlayerWindowTest;

AudioPlayer* Top() { return dynamic_cast<AudioPlayer*>(CurWindow()); }

std::vector<std::string> Names(const std::vector<std::string>& paths) {
  std::vector<std::string> n;
  for (const auto& p : paths) n.push_back(p.substr(p.find_last_of('/') + 1));
  return n;
}

TEST_F(AudioPlayerTest, FolderPlaysInOrderAndRepeatAllWraps) {
  AddFile("track10.mp3", 300);
  AddFile("track2.mp3", 300);
  AddFile("Track1.mp3", 300);
  dtbtest::WriteFile(dir_ / "notes.txt", "text");
  g_AudioSettings.mode = PLAY_MODE_REPEAT_ALL;
  ASSERT_EQ(CreateAudioPlayer(dir_.path().c_str(), "track1.mp3", -1, -1), 0);
  ASSERT_NE(Top(), nullptr);
  EXPECT_EQ(Top()->Total(), 3);
  ASSERT_TRUE(TickUntil([&] { return fake_->Opened().size() >= 4; }));
  auto order = Names(fake_->Opened());
  // The browser's logical order: track1, track2, track10.
  EXPECT_EQ(order[0], "Track1.mp3");
  EXPECT_EQ(order[1], "track2.mp3");
  EXPECT_EQ(order[2], "track10.mp3");
  EXPECT_EQ(order[3], "Track1.mp3");
  // A finished file is remembered at its start.
  int h = g_History.Find(EM_HISTORY_MUSIC, (dir_ / "track2.mp3").c_str());
  ASSERT_GE(h, 0);
  EXPECT_EQ(g_History.GetAt(h)->ms, 0);
}

TEST_F(AudioPlayerTest, ClosingSelectsTheFileInTheBrowsersListing) {
  AddFile("one.mp3", 60000);
  AddFile("two.mp3", 60000);
  dtbtest::WriteFile(dir_ / "zz.txt", "x");
  ASSERT_EQ(g_DirInfo.LoadDir(dir_.path().c_str()), 0);
  g_DirInfo.SetCurSel(g_DirInfo.Find("zz.txt"));
  fake_->pace = 1;
  g_AudioSettings.navMode = NAV_FILE;
  ASSERT_EQ(CreateAudioPlayer(dir_.path().c_str(), "one.mp3", -1, -1), 0);
  ASSERT_TRUE(TickUntil([&] { return MusicPlayThread().State() == PLAY_STATE_PLAYING; }));
  Tap(KEY_RIGHT);
  ASSERT_TRUE(TickUntil([&] { return MusicPlayThread().State() == PLAY_STATE_PLAYING; }));
  KeyDown(KEY_BACK);
  EXPECT_STREQ(g_DirInfo.GetCurSelName(), "two.mp3");
}

TEST_F(AudioPlayerTest, NormalModeClosesAfterTheLastFile) {
  AddFile("a.mp3", 200);
  AddFile("b.mp3", 200);
  g_AudioSettings.mode = PLAY_MODE_NORMAL;
  ASSERT_EQ(CreateAudioPlayer(dir_.path().c_str(), "a.mp3", -1, -1), 0);
  ASSERT_TRUE(TickUntil([&] { return g_TotalWindows == 1; }));
  EXPECT_EQ(Names(fake_->Opened()), (std::vector<std::string>{"a.mp3", "b.mp3"}));
  EXPECT_EQ(MusicPlayThread().State(), PLAY_STATE_IDLE);
}

TEST_F(AudioPlayerTest, ADamagedFileIsSkippedAndPlaybackGoesOn) {
  AddFile("1.mp3", 200);
  AddBrokenFile("2.mp3");
  AddFile("3.mp3", 200);
  g_AudioSettings.mode = PLAY_MODE_NORMAL;
  ASSERT_EQ(CreateAudioPlayer(dir_.path().c_str(), "1.mp3", -1, -1), 0);
  ASSERT_TRUE(TickUntil([&] { return g_TotalWindows == 1; }));
  EXPECT_EQ(Names(fake_->Opened()), (std::vector<std::string>{"1.mp3", "3.mp3"}));
  // Every file damaged: the player stays and waits instead of spinning.
  fake_->Reset();
  g_AudioSettings.mode = PLAY_MODE_REPEAT_ALL;
  fake_->files.clear();
  ASSERT_EQ(CreateAudioPlayer(dir_.path().c_str(), "2.mp3", -1, -1), 0);
  TickUntil([] { return false; }, 300);
  EXPECT_EQ(g_TotalWindows, 2);
  EXPECT_EQ(MusicPlayThread().State(), PLAY_STATE_IDLE);
  EXPECT_TRUE(fake_->Opened().empty());
}

TEST_F(AudioPlayerTest, PlayListEntriesAreTheList) {
  AddFile("x.mp3", 200);
  AddFile("y.mp3", 200);
  dtbtest::WriteFile(dir_ / "list.m3u", "#EXTM3U\r\ny.mp3\r\nmissing.mp3\r\nx.mp3\r\n");
  g_AudioSettings.mode = PLAY_MODE_NORMAL;
  ASSERT_EQ(CreateAudioPlayer(dir_.path().c_str(), "list.m3u", -1, -1), 0);
  EXPECT_EQ(Top()->Total(), 3);
  ASSERT_TRUE(TickUntil([&] { return g_TotalWindows == 1; }));
  EXPECT_EQ(Names(fake_->Opened()), (std::vector<std::string>{"y.mp3", "x.mp3"}));
}

TEST_F(AudioPlayerTest, ResumesFromTheHistoryAndStoresThePositionOnBack) {
  fake_->pace = 1;
  std::string song = AddFile("song.mp3", 60000);
  g_History.AddMusic(song.c_str(), 42000);
  ASSERT_EQ(CreateAudioPlayer(dir_.path().c_str(), "song.mp3", -1, -1), 0);
  ASSERT_TRUE(TickUntil([&] { return MusicPlayThread().State() == PLAY_STATE_PLAYING; }));
  EXPECT_EQ(fake_->Seeks().front(), 42000);
  ASSERT_TRUE(TickUntil([&] { return fake_->CurMs() >= 42300; }));
  KeyDown(KEY_BACK);
  EXPECT_EQ(g_TotalWindows, 1);
  int h = g_History.Find(EM_HISTORY_MUSIC, song.c_str());
  ASSERT_EQ(h, 0);
  EXPECT_GE(g_History.GetAt(h)->ms, 42200);
  EXPECT_LT(g_History.GetAt(h)->ms, 44000);
  // Without resuming, the file starts from its beginning.
  g_SystemSettings.music_resume_play = false;
  fake_->Reset();
  ASSERT_EQ(CreateAudioPlayer(dir_.path().c_str(), "song.mp3", -1, -1), 0);
  ASSERT_TRUE(TickUntil([&] { return MusicPlayThread().State() == PLAY_STATE_PLAYING; }));
  EXPECT_TRUE(fake_->Seeks().empty());
  g_SystemSettings.music_resume_play = true;
}

TEST_F(AudioPlayerTest, TimeStepsAndAStepPastTheEndEndsTheFile) {
  fake_->pace = 1;
  AddFile("long.mp3", 40 * 60000);
  g_AudioSettings.mode = PLAY_MODE_SINGLE;
  ASSERT_EQ(CreateAudioPlayer(dir_.path().c_str(), "long.mp3", 600000, -1), 0);
  ASSERT_TRUE(TickUntil([&] { return MusicPlayThread().State() == PLAY_STATE_PLAYING; }));
  g_AudioSettings.navMode = NAV_1_MINUTE;
  Tap(KEY_LEFT);
  auto seeks = fake_->Seeks();
  EXPECT_EQ(seeks.back(), 540000);
  g_AudioSettings.navMode = NAV_1_HOUR;
  Tap(KEY_RIGHT);
  EXPECT_EQ(fake_->Seeks().back(), 540000 + 3600000);
  ASSERT_TRUE(TickUntil([&] { return MusicPlayThread().State() == PLAY_STATE_ENDED; }));
}

TEST_F(AudioPlayerTest, BookmarkStepBackSkipsABookmarkJustBehind) {
  fake_->pace = 1;
  std::string song = AddFile("bm.mp3", 120000);
  g_bookmark.AddMusic(song.c_str(), 10000, -1);
  g_bookmark.AddMusic(song.c_str(), 20000, -1);
  ASSERT_EQ(CreateAudioPlayer(dir_.path().c_str(), "bm.mp3", 21500, -1), 0);
  ASSERT_TRUE(TickUntil([&] { return MusicPlayThread().State() == PLAY_STATE_PLAYING; }));
  g_AudioSettings.navMode = NAV_BOOKMARK;
  Tap(KEY_LEFT);
  EXPECT_EQ(fake_->Seeks().back(), 10000);
  Tap(KEY_RIGHT);
  EXPECT_EQ(fake_->Seeks().back(), 20000);
  Tap(KEY_LEFT);  // 20 s: nothing earlier than 18 s but the first
  EXPECT_EQ(fake_->Seeks().back(), 10000);
  Tap(KEY_LEFT);  // before the first bookmark: the beginning
  EXPECT_EQ(fake_->Seeks().back(), 0);
}

TEST_F(AudioPlayerTest, HighlightShorterThanASecondIsStoredAsOneSecond) {
  int s = 10000, e = 10400;
  NormalizeHighlight(&s, &e);
  EXPECT_EQ(s, 10000);
  EXPECT_EQ(e, 11000);
  s = 30700, e = 12200;  // marked backwards
  NormalizeHighlight(&s, &e);
  EXPECT_EQ(s, 12000);
  EXPECT_EQ(e, 30000);

  fake_->pace = 1;
  std::string song = AddFile("hl.mp3", 60000);
  ASSERT_EQ(CreateAudioPlayer(dir_.path().c_str(), "hl.mp3", 10000, -1), 0);
  ASSERT_TRUE(TickUntil([&] { return MusicPlayThread().State() == PLAY_STATE_PLAYING; }));
  // Bookmark menu, third item (highlight), mark the start.
  Tap(KEY_BOOKMARK);
  Tap(KEY_DOWN);
  Tap(KEY_DOWN);
  Tap(KEY_PLAY);
  ASSERT_TRUE(TickUntil([&] { return MusicPlayThread().State() == PLAY_STATE_PLAYING; }));
  std::this_thread::sleep_for(std::chrono::milliseconds(400));
  Tap(KEY_BOOKMARK);  // opens at the highlight item again
  Tap(KEY_PLAY);
  int idx = g_bookmark.Find(EM_BM_MUSIC, song.c_str());
  ASSERT_GE(idx, 0);
  auto* item = static_cast<MusicBmFileItem*>(g_bookmark.GetAt(idx));
  ASSERT_EQ(item->GetCount(), 1);
  EXPECT_EQ(item->GetAt(0)->startMs, 10000);
  EXPECT_EQ(item->GetAt(0)->endMs, 11000);
  EXPECT_EQ(MusicPlayThread().RepeatStart(), 10000);
  EXPECT_EQ(MusicPlayThread().RepeatEnd(), 11000);
}

TEST_F(AudioPlayerTest, SettingsMenuClampsAndAppliesOnPlay) {
  AddFile("s.mp3", 60000);
  fake_->pace = 1;
  ASSERT_EQ(CreateAudioPlayer(dir_.path().c_str(), "s.mp3", -1, -1), 0);
  ASSERT_TRUE(TickUntil([&] { return MusicPlayThread().State() == PLAY_STATE_PLAYING; }));
  Tap(KEY_MENU);  // play mode
  EXPECT_EQ(MusicPlayThread().State(), PLAY_STATE_PAUSED);
  Tap(KEY_DOWN);  // equalizer
  Tap(KEY_DOWN);  // speed
  for (int i = 0; i < 40; ++i) Tap(KEY_RIGHT);
  EXPECT_EQ(g_AudioSettings.speed, 0);  // not applied yet
  Tap(KEY_PLAY);
  EXPECT_EQ(g_AudioSettings.speed, 30);
  Tap(KEY_MENU);  // reopens at speed
  for (int i = 0; i < 50; ++i) Tap(KEY_LEFT);
  Tap(KEY_PLAY);
  EXPECT_EQ(g_AudioSettings.speed, -10);
  Tap(KEY_MENU);
  Tap(KEY_UP);  // equalizer
  Tap(KEY_LEFT);  // wraps from Normal to Classical
  Tap(KEY_BACK);  // leaves without applying
  EXPECT_EQ(g_AudioSettings.equalizer, 0);
  ASSERT_TRUE(TickUntil([&] { return MusicPlayThread().State() == PLAY_STATE_PLAYING; }));
}

TEST_F(AudioPlayerTest, FileStepsWrapAndRememberTheFileLeft) {
  fake_->pace = 1;
  std::string a = AddFile("a.mp3", 60000);
  AddFile("b.mp3", 60000);
  g_AudioSettings.navMode = NAV_FILE;
  ASSERT_EQ(CreateAudioPlayer(dir_.path().c_str(), "a.mp3", -1, -1), 0);
  ASSERT_TRUE(TickUntil([&] { return MusicPlayThread().State() == PLAY_STATE_PLAYING; }));
  ASSERT_TRUE(TickUntil([&] { return fake_->CurMs() >= 1100; }));
  Tap(KEY_LEFT);  // from the first to the last
  ASSERT_TRUE(TickUntil([&] { return MusicPlayThread().State() == PLAY_STATE_PLAYING; }));
  EXPECT_EQ(Top()->Cur(), 1);
  int h = g_History.Find(EM_HISTORY_MUSIC, a.c_str());
  ASSERT_GE(h, 0);
  EXPECT_GE(g_History.GetAt(h)->ms, 1000);
  Tap(KEY_RIGHT);  // from the last to the first, resuming where it was left
  ASSERT_TRUE(TickUntil([&] { return MusicPlayThread().State() == PLAY_STATE_PLAYING; }));
  EXPECT_EQ(Top()->Cur(), 0);
  EXPECT_GE(fake_->Seeks().back(), 1000);
}

}  // namespace

namespace {

// Only the speech's voices come from the device root.
class VoicesBoard final : public board::Board {
 public:
  explicit VoicesBoard(std::string root) : root_(std::move(root)) {}
  std::string Path(const std::string& p) override {
    return p.compare(0, 6, "/home/") == 0 ? root_ + p : p;
  }
  int System(const std::string&) override { return 0; }
  time_t Now() override { return time(nullptr); }
  void Transcript(const char*, const std::string&) override {}
  int IsMountPoint(const std::string&) override { return 0; }

 private:
  std::string root_;
};

// System speech and the play thread share the sound card: a step taken
// while the speech speaks plays only once it has finished.
TEST_F(AudioPlayerTest, AStepTakenWhileSpeechSpeaksWaitsForIt) {
  board::Install(std::make_unique<VoicesBoard>(DTB_BINARY_DIR));
  // Speech heard nowhere, at the pace of a card, so that it lasts.
  RecordingSink<> speech;
  speech.keep = false;
  speech.pace = 1;
  SoundSink* old = SetTtsOutput(&speech);
  ASSERT_EQ(SysTts_Init(), 0);
  g_pUxLanguage = GetUxLanguage(UX_LANGUAGE_ENGLISH);
  fake_->pace = 1;
  AddFile("long.mp3", 40 * 60000);
  ASSERT_EQ(CreateAudioPlayer(dir_.path().c_str(), "long.mp3", -1, -1), 0);
  ASSERT_TRUE(TickUntil([&] { return MusicPlayThread().State() == PLAY_STATE_PLAYING; }));
  g_AudioSettings.navMode = NAV_1_MINUTE;
  KeyDown(KEY_RIGHT);
  KeyPress(KEY_RIGHT);
  KeyDown(KEY_DOWN);  // the next unit, spoken
  ASSERT_GT(SysTts_CheckRunning(), 0);
  KeyUp(KEY_RIGHT);  // the step
  while (SysTts_CheckRunning() > 0) {
    EXPECT_NE(MusicPlayThread().State(), PLAY_STATE_PLAYING);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  EXPECT_TRUE(TickUntil([&] { return MusicPlayThread().State() == PLAY_STATE_PLAYING; }));
  SysTts_Stop();
  SetTtsOutput(old);
  board::Install(nullptr);
}

}  // namespace
