// Writes the default alarm signal: three seconds of a two-tone bell pattern,
// 16 kHz mono MP3 (bright enough to wake, short enough that the alarm
// window's snooze follows soon).
#include <lame/lame.h>

#include <cmath>
#include <cstdio>
#include <vector>

namespace {

constexpr int kRate = 16000;
constexpr double kPi = 3.14159265358979323846;

std::vector<short> Signal() {
  const int beeps = 12;
  const double beep = 0.25;  // seconds per beep, gap included
  std::vector<short> pcm(static_cast<size_t>(beeps * beep * kRate), 0);
  for (int b = 0; b < beeps; ++b) {
    double hz = b % 2 ? 1320.0 : 880.0;
    size_t at = static_cast<size_t>(b * beep * kRate);
    size_t n = static_cast<size_t>(0.18 * kRate);
    for (size_t i = 0; i < n; ++i) {
      double t = double(i) / kRate;
      double env = std::min(1.0, t / 0.005) * std::exp(-6.0 * t);
      pcm[at + i] = static_cast<short>(18000.0 * env * std::sin(2 * kPi * hz * t));
    }
  }
  return pcm;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: %s file.mp3\n", argv[0]);
    return 2;
  }
  std::vector<short> pcm = Signal();
  lame_global_flags* lame = lame_init();
  if (!lame) return 1;
  lame_set_num_channels(lame, 1);
  lame_set_in_samplerate(lame, kRate);
  lame_set_out_samplerate(lame, kRate);
  lame_set_mode(lame, MONO);
  lame_set_brate(lame, 32);
  lame_set_bWriteVbrTag(lame, 0);
  if (lame_init_params(lame) < 0) return 1;
  std::vector<unsigned char> mp3(pcm.size() * 5 / 4 + 7200 + 16384);
  int n = lame_encode_buffer(lame, pcm.data(), nullptr, static_cast<int>(pcm.size()), mp3.data(),
                             static_cast<int>(mp3.size()));
  int tail = n >= 0 ? lame_encode_flush(lame, mp3.data() + n, static_cast<int>(mp3.size()) - n) : -1;
  lame_close(lame);
  FILE* f = fopen(argv[1], "wb");
  if (n < 0 || tail < 0 || !f) return 1;
  bool ok = fwrite(mp3.data(), 1, static_cast<size_t>(n + tail), f) == static_cast<size_t>(n + tail);
  return fclose(f) == 0 && ok ? 0 : 1;
}
