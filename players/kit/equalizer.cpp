#include "players/kit/equalizer.h"

#include <cmath>
#include <cstdio>
#include <memory>
#include <new>

#include "core/base/diag.h"

const int c_EqPresetDb[kEqPresets][kEqBands] = {
    {0, 0, 0, 0, 0, 0, 0, 0, 0, 0},      // Normal
    {3, 1, 0, -2, -4, -4, -2, 0, 1, 2},  // POP
    {-2, 0, 2, 4, -2, -2, 0, 0, 4, 4},   // Rock
    {0, 0, 0, 4, 4, 4, 0, 2, 3, 4},      // Jazz
    {0, 8, 8, 4, 0, 0, 0, 0, 2, 2},      // Classical
};
const double c_EqBandHz[kEqBands] = {31.25, 62.5, 125, 250, 500, 1000, 2000, 4000, 8000, 16000};

namespace {
constexpr double kQ = 1.2247449;
constexpr double kPi = 3.14159265358979323846;
}  // namespace

int Equalizer::Init(int rate, unsigned channels, int preset) {
  on_ = false;
  if ((channels != 1 && channels != 2) || preset < 1 || preset >= kEqPresets || rate <= 0) return -1;
  channels_ = channels;
  bands_ = kEqBands;
  const double limit = rate / 2.2;
  if (limit < 16000) {
    bands_ = 0;
    while (bands_ < kEqBands && c_EqBandHz[bands_] <= limit) ++bands_;
    printf("[equalizer] Limiting the number of filters to %i due to low sample rate.\n", bands_);
  }
  double maxGain = 0;
  for (int k = 0; k < kEqBands; ++k) {
    gain_[k] = std::pow(10.0, c_EqPresetDb[preset][k] / 20.0) - 1.0;
    if (k < bands_ && gain_[k] > maxGain) maxGain = gain_[k];
    const double theta = 2 * kPi * c_EqBandHz[k] / rate;
    const double t = std::tan(theta * kQ / 2);
    const double r = (1 - t) / (1 + t);
    a0_[k] = (1 + r) * std::cos(theta);
    a1_[k] = -r;
    b0_[k] = (1 - r) / 2;
    b1_[k] = -1.005;
  }
  const double d = 20 * std::log10(maxGain + 1);
  scale_ = d > 0 ? d / 12 + 0.1 : 1.0;
  for (auto& ch : state_)
    for (auto& band : ch) band[0] = band[1] = 0;
  on_ = true;
  return 0;
}

void Equalizer::Process(short* pcm, int bytes) {
  if (!on_ || !pcm || bytes <= 0) return;
  const int frames = bytes / static_cast<int>(2 * channels_);
  const size_t samples = static_cast<size_t>(frames) * channels_;
  if (scratch_.size() < samples) {
    try {
      scratch_.resize(samples);
    } catch (const std::bad_alloc&) {
      DiagPrintf("Can not malloc for af_equalizer_play\n");
      return;
    }
  }
  for (size_t i = 0; i < samples; ++i) scratch_[i] = pcm[i] * (1.0f / 32768);
  for (unsigned c = 0; c < channels_; ++c) {
    double(*st)[2] = state_[c];
    for (size_t i = c; i < samples; i += channels_) {
      double y = scratch_[i];
      for (int k = 0; k < bands_; ++k) {
        const double w = y * b0_[k] + st[k][0] * a0_[k] + st[k][1] * a1_[k];
        y += (w + st[k][1] * b1_[k]) * gain_[k];
        st[k][1] = st[k][0];
        st[k][0] = w;
      }
      double out = y * scale_ * 32767;
      if (out > 32767) out = 32767;
      if (out < -32768) out = -32768;
      pcm[i] = static_cast<short>(out);
    }
  }
}

namespace {
std::unique_ptr<Equalizer> g_af_equalizer;
}  // namespace

void af_equalizer_init(int rate, unsigned channels, int preset) {
  if ((channels != 1 && channels != 2) || preset < 1 || preset >= kEqPresets) {
    g_af_equalizer.reset();
    return;
  }
  if (!g_af_equalizer) {
    g_af_equalizer.reset(new (std::nothrow) Equalizer);
    if (!g_af_equalizer) {
      DiagPrintf("malloc fail for g_af_equalizer\n");
      return;
    }
  }
  g_af_equalizer->Init(rate, channels, preset);
}

void af_equalizer_play(short* pcm, int bytes) {
  if (g_af_equalizer) g_af_equalizer->Process(pcm, bytes);
}

bool af_equalizer_is_on() { return g_af_equalizer && g_af_equalizer->IsOn(); }
