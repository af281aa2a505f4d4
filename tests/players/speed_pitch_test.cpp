// The players' tempo change against SoundTouch as the library sets itself up:
// the same length and, within 1 dB, the same level on speech-like sound.
#include "players/kit/speed_pitch.h"

#include <gtest/gtest.h>
#include <soundtouch/SoundTouch.h>

#include <cmath>
#include <vector>

namespace {

constexpr int kRate = 44100;

// Ten seconds of syllables: four voiced bursts a second (a 140 Hz voice with
// two overtones and some breath), silence between them; stereo.
std::vector<short> Speech() {
  std::vector<short> pcm(static_cast<size_t>(kRate) * 10 * 2);
  unsigned noise = 1;
  for (size_t i = 0; i < pcm.size() / 2; ++i) {
    const double t = static_cast<double>(i) / kRate;
    const double phase = std::fmod(t * 4, 1.0);
    const double env = phase < 0.6 ? std::pow(std::sin(M_PI * phase / 0.6), 2) : 0;
    noise = noise * 1103515245u + 12345u;
    const double breath = static_cast<double>((noise >> 8) & 0xffff) / 32768 - 1;
    const double v = env * (0.3 * std::sin(2 * M_PI * 140 * t) + 0.15 * std::sin(2 * M_PI * 280 * t) +
                            0.1 * std::sin(2 * M_PI * 420 * t) + 0.05 * breath);
    pcm[2 * i] = pcm[2 * i + 1] = static_cast<short>(v * 32767);
  }
  return pcm;
}

struct Output {
  long long frames = 0;
  double sum = 0;
  double Db() const { return 10 * std::log10(sum / static_cast<double>(frames)); }
};

Output ThroughPlayers(const std::vector<short>& pcm, double tempo, int pitch) {
  SpeedPitch sp;
  sp.SetFormat(kRate, 2);
  sp.SetTempoChange(tempo);
  sp.SetPitchSemiTones(pitch);
  Output out;
  auto sink = [&out](short* block, int frames) {
    for (int i = 0; i < frames; ++i) out.sum += double(block[2 * i]) * block[2 * i];
    out.frames += frames;
    return 0;
  };
  for (size_t at = 0; at < pcm.size(); at += 2048)  // the decoder's 4096-byte blocks
    sp.Process(pcm.data() + at, static_cast<int>(std::min<size_t>(2048, pcm.size() - at) / 2), sink);
  sp.Flush(sink);
  return out;
}

Output ThroughLibraryDefaults(const std::vector<short>& pcm, double tempo, int pitch) {
  soundtouch::SoundTouch st;
  st.setSampleRate(kRate);
  st.setChannels(2);
  st.setTempoChange(tempo);
  st.setPitchSemiTones(pitch);
  std::vector<float> in(pcm.size()), out(4096);
  for (size_t i = 0; i < pcm.size(); ++i) in[i] = pcm[i] / 32768.0f;
  st.putSamples(in.data(), static_cast<unsigned>(pcm.size() / 2));
  st.flush();
  Output o;
  while (unsigned got = st.receiveSamples(out.data(), 2048)) {
    for (unsigned i = 0; i < got; ++i) o.sum += double(out[2 * i]) * 32768 * out[2 * i] * 32768;
    o.frames += got;
  }
  return o;
}

TEST(SpeedPitch, TunedStretchKeepsLengthAndLevel) {
  const std::vector<short> speech = Speech();
  struct Case {
    double tempo;
    int pitch;
  } cases[] = {{SpeedStepToTempoChange(30), 0}, {SpeedStepToTempoChange(10), 0},
               {SpeedStepToTempoChange(2), 0}, {SpeedStepToTempoChange(30), 3}};
  for (const Case& c : cases) {
    const Output tuned = ThroughPlayers(speech, c.tempo, c.pitch);
    const Output today = ThroughLibraryDefaults(speech, c.tempo, c.pitch);
    ASSERT_GT(today.frames, 0);
    const double expected = speech.size() / 2 / (1 + c.tempo / 100);
    EXPECT_NEAR(tuned.frames / expected, today.frames / expected, 0.01) << c.tempo << " " << c.pitch;
    EXPECT_NEAR(tuned.Db(), today.Db(), 1.0) << c.tempo << " " << c.pitch;
  }
}

}  // namespace
