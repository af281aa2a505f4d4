// The ten-band graphic equalizer of the music player: a cascade of second
// order band filters at octave centres, each mixing its band back into the
// signal with the preset's gain.
#pragma once

#include <vector>

constexpr int kEqBands = 10;
constexpr int kEqPresets = 5;  // 0 "Normal" (off), 1 "POP", 2 "Rock", 3 "Jazz", 4 "Classical"

// Preset gains in dB, bands from 31.25 Hz to 16 kHz.
extern const int c_EqPresetDb[kEqPresets][kEqBands];
extern const double c_EqBandHz[kEqBands];

class Equalizer {
 public:
  // Sets up the filters for a stream; channels 1 or 2, preset 1..4.
  // -1 (and the equalizer stays off) for anything else.
  int Init(int rate, unsigned channels, int preset);
  void Off() { on_ = false; }
  bool IsOn() const { return on_; }
  int UsedBands() const { return bands_; }
  double Scale() const { return scale_; }
  // Filters whole frames of 16-bit interleaved PCM in place.
  void Process(short* pcm, int bytes);

 private:
  bool on_ = false;
  unsigned channels_ = 0;
  int bands_ = 0;
  double a0_[kEqBands] = {}, a1_[kEqBands] = {}, b0_[kEqBands] = {}, b1_[kEqBands] = {};
  double gain_[kEqBands] = {};
  double scale_ = 1.0;
  double state_[2][kEqBands][2] = {};  // [channel][band][s0, s1]
  std::vector<float> scratch_;
};

// The player thread's process-wide equalizer. A preset outside 1..4 or a
// channel count other than 1 or 2 switches it off.
void af_equalizer_init(int rate, unsigned channels, int preset);
// Applies the equalizer in place when it is on; bytes is the block length.
void af_equalizer_play(short* pcm, int bytes);
// True while af_equalizer_init left it on.
bool af_equalizer_is_on();
