#include "tests/speech/speech_env.h"

#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <sstream>
#include <thread>

#include "platform/host/host_board.h"
#include "speech/tts.h"
#include "speech/tts_output.h"

namespace speechtest {
namespace {

std::mutex g_mu;
Captured g_captured;
std::atomic<bool> g_paced{false};
std::atomic<int> g_hwLevel{0};

// Keeps every call in g_captured, with the time of each block.
class CaptureSink final : public SoundSink {
 public:
  int Init(unsigned channels, unsigned rate, unsigned latency) override {
    std::lock_guard<std::mutex> lock(g_mu);
    g_captured.inits++;
    g_captured.lastChannels = channels;
    g_captured.lastRate = rate;
    g_captured.lastLatency = latency;
    return 0;
  }
  int PutSamples(short* samples, int frames) override {
    if (frames <= 0) return 0;
    {
      std::lock_guard<std::mutex> lock(g_mu);
      g_captured.samples.insert(g_captured.samples.end(), samples, samples + frames);
      g_captured.putTimes.push_back(std::chrono::steady_clock::now());
    }
    if (g_paced) std::this_thread::sleep_for(std::chrono::microseconds(frames * 1000000LL / 16000));
    return 0;
  }
  int Flush() override {
    std::lock_guard<std::mutex> lock(g_mu);
    g_captured.flushes++;
    return 0;
  }
  int WaitBufferFinished() override { return 0; }
  int BufferLevel() override { return g_hwLevel; }
};

}  // namespace

SpeechEnv::SpeechEnv(bool withVoices) {
  namespace fs = std::filesystem;
  fs::create_directories(root_.path() + "/var/log");
  if (withVoices)
    fs::create_directory_symlink(DTB_HOME_DIR, root_.path() + "/home");
  else
    fs::create_directories(root_.path() + "/home/beep");
  board::HostOptions options;
  options.mount_disks = false;
  board::Install(board::MakeHostBoard(root_.path(), options));
  static CaptureSink sink;
  SetTtsOutput(&sink);
}

SpeechEnv& SpeechEnv::Get(bool withVoices) {
  static SpeechEnv* env = new SpeechEnv(withVoices);
  return *env;
}

std::vector<std::string> SpeechEnv::Transcript() const {
  std::vector<std::string> out;
  std::istringstream in(dtbtest::ReadFile(root_.path() + "/var/log/transcript"));
  std::string line;
  while (std::getline(in, line)) {
    size_t sp = line.find(' ');  // after the time stamp
    out.push_back(sp == std::string::npos ? line : line.substr(sp + 1));
  }
  return out;
}

std::string SpeechEnv::LastUtterance() const {
  auto t = Transcript();
  return t.empty() ? "" : t.back();
}

Captured SpeechEnv::Output() {
  std::lock_guard<std::mutex> lock(g_mu);
  return g_captured;
}

void SpeechEnv::ResetOutput() {
  std::lock_guard<std::mutex> lock(g_mu);
  g_captured = Captured();
}

void SpeechEnv::SetPaced(bool paced) { g_paced = paced; }
void SpeechEnv::SetHwLevel(int frames) { g_hwLevel = frames; }

bool WaitIdle(int ms) {
  for (int i = 0; i < ms / 5; ++i) {
    if (!SysTts_CheckRunning()) return true;
    usleep(5000);
  }
  return !SysTts_CheckRunning();
}

}  // namespace speechtest
