#include "players/play_thread.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <thread>

#include "fake_backend.h"
#include "play_thread_contract.h"

namespace {

bool WaitState(PlayThread& t, int state, int ms = 5000) {
  for (int i = 0; i < ms; ++i) {
    if (t.State() == state) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return false;
}

// Zero crossings per second of a mono signal: twice its frequency.
double ToneHz(const std::vector<short>& s, int rate, size_t from, size_t to) {
  int crossings = 0;
  for (size_t i = from + 1; i < to; ++i) {
    if ((s[i - 1] < 0) != (s[i] < 0)) ++crossings;
  }
  return crossings / 2.0 / (double(to - from) / rate);
}

// The music thread on the scripted decoder.
struct MusicDriver {
  FakeBackend be;
  PlayThread t{PlayThread::kMusic, [] { return PlayEffects(); }};
  int missingError = -3;
  int openedState = PLAY_STATE_PAUSED;
  MusicDriver() {
    be.files["/short.mp3"] = {8000, 1, 500, 440};
    be.files["/long.mp3"] = {8000, 2, 600000, 440};
    EXPECT_EQ(t.Start(&be), 0);
  }
  bool Ready() { return true; }
  PlayThreadBase& Thread() { return t; }
  int OpenShort() { return t.CmdOpen("/short.mp3"); }
  int OpenLong() { return t.CmdOpen("/long.mp3"); }
  int OpenMissing() { return t.CmdOpen("/missing.mp3"); }
  size_t Written() { return be.WrittenFrames(); }
};

using MusicThread = ::testing::Types<MusicDriver>;
INSTANTIATE_TYPED_TEST_SUITE_P(MusicThread, PlayThreadContract, MusicThread);

class PlayThreadTest : public ::testing::Test {
 protected:
  PlayEffects fx_;
  FakeBackend be_;
  std::unique_ptr<PlayThread> Make(PlayThread::Flavour f) {
    auto t = std::make_unique<PlayThread>(f, [this] { return fx_; });
    EXPECT_EQ(t->Start(&be_), 0);
    return t;
  }
};

TEST_F(PlayThreadTest, OpenPlayEndStopCycle) {
  be_.files["/a.mp3"] = {8000, 1, 2000, 500};
  auto t = Make(PlayThread::kMusic);
  ASSERT_EQ(t->CmdOpen("/a.mp3"), 0);
  ASSERT_TRUE(WaitState(*t, PLAY_STATE_PAUSED));
  EXPECT_EQ(t->TotalMs(), 2000);
  ASSERT_EQ(t->CmdPlay(), 0);
  ASSERT_TRUE(WaitState(*t, PLAY_STATE_ENDED));
  EXPECT_EQ(be_.WrittenFrames(), 16000u);
  EXPECT_EQ(t->CurMs(), 2000);
  EXPECT_EQ(be_.cardRate, 8000);
  EXPECT_EQ(be_.cardChannels, 1);
  // Replaying from the end: seek back and play again.
  t->Seek(0, 0);
  ASSERT_EQ(t->CmdPlay(), 0);
  ASSERT_TRUE(WaitState(*t, PLAY_STATE_ENDED));
  EXPECT_EQ(be_.WrittenFrames(), 32000u);
  ASSERT_EQ(t->CmdStop(), 0);
  EXPECT_EQ(t->State(), PLAY_STATE_IDLE);
}

TEST_F(PlayThreadTest, PauseHoldsThePositionAndPlayGoesOn) {
  be_.files["/long.mp3"] = {8000, 2, 600000, 440};
  auto t = Make(PlayThread::kMusic);
  ASSERT_EQ(t->CmdOpen("/long.mp3"), 0);
  ASSERT_TRUE(WaitState(*t, PLAY_STATE_PAUSED));
  ASSERT_EQ(t->CmdPlay(), 0);
  while (be_.WrittenFrames() < 8000) std::this_thread::yield();
  ASSERT_EQ(t->CmdPause(), 0);
  size_t frames = be_.WrittenFrames();
  int at = t->CurMs();
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  EXPECT_EQ(t->CurMs(), at);
  EXPECT_EQ(be_.cardChannels, 2);
  ASSERT_EQ(t->CmdPlay(), 0);
  ASSERT_EQ(t->CmdStop(), 0);  // stop while playing
  EXPECT_EQ(t->State(), PLAY_STATE_IDLE);
  EXPECT_GT(be_.WrittenFrames(), frames);
}

TEST_F(PlayThreadTest, SpeedTwoShortensTheOutputAndKeepsThePitch) {
  be_.files["/tone.wav"] = {16000, 1, 10000, 1000};
  fx_.speed = 2;  // 20 % faster
  fx_.equalizer = 2;  // must not be applied while the speed is changed
  auto t = Make(PlayThread::kMusic);
  ASSERT_EQ(t->CmdOpen("/tone.wav"), 0);
  ASSERT_TRUE(WaitState(*t, PLAY_STATE_PAUSED));
  ASSERT_EQ(t->CmdPlay(), 0);
  ASSERT_TRUE(WaitState(*t, PLAY_STATE_ENDED));
  std::vector<short> out = be_.Written();
  const double seconds = out.size() / 16000.0;
  EXPECT_NEAR(seconds, 10.0 / 1.2, 0.25);
  EXPECT_NEAR(ToneHz(out, 16000, 16000, out.size() - 16000), 1000, 15);
}

TEST_F(PlayThreadTest, PitchRaisesTheToneWithoutChangingTheLength) {
  be_.files["/tone.wav"] = {16000, 1, 6000, 500};
  fx_.pitch = 5;  // five semitones: x1.335
  auto t = Make(PlayThread::kMusic);
  ASSERT_EQ(t->CmdOpen("/tone.wav"), 0);
  ASSERT_TRUE(WaitState(*t, PLAY_STATE_PAUSED));
  ASSERT_EQ(t->CmdPlay(), 0);
  ASSERT_TRUE(WaitState(*t, PLAY_STATE_ENDED));
  std::vector<short> out = be_.Written();
  EXPECT_NEAR(out.size() / 16000.0, 6.0, 0.2);
  EXPECT_NEAR(ToneHz(out, 16000, 16000, out.size() - 16000), 500 * std::pow(2, 5 / 12.0), 12);
}

// RMS of the second half of what one play of `path` wrote.
double PlayedRms(PlayThread& t, FakeBackend& be, const char* path) {
  be.ClearWritten();
  EXPECT_EQ(t.CmdOpen(path), 0);
  EXPECT_TRUE(WaitState(t, PLAY_STATE_PAUSED));
  EXPECT_EQ(t.CmdPlay(), 0);
  EXPECT_TRUE(WaitState(t, PLAY_STATE_ENDED));
  EXPECT_EQ(t.CmdStop(), 0);
  std::vector<short> out = be.Written();
  double sum = 0;
  for (size_t i = out.size() / 2; i < out.size(); ++i) sum += double(out[i]) * out[i];
  return std::sqrt(sum / (out.size() - out.size() / 2));
}

TEST_F(PlayThreadTest, EqualizerAppliesOnlyAtNormalSpeed) {
  be_.files["/hi.wav"] = {44100, 1, 1000, 8000};
  be_.files["/mid.wav"] = {44100, 1, 1000, 500};
  auto t = Make(PlayThread::kMusic);
  fx_.equalizer = 0;
  const double flat = PlayedRms(*t, be_, "/hi.wav") / PlayedRms(*t, be_, "/mid.wav");
  EXPECT_NEAR(flat, 1.0, 0.01);
  fx_.equalizer = 2;  // Rock: +4 dB at 8 kHz, -2 dB at 500 Hz
  const double rock = PlayedRms(*t, be_, "/hi.wav") / PlayedRms(*t, be_, "/mid.wav");
  EXPECT_GT(rock, 1.6);
  fx_.speed = 1;  // the equalizer is off while the speed is changed
  const double fast = PlayedRms(*t, be_, "/hi.wav") / PlayedRms(*t, be_, "/mid.wav");
  EXPECT_NEAR(fast, 1.0, 0.1);
}

TEST_F(PlayThreadTest, AbRepeatLoopsUntilCleared) {
  be_.files["/ab.wav"] = {8000, 1, 60000, 440};
  auto t = Make(PlayThread::kMusic);
  ASSERT_EQ(t->CmdOpen("/ab.wav"), 0);
  ASSERT_TRUE(WaitState(*t, PLAY_STATE_PAUSED));
  t->SetRepeat(2000, 3000);
  t->Seek(2000, 0);
  ASSERT_EQ(t->CmdPlay(), 0);
  while (be_.WrittenFrames() < 8000 * 5) std::this_thread::yield();
  ASSERT_EQ(t->CmdPause(), 0);
  EXPECT_GE(t->CurMs(), 2000);
  EXPECT_LE(t->CurMs(), 3300);
  int loops = 0;
  for (size_t i = 1; i < be_.seeks.size(); ++i) loops += be_.seeks[i] == 2000;
  EXPECT_GE(loops, 3);
  t->SetRepeat(-1, -1);
  ASSERT_EQ(t->CmdPlay(), 0);
  while (t->CurMs() < 5000) std::this_thread::yield();
  ASSERT_EQ(t->CmdStop(), 0);
}

TEST_F(PlayThreadTest, BookStopPointEndsTheFile) {
  be_.files["/part.mp3"] = {8000, 1, 60000, 440};
  auto t = Make(PlayThread::kBook);
  t->SetRepeat(-1, 1500);
  ASSERT_EQ(t->CmdOpen("/part.mp3"), 0);
  ASSERT_TRUE(WaitState(*t, PLAY_STATE_PAUSED));
  ASSERT_EQ(t->CmdPlay(), 0);
  ASSERT_TRUE(WaitState(*t, PLAY_STATE_ENDED));
  EXPECT_GE(t->CurMs(), 1500);
  EXPECT_LT(t->CurMs(), 2100);
  EXPECT_NEAR(double(be_.WrittenFrames()), 1500 * 8.0, 600);
}

TEST_F(PlayThreadTest, FastForwardAndRewindMoveQuickly) {
  be_.files["/ff.wav"] = {8000, 1, 40000, 440};
  auto t = Make(PlayThread::kMusic);
  ASSERT_EQ(t->CmdOpen("/ff.wav"), 0);
  ASSERT_TRUE(WaitState(*t, PLAY_STATE_PAUSED));
  ASSERT_EQ(t->CmdPlay(FAST_FORWARD), 0);
  ASSERT_TRUE(WaitState(*t, PLAY_STATE_ENDED));
  // Eight times the tempo: 40 s of file in about 5 s of sound.
  EXPECT_NEAR(be_.WrittenFrames() / 8000.0, 5.0, 0.5);

  t->Seek(30000, 0);
  size_t before = be_.WrittenFrames();
  size_t seeksBefore = be_.seeks.size();
  ASSERT_EQ(t->CmdPlay(FAST_REWIND), 0);
  while (t->CurMs() > 12000) std::this_thread::yield();
  ASSERT_EQ(t->CmdPause(), 0);
  // Every step goes back 5 s and plays one second at eight times the tempo:
  // about an eighth of a second of sound per step.
  const size_t steps = be_.seeks.size() - seeksBefore;
  ASSERT_GE(steps, 4u);
  EXPECT_EQ(be_.seeks[seeksBefore], 25000);
  EXPECT_EQ(be_.seeks[seeksBefore + 1], 21000);
  const double perStep = double(be_.WrittenFrames() - before) / steps;
  EXPECT_GT(perStep, 600);
  EXPECT_LT(perStep, 1400);
}

TEST_F(PlayThreadTest, HighRatesAreHalved) {
  be_.files["/hires.flac"] = {192000, 2, 1000, 1000};
  auto t = Make(PlayThread::kMusic);
  ASSERT_EQ(t->CmdOpen("/hires.flac"), 0);
  ASSERT_TRUE(WaitState(*t, PLAY_STATE_PAUSED));
  ASSERT_EQ(t->CmdPlay(), 0);
  ASSERT_TRUE(WaitState(*t, PLAY_STATE_ENDED));
  EXPECT_EQ(be_.cardRate, 96000);
  EXPECT_EQ(be_.WrittenFrames(), 96000u);
  std::vector<short> out = be_.Written(), left;
  for (size_t i = 0; i < out.size(); i += 2) left.push_back(out[i]);
  EXPECT_NEAR(ToneHz(left, 96000, 0, left.size()), 1000, 5);
}

TEST_F(PlayThreadTest, AnotherStreamPlaysInItsOwnFormat) {
  be_.files["/two.mkv"] = {8000, 1, 600000, 500};
  be_.otherStreams = {{16000, 2, 600000, 1000}};
  auto t = Make(PlayThread::kMusic);
  ASSERT_EQ(t->CmdOpen("/two.mkv"), 0);
  ASSERT_TRUE(WaitState(*t, PLAY_STATE_PAUSED));
  ASSERT_EQ(t->CmdPlay(), 0);
  while (be_.WrittenFrames() < 4000) std::this_thread::yield();
  ASSERT_EQ(t->CmdPause(), 0);
  ASSERT_EQ(be_.SelectStream(1), 0);
  const size_t before = be_.Written().size();
  ASSERT_EQ(t->CmdPlay(), 0);
  while (be_.Written().size() < before + 40000) std::this_thread::yield();
  ASSERT_EQ(t->CmdStop(), 0);
  EXPECT_EQ(be_.cardRate, 16000);
  EXPECT_EQ(be_.cardChannels, 2);
  EXPECT_EQ(t->Channels(), 2);
  std::vector<short> out = be_.Written(), left;
  for (size_t i = before; i + 1 < out.size(); i += 2) left.push_back(out[i]);
  EXPECT_NEAR(ToneHz(left, 16000, 0, left.size()), 1000, 10) << "the new stream at its own speed";
}

}  // namespace
