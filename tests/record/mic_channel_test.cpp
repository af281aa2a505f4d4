// The microphone's channel: every sample fed comes out once, in order, and
// the suppressor lowers a steady noise floor while voice passes.
#include "record/engine/mic_channel.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

constexpr int kBlock = 8192;

// Stereo blocks: voiced bursts over noise on the right, a ramp on the left.
std::vector<short> Capture(int rate, int seconds, std::vector<bool>* pause) {
  std::vector<short> pcm(static_cast<size_t>(rate) * seconds * 2);
  unsigned seed = 3;
  double phase = 0;
  for (size_t i = 0; i < pcm.size() / 2; i++) {
    seed = seed * 1103515245u + 12345u;
    double t = static_cast<double>(i) / rate;
    phase += 2 * M_PI * 180 / rate;
    bool voiced = std::fmod(t, 0.5) < 0.25;
    pcm[2 * i] = static_cast<short>(i % 30000);
    pcm[2 * i + 1] = static_cast<short>((voiced ? 8000 * std::sin(phase) : 0) + static_cast<int>((seed >> 16) % 1000) - 500);
    if (pause) pause->push_back(std::fmod(t, 0.5) > 0.3 && std::fmod(t, 0.5) < 0.45);
  }
  return pcm;
}

std::vector<short> Feed(MicChannel& mic, const std::vector<short>& capture, int channel) {
  std::vector<short> out;
  for (size_t at = 0; at + 2 * kBlock <= capture.size(); at += 2 * kBlock) {
    int n = mic.Take(&capture[at], kBlock, channel);
    out.insert(out.end(), mic.Out(), mic.Out() + n);
  }
  int n = mic.Rest();
  out.insert(out.end(), mic.Out(), mic.Out() + n);
  return out;
}

TEST(MicChannelTest, EverySampleComesOutOnceAtEveryRate) {
  for (int rate : {8000, 16000, 22050, 44100, 96000}) {
    int frame = MicChannel::FrameSize(rate);
    EXPECT_EQ(0, frame & (frame - 1)) << rate;
    EXPECT_GE(frame * 1000 / rate, 15) << rate;
    EXPECT_LE(frame * 1000 / rate, 32) << rate;
    std::vector<short> capture = Capture(rate, 3, nullptr);
    MicChannel mic;
    mic.Open(rate, false);
    std::vector<short> plain = Feed(mic, capture, 0);
    ASSERT_EQ(capture.size() / 2 / kBlock * kBlock, plain.size());
    for (size_t i = 0; i < plain.size(); i++) ASSERT_EQ(capture[2 * i], plain[i]) << i;
    mic.Open(rate, true);
    ASSERT_TRUE(mic.Cleaning());
    EXPECT_EQ(plain.size(), Feed(mic, capture, 1).size()) << rate;
  }
}

TEST(MicChannelTest, SuppressionLowersTheNoiseBetweenWords) {
  const int rate = 44100;
  std::vector<bool> pause;
  std::vector<short> capture = Capture(rate, 8, &pause);
  MicChannel mic;
  mic.Open(rate, true);
  std::vector<short> out = Feed(mic, capture, 1);
  int delay = MicChannel::FrameSize(rate);
  double before = 0, after = 0, voiceIn = 0, voiceOut = 0;
  for (size_t i = 3 * rate; i + delay < out.size(); i++) {  // past the noise estimate's settling
    double in = capture[2 * i + 1] * 0.85, got = out[i + delay];
    (pause[i] ? before : voiceIn) += in * in;
    (pause[i] ? after : voiceOut) += got * got;
  }
  EXPECT_GT(10 * std::log10(before / after), 8);
  EXPECT_LT(std::fabs(10 * std::log10(voiceIn / voiceOut)), 2);
}

}  // namespace
