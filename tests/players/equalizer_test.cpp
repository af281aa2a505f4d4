#include "players/kit/equalizer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

// RMS of a sine of `hz` after the equalizer, measured after the filters settle.
double FilteredRms(Equalizer& eq, int rate, unsigned channels, double hz) {
  const int frames = rate;  // one second
  std::vector<short> pcm(static_cast<size_t>(frames) * channels);
  for (int i = 0; i < frames; ++i) {
    short v = static_cast<short>(8000 * std::sin(2 * M_PI * hz * i / rate));
    for (unsigned c = 0; c < channels; ++c) pcm[i * channels + c] = v;
  }
  // Odd block sizes, as the decoder delivers them.
  size_t done = 0;
  while (done < pcm.size()) {
    size_t n = std::min<size_t>(pcm.size() - done, 1234 * channels);
    eq.Process(pcm.data() + done, static_cast<int>(n * 2));
    done += n;
  }
  double sum = 0;
  int count = 0;
  for (int i = frames / 2; i < frames; ++i, ++count) sum += double(pcm[i * channels]) * pcm[i * channels];
  return std::sqrt(sum / count);
}

TEST(Equalizer, RockLiftsTrebleAgainstMids) {
  Equalizer eq;
  ASSERT_EQ(eq.Init(44100, 2, 2), 0);
  EXPECT_EQ(eq.UsedBands(), 10);
  double treble = FilteredRms(eq, 44100, 2, 8000);
  ASSERT_EQ(eq.Init(44100, 2, 2), 0);
  double mid = FilteredRms(eq, 44100, 2, 500);
  // +4 dB against -2 dB: about twice the amplitude.
  EXPECT_GT(treble / mid, 1.6);
  EXPECT_LT(treble / mid, 2.6);
}

TEST(Equalizer, ClassicalLiftsBassAndStereoChannelsAreIndependent) {
  Equalizer eq;
  ASSERT_EQ(eq.Init(22050, 1, 4), 0);
  EXPECT_EQ(eq.UsedBands(), 9);
  double bass = FilteredRms(eq, 22050, 1, 90);
  ASSERT_EQ(eq.Init(22050, 1, 4), 0);
  double mid = FilteredRms(eq, 22050, 1, 1000);
  EXPECT_GT(bass / mid, 2.0);
  // Silence in one channel stays silence.
  ASSERT_EQ(eq.Init(44100, 2, 1), 0);
  std::vector<short> pcm(4410 * 2);
  for (int i = 0; i < 4410; ++i) pcm[i * 2] = static_cast<short>(10000 * std::sin(i * 0.3));
  eq.Process(pcm.data(), static_cast<int>(pcm.size() * 2));
  for (int i = 0; i < 4410; ++i) ASSERT_EQ(pcm[i * 2 + 1], 0);
}

TEST(Equalizer, OffForNormalPresetOrOddChannels) {
  Equalizer eq;
  EXPECT_EQ(eq.Init(44100, 2, 0), -1);
  EXPECT_FALSE(eq.IsOn());
  EXPECT_EQ(eq.Init(44100, 3, 2), -1);
  EXPECT_EQ(eq.Init(44100, 2, 5), -1);
  std::vector<short> pcm = {1000, -1000, 32767, -32768};
  std::vector<short> copy = pcm;
  eq.Process(pcm.data(), 8);
  EXPECT_EQ(pcm, copy);
  ASSERT_EQ(eq.Init(16000, 1, 3), 0);
  EXPECT_EQ(eq.UsedBands(), 8);

  af_equalizer_init(44100, 2, 2);
  EXPECT_TRUE(af_equalizer_is_on());
  af_equalizer_init(44100, 2, 0);
  EXPECT_FALSE(af_equalizer_is_on());
  af_equalizer_play(pcm.data(), 8);  // harmless while off
}

TEST(Equalizer, LoudInputClampsInsteadOfWrapping) {
  Equalizer eq;
  ASSERT_EQ(eq.Init(44100, 1, 4), 0);
  std::vector<short> pcm(44100);
  for (size_t i = 0; i < pcm.size(); ++i) pcm[i] = (i / 200) % 2 ? 32767 : -32768;  // 110 Hz square
  std::vector<short> in = pcm;
  eq.Process(pcm.data(), static_cast<int>(pcm.size() * 2));
  // A wrap-around would flip the sign of a boosted peak; clamping keeps it.
  int flips = 0;
  for (size_t i = 4410; i < pcm.size(); ++i) {
    if ((in[i] > 0 && pcm[i] < -30000) || (in[i] < 0 && pcm[i] > 30000)) ++flips;
  }
  EXPECT_EQ(flips, 0);
}

}  // namespace
