// MP3 recording cost: noise suppression and LAME encoding of one minute of
// audio in the writer's blocks of 8192 frames, at the recorder's settings
// (quality 9). Run one case once for callgrind with --encode=CASE
// (mono16, mono44, stereo44); without it, Google Benchmark timings.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "core/lib/lame/mp3_encoder.h"
#include "core/lib/speex/noise_suppressor.h"

namespace {

struct Case {
  const char* name;
  int rate, channels, kbps;
};
const Case kCases[] = {{"mono16", 16000, 1, 32}, {"mono44", 44100, 1, 128}, {"stereo44", 44100, 2, 128}};
constexpr int kBlock = 8192;

// Voiced bursts over a noise floor, a minute long, interleaved.
std::vector<short> Input(const Case& c) {
  std::vector<short> pcm(static_cast<size_t>(c.rate) * 60 * c.channels);
  unsigned seed = 1;
  double phase = 0;
  for (size_t i = 0; i < pcm.size() / c.channels; i++) {
    seed = seed * 1103515245u + 12345u;
    double noise = static_cast<int>((seed >> 16) % 1200) - 600;
    double t = static_cast<double>(i) / c.rate;
    phase += 2 * M_PI * (140 + 40 * std::sin(t * 3)) / c.rate;
    double voice = (std::fmod(t, 0.6) < 0.35) ? 6000 * (std::sin(phase) + 0.5 * std::sin(3 * phase)) : 0;
    for (int ch = 0; ch < c.channels; ch++) pcm[i * c.channels + ch] = static_cast<short>(voice + noise);
  }
  return pcm;
}

// Returns the MP3 bytes produced.
long Encode(const Case& c, const std::vector<short>& pcm) {
  Mp3Encoder mp3;
  if (mp3.Open(c.channels, c.rate, c.kbps, 9) != 0) return -1;
  int frame = c.rate / 50;
  std::vector<NoiseSuppressor> ns(c.channels);
  for (auto& n : ns) n.Open(frame, c.rate, -20);
  std::vector<short> chan[2] = {std::vector<short>(kBlock + frame), std::vector<short>(kBlock + frame)};
  int pending = 0;
  std::vector<unsigned char> out(Mp3Encoder::OutBytesFor(kBlock + frame));
  long bytes = 0;
  size_t frames = pcm.size() / c.channels;
  for (size_t at = 0; at + kBlock <= frames; at += kBlock) {
    for (int ch = 0; ch < c.channels; ch++)
      for (int i = 0; i < kBlock; i++) chan[ch][pending + i] = static_cast<short>(pcm[(at + i) * c.channels + ch] * 85 / 100);
    int total = pending + kBlock, whole = total / frame * frame;
    for (int ch = 0; ch < c.channels; ch++)
      for (int i = 0; i < whole; i += frame) ns[ch].Run(&chan[ch][i]);
    int n = mp3.Encode(chan[0].data(), chan[c.channels - 1].data(), whole, out.data(), out.size());
    if (n < 0) return -1;
    bytes += n;
    pending = total - whole;
    for (int ch = 0; ch < c.channels; ch++) memmove(chan[ch].data(), chan[ch].data() + whole, pending * sizeof(short));
  }
  return bytes + mp3.Flush(out.data(), out.size());
}

void BM_Record(benchmark::State& state) {
  const Case& c = kCases[state.range(0)];
  std::vector<short> pcm = Input(c);
  for (auto _ : state) benchmark::DoNotOptimize(Encode(c, pcm));
  state.SetLabel(c.name);
  state.counters["x_realtime"] = benchmark::Counter(60.0 * state.iterations(), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Record)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; i++) {
    if (strncmp(argv[i], "--encode=", 9) != 0) continue;
    for (const Case& c : kCases) {
      if (strcmp(argv[i] + 9, c.name) != 0) continue;
      long bytes = Encode(c, Input(c));
      printf("%s: %ld bytes of MP3 for 60 s\n", c.name, bytes);
      return bytes > 0 ? 0 : 1;
    }
    fprintf(stderr, "cases: mono16 mono44 stereo44\n");
    return 2;
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  return 0;
}
