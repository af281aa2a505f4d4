#include "players/kit/speed_pitch.h"

#include <soundtouch/SoundTouch.h>

#include <cmath>

double SpeedStepToTempoChange(int step) { return step < 0 ? step * 5.0 : step * 10.0; }

int ListeningSeconds(long long ms, double tempoPercent) {
  if (ms <= 0) return 0;
  const double factor = tempoPercent > -100 ? 1 + tempoPercent / 100 : 1;
  return static_cast<int>(std::lround(static_cast<double>(ms) / 1000 / factor));
}

namespace {
constexpr int kOutBlockSamples = 2048;
}  // namespace

SpeedPitch::SpeedPitch() : st_(new soundtouch::SoundTouch) {
  SetFormat(16000, 1);
  Tune();
}

SpeedPitch::~SpeedPitch() = default;

void SpeedPitch::SetFormat(int rate, int channels) {
  channels_ = channels == 1 ? 1 : 2;
  st_->setSampleRate(rate > 0 ? static_cast<unsigned>(rate) : 16000u);
  st_->setChannels(static_cast<unsigned>(channels_));
  st_->clear();
}

void SpeedPitch::SetTempoChange(double percent) {
  st_->setTempoChange(percent);
  tempo_ = percent;
  Tune();
}

void SpeedPitch::SetPitchSemiTones(int semitones) {
  st_->setPitchSemiTones(semitones);
  pitch_ = semitones;
  Tune();
}

void SpeedPitch::Tune() {
  // SoundTouch resamples every input frame even at the source's pitch (rate
  // exactly 1), through a low-pass against aliasing that then only cuts at
  // the Nyquist frequency: at four times the speed that filter cost more
  // than the stretching itself. It stays for a pitch change.
  st_->setSetting(SETTING_USE_AA_FILTER, pitch_ != 0);
  // From twice the speed up (the top speed steps, speech) the splice point
  // is found by the quick seek: each output second then seeks about 30
  // times through 15 ms (the sequence, seek window and overlap SoundTouch
  // takes at these tempi: 40, 15 and 8 ms, which suit speech; longer or
  // shorter ones saved under 10 % more). Below, the full seek keeps music
  // at its best.
  st_->setSetting(SETTING_USE_QUICKSEEK, tempo_ >= kQuickSeekFrom);
}

int SpeedPitch::Process(const short* pcm, int frames, const Sink& sink) {
  if (frames > 0 && pcm) {
    const size_t n = static_cast<size_t>(frames) * channels_;
    if (in_.size() < n) in_.resize(n);
    for (size_t i = 0; i < n; ++i) in_[i] = pcm[i] * (1.0f / 32768);
    st_->putSamples(in_.data(), static_cast<unsigned>(frames));
  }
  return Drain(sink);
}

int SpeedPitch::Flush(const Sink& sink) {
  st_->flush();
  int r = Drain(sink);
  st_->clear();
  return r;
}

void SpeedPitch::Clear() { st_->clear(); }

int SpeedPitch::Drain(const Sink& sink) {
  const int blockFrames = kOutBlockSamples / channels_;
  if (out_.size() < static_cast<size_t>(kOutBlockSamples)) out_.resize(kOutBlockSamples);
  if (block_.size() < static_cast<size_t>(kOutBlockSamples)) block_.resize(kOutBlockSamples);
  for (;;) {
    unsigned got = st_->receiveSamples(out_.data(), static_cast<unsigned>(blockFrames));
    if (got == 0) return 0;
    const size_t n = static_cast<size_t>(got) * channels_;
    for (size_t i = 0; i < n; ++i) {
      float v = out_[i] * 32768.0f;
      if (v > 32767.0f) v = 32767.0f;
      if (v < -32768.0f) v = -32768.0f;
      block_[i] = static_cast<short>(std::lrintf(v));
    }
    int r = sink(block_.data(), static_cast<int>(got));
    if (r != 0) return r;
  }
}
