#include <dirent.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <fstream>
#include <chrono>
#include <cmath>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "speech/engine_voice_file.h"
#include "speech/tts_engine.h"
#include "tests/support/test_support.h"

namespace {

class EngineTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    engine_ = tts_create();
    ASSERT_NE(engine_, nullptr) << tts_errmsg();
  }
  static void TearDownTestSuite() {
    tts_destroy(engine_);
    engine_ = nullptr;
  }

  tts_voice* Load(const std::string& voice, const std::string& variant) {
    std::string path = dir_ / (voice + "_" + variant);
    dtbtest::WriteFile(path, "# test voice\nvoice = " + voice + "\nvariant = " + variant + "\n");
    tts_voice* v = tts_load_voice(engine_, "/lib/none.so", path.c_str());
    EXPECT_NE(v, nullptr) << tts_errmsg();
    loaded_.push_back(v);
    return v;
  }

  void TearDown() override {
    for (tts_voice* v : loaded_) tts_unload_voice(v);
  }

  // Every sample of a text through tts_streamer_synth.
  static std::vector<int16_t> SpeakAll(tts_voice* v, const char* text) {
    std::vector<int16_t> out;
    tts_streamer* s = tts_streamer_start(v, text, -1.0f);
    EXPECT_NE(s, nullptr) << tts_errmsg();
    if (!s) return out;
    while (tts_wave* w = tts_streamer_synth(s, 2048)) {
      EXPECT_LE(w->num_samples, 2048);
      EXPECT_EQ(w->sample_rate, 16000);
      out.insert(out.end(), w->samples, w->samples + w->num_samples);
      tts_wave_delete(w);
    }
    EXPECT_FALSE(out.empty()) << tts_errmsg();
    tts_streamer_stop(s);
    return out;
  }

  static double Rms(const std::vector<int16_t>& s) {
    double sum = 0;
    for (int16_t x : s) sum += double(x) * x;
    return s.empty() ? 0 : std::sqrt(sum / s.size());
  }

  static tts_engine* engine_;
  dtbtest::TempDir dir_;
  std::vector<tts_voice*> loaded_;
};

tts_engine* EngineTest::engine_ = nullptr;

TEST(VoiceFile, NamesVoiceAndVariant) {
  EXPECT_EQ(ParseVoiceFile("voice = pl\nvariant = f3\n"), "pl+f3");
  EXPECT_EQ(ParseVoiceFile("# just a voice\nvoice=en-us\r\n"), "en-us");
  EXPECT_EQ(ParseVoiceFile("variant = m1\n"), "");
  // Nothing that could smuggle options or paths into the synthesiser.
  EXPECT_EQ(ParseVoiceFile("voice = pl+f3\n"), "");
  EXPECT_EQ(ParseVoiceFile("voice = ../../x\n"), "");
  EXPECT_EQ(ParseVoiceFile("voice = pl\nvariant = f 3\n"), "");
}

TEST_F(EngineTest, SpeaksSixteenKilohertzSpeechOfPlausibleLength) {
  tts_voice* v = Load("en-us", "f3");
  ASSERT_NE(v, nullptr);
  std::vector<int16_t> s = SpeakAll(v, "Choose internal memory, or micro sd card.");
  // About two to four seconds of audible speech at 16 kHz.
  EXPECT_GT(s.size(), 16000u * 3 / 2);
  EXPECT_LT(s.size(), 16000u * 6);
  EXPECT_GT(Rms(s), 300.0);
}

TEST_F(EngineTest, MissingOrUnknownVoiceFailsToLoad) {
  std::string missing = dir_ / "absent";
  EXPECT_EQ(tts_load_voice(engine_, "/lib/x.so", missing.c_str()), nullptr);
  EXPECT_NE(std::string(tts_errmsg()), "");
  std::string bogus = dir_ / "bogus";
  dtbtest::WriteFile(bogus, "voice = xx-nowhere\n");
  EXPECT_EQ(tts_load_voice(engine_, "/lib/x.so", bogus.c_str()), nullptr);
  EXPECT_NE(std::string(tts_errmsg()).find("xx-nowhere"), std::string::npos);
}

TEST_F(EngineTest, DurStretchChangesTheRateOnThatHandleOnly) {
  tts_voice* a = Load("pl", "m1");
  tts_voice* b = Load("pl", "m1");
  const char* text = "Przechodzę do strony dwanaście, akapit pierwszy.";
  size_t normal = SpeakAll(a, text).size();
  int fast = 1, slow = 90;
  tts_voice_param(a, "set:dur_stretch:", &fast);
  tts_voice_param(b, "set:dur_stretch:", &slow);
  size_t quick = SpeakAll(a, text).size();
  size_t slowly = SpeakAll(b, text).size();
  // Level 20 is about three times normal, level -10 clearly slower.
  EXPECT_LT(quick * 2, normal);
  EXPECT_GT(quick * 5, normal);
  EXPECT_GT(slowly * 10, normal * 13);
}

TEST_F(EngineTest, Synth0FillsTheCallersBuffer) {
  tts_voice* v = Load("en-us", "m1");
  tts_streamer* s = tts_streamer_start(v, "one two three", -1.0f);
  ASSERT_NE(s, nullptr);
  int16_t buf[2048];
  long total = 0;
  int n;
  while ((n = tts_streamer_synth0(s, buf, 2000)) > 0) {
    EXPECT_LE(n, 2000);
    total += n;
  }
  EXPECT_EQ(n, 0);
  tts_streamer_stop(s);
  EXPECT_GT(total, 8000);
}

TEST_F(EngineTest, StopMidTextIsImmediateAndTheHandleStaysUsable) {
  tts_voice* v = Load("en-us", "f3");
  std::string longText;
  for (int i = 0; i < 60; ++i) longText += "This is a long sentence that keeps the synthesiser busy. ";
  tts_streamer* s = tts_streamer_start(v, longText.c_str(), -1.0f);
  ASSERT_NE(s, nullptr);
  tts_wave* w = tts_streamer_synth(s, 2048);
  ASSERT_NE(w, nullptr);
  tts_wave_delete(w);
  auto t0 = std::chrono::steady_clock::now();
  tts_streamer_stop(s);
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                std::chrono::steady_clock::now() - t0).count();
  EXPECT_LT(ms, 100);
  EXPECT_GT(SpeakAll(v, "still here").size(), 4000u);
}

TEST_F(EngineTest, TwoHandlesSpeakAtTheSameTimeOnTwoThreads) {
  tts_voice* sys = Load("en-us", "f3");
  tts_voice* play = Load("pl", "f2");
  // Each thread holds its streamer open while the other works: with one
  // shared synthesiser behind a lock, one of them would wait for the other.
  std::atomic<int> firstBlocks{0};
  std::atomic<bool> overlapped{false};
  auto run = [&](tts_voice* v, const char* text, size_t* count) {
    tts_streamer* s = tts_streamer_start(v, text, -1.0f);
    ASSERT_NE(s, nullptr);
    bool first = true;
    while (tts_wave* w = tts_streamer_synth(s, 2048)) {
      if (first) {
        first = false;
        firstBlocks++;
        for (int i = 0; i < 200 && firstBlocks < 2; ++i)
          std::this_thread::sleep_for(std::chrono::milliseconds(5));
        if (firstBlocks == 2) overlapped = true;
      }
      *count += w->num_samples;
      tts_wave_delete(w);
    }
    tts_streamer_stop(s);
  };
  size_t a = 0, b = 0;
  std::thread t1(run, sys, "System prompt while a book is read.", &a);
  std::thread t2(run, play, "Czytam książkę, a system mówi swoje.", &b);
  t1.join();
  t2.join();
  EXPECT_TRUE(overlapped);
  EXPECT_GT(a, 8000u);
  EXPECT_GT(b, 8000u);
}

// Our synthesis workers: child processes of this test.
std::vector<pid_t> Workers() {
  std::vector<pid_t> out;
  DIR* d = opendir("/proc");
  while (dirent* e = d ? readdir(d) : nullptr) {
    pid_t pid = atoi(e->d_name);
    if (pid <= 0) continue;
    std::ifstream stat("/proc/" + std::string(e->d_name) + "/stat");
    std::string pidText, comm, state;
    long ppid = 0;
    if (stat >> pidText >> comm >> state >> ppid && ppid == getpid()) out.push_back(pid);
  }
  if (d) closedir(d);
  return out;
}

TEST_F(EngineTest, AWorkerThatDiesMidTextIsReplaced) {
  tts_voice* v = Load("en-us", "m1");
  std::string longText;
  for (int i = 0; i < 40; ++i) longText += "Words keep coming from the worker. ";
  tts_streamer* s = tts_streamer_start(v, longText.c_str(), -1.0f);
  ASSERT_NE(s, nullptr);
  tts_wave* w = tts_streamer_synth(s, 2048);
  ASSERT_NE(w, nullptr);
  tts_wave_delete(w);
  std::vector<pid_t> workers = Workers();
  ASSERT_FALSE(workers.empty());
  for (pid_t p : workers) kill(p, SIGKILL);
  // Wait until they have exited (zombies: their sockets are closed).
  for (pid_t p : workers) {
    for (int i = 0; i < 5000; ++i) {
      std::ifstream stat("/proc/" + std::to_string(p) + "/stat");
      std::string pidText, comm, state;
      if (!(stat >> pidText >> comm >> state) || state == "Z") break;
      usleep(2000);
    }
  }
  // What was already sent may still arrive; then the text ends in an error.
  int blocks = 0;
  while ((w = tts_streamer_synth(s, 2048)) != nullptr && blocks < 1000) {
    tts_wave_delete(w);
    ++blocks;
  }
  EXPECT_LT(blocks, 1000);
  tts_streamer_stop(s);
  // The next text gets a new worker.
  EXPECT_GT(SpeakAll(v, "back again").size(), 4000u);
}

TEST_F(EngineTest, SilenceParametersPadTheSpeech) {
  tts_voice* v = Load("en-us", "m1");
  size_t plain = SpeakAll(v, "yes").size();
  int ms = 100;
  tts_voice_param(v, "set:initial_silence", &ms);
  tts_voice_param(v, "set:final_silence", &ms);
  std::vector<int16_t> padded = SpeakAll(v, "yes");
  // The synthesiser's own length may vary by a few samples between runs.
  EXPECT_NEAR(double(padded.size()), double(plain + 2 * 1600), 40.0);
  for (int i = 0; i < 1600; ++i) ASSERT_EQ(padded[i], 0);
  for (size_t i = padded.size() - 1600; i < padded.size(); ++i) ASSERT_EQ(padded[i], 0);
  const char* type = "text/plain";
  EXPECT_EQ(tts_voice_param(v, "set:input type", &type), 0);
  EXPECT_EQ(tts_voice_param(v, "set:nonsense", &ms), -1);
}

}  // namespace
