#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

#include "core/ui/window.h"
#include "media_fixture.h"
#include "players/audio_player.h"
#include "players/audiobook_player.h"
#include "players/audiobook_settings.h"
#include "players/music_settings.h"
#include "players/play_thread.h"
#include "positions/history.h"

namespace {

class Root : public iWindow {
 public:
  int OnKeyDown(int) override { return 0; }
  int OnKeyPress(int) override { return 0; }
  int OnRefresh() override { return 0; }
};

class MediaTest : public ::testing::Test {
 protected:
  void SetUp() override {
    rec_ = &SharedRecorder();
    rec_->Reset();
    rec_->pace = 0;
    if (g_TotalWindows == 0) AddWindow(new Root);
    CloseAllChildWindow();
    g_History.Clean();
    SetAudioSettingsToDefault();
    SetAudioBookSettingsToDefault();
    if (!MakeTone(dir_ / "probe.wav", 440, 0.1)) GTEST_SKIP() << "ffmpeg cannot make test tones";
    unlink((dir_ / "probe.wav").c_str());
  }
  void TearDown() override { CloseAllChildWindow(); }
  bool TickUntil(const std::function<bool()>& done, int maxMs = 20000) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(maxMs);
    while (std::chrono::steady_clock::now() < end) {
      if (done()) return true;
      WindowTick();
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return done();
  }
  void Tap(int code) {
    if (KeyDown(code) == 0) KeyPress(code);
    KeyUp(code);
  }
  DecoderRecorder* rec_ = nullptr;
  dtbtest::TempDir dir_;
};

std::vector<std::string> BaseNames(const std::vector<std::string>& paths) {
  std::vector<std::string> n;
  for (const auto& p : paths) n.push_back(p.substr(p.find_last_of('/') + 1));
  return n;
}

TEST_F(MediaTest, FolderPlaysEachToneInOrderSkipsADamagedFileAndWraps) {
  ASSERT_TRUE(MakeTone(dir_ / "1 first.wav", 440, 1.0));
  ASSERT_TRUE(MakeTone(dir_ / "2 second.mp3", 660, 1.0));
  dtbtest::WriteFile(dir_ / "3 damaged.mp3", std::string(5000, '\x55'));
  ASSERT_TRUE(MakeTone(dir_ / "4 fourth.flac", 880, 1.0, 22050, 1));
  dtbtest::WriteFile(dir_ / "readme.txt", "not music");
  g_AudioSettings.mode = PLAY_MODE_REPEAT_ALL;
  ASSERT_EQ(CreateAudioPlayer(dir_.path().c_str(), "1 first.wav", -1, -1), 0);
  ASSERT_TRUE(TickUntil([&] { return rec_->Opened().size() >= 4 && rec_->Out().size() > 150000; }));
  EXPECT_EQ(BaseNames(rec_->Opened()),
            (std::vector<std::string>{"1 first.wav", "2 second.mp3", "4 fourth.flac", "1 first.wav"}));
  Tap(KEY_BACK);
  // The recorder keeps what the card got: 440, 660 and 880 Hz, a second each
  // (the last one at its own rate of 22050 Hz), then 440 again.
  std::vector<short> out = rec_->Out();
  ASSERT_GT(out.size(), 44100u * 2 + 22050u);
  const std::vector<double> tones = {440, 660, 880};
  EXPECT_EQ(DominantTone(out, 4410, 40000, 44100, tones), 440);
  EXPECT_EQ(DominantTone(out, 44100 + 4410, 44100 + 40000, 44100, tones), 660);
  EXPECT_EQ(DominantTone(out, 88200 + 2205, 88200 + 20000, 22050, tones), 880);
  EXPECT_EQ(DominantTone(out, 88200 + 22050 + 4410, 88200 + 22050 + 30000, 44100, tones), 440);
}

// One play of a file on a fresh thread with the given effects; the mono output.
std::vector<short> PlayOnce(const std::string& path, PlayEffects fx, int* rate) {
  DecoderRecorder& rec = SharedRecorder();
  rec.Reset();
  PlayThread t(PlayThread::kMusic, [fx] { return fx; });
  EXPECT_EQ(t.Start(&rec), 0);
  EXPECT_EQ(t.CmdOpen(path), 0);
  for (int i = 0; i < 5000 && t.State() != PLAY_STATE_PAUSED; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  EXPECT_EQ(t.CmdPlay(), 0);
  for (int i = 0; i < 20000 && t.State() != PLAY_STATE_ENDED; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  EXPECT_EQ(t.State(), PLAY_STATE_ENDED);
  t.CmdStop();
  *rate = rec.Rate();
  return rec.Out();
}

TEST_F(MediaTest, SpeedTwoShortensTheOutputAndKeepsThePitch) {
  ASSERT_TRUE(MakeTone(dir_ / "tone.mp3", 1000, 10.0));
  int rate = 0;
  std::vector<short> normal = PlayOnce(dir_ / "tone.mp3", {0, 0, 0}, &rate);
  std::vector<short> fast = PlayOnce(dir_ / "tone.mp3", {2, 0, 0}, &rate);
  ASSERT_EQ(rate, 44100);
  const double ratio = double(normal.size()) / fast.size();
  EXPECT_NEAR(ratio, 1.2, 0.03);
  EXPECT_NEAR(ZeroCrossingHz(fast, 44100, fast.size() - 44100, rate), 1000, 10);
  // Pitch alone keeps the length and moves the tone.
  std::vector<short> high = PlayOnce(dir_ / "tone.mp3", {0, 3, 0}, &rate);
  EXPECT_NEAR(double(high.size()) / normal.size(), 1.0, 0.03);
  EXPECT_NEAR(ZeroCrossingHz(high, 44100, high.size() - 44100, rate), 1000 * std::pow(2, 3 / 12.0), 15);
}

TEST_F(MediaTest, RockChangesTheSpectrumAndIsOffWhileTheSpeedIsChanged) {
  std::string path = dir_ / "mix.wav";
  std::string cmd = "ffmpeg -nostdin -v error -y -f lavfi -i "
                    "'aevalsrc=0.3*sin(2*PI*500*t)+0.3*sin(2*PI*8000*t):s=44100:d=3' '" + path + "'";
  ASSERT_EQ(system(cmd.c_str()), 0);
  int rate = 0;
  auto balance = [&](const std::vector<short>& s) {
    return TonePower(s, 22050, s.size() - 22050, rate, 8000) / TonePower(s, 22050, s.size() - 22050, rate, 500);
  };
  const double flat = balance(PlayOnce(path, {0, 0, 0}, &rate));
  const double rock = balance(PlayOnce(path, {0, 0, 2}, &rate));
  EXPECT_NEAR(flat, 1.0, 0.1);
  // +4 dB against -2 dB is four times the power; the neighbouring bands blur it.
  EXPECT_GT(rock / flat, 2.5);
  // At another speed the time stretching shapes the spectrum its own way;
  // with the equalizer off, Rock makes no difference to it.
  const double fast = balance(PlayOnce(path, {2, 0, 0}, &rate));
  const double rockFast = balance(PlayOnce(path, {2, 0, 2}, &rate));
  EXPECT_NEAR(rockFast / fast, 1.0, 0.05);
}

TEST_F(MediaTest, AudioBookStepsBackAcrossAFileAndResumesThere) {
  const std::vector<double> tones = {300, 600, 900};
  for (int i = 0; i < 3; ++i)
    ASSERT_TRUE(MakeTone(dir_ / ("part" + std::to_string(i + 1) + ".mp3"), tones[i], 60.0));
  rec_->pace = 1;
  g_AudioBookSettings.step = 1;  // 30 s
  ASSERT_EQ(CreateAudioBookPlayer(dir_.path().c_str(), "cur_file=1, cur_file_time=10"), 0);
  auto* book = dynamic_cast<AudioBookPlayer*>(CurWindow());
  ASSERT_NE(book, nullptr);
  EXPECT_NEAR(book->GetCurTimeInfo().totalSec, 180, 1);
  ASSERT_TRUE(TickUntil([&] { return AudioBookPlayThread().State() == PLAY_STATE_PLAYING; }));
  ASSERT_TRUE(TickUntil([&] { return !rec_->Out().empty(); }));
  rec_->Reset();
  Tap(KEY_LEFT);
  ASSERT_TRUE(TickUntil([&] { return AudioBookPlayThread().State() == PLAY_STATE_PLAYING; }));
  ASSERT_TRUE(TickUntil([&] { return rec_->Out().size() > 16000u; }));
  EXPECT_EQ(book->CurFile(), 0);
  ASSERT_FALSE(rec_->Seeks().empty());
  EXPECT_EQ(rec_->Seeks().back(), 40000);
  std::vector<short> out = rec_->Out();
  ASSERT_GT(out.size(), 8000u);
  EXPECT_EQ(DominantTone(out, out.size() - 8000, out.size(), 44100, tones), 300);
  Tap(KEY_BACK);
  int h = g_History.Find(EM_HISTORY_AUDIOBOOK, dir_.path().c_str());
  ASSERT_GE(h, 0);
  const std::string text = g_History.GetAt(h)->text;
  EXPECT_NE(text.find("cur_file=0, cur_file_time=40"), std::string::npos) << text;
  rec_->Reset();
  ASSERT_EQ(CreateAudioBookPlayer(dir_.path().c_str(), text.c_str()), 0);
  ASSERT_TRUE(TickUntil([&] { return AudioBookPlayThread().State() == PLAY_STATE_PLAYING; }));
  EXPECT_EQ(BaseNames(rec_->Opened()).front(), "part1.mp3");
  EXPECT_EQ(rec_->Seeks().front(), 40000);
}

TEST_F(MediaTest, EveryCorpusAudioFilePlaysOrIsSkipped) {
  DTB_REQUIRE_CORPUS(folder, "audio");
  g_AudioSettings.mode = PLAY_MODE_NORMAL;
  ASSERT_EQ(CreateAudioPlayer(folder.c_str(), "kolibre_dtb_10s.mp3", -1, -1), 0);
  auto* w = dynamic_cast<AudioPlayer*>(CurWindow());
  ASSERT_NE(w, nullptr);
  const int total = w->Total();
  EXPECT_EQ(total, 16);  // the Opus file is not an audio extension of the player
  ASSERT_TRUE(TickUntil([&] { return g_TotalWindows == 1; }, 60000));
  // Started at the kolibre MP3 and played to the end of the list in order.
  std::vector<std::string> opened = BaseNames(rec_->Opened());
  ASSERT_FALSE(opened.empty());
  EXPECT_EQ(opened.front(), "kolibre_dtb_10s.mp3");
  EXPECT_EQ(opened.back(), "tika_testWMA.wma");
  EXPECT_GT(rec_->Out().size(), 44100u * 20);
}

TEST_F(MediaTest, CorpusPlayListPlaysItsEntries) {
  DTB_REQUIRE_CORPUS(folder, "playlists/mopidy");
  g_AudioSettings.mode = PLAY_MODE_NORMAL;
  ASSERT_EQ(CreateAudioPlayer(folder.c_str(), "two-ext.m3u", -1, -1), 0);
  ASSERT_TRUE(TickUntil([&] { return g_TotalWindows == 1; }));
  EXPECT_EQ(BaseNames(rec_->Opened()), (std::vector<std::string>{"song1.mp3", "song2.mp3"}));
}

}  // namespace
