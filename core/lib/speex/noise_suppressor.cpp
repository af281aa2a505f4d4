#include "core/lib/speex/noise_suppressor.h"

#include <speex/speex_preprocess.h>

NoiseSuppressor::~NoiseSuppressor() { Close(); }

int NoiseSuppressor::Open(int frameSize, int rate, int suppressDb) {
  Close();
  if (frameSize <= 0 || rate <= 0) return -1;
  SpeexPreprocessState* st = speex_preprocess_state_init(frameSize, rate);
  if (!st) return -1;
  int on = 1;
  speex_preprocess_ctl(st, SPEEX_PREPROCESS_SET_DENOISE, &on);
  speex_preprocess_ctl(st, SPEEX_PREPROCESS_SET_NOISE_SUPPRESS, &suppressDb);
  state_ = st;
  frame_size_ = frameSize;
  return 0;
}

int NoiseSuppressor::Run(short* frame) {
  if (!state_ || !frame) return -1;
  speex_preprocess_run(static_cast<SpeexPreprocessState*>(state_), frame);
  return 0;
}

void NoiseSuppressor::Close() {
  if (state_) speex_preprocess_state_destroy(static_cast<SpeexPreprocessState*>(state_));
  state_ = nullptr;
  frame_size_ = 0;
}
