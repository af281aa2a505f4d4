#include "record/engine/mic_channel.h"

#include <cstring>

int MicChannel::FrameSize(int rate) {
  int want = rate / 50, p = 1;
  while (p * 2 <= want) p *= 2;
  return want - p <= 2 * p - want ? p : 2 * p;
}

void MicChannel::Open(int rate, bool noise) {
  Close();
  if (noise) noise_.Open(FrameSize(rate), rate, -20);
}

void MicChannel::Close() {
  noise_.Close();
  ready_ = kept_ = 0;
}

void MicChannel::Shift() {
  if (ready_ > 0 && kept_ > 0)
    memmove(buffer_.data(), buffer_.data() + ready_, static_cast<size_t>(kept_) * sizeof(short));
  ready_ = 0;
}

int MicChannel::Take(const short* stereo, int frames, int channel) {
  Shift();
  size_t need = static_cast<size_t>(kept_ + frames);
  if (buffer_.size() < need) buffer_.resize(need);
  short* to = buffer_.data() + kept_;
  if (!Cleaning()) {
    for (int i = 0; i < frames; i++) to[i] = stereo[2 * i + channel];
    ready_ = kept_ + frames;
    kept_ = 0;
    return ready_;
  }
  // 85 %: room for the suppressor's overlap-add to rise above a full-scale input.
  for (int i = 0; i < frames; i++) to[i] = static_cast<short>(stereo[2 * i + channel] * 85 / 100);
  int total = kept_ + frames, size = noise_.FrameSize();
  ready_ = total / size * size;
  kept_ = total - ready_;
  for (int i = 0; i < ready_; i += size) noise_.Run(&buffer_[i]);
  return ready_;
}

int MicChannel::Rest() {
  Shift();
  ready_ = kept_;
  kept_ = 0;
  return ready_;
}
