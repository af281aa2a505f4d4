// What playing a DAISY book costs: one minute of a 44.1 kHz stereo MP3 clip
// (made at start-up with the ffmpeg tool) played by the DAISY play thread -
// streaming decoder, SoundTouch when the speed is not 0, and a sound card that
// throws the samples away - at speed 0 and at the fastest speed (20, four
// times as fast). `--once=SPEED` plays the clip once and reports the
// instructions per second of output when run under callgrind with
// --collect-atstart=no (only the playing is counted).
#include <benchmark/benchmark.h>
#include <unistd.h>
#include <valgrind/callgrind.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "daisy/player/daisy_player_thread.h"
#include "daisy/player/daisy_settings.h"
#include "players/kit/play_backend.h"

namespace {

constexpr int kSeconds = 60;

// The firmware's decoder, and a card that only counts.
class NullCard : public PlayBackend {
 public:
  std::atomic<long long> frames{0};
  int Open(const char* p, int* r, int* c, int* t) override { return real().Open(p, r, c, t); }
  int Close() override { return real().Close(); }
  int Read(void* b, int n, int* ms) override { return real().Read(b, n, ms); }
  int Seek(int ms, int d) override { return real().Seek(ms, d); }
  int CurMs() override { return real().CurMs(); }
  int StreamCount() override { return real().StreamCount(); }
  int CurStream() override { return real().CurStream(); }
  int SelectStream(int o) override { return real().SelectStream(o); }
  int DurationMs(const char* p) override { return real().DurationMs(p); }
  int Init(unsigned, unsigned r, unsigned) override {
    rate = static_cast<int>(r);
    return 0;
  }
  int PutSamples(short*, int n) override {
    frames += n;
    return 0;
  }
  int Flush() override { return 0; }
  int WaitBufferFinished() override { return 0; }
  int BufferLevel() override { return 0; }
  int rate = 44100;

 private:
  static PlayBackend& real() { return DefaultPlayBackend(); }
};

// A one-clip DAISY 2.02 book around a minute of two tones.
const std::string& Book() {
  static std::string dir = [] {
    char tmpl[] = "/tmp/bench_daisy_play.XXXXXX";
    if (!mkdtemp(tmpl)) return std::string();
    std::string d = tmpl;
    std::string cmd =
        "ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi -i "
        "'sine=f=440:r=44100:d=" +
        std::to_string(kSeconds) +
        "' -f lavfi -i "
        "'sine=f=660:r=44100:d=" +
        std::to_string(kSeconds) +
        "' "
        "-filter_complex amerge=inputs=2 -ac 2 -c:a libmp3lame -b:a 128k " +
        d + "/clip.mp3";
    if (std::system(cmd.c_str()) != 0) return std::string();
    FILE* f = fopen((d + "/ncc.html").c_str(), "w");
    if (!f) return std::string();
    fputs(
        "<html><head><title>Bench</title></head><body>"
        "<h1><a href=\"a.smil#p\">One</a></h1></body></html>\n",
        f);
    fclose(f);
    f = fopen((d + "/a.smil").c_str(), "w");
    if (!f) return std::string();
    fprintf(f,
            "<smil><head/><body><seq><par id=\"p\"><audio src=\"clip.mp3\" "
            "clip-begin=\"npt=0s\" clip-end=\"npt=%ds\"/></par></seq></body></smil>\n",
            kSeconds);
    fclose(f);
    return d;
  }();
  return dir;
}

NullCard& Card() {
  static NullCard* c = new NullCard;
  return *c;
}

DaisyPlayThread& Thread() {
  static DaisyPlayThread* t = [] {
    auto* p = new DaisyPlayThread;
    p->Start(&Card());
    return p;
  }();
  return *t;
}

void WaitFor(int state) {
  while (Thread().State() != state) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

// Plays the clip once at `speed`; the output in seconds, or -1.
double PlayOnce(int speed, bool count) {
  if (Book().empty()) return -1;
  if (Thread().CmdOpen(Book() + "/ncc.html", 1) != 0) return -1;
  while (Thread().State() == DAISY_STATE_OPENING)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  if (Thread().State() != DAISY_STATE_STOPPED) return -1;
  g_Speed = speed;
  Card().frames = 0;
  if (count) CALLGRIND_TOGGLE_COLLECT;
  Thread().CmdPlay();
  WaitFor(DAISY_STATE_END);
  if (count) CALLGRIND_TOGGLE_COLLECT;
  Thread().CmdClose();
  return double(Card().frames) / Card().rate;
}

void BM_DaisyPlayMinute(benchmark::State& state) {
  double out = 0;
  for (auto _ : state) {
    double s = PlayOnce(static_cast<int>(state.range(0)), false);
    if (s < 0) {
      state.SkipWithError("no test book (ffmpeg missing?)");
      return;
    }
    out += s;
  }
  // Processor time per second of output.
  state.counters["output_s"] =
      benchmark::Counter(out, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_DaisyPlayMinute)
    ->Arg(0)
    ->Arg(kDaisySpeedMax)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && strncmp(argv[1], "--once=", 7) == 0) {
    int speed = atoi(argv[1] + 7);
    double s = PlayOnce(speed, true);
    if (s < 0) return 1;
    printf("speed %d: %.2f s of output from a %d s clip\n", speed, s, kSeconds);
    return 0;
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  return 0;
}
