// MP3 recording cost: the writer's work on one minute of the capture's
// stereo blocks (8192 frames each), through the recorder's own pieces: the
// microphone's channel with noise suppression, then the MP3 file (LAME at
// quality 9) written to /dev/null. Run one case once for callgrind with
// --encode=CASE; without it, Google Benchmark timings.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include <benchmark/benchmark.h>

#include "record/engine/mic_channel.h"
#include "record/engine/record_file.h"

namespace {

struct Case {
  const char* name;
  int rate, channels, kbps;
  int cleaned;  // channels through the suppressor
};
// mono16, mono44: the microphone at formats 3 and 5 (the default); stereo44:
// the line input or the radio; stereo44ns: each channel cleaned, which the
// recorder never does (it cleans only the microphones), for comparison.
const Case kCases[] = {{"mono16", 16000, 1, 32, 1},
                       {"mono44", 44100, 1, 128, 1},
                       {"stereo44", 44100, 2, 128, 0},
                       {"stereo44ns", 44100, 2, 128, 2}};
constexpr int kBlock = 8192;

// Voiced bursts over a noise floor, a minute long, on both channels.
std::vector<short> Input(const Case& c) {
  std::vector<short> pcm(static_cast<size_t>(c.rate) * 60 * 2);
  unsigned seed = 1;
  double phase = 0;
  for (size_t i = 0; i < pcm.size() / 2; i++) {
    seed = seed * 1103515245u + 12345u;
    double noise = static_cast<int>((seed >> 16) % 1200) - 600;
    double t = static_cast<double>(i) / c.rate;
    phase += 2 * M_PI * (140 + 40 * std::sin(t * 3)) / c.rate;
    double voice = (std::fmod(t, 0.6) < 0.35) ? 6000 * (std::sin(phase) + 0.5 * std::sin(3 * phase)) : 0;
    pcm[2 * i] = pcm[2 * i + 1] = static_cast<short>(voice + noise);
  }
  return pcm;
}

// The bytes of MP3 made, or -1. Named for callgrind's --toggle-collect.
long RecordMinute(const Case& c, const std::vector<short>& capture) {
  RecordFile file;
  if (file.SetFileFormat(RecordFile::kMp3) < 0 || file.SetChannels(c.channels) < 0 || file.SetSampleRate(c.rate) < 0 ||
      file.SetBitRate(c.kbps) < 0 || file.Open("/dev/null") < 0)
    return -1;
  MicChannel mic[2];
  for (int ch = 0; ch < c.cleaned; ch++) mic[ch].Open(c.rate, true);
  std::vector<short> both;
  int err = 0;
  for (size_t at = 0; err == 0 && at + 2 * kBlock <= capture.size(); at += 2 * kBlock) {
    const short* block = &capture[at];
    if (c.channels == 1) {
      int n = mic[0].Take(block, kBlock, 1);  // the built-in microphone's side
      if (n > 0) err = file.Write(mic[0].Out(), n);
    } else if (c.cleaned == 0) {
      err = file.Write(block, kBlock);
    } else {
      int n = mic[0].Take(block, kBlock, 0);
      mic[1].Take(block, kBlock, 1);
      both.resize(2 * static_cast<size_t>(n));
      for (int i = 0; i < n; i++) {
        both[2 * i] = mic[0].Out()[i];
        both[2 * i + 1] = mic[1].Out()[i];
      }
      if (n > 0) err = file.Write(both.data(), n);
    }
  }
  file.Close();
  return err == 0 ? static_cast<long>(file.BytesWritten()) : -1;
}

void BM_Record(benchmark::State& state) {
  const Case& c = kCases[state.range(0)];
  std::vector<short> pcm = Input(c);
  for (auto _ : state) benchmark::DoNotOptimize(RecordMinute(c, pcm));
  state.SetLabel(c.name);
  state.counters["x_realtime"] = benchmark::Counter(60.0 * state.iterations(), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Record)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; i++) {
    if (strncmp(argv[i], "--encode=", 9) != 0) continue;
    for (const Case& c : kCases) {
      if (strcmp(argv[i] + 9, c.name) != 0) continue;
      long bytes = RecordMinute(c, Input(c));
      printf("%s: %ld bytes of MP3 for 60 s\n", c.name, bytes);
      return bytes > 0 ? 0 : 1;
    }
    fprintf(stderr, "cases: mono16 mono44 stereo44 stereo44ns\n");
    return 2;
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  return 0;
}
