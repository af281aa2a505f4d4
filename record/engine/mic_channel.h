// A microphone's channel taken out of the capture's stereo blocks and, when
// asked, cleaned of steady noise. The suppressor works on whole frames, so
// samples wait here until their frame is full.
#pragma once

#include <vector>

#include "core/lib/speex/noise_suppressor.h"

class MicChannel {
 public:
  // Suppression on when `noise` and the suppressor can be set up.
  void Open(int rate, bool noise);
  void Close();
  bool Cleaning() const { return noise_.IsOpen(); }

  // Takes channel `channel` (0 left, 1 right) of `frames` interleaved stereo
  // frames; returns how many mono samples are ready at Out(), valid until
  // the next call.
  int Take(const short* stereo, int frames, int channel);
  // The samples still short of a frame, as they are (the end of a recording).
  int Rest();
  const short* Out() const { return buffer_.data(); }

  // Suppressor frame for a rate: the power of two nearest 20 ms (16 to
  // 23 ms at the recorder's rates), which the suppressor's transform takes
  // in radix-4 steps; 20 ms itself (882 samples at 44.1 kHz) needs its slow
  // generic ones and costs a third more.
  static int FrameSize(int rate);

 private:
  void Shift();

  NoiseSuppressor noise_;
  std::vector<short> buffer_;
  int ready_ = 0;  // at the front, handed out by the last call
  int kept_ = 0;   // after them, waiting for a whole frame
};
