// Speech latency: how long from SysTts_Play until the first samples of a
// short prompt reach the sound card, and the same for player speech and for
// the engine alone. Runs on the host board with the build's /home.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "audio/soundcard.h"
#include "platform/host/host_board.h"
#include "speech/tts.h"
#include "speech/tts_engine.h"
#include "speech/tts_output.h"
#include "speech/ux_language.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

std::mutex g_mu;
std::condition_variable g_cv;
bool g_first = false;
Clock::time_point g_firstAt;

int TimedPut(short* samples, int frames) {
  {
    std::lock_guard<std::mutex> lock(g_mu);
    if (!g_first && frames > 0) {
      g_first = true;
      g_firstAt = Clock::now();
      g_cv.notify_all();
    }
  }
  return SoundCard_PutSamples(samples, frames);
}

// The sound card, noting when the first samples reach it.
class TimedSink final : public SoundSink {
 public:
  int Init(unsigned channels, unsigned rate, unsigned latencyUs) override {
    return SoundCardSink().Init(channels, rate, latencyUs);
  }
  int PutSamples(short* samples, int frames) override { return TimedPut(samples, frames); }
  int Flush() override { return SoundCardSink().Flush(); }
  int WaitBufferFinished() override { return SoundCardSink().WaitBufferFinished(); }
  int BufferLevel() override { return SoundCardSink().BufferLevel(); }
};

int TimedCallback(short* samples, int count, void*) {
  bool zeros = std::all_of(samples, samples + count, [](short s) { return s == 0; });
  if (zeros) return 0;  // leading silence is not speech yet
  TimedPut(samples, count);
  return 1;             // one block is all this measures
}

// The device root of this run: /home from the build, a scratch rest.
bool Setup() {
  static bool ok = [] {
    std::string exe = fs::read_symlink("/proc/self/exe").string();
    std::string home = fs::path(exe).parent_path().parent_path().string() + "/home";
    std::string root = fs::temp_directory_path().string() + "/dtbbench-speech-" +
                       std::to_string(getpid());
    fs::create_directories(root + "/var/log");
    fs::create_directories(root + "/var/board");
    fs::create_directory_symlink(home, root + "/home");
    board::HostOptions options;
    options.mount_disks = false;
    board::Install(board::MakeHostBoard(root, options));
    setenv("DTB_AUDIO_PACE", "1", 0);
    static TimedSink sink;
    SetTtsOutput(&sink);
    g_pUxLanguage = GetUxLanguage(1);
    if (SysTts_Init() != 0) return false;
    Tts_SetRole(0, 5);
    Tts_SetRole(1, 5);
    return true;
  }();
  return ok;
}

double WaitFirst(Clock::time_point t0) {
  std::unique_lock<std::mutex> lock(g_mu);
  g_cv.wait_for(lock, std::chrono::seconds(5), [] { return g_first; });
  return g_first ? std::chrono::duration<double>(g_firstAt - t0).count() : 5.0;
}

void ReportMedian(benchmark::State& state, std::vector<double>& seconds) {
  if (seconds.empty()) return;
  std::sort(seconds.begin(), seconds.end());
  state.counters["median_ms"] = seconds[seconds.size() / 2] * 1000;
  state.counters["max_ms"] = seconds.back() * 1000;
}

void BM_SystemSpeechFirstSample(benchmark::State& state) {
  if (!Setup()) {
    state.SkipWithError("speech engine not available");
    return;
  }
  std::vector<double> all;
  for (auto _ : state) {
    SysTts_Stop();
    {
      std::lock_guard<std::mutex> lock(g_mu);
      g_first = false;
    }
    Clock::time_point t0 = Clock::now();
    SysTts_Play("Internal memory", 0);
    double s = WaitFirst(t0);
    state.SetIterationTime(s);
    all.push_back(s);
  }
  SysTts_Stop();
  ReportMedian(state, all);
}
BENCHMARK(BM_SystemSpeechFirstSample)->UseManualTime()->Iterations(40)->Unit(benchmark::kMillisecond);

void BM_PlayerSpeechFirstSample(benchmark::State& state) {
  if (!Setup()) {
    state.SkipWithError("speech engine not available");
    return;
  }
  SysTts_Stop();
  PlayTts_Init(TimedCallback, nullptr);
  SoundCard_Init(false, 1, 16000, 500000);
  std::vector<double> all;
  for (auto _ : state) {
    {
      std::lock_guard<std::mutex> lock(g_mu);
      g_first = false;
    }
    Clock::time_point t0 = Clock::now();
    PlayTts_Play("Chapter one. It was a bright cold day in April.", 0);
    double s = WaitFirst(t0);
    state.SetIterationTime(s);
    all.push_back(s);
  }
  ReportMedian(state, all);
}
BENCHMARK(BM_PlayerSpeechFirstSample)->UseManualTime()->Iterations(40)->Unit(benchmark::kMillisecond);

// The engine alone: streamer start to the first block, and a whole prompt.
void BM_EngineFirstBlock(benchmark::State& state) {
  static tts_engine* engine = tts_create();
  std::string file = fs::temp_directory_path().string() + "/dtbbench-voice";
  FILE* f = fopen(file.c_str(), "w");
  if (f) {
    fputs("voice = en-us\nvariant = f3\n", f);
    fclose(f);
  }
  tts_voice* v = engine ? tts_load_voice(engine, "", file.c_str()) : nullptr;
  if (!v) {
    state.SkipWithError("speech engine not available");
    return;
  }
  std::vector<double> all;
  for (auto _ : state) {
    Clock::time_point t0 = Clock::now();
    tts_streamer* s = tts_streamer_start(v, "Choose internal memory, or micro sd card.", -1.0f);
    tts_wave* w = s ? tts_streamer_synth(s, 2048) : nullptr;
    double sec = std::chrono::duration<double>(Clock::now() - t0).count();
    if (w) tts_wave_delete(w);
    tts_streamer_stop(s);
    state.SetIterationTime(sec);
    all.push_back(sec);
  }
  tts_unload_voice(v);
  ReportMedian(state, all);
}
BENCHMARK(BM_EngineFirstBlock)->UseManualTime()->Iterations(100)->Unit(benchmark::kMillisecond);

void BM_CatalogueDuration(benchmark::State& state) {
  char buf[256];
  iUxLanguage* pl = GetUxLanguage(0);
  int s = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(pl->GetAudioInfoString("Rozdział 1.mp3", s, 7322, buf, sizeof buf));
    s = (s + 37) % 7322;
  }
}
BENCHMARK(BM_CatalogueDuration);

}  // namespace

BENCHMARK_MAIN();
