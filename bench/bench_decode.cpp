// Decoding cost of a 44.1 kHz stereo MP3 (128 kbit/s, made at start-up with
// the ffmpeg tool): the streaming decoder the players use, and AudioDecode.
// Counters give the time per second of decoded audio.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "audio/decoder.h"

namespace {

const int kSeconds = 10;

const std::string& Mp3() {
  static std::string path = [] {
    char dir[] = "/tmp/bench_decode.XXXXXX";
    if (!mkdtemp(dir)) return std::string();
    std::string p = std::string(dir) + "/music.mp3";
    std::string cmd = "ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi -i "
                      "'sine=f=440:r=44100:d=" + std::to_string(kSeconds) + "' -f lavfi -i "
                      "'sine=f=660:r=44100:d=" + std::to_string(kSeconds) + "' "
                      "-filter_complex amerge=inputs=2 -ac 2 -c:a libmp3lame -b:a 128k " + p;
    return std::system(cmd.c_str()) == 0 ? p : std::string();
  }();
  return path;
}

void BM_StreamingDecoder(benchmark::State& state) {
  if (Mp3().empty() || ff_audio_init() != 0) {
    state.SkipWithError("no test file (ffmpeg missing?)");
    return;
  }
  std::vector<char> buf(8192);
  long long bytes = 0;
  for (auto _ : state) {
    if (ff_audio_open(Mp3().c_str(), -1, 0, -1) != 0) {
      state.SkipWithError("open failed");
      return;
    }
    int n, cur;
    while ((n = ff_audio_read2(buf.data(), (int)buf.size(), &cur)) > 0) bytes += n;
    ff_audio_close();
  }
  state.counters["audio_s"] = benchmark::Counter((double)bytes / (44100.0 * 4), benchmark::Counter::kIsRate |
                                                                                    benchmark::Counter::kInvert);
  state.SetLabel("time per second of audio in audio_s");
}
BENCHMARK(BM_StreamingDecoder)->Unit(benchmark::kMillisecond);

void BM_AudioDecode(benchmark::State& state) {
  if (Mp3().empty()) {
    state.SkipWithError("no test file (ffmpeg missing?)");
    return;
  }
  std::vector<short> buf(4096);
  long long samples = 0;
  for (auto _ : state) {
    AudioDecode d;
    if (state.range(0)) d.SetSwr(16000, 1);
    unsigned rate, channels, total;
    if (d.Open(Mp3().c_str(), rate, channels, total) != 0) {
      state.SkipWithError("open failed");
      return;
    }
    int n, cur;
    while ((n = d.Read(buf.data(), (unsigned)buf.size(), cur)) > 0) samples += n;
  }
  benchmark::DoNotOptimize(samples);
  state.counters["audio_s"] =
      benchmark::Counter((double)state.iterations() * kSeconds, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
// 0: the file's own format; 1: resampled to 16 kHz mono (the prompt player).
BENCHMARK(BM_AudioDecode)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
