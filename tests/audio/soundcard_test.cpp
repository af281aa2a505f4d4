// The sound card against the simulated board's ALSA devices.
#include <chrono>
#include <cstdlib>
#include <vector>

#include "audio/soundcard.h"
#include "audio/soundcard_internal.h"
#include "core/app/mainloop.h"
#include "tests/audio/audio_test_util.h"

namespace dtbtest {
namespace {

using Clock = std::chrono::steady_clock;

std::vector<int16_t> Ramp(size_t n, int16_t start = 1) {
  std::vector<int16_t> v(n);
  for (size_t i = 0; i < n; i++) v[i] = static_cast<int16_t>(start + i * 7);
  return v;
}

class PlaybackTest : public SoundCardTest {};

TEST_F(PlaybackTest, RateLadderPicksTheSupportedRate) {
  const unsigned cases[][2] = {{11000, 11025}, {10974, 8000}, {10975, 11025}, {100000, 96000}, {95949, 88200},
                               {44050, 44100}, {44049, 32000}, {22000, 22050}, {21999, 16000}, {8000, 8000}};
  for (const auto& c : cases) {
    ASSERT_EQ(0, SoundCard_Init(false, 1, c[0], 100000)) << c[0];
    EXPECT_EQ(static_cast<int>(c[1]), g_soundcard_samplerate) << c[0];
  }
  // The device really runs at the rounded rate.
  ASSERT_EQ(0, SoundCard_Init(false, 2, 11000, 100000));
  SoundCard_Release();
  Wav wav;
  ASSERT_TRUE(ReadWav(OutWav(), &wav));
  EXPECT_EQ(11025u, wav.rate);
  EXPECT_EQ(2u, wav.channels);
}

TEST_F(PlaybackTest, BadChannelCountKeepsTheOpenStream) {
  std::vector<int16_t> a = Ramp(200), b = Ramp(200, 9);
  ASSERT_EQ(0, SoundCard_Init(false, 2, 44100, 500000));
  ASSERT_EQ(0, SoundCard_PutSamples(a.data(), 100));
  EXPECT_EQ(-1, SoundCard_Init(false, 3, 44100, 500000));
  EXPECT_EQ(-1, SoundCard_Init(false, 0, 44100, 500000));
  EXPECT_EQ(2u, g_soundcard_channels);
  ASSERT_EQ(0, SoundCard_PutSamples(b.data(), 100));
  SoundCard_Release();
  Wav wav;  // one stream: a reopened one would have started the file anew
  ASSERT_TRUE(ReadWav(OutWav(), &wav));
  ASSERT_EQ(400u, wav.samples.size());
  EXPECT_TRUE(std::equal(b.begin(), b.end(), wav.samples.begin() + 200));
}

TEST_F(PlaybackTest, SameParametersKeepTheStreamOthersReopenIt) {
  std::vector<int16_t> a = Ramp(1000), b = Ramp(1000, 5);
  ASSERT_EQ(0, SoundCard_Init(false, 1, 16000, 500000));
  ASSERT_EQ(0, SoundCard_PutSamples(a.data(), 1000));
  ASSERT_EQ(0, SoundCard_Init(false, 1, 16000, 500000));  // kept: the file keeps growing
  ASSERT_EQ(0, SoundCard_PutSamples(b.data(), 1000));
  SoundCard_Release();
  Wav wav;
  ASSERT_TRUE(ReadWav(OutWav(), &wav));
  ASSERT_EQ(2000u, wav.samples.size());
  EXPECT_TRUE(std::equal(b.begin(), b.end(), wav.samples.begin() + 1000));

  ASSERT_EQ(0, SoundCard_Init(false, 1, 16000, 500000));
  ASSERT_EQ(0, SoundCard_Init(false, 1, 16000, 300000));  // new latency: a new stream
  SoundCard_Release();
  ASSERT_TRUE(ReadWav(OutWav(), &wav));
  EXPECT_TRUE(wav.samples.empty());
}

TEST_F(PlaybackTest, WritesWithoutAStream) {
  short s[4] = {};
  EXPECT_EQ(0, SoundCard_PutSamples(s, 0));
  EXPECT_EQ(-1, SoundCard_PutSamples(s, 2));
  EXPECT_EQ(-1, SoundCard_Flush());
  EXPECT_EQ(-1, SoundCard_WaitBufferFinished());
  EXPECT_EQ(-1, SoundCard_GetHwBufLevel());
  EXPECT_EQ(-1, SoundCard_GetAvail(nullptr, nullptr));
}

TEST_F(PlaybackTest, SamplesComeBackBitExactFollowedBySilence) {
  ASSERT_EQ(0, SoundCard_Init(false, 2, 44100, 500000));
  std::vector<int16_t> pcm = Ramp(2 * 30000);  // more than a buffer: the writer must wait for the device
  {
    // Keep the device from sleeping while sound plays.
    std::lock_guard<std::mutex> lock(g_SleepTimeMutex);
    g_SleepLeftTime = 0;
  }
  auto t0 = Clock::now();
  ASSERT_EQ(0, SoundCard_PutSamples(pcm.data(), 30000));
  EXPECT_GE(g_SleepLeftTime, 10);
  ASSERT_EQ(0, SoundCard_Flush());
  ASSERT_EQ(0, SoundCard_WaitBufferFinished());
  // 30000 frames at 44.1 kHz last 0.68 s; the device plays in real time.
  EXPECT_GT(Clock::now() - t0, std::chrono::milliseconds(500));
  SoundCard_Release();
  Wav wav;
  ASSERT_TRUE(ReadWav(OutWav(), &wav));
  EXPECT_EQ(44100u, wav.rate);
  EXPECT_EQ(2u, wav.channels);
  ASSERT_GE(wav.samples.size(), pcm.size());
  EXPECT_TRUE(std::equal(pcm.begin(), pcm.end(), wav.samples.begin()));
  for (size_t i = pcm.size(); i < wav.samples.size(); i++) ASSERT_EQ(0, wav.samples[i]) << i;
}

TEST_F(PlaybackTest, FlushPadsTheBufferWithSilence) {
  ASSERT_EQ(0, SoundCard_Init(false, 1, 16000, 500000));
  ASSERT_EQ(0, SoundCard_Flush());  // empty buffer: nothing to push
  int avail = 0, size = 0;
  ASSERT_EQ(0, SoundCard_GetAvail(&avail, &size));
  EXPECT_EQ(size, avail);
  EXPECT_GE(size, 7000);  // about half a second
  EXPECT_EQ(0, SoundCard_GetHwBufLevel());

  std::vector<int16_t> block = Ramp(1600);
  ASSERT_EQ(0, SoundCard_PutSamples(block.data(), 1600));
  EXPECT_EQ(1600, SoundCard_GetHwBufLevel());  // queued, not started: below the start threshold
  ASSERT_EQ(0, SoundCard_Flush());
  SoundCard_Release();
  Wav wav;
  ASSERT_TRUE(ReadWav(OutWav(), &wav));
  // The block, then silence up to a full buffer (the stream only starts once full).
  ASSERT_EQ(static_cast<size_t>(size), wav.samples.size());
  EXPECT_TRUE(std::equal(block.begin(), block.end(), wav.samples.begin()));
  for (size_t i = block.size(); i < wav.samples.size(); i++) ASSERT_EQ(0, wav.samples[i]) << i;
}

TEST_F(PlaybackTest, WaitGivesUpAfterAboutNineTenthsOfASecond) {
  ASSERT_EQ(0, SoundCard_Init(false, 1, 16000, 500000));
  std::vector<int16_t> block = Ramp(1600);
  ASSERT_EQ(0, SoundCard_PutSamples(block.data(), 1600));  // never starts, never drains
  auto t0 = Clock::now();
  EXPECT_EQ(0, SoundCard_WaitBufferFinished());
  auto waited = Clock::now() - t0;
  EXPECT_GT(waited, std::chrono::milliseconds(850));
  EXPECT_LT(waited, std::chrono::milliseconds(2000));
}

TEST_F(PlaybackTest, PlaysOnAfterTheBufferRanDry) {
  ASSERT_EQ(0, SoundCard_Init(false, 1, 16000, 100000));
  ASSERT_EQ(1600, g_soundcard_buf_avail);
  // Less than the buffer: the stream has not started when the flush pads it,
  // so the padding is exactly the rest of the buffer however slow the process
  // (a full buffer starts playing at once, and the flush then pads whatever
  // the device has played meanwhile).
  std::vector<int16_t> a = Ramp(1000), b = Ramp(1600, 3);
  ASSERT_EQ(0, SoundCard_PutSamples(a.data(), 1000));
  ASSERT_EQ(0, SoundCard_Flush());
  ASSERT_EQ(0, SoundCard_WaitBufferFinished());
  // Until the device has run dry, not for a time that a loaded machine outlasts.
  int avail = 0, polls = 0;
  while (SoundCard_GetAvail(&avail, nullptr) == 0 && ++polls < 2000) usleep(5000);
  ASSERT_EQ(alsa::kXrun, avail);
  ASSERT_EQ(0, SoundCard_PutSamples(b.data(), 1600));
  SoundCard_Release();
  Wav wav;
  ASSERT_TRUE(ReadWav(OutWav(), &wav));
  ASSERT_EQ(3200u, wav.samples.size());
  EXPECT_TRUE(std::equal(a.begin(), a.end(), wav.samples.begin()));
  for (size_t i = 1000; i < 1600; i++) ASSERT_EQ(0, wav.samples[i]) << i;
  EXPECT_TRUE(std::equal(b.begin(), b.end(), wav.samples.begin() + 1600));
}

TEST_F(PlaybackTest, ResetReopensWithTheSameParameters) {
  ASSERT_EQ(0, SoundCard_Init(false, 2, 22050, 200000));
  ASSERT_EQ(0, SoundCard_ResetForPlay());
  EXPECT_TRUE(SoundCardPcm());
  EXPECT_EQ(2u, g_soundcard_channels);
  EXPECT_EQ(22050, g_soundcard_samplerate);
  EXPECT_EQ(200000, g_soundcard_latency);
}

class CaptureTest : public SoundCardTest {};

TEST_F(CaptureTest, RecordsTheInputFileBitExactThenSilence) {
  std::vector<int16_t> in = Ramp(2 * 6000);
  WriteWav(dir_ / "in.wav", 44100, 2, in);
  setenv("DTB_AUDIO_IN", (dir_ / "in.wav").c_str(), 1);
  ASSERT_EQ(0, SoundCardRecord_Init(44100, 100000));
  std::vector<int16_t> got(2 * 9000, 123);
  ASSERT_EQ(9000, SoundCardRecord_Read(got.data(), 9000));
  EXPECT_TRUE(std::equal(in.begin(), in.end(), got.begin()));
  for (size_t i = in.size(); i < got.size(); i++) ASSERT_EQ(0, got[i]) << i;
}

TEST_F(CaptureTest, MonoInputReachesBothChannels) {
  std::vector<int16_t> in = Ramp(1600);
  WriteWav(dir_ / "root/var/board/audio_in.wav", 16000, 1, in);  // the root's default input
  ASSERT_EQ(0, SoundCardRecord_Init(16000, 100000));
  std::vector<int16_t> got(2 * 1600);
  ASSERT_EQ(1600, SoundCardRecord_Read(got.data(), 1600));
  for (size_t i = 0; i < in.size(); i++) {
    ASSERT_EQ(in[i], got[2 * i]) << i;
    ASSERT_EQ(in[i], got[2 * i + 1]) << i;
  }
}

TEST_F(CaptureTest, OpenRules) {
  EXPECT_EQ(-1, SoundCardRecord_Read(nullptr, 10));
  EXPECT_EQ(-3, SoundCardRecord_Init(44000, 100000));
  ASSERT_EQ(0, SoundCardRecord_Init(8000, 100000));
  EXPECT_EQ(-2, SoundCardRecord_Init(8000, 100000));
  short buf[8];
  EXPECT_EQ(-1, SoundCardRecord_Read(buf, 0));
  EXPECT_EQ(4, SoundCardRecord_Read(buf, 4));  // no input file: silence
  EXPECT_EQ(0, SoundCardRecord_Release());
  EXPECT_EQ(0, SoundCardRecord_Init(96000, 100000));
}

TEST_F(CaptureTest, PlaybackStreamInCaptureMode) {
  WriteWav(dir_ / "in.wav", 16000, 1, Ramp(800));
  setenv("DTB_AUDIO_IN", (dir_ / "in.wav").c_str(), 1);
  ASSERT_EQ(0, SoundCard_Init(true, 1, 16000, 100000));
  std::vector<int16_t> got(800);
  EXPECT_EQ(800, SoundCard_ReceiveSamples(got.data(), 800));
  EXPECT_EQ(Ramp(800), got);
}

// What leaves the codec: the speaker when its route is on, the headphones
// only when plugged in, each at its own volume; `wav` is where it went.
void PlayThroughEveryRoute(const std::string& jack, const std::string& wav) {
  setenv("DTB_AUDIO_PACE", "0", 1);
  std::vector<int16_t> level(500, 10000);
  auto play = [&] { ASSERT_EQ(0, SoundCard_PutSamples(level.data(), 500)); };
  ASSERT_EQ(0, SoundCard_Init(false, 1, 16000, 100000));
  SoundCard_SpeakerSwitch(false);
  SoundCard_HeadPhoneSwitch(false);
  play();
  SoundCard_SpeakerSwitch(true);
  SoundCard_SetSpeakerVolume(98);  // 10 dB down
  play();
  SoundCard_SpeakerSwitch(false);
  SoundCard_HeadPhoneSwitch(true);
  SoundCard_SetHeadPhoneVolume(118);
  play();  // nothing in the jack
  WriteFile(jack, "1");
  play();
  SoundCard_Release();
  unsetenv("DTB_AUDIO_PACE");
  Wav out;
  ASSERT_TRUE(ReadWav(wav, &out));
  ASSERT_EQ(2000u, out.samples.size());
  const int expected[] = {0, 3162, 0, 10000};
  for (int part = 0; part < 4; part++)
    for (int i = 0; i < 500; i += 125) EXPECT_NEAR(expected[part], out.samples[part * 500 + i], 2) << part;
}

TEST_F(PlaybackTest, OnlyOpenRoutesAreHeardAtTheirVolume) {
  PlayThroughEveryRoute(dir_ / "root/var/board/headphones", OutWav());
}

// Without an output file the PC's own card plays, behind the same routes.
// A system configuration whose default device writes a file stands in for it.
TEST_F(PlaybackTest, ThePcSoundCardHearsOnlyTheOpenRoutesToo) {
  unsetenv("DTB_AUDIO_OUT");
  setenv("DTB_PC_SOUND_CARD", "1", 1);
  const std::string pc = dir_ / "pc.wav";
  WriteFile(dir_ / "system.conf",
            "pcm.default { type file slave.pcm { type null } file \"" + pc + "\" format \"wav\" }\n");
  setenv("ALSA_CONFIG_PATH", (dir_ / "system.conf").c_str(), 1);
  PlayThroughEveryRoute(dir_ / "root/var/board/headphones", pc);
  unsetenv("ALSA_CONFIG_PATH");
  unsetenv("DTB_PC_SOUND_CARD");
}

}  // namespace
}  // namespace dtbtest

namespace dtbtest {
namespace {

TEST_F(PlaybackTest, EarlierStreamsCanBeKept) {
  setenv("DTB_AUDIO_OUT", (dir_ / "out-%r.wav").c_str(), 1);
  setenv("DTB_AUDIO_OUT_KEEP", "1", 1);
  short s[4] = {1, 2, 3, 4};
  ASSERT_EQ(0, SoundCard_Init(false, 1, 16000, 100000));
  ASSERT_EQ(0, SoundCard_PutSamples(s, 4));
  ASSERT_EQ(0, SoundCard_Init(false, 1, 22050, 100000));
  ASSERT_EQ(0, SoundCard_Init(false, 1, 16000, 200000));
  SoundCard_Release();
  unsetenv("DTB_AUDIO_OUT_KEEP");
  Wav first, second;
  ASSERT_TRUE(ReadWav(dir_ / "out-16000.wav", &first));
  EXPECT_EQ((std::vector<int16_t>{1, 2, 3, 4}), first.samples);
  EXPECT_TRUE(ReadWav(dir_ / "out-22050.wav", &second));
  EXPECT_TRUE(ReadWav(dir_ / "out-16000.wav.0001", &second));
}

}  // namespace
}  // namespace dtbtest
