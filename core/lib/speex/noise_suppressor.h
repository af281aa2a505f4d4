// Noise suppression of mono 16-bit audio in fixed frames (speexdsp's
// preprocessor), for microphone recordings.
#pragma once

#include "core/lib/no_copy.h"

class NoiseSuppressor : NoCopy {
 public:
  NoiseSuppressor() = default;
  ~NoiseSuppressor();

  // Denoising on, suppression `suppressDb` (negative). 0, or -1 when the
  // preprocessor cannot be created.
  int Open(int frameSize, int rate, int suppressDb);
  // Cleans one frame of FrameSize() samples in place. 0 or -1 (not open).
  int Run(short* frame);
  void Close();
  bool IsOpen() const { return state_ != nullptr; }
  int FrameSize() const { return frame_size_; }

 private:
  void* state_ = nullptr;
  int frame_size_ = 0;
};
