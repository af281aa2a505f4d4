// MP3 encoding of 16-bit PCM, for anything that records (the recorder, voice
// reminders). Constant bit rate, no leading tag frame: a file cut short at
// any frame boundary still plays from its first byte.
#pragma once

#include <cstddef>

#include "core/lib/no_copy.h"

class Mp3Encoder : NoCopy {
 public:
  Mp3Encoder() = default;
  ~Mp3Encoder();

  // channels 1 or 2; quality 0 (best) .. 9 (fastest). 0, -1 when the encoder
  // cannot be created ("lame_init() failed"), -2 when it refuses the
  // parameters ("lame_init_params() fail").
  int Open(int channels, int rate, int kbps, int quality);
  // Encodes `frames` samples of each channel (right may equal left, and is
  // ignored for mono). Bytes produced into out (at most outSize), or a
  // negative result (-1 not open, -2 out too small, -3 encoder error).
  int Encode(const short* left, const short* right, int frames, unsigned char* out, size_t outSize);
  // The encoder's last frames; bytes or negative as above. The encoder
  // stays open until Close.
  int Flush(unsigned char* out, size_t outSize);
  void Close();
  bool IsOpen() const { return lame_ != nullptr; }

  // Room Encode needs for `frames` frames.
  static size_t OutBytesFor(int frames) { return static_cast<size_t>(frames) * 5 / 4 + 7200; }

 private:
  void* lame_ = nullptr;
  int channels_ = 1;
};
