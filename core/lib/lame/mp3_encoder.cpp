#include "core/lib/lame/mp3_encoder.h"

#include <lame/lame.h>

#include <climits>
#include <cstdio>

namespace {

// Below the diagnostics helper: the same red line, written here.
void Fail(const char* what) { fprintf(stderr, "\033[30;41m%s\033[0m\n", what); }

lame_global_flags* Flags(void* p) { return static_cast<lame_global_flags*>(p); }

int OutLimit(size_t outSize) { return outSize > INT_MAX ? INT_MAX : static_cast<int>(outSize); }

}  // namespace

Mp3Encoder::~Mp3Encoder() { Close(); }

int Mp3Encoder::Open(int channels, int rate, int kbps, int quality) {
  Close();
  lame_global_flags* g = lame_init();
  if (!g) {
    Fail("lame_init() failed");
    return -1;
  }
  lame_set_num_channels(g, channels);
  lame_set_in_samplerate(g, rate);
  lame_set_out_samplerate(g, rate);
  lame_set_brate(g, kbps);
  lame_set_mode(g, channels == 1 ? MONO : JOINT_STEREO);
  lame_set_quality(g, quality);
  // The tag frame would only be filled in at the end; a recording cut short
  // by a power loss must not start with an empty one.
  lame_set_bWriteVbrTag(g, 0);
  if (lame_init_params(g) < 0) {
    Fail("lame_init_params() fail");
    lame_close(g);
    return -2;
  }
  lame_ = g;
  channels_ = channels;
  return 0;
}

int Mp3Encoder::Encode(const short* left, const short* right, int frames, unsigned char* out, size_t outSize) {
  if (!lame_) return -1;
  if (!left || frames <= 0 || !out) return -1;
  if (outSize < OutBytesFor(frames)) return -2;
  int n = lame_encode_buffer(Flags(lame_), left, channels_ == 1 ? left : (right ? right : left), frames, out,
                             OutLimit(outSize));
  if (n == -1) return -2;
  return n < 0 ? -3 : n;
}

int Mp3Encoder::Flush(unsigned char* out, size_t outSize) {
  if (!lame_) return -1;
  if (!out || outSize < 7200) return -2;
  int n = lame_encode_flush(Flags(lame_), out, OutLimit(outSize));
  return n < 0 ? -3 : n;
}

void Mp3Encoder::Close() {
  if (lame_) lame_close(Flags(lame_));
  lame_ = nullptr;
}
