#include <unistd.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "speech/tts.h"
#include "speech/tts_output.h"
#include "speech/ux_language.h"
#include "tests/speech/speech_env.h"

namespace {

using Clock = std::chrono::steady_clock;
using speechtest::SpeechEnv;
using speechtest::WaitIdle;

// What a player's data callback saw.
struct Sink {
  std::mutex mu;
  std::vector<short> speech;  // every sample handed over
  int silenceBlocks = 0;      // all-zero blocks of 800 from the silence thread
  std::vector<Clock::time_point> times;
  int cancelAfterSpeech = -1;  // cancel once this many samples arrived
  bool cancelSilence = false;
  int delayMs = 0;
};

int Collect(short* samples, int count, void* user) {
  Sink* s = static_cast<Sink*>(user);
  bool zero = true;
  for (int i = 0; i < count && zero; ++i) zero = samples[i] == 0;
  int delay;
  {
    std::lock_guard<std::mutex> lock(s->mu);
    if (zero && count == 800) {
      s->silenceBlocks++;
      if (s->cancelSilence) return 1;
      return 0;
    }
    s->speech.insert(s->speech.end(), samples, samples + count);
    s->times.push_back(Clock::now());
    if (s->cancelAfterSpeech >= 0 && static_cast<int>(s->speech.size()) >= s->cancelAfterSpeech)
      return 1;
    delay = s->delayMs;
  }
  if (delay) std::this_thread::sleep_for(std::chrono::milliseconds(delay));
  return 0;
}

std::vector<uint16_t> Utf16(const std::u16string& s) { return {s.begin(), s.end()}; }

class PlayTtsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    SpeechEnv::Get();
    ASSERT_EQ(SysTts_Init(), 0);
  }
  void SetUp() override {
    SysTts_Stop();
    SpeechEnv::Get().SetPaced(false);
    SpeechEnv::Get().SetHwLevel(5000);  // enough queued: no leading silence
    SpeechEnv::Get().ResetOutput();
    ASSERT_EQ(PlayTts_Init(Collect, &sink_), 0);
    Tts_SetRole(1, 0);
    Tts_SetSpeed(1, 0);
  }
  Sink sink_;
};

TEST_F(PlayTtsTest, Utf8TextReachesTheCallback) {
  EXPECT_EQ(PlayTts_Play("Rozdział pierwszy. Czytam tekst.", 0), 0);
  EXPECT_GT(sink_.speech.size(), 16000u);
  EXPECT_EQ(SpeechEnv::Get().LastUtterance(), "read Rozdział pierwszy. Czytam tekst.");
  // Only the first bytes when a length is given.
  EXPECT_EQ(PlayTts_Play("Rozdział pierwszy", 9), 0);
  EXPECT_EQ(SpeechEnv::Get().LastUtterance(), "read Rozdział");
  EXPECT_EQ(PlayTts_Play(static_cast<const char*>(nullptr), 0), -1);
}

TEST_F(PlayTtsTest, Utf16TextIsConverted) {
  auto text = Utf16(u"Zażółć gęślą jaźń € 1");
  EXPECT_EQ(PlayTts_Play(text.data(), static_cast<int>(text.size())), 0);
  EXPECT_EQ(SpeechEnv::Get().LastUtterance(), "read Zażółć gęślą jaźń € 1");
  EXPECT_GT(sink_.speech.size(), 8000u);
  // A count shorter than the text speaks only that many units.
  EXPECT_EQ(PlayTts_Play(text.data(), 6), 0);
  EXPECT_EQ(SpeechEnv::Get().LastUtterance(), "read Zażółć");
}

TEST_F(PlayTtsTest, Utf16ControlsAndSurrogatePairs) {
  // A NUL or a line break inside the sentence reads on; a pair is one letter.
  using namespace std::string_literals;
  auto text = Utf16(u"Ala\u0000ma\u000bkota \U0001F600 i \U00010348."s);
  EXPECT_EQ(PlayTts_Play(text.data(), static_cast<int>(text.size())), 0);
  EXPECT_EQ(SpeechEnv::Get().LastUtterance(), "read Ala ma kota \U0001F600 i \U00010348.");
  std::vector<uint16_t> lone = {'a', 0xD800, 'b', 0xDC00};
  EXPECT_EQ(PlayTts_Play(lone.data(), 4), 0);
  EXPECT_EQ(SpeechEnv::Get().LastUtterance(), "read ab");
}

TEST_F(PlayTtsTest, CallbackCancelsMidText) {
  std::string text;
  for (int i = 0; i < 30; ++i) text += "A long sentence of the book that goes on and on. ";
  sink_.cancelAfterSpeech = 4000;
  auto t0 = Clock::now();
  EXPECT_EQ(PlayTts_Play(text.c_str(), 0), -2);
  EXPECT_LT(Clock::now() - t0, std::chrono::milliseconds(500));
  EXPECT_LT(sink_.speech.size(), 4000u + 2048u);
  auto t16 = Utf16(u"A long sentence of the book that goes on and on. And on.");
  sink_.speech.clear();
  EXPECT_EQ(PlayTts_Play(t16.data(), static_cast<int>(t16.size())), -2);
  // The engine is ready for the next text at once.
  sink_.cancelAfterSpeech = -1;
  EXPECT_EQ(PlayTts_Play("Next.", 0), 0);
}

TEST_F(PlayTtsTest, SilenceFeedsTheCardUntilTheFirstChunk) {
  SpeechEnv::Get().SetHwLevel(0);  // empty card: the silence thread feeds it
  EXPECT_EQ(PlayTts_Play("Silence first.", 0), 0);
  EXPECT_GE(sink_.silenceBlocks, 1);
  EXPECT_GT(sink_.speech.size(), 4000u);
}

TEST_F(PlayTtsTest, CancelDuringLeadingSilenceEndsAtTheFirstChunk) {
  SpeechEnv::Get().SetHwLevel(0);
  sink_.cancelSilence = true;
  EXPECT_EQ(PlayTts_Play("Never heard.", 0), -2);
  EXPECT_TRUE(sink_.speech.empty());
  // The next text starts cleanly.
  sink_.cancelSilence = false;
  EXPECT_EQ(PlayTts_Play("Heard.", 0), 0);
  EXPECT_FALSE(sink_.speech.empty());
}

TEST_F(PlayTtsTest, PlayerVoiceChangesWaitForTheCurrentText) {
  sink_.delayMs = 20;  // a slow consumer keeps the text going for a while
  Clock::time_point speedEnd;
  std::thread reader([&] {
    EXPECT_EQ(PlayTts_Play("One two three four five six seven eight nine ten.", 0), 0);
  });
  while (true) {
    std::lock_guard<std::mutex> lock(sink_.mu);
    if (!sink_.speech.empty()) break;
  }
  EXPECT_EQ(Tts_SetSpeed(1, 50), 0);
  speedEnd = Clock::now();
  reader.join();
  // Every block of the text was handed over before the change went through.
  ASSERT_GT(sink_.times.size(), 3u);
  EXPECT_GT(speedEnd, sink_.times.back());
}

TEST_F(PlayTtsTest, SystemAndPlayerSpeechRunTogether) {
  SpeechEnv::Get().SetPaced(true);
  std::string sys;
  for (int i = 0; i < 10; ++i) sys += "System prompt while the book is read aloud. ";
  ASSERT_EQ(SysTts_Play(sys.c_str(), 0), 0);
  for (int i = 0; i < 2000 && SpeechEnv::Get().Output().samples.empty(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  ASSERT_EQ(SysTts_CheckRunning(), 1);
  sink_.delayMs = 30;  // the reader plays its blocks in about real time too
  Clock::time_point start = Clock::now();
  ASSERT_EQ(PlayTts_Play("Czytam książkę na głos, a system mówi w tym samym czasie.", 0), 0);
  Clock::time_point end = Clock::now();
  EXPECT_EQ(SysTts_CheckRunning(), 1);  // the system prompt is still going
  auto out = SpeechEnv::Get().Output();
  SysTts_Stop();
  // Both produced audio, and system speech kept writing while the reader ran.
  EXPECT_GT(sink_.speech.size(), 16000u);
  int during = 0;
  for (auto t : out.putTimes) during += (t > start && t < end);
  EXPECT_GE(during, 3);
  // How much the paced system voice wrote by now depends on the machine's
  // load, not on the code: only that it wrote is asserted.
  EXPECT_FALSE(out.samples.empty());
}

// Zero crossings per sample of what the callback got.
double Crossings(const std::vector<short>& v) {
  int n = 0;
  for (size_t i = 1; i < v.size(); ++i) n += (v[i - 1] < 0) != (v[i] < 0);
  return v.empty() ? 0 : double(n) / v.size();
}

TEST_F(PlayTtsTest, PitchRaisesAndLowersThePlayerVoice) {
  auto speak = [&](int pitch) {
    EXPECT_EQ(Tts_SetPitch(TTS_CHANNEL_PLAYER, pitch), 0);
    sink_.speech.clear();
    EXPECT_EQ(PlayTts_Play("Aaaaa ooooo aaaaa.", 0), 0);
    return Crossings(sink_.speech);
  };
  const double low = speak(-5), normal = speak(0), high = speak(5);
  EXPECT_LT(low, normal);
  EXPECT_LT(normal, high);
  EXPECT_EQ(Tts_SetPitch(7, 0), -1);
  Tts_SetPitch(TTS_CHANNEL_PLAYER, 0);
}

int NoSound(const char*, const short*, int) { return 0; }

// A text the engine makes no sound of (punctuation) ends as finished, or as
// stopped when the callback stopped it during its leading silence: the
// caller must know which.
TEST_F(PlayTtsTest, ATextWithoutSoundSaysWhetherItWasStopped) {
  PlayTtsBlockFilter old = SetPlayTtsBlockFilter(NoSound);
  SpeechEnv::Get().SetHwLevel(0);  // the silence thread feeds the callback first
  EXPECT_EQ(PlayTts_Play("...", 0), 0);
  EXPECT_GE(sink_.silenceBlocks, 1);
  sink_.cancelSilence = true;
  EXPECT_EQ(PlayTts_Play("...", 0), -2);
  sink_.cancelSilence = false;
  SetPlayTtsBlockFilter(old);
  EXPECT_EQ(PlayTts_Play("Heard.", 0), 0);
  EXPECT_FALSE(sink_.speech.empty());
}

TEST_F(PlayTtsTest, NoCallbackNoSynthesis) {
  ASSERT_EQ(PlayTts_Init(nullptr, nullptr), 0);
  EXPECT_EQ(PlayTts_Play("nobody listens", 0), -1);
}

}  // namespace
