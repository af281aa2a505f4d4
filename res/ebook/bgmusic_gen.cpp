// Writes the reader's background music tracks "01.mp3" ... "15.mp3" into a
// folder: quiet arpeggios over a slow chord progression, 16 kHz mono (the
// voice's own format, so the reader mixes them without converting), each
// track in its own key and tempo, ending where it began so that it loops.
#include <lame/lame.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kRate = 16000;
constexpr double kPi = 3.14159265358979323846;

double NoteHz(int semitonesFromA4) { return 440.0 * std::pow(2.0, semitonesFromA4 / 12.0); }

// One soft plucked note added into the buffer.
void Pluck(std::vector<float>& out, size_t at, double hz, double seconds, float level) {
  const size_t n = static_cast<size_t>(seconds * kRate);
  for (size_t i = 0; i < n && at + i < out.size(); ++i) {
    double t = double(i) / kRate;
    double attack = std::min(1.0, t / 0.01);
    double env = attack * std::exp(-3.0 * t / seconds);
    double v = std::sin(2 * kPi * hz * t) + 0.3 * std::sin(4 * kPi * hz * t);
    out[at + i] += static_cast<float>(level * env * v);
  }
}

std::vector<short> Track(int number) {
  // Major-key progressions (semitones of chord roots from the tonic).
  static const int kProgressions[3][4] = {{0, 9, 5, 7}, {0, 5, 9, 7}, {0, 7, 9, 5}};
  const int tonic = -21 + (number * 5) % 12;          // around C3..B3
  const double beat = 0.22 + 0.02 * (number % 5);      // seconds per arpeggio note
  const int* prog = kProgressions[number % 3];
  const int notesPerChord = 8;
  const int bars = 8;
  const size_t length = static_cast<size_t>(bars * notesPerChord * beat * kRate);
  std::vector<float> mix(length, 0.0f);
  size_t at = 0;
  for (int bar = 0; bar < bars; ++bar) {
    int root = tonic + prog[bar % 4];
    bool minor = prog[bar % 4] == 9;
    int chord[4] = {0, minor ? 3 : 4, 7, 12};
    // A low pad note for the whole bar.
    Pluck(mix, at, NoteHz(root - 12), notesPerChord * beat, 0.18f);
    for (int k = 0; k < notesPerChord; ++k) {
      static const int kPattern[8] = {0, 1, 2, 3, 2, 1, 2, 1};
      Pluck(mix, at + static_cast<size_t>(k * beat * kRate), NoteHz(root + chord[kPattern[k]]), beat * 3, 0.12f);
    }
    at += static_cast<size_t>(notesPerChord * beat * kRate);
  }
  // Fade the last and first 50 ms so that the loop does not click.
  const size_t edge = kRate / 20;
  for (size_t i = 0; i < edge && i < length; ++i) {
    float g = float(i) / edge;
    mix[i] *= g;
    mix[length - 1 - i] *= g;
  }
  std::vector<short> pcm(length);
  for (size_t i = 0; i < length; ++i) {
    float v = std::max(-1.0f, std::min(1.0f, mix[i]));
    pcm[i] = static_cast<short>(std::lround(v * 20000.0f));
  }
  return pcm;
}

bool WriteMp3(const std::string& path, const std::vector<short>& pcm) {
  lame_global_flags* lame = lame_init();
  if (!lame) return false;
  lame_set_num_channels(lame, 1);
  lame_set_in_samplerate(lame, kRate);
  lame_set_out_samplerate(lame, kRate);
  lame_set_mode(lame, MONO);
  lame_set_brate(lame, 32);
  lame_set_quality(lame, 5);
  lame_set_bWriteVbrTag(lame, 0);
  if (lame_init_params(lame) < 0) {
    lame_close(lame);
    return false;
  }
  std::vector<unsigned char> mp3(pcm.size() * 5 / 4 + 7200 + 16384);
  int n = lame_encode_buffer(lame, const_cast<short*>(pcm.data()), nullptr, static_cast<int>(pcm.size()),
                             mp3.data(), static_cast<int>(mp3.size()));
  int tail = n >= 0 ? lame_encode_flush(lame, mp3.data() + n, static_cast<int>(mp3.size()) - n) : -1;
  lame_close(lame);
  if (n < 0 || tail < 0) return false;
  FILE* f = fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = fwrite(mp3.data(), 1, static_cast<size_t>(n + tail), f) == static_cast<size_t>(n + tail);
  return fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: %s folder\n", argv[0]);
    return 2;
  }
  for (int n = 1; n <= 15; ++n) {
    char name[16];
    snprintf(name, sizeof name, "/%02d.mp3", n);
    std::string path = std::string(argv[1]) + name;
    if (!WriteMp3(path, Track(n))) {
      fprintf(stderr, "%s: cannot write\n", path.c_str());
      return 1;
    }
  }
  return 0;
}
