// The per-block work of the music play thread: the equalizer and the speed
// and pitch chain on one 4096-byte decode block of 44.1 kHz stereo, and
// reading a large play list. `--once` runs one minute of music through the
// equalizer and the chain (for callgrind and /usr/bin/time).
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "players/kit/equalizer.h"
#include "players/m3u.h"
#include "players/kit/speed_pitch.h"

namespace {

std::vector<short> Block() {
  std::vector<short> b(2048);
  for (size_t i = 0; i < b.size() / 2; ++i) {
    short v = static_cast<short>(9000 * std::sin(i * 0.0712) + 3000 * std::sin(i * 1.13));
    b[2 * i] = b[2 * i + 1] = v;
  }
  return b;
}

void BM_EqualizerBlock(benchmark::State& state) {
  Equalizer eq;
  eq.Init(44100, 2, 2);
  std::vector<short> src = Block(), b = src;
  for (auto _ : state) {
    b = src;
    eq.Process(b.data(), static_cast<int>(b.size() * 2));
    benchmark::DoNotOptimize(b.data());
  }
  state.SetBytesProcessed(state.iterations() * 4096);
}
BENCHMARK(BM_EqualizerBlock);

void BM_SpeedPitchBlock(benchmark::State& state) {
  SpeedPitch sp;
  sp.SetFormat(44100, 2);
  sp.SetTempoChange(20);
  sp.SetPitchSemiTones(static_cast<int>(state.range(0)));
  std::vector<short> b = Block();
  long out = 0;
  for (auto _ : state) {
    sp.Process(b.data(), 1024, [&](short*, int n) {
      out += n;
      return 0;
    });
  }
  benchmark::DoNotOptimize(out);
  state.SetBytesProcessed(state.iterations() * 4096);
}
BENCHMARK(BM_SpeedPitchBlock)->Arg(0)->Arg(3);

void BM_PlayList10000(benchmark::State& state) {
  std::string text = "#EXTM3U\r\n";
  for (int i = 0; i < 10000; ++i)
    text += "#EXTINF:123,Artist - Title " + std::to_string(i) + "\r\nE:\\Music\\Album\\Track " +
            std::to_string(i) + ".mp3\r\n";
  for (auto _ : state) {
    std::vector<std::string> e;
    ParsePlayListText(DecodePlayListText(text.data(), text.size()), "/mnt/emmc/lists/", &e);
    benchmark::DoNotOptimize(e.data());
  }
}
BENCHMARK(BM_PlayList10000);

// One minute of 44.1 kHz stereo through the equalizer, then through the chain.
int RunOnce() {
  std::vector<short> src = Block(), b;
  Equalizer eq;
  eq.Init(44100, 2, 2);
  SpeedPitch sp;
  sp.SetFormat(44100, 2);
  sp.SetTempoChange(20);
  long out = 0;
  const int blocks = 44100 * 60 / 1024;
  for (int i = 0; i < blocks; ++i) {
    b = src;
    eq.Process(b.data(), 4096);
    sp.Process(b.data(), 1024, [&](short*, int n) {
      out += n;
      return 0;
    });
  }
  printf("%d blocks, %ld frames out\n", blocks, out);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && strcmp(argv[1], "--once") == 0) return RunOnce();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  return 0;
}
