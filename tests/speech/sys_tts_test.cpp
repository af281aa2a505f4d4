#include <unistd.h>

#include <cctype>
#include <chrono>
#include <cmath>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "speech/tts.h"
#include "speech/tts_internal.h"
#include "speech/ux_language.h"
#include "tests/speech/speech_env.h"

namespace {

using speechtest::SpeechEnv;
using speechtest::WaitIdle;

double Rms(const std::vector<short>& s, size_t from = 0) {
  double sum = 0;
  for (size_t i = from; i < s.size(); ++i) sum += double(s[i]) * s[i];
  return s.size() > from ? std::sqrt(sum / double(s.size() - from)) : 0;
}

std::string LongText() {
  std::string t;
  for (int i = 0; i < 40; ++i) t += "This sentence is part of a long prompt that takes a while. ";
  return t;
}

class SysTtsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    SpeechEnv::Get();
    ASSERT_EQ(SysTts_Init(), 0);
    ASSERT_EQ(SysTts_Init(), 0);  // a second call changes nothing
  }
  void SetUp() override {
    SpeechEnv::Get().SetPaced(false);
    SysTts_Stop();
    ASSERT_TRUE(WaitIdle(5000));
    SpeechEnv::Get().ResetOutput();
    Tts_SetRole(0, 5);
    Tts_SetSpeed(0, 0);
    g_pUxLanguage = GetUxLanguage(1);
    g_CurLanguage = 1;
  }
  SpeechEnv& env() { return SpeechEnv::Get(); }
};

// The voices' data are plain voice files of the build, named by the voice.
TEST(TtsVoices, EveryVoiceHasItsFileInTheVoicesFolder) {
  for (const TtsRole& r : g_Roles) {
    std::string path = r.dataPath;
    ASSERT_EQ(0u, path.rfind("/home/voices/", 0)) << path;
    std::string name = r.name;
    for (char& c : name) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    EXPECT_NE(std::string::npos, path.find(name + ".voice")) << path;
    EXPECT_EQ(0, access((std::string(DTB_BINARY_DIR) + path).c_str(), R_OK)) << path;
  }
}

TEST(TtsRate, SpeedLevelsGiveDurStretch) {
  // The settings' level L becomes a rate value s, which maps to 60 - 3L.
  auto level = [](int L) { return L < 0 ? 5 * L : L <= 10 ? 10 * L : 20 * L - 100; };
  EXPECT_EQ(Tts_SpeedToDurStretch(level(-10)), 90);
  EXPECT_EQ(Tts_SpeedToDurStretch(level(0)), 60);
  EXPECT_EQ(Tts_SpeedToDurStretch(level(10)), 30);
  EXPECT_EQ(Tts_SpeedToDurStretch(level(11)), 27);
  EXPECT_EQ(Tts_SpeedToDurStretch(level(19)), 3);
  EXPECT_EQ(Tts_SpeedToDurStretch(level(20)), 1);
  for (int L = -10; L < 20; ++L) EXPECT_EQ(Tts_SpeedToDurStretch(level(L)), 60 - 3 * L) << L;
  // Values beyond the settings' range stay within the engine's.
  EXPECT_EQ(Tts_SpeedToDurStretch(1000), 1);
  EXPECT_EQ(Tts_SpeedToDurStretch(-1000), 90);
  EXPECT_EQ(Tts_SpeedToDurStretch(-7), 63);   // -7 / 5 truncates to -1
  EXPECT_EQ(Tts_SpeedToDurStretch(105), 30);  // 100 + 5 / 2 = 102
}

TEST(TtsVoices, TableAndLanguageQueries) {
  EXPECT_EQ(Tts_GetTotalRoles(), 7);
  EXPECT_EQ(Tts_GetTotalLanguages(), 2);
  EXPECT_STREQ(Tts_GetLanguageDes(0), "polish");
  EXPECT_STREQ(Tts_GetLanguageDes(1), "english");
  EXPECT_STREQ(Tts_GetLanguageDes(2), "");
  EXPECT_STREQ(Tts_GetLanguageDes(-1), "");
  EXPECT_EQ(Tts_GetVoiceCnt(0), 5);
  EXPECT_EQ(Tts_GetVoiceCnt(1), 2);
  EXPECT_EQ(Tts_GetVoiceCnt(2), 0);
  EXPECT_EQ(Tts_GetLanguageStartVoiceIndex(0), 0);
  EXPECT_EQ(Tts_GetLanguageStartVoiceIndex(1), 5);
  EXPECT_EQ(Tts_GetLanguageStartVoiceIndex(7), 0);
  EXPECT_STREQ(Tts_GetRoleDes(3), "Jacek");
  EXPECT_STREQ(Tts_GetRoleDes(6), "Joey");
  EXPECT_STREQ(Tts_GetRoleDes(9), "Ewa");
  EXPECT_EQ(Tts_GetSex(2), 0);
  EXPECT_EQ(Tts_GetSex(4), 1);
  EXPECT_EQ(Tts_GetSex(6), 1);
  EXPECT_EQ(Tts_GetSex(-3), Tts_GetSex(0));
  EXPECT_EQ(Tts_GetTotalEffects(), 0);
  EXPECT_STREQ(Tts_GetEffectDes(0, 0), "");
}

TEST_F(SysTtsTest, ChannelChecks) {
  EXPECT_EQ(Tts_SetRole(0, 9), 0);  // selects voice 0
  EXPECT_EQ(Tts_SetRole(1, -4), 0);
  EXPECT_EQ(Tts_SetRole(2, 1), -1);
  EXPECT_EQ(Tts_SetSpeed(2, 10), -1);
  EXPECT_EQ(Tts_SetSpeed(1, 10), 0);
  EXPECT_EQ(Tts_SetCodePage(1, 1), 0);
  EXPECT_EQ(Tts_SetCodePage(3, 1), -1);
  EXPECT_EQ(Tts_SetPitch(0, 3), 0);
  EXPECT_EQ(Tts_SetEffect(0, 1), 0);
  EXPECT_EQ(Tts_SetReadWordMode(1, 1), 0);
  EXPECT_EQ(PlayTts_Flush(), 0);
  EXPECT_EQ(SysTts_Play(nullptr, 0), -1);
  EXPECT_EQ(SysTts_Add(nullptr), -1);
}

TEST_F(SysTtsTest, SpeaksThroughTheSoundCardAndTheTranscript) {
  ASSERT_EQ(SysTts_Play("Internal memory", 0), 0);
  ASSERT_TRUE(WaitIdle(10000));
  auto out = env().Output();
  EXPECT_EQ(env().LastUtterance(), "say Internal memory");
  EXPECT_GT(out.samples.size(), 8000u);
  EXPECT_GT(Rms(out.samples), 300.0);
  EXPECT_GE(out.inits, 1);
  EXPECT_EQ(out.lastChannels, 1u);
  EXPECT_EQ(out.lastRate, 16000u);
  EXPECT_EQ(out.lastLatency, 400000u);
  EXPECT_EQ(out.flushes, 1);  // the tail is pushed out at the end of text
}

TEST_F(SysTtsTest, OnlyTheGivenLengthIsSpoken) {
  ASSERT_EQ(SysTts_Play("Internal memory card", 15), 0);
  ASSERT_TRUE(WaitIdle(10000));
  EXPECT_EQ(env().LastUtterance(), "say Internal memory");
  // A length beyond the text stops at its end.
  char buf[64] = "Internal memory";
  ASSERT_EQ(SysTts_Play(buf, sizeof buf), 0);
  ASSERT_TRUE(WaitIdle(10000));
  EXPECT_EQ(env().LastUtterance(), "say Internal memory");
}

TEST_F(SysTtsTest, EmptyPlayLeavesRunningSpeechAlone) {
  env().SetPaced(true);
  std::string text = LongText();
  ASSERT_EQ(SysTts_Play(text.c_str(), 0), 0);
  size_t lines = env().Transcript().size();
  EXPECT_EQ(SysTts_Play("", 0), 0);
  EXPECT_EQ(SysTts_Play("", -1), 0);
  EXPECT_EQ(SysTts_CheckRunning(), 1);
  EXPECT_EQ(env().Transcript().size(), lines);
  SysTts_Stop();
}

TEST_F(SysTtsTest, CompositionIsSpokenAsOneUtterance) {
  ASSERT_EQ(SysTts_Add("Setting done."), 0);
  ASSERT_EQ(SysTts_Add(""), 0);
  ASSERT_EQ(SysTts_Add(" "), 0);
  EXPECT_EQ(SysTts_CheckRunning(), 0);  // nothing is spoken while composing
  ASSERT_EQ(SysTts_Play("Internal memory", -1), 0);
  ASSERT_TRUE(WaitIdle(10000));
  EXPECT_EQ(env().LastUtterance(), "say Setting done. Internal memory");

  // An empty play speaks a pending composition.
  ASSERT_EQ(SysTts_Add("Charging."), 0);
  ASSERT_EQ(SysTts_Play("", 0), 0);
  ASSERT_TRUE(WaitIdle(10000));
  EXPECT_EQ(env().LastUtterance(), "say Charging.");
}

TEST_F(SysTtsTest, FirstAddStopsSpeechInProgress) {
  env().SetPaced(true);
  std::string text = LongText();
  ASSERT_EQ(SysTts_Play(text.c_str(), 0), 0);
  ASSERT_EQ(SysTts_Add("Battery level low."), 0);
  EXPECT_EQ(SysTts_CheckRunning(), 0);
  ASSERT_EQ(SysTts_Play(" Shutting down.", 0), 0);
  ASSERT_TRUE(WaitIdle(10000));
  EXPECT_EQ(env().LastUtterance(), "say Battery level low. Shutting down.");
}

TEST_F(SysTtsTest, LongTextsAreCutAt4095Bytes) {
  std::string big(5000, 'a');
  for (size_t i = 0; i < big.size(); i += 10) big[i] = ' ';
  env().SetPaced(false);
  ASSERT_EQ(SysTts_Play(big.c_str(), 0), 0);
  SysTts_Stop();
  EXPECT_EQ(env().LastUtterance(), "say " + big.substr(0, 4095));

  // Appending is cut the same way.
  std::string part(3000, 'b');
  ASSERT_EQ(SysTts_Add(part.c_str()), 0);
  ASSERT_EQ(SysTts_Play(part.c_str(), 0), 0);
  SysTts_Stop();
  EXPECT_EQ(env().LastUtterance().size(), 4u + 4095u);

  // A cut never leaves half a character behind.
  std::string pl(4094, 'a');
  pl += "ąb";
  ASSERT_EQ(SysTts_Play(pl.c_str(), 0), 0);
  SysTts_Stop();
  EXPECT_EQ(env().LastUtterance(), "say " + std::string(4094, 'a'));
}

TEST_F(SysTtsTest, StopMidTextReturnsWithinOneChunk) {
  env().SetPaced(true);
  std::string text = LongText();
  ASSERT_EQ(SysTts_Play(text.c_str(), 0), 0);
  // Mid text: a few chunks out, however long the engine took to start.
  for (int i = 0; i < 2000 && env().Output().samples.size() < 3 * 2048u; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_EQ(SysTts_CheckRunning(), 1);
  auto t0 = std::chrono::steady_clock::now();
  ASSERT_EQ(SysTts_Stop(), 0);
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0)
                .count();
  EXPECT_EQ(SysTts_CheckRunning(), 0);
  // One chunk is 2048 samples, 128 ms at 16 kHz.
  EXPECT_LE(ms, 128 + 40);
  size_t after = env().Output().samples.size();
  EXPECT_LT(after, 16000u * 3);
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_EQ(env().Output().samples.size(), after);  // nothing more after the stop
}

TEST_F(SysTtsTest, WaitFinishWaitsForTheEndOfSpeech) {
  env().SetPaced(true);
  ASSERT_EQ(SysTts_Play("one two three", 0), 0);
  EXPECT_EQ(SysTts_CheckRunning(), 1);
  auto t0 = std::chrono::steady_clock::now();
  EXPECT_EQ(SysTts_WaitFinish(), 0);
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0)
                .count();
  EXPECT_EQ(SysTts_CheckRunning(), 0);
  // The paced output plays in real time: most of a second of speech.
  EXPECT_GT(ms, 400);
  EXPECT_GT(env().Output().samples.size(), size_t(ms) * 16 / 2);
}

TEST_F(SysTtsTest, BeepPlaysTheRawFileAndStopsSpeech) {
  env().SetPaced(true);
  std::string text = LongText();
  ASSERT_EQ(SysTts_Play(text.c_str(), 0), 0);
  env().SetPaced(false);
  env().ResetOutput();
  ASSERT_EQ(SysTts_Beep(8), 0);
  ASSERT_TRUE(WaitIdle(5000));
  auto out = env().Output();
  std::string beep = dtbtest::ReadFile(std::string(DTB_HOME_DIR) + "/beep/beep16_8.pcm");
  ASSERT_GT(beep.size(), 1000u);
  // At most the speech chunk under way when the beep came, then the beep.
  size_t n = beep.size() / 2;
  ASSERT_GE(out.samples.size(), n);
  EXPECT_LE(out.samples.size(), n + 2048);
  EXPECT_EQ(memcmp(out.samples.data() + out.samples.size() - n, beep.data(), beep.size()), 0);
  EXPECT_EQ(out.flushes, 1);
  EXPECT_EQ(env().LastUtterance(), "beep 8");

  // A beep without its file plays nothing and does not hang.
  env().ResetOutput();
  ASSERT_EQ(SysTts_Beep(3), 0);
  ASSERT_TRUE(WaitIdle(5000));
  EXPECT_TRUE(env().Output().samples.empty());
  EXPECT_EQ(env().LastUtterance(), "beep 3");
}

TEST_F(SysTtsTest, BeepDropsAPendingComposition) {
  ASSERT_EQ(SysTts_Add("Setting done."), 0);
  ASSERT_EQ(SysTts_Beep(8), 0);
  ASSERT_TRUE(WaitIdle(5000));
  ASSERT_EQ(SysTts_Play("Internal memory", 0), 0);
  ASSERT_TRUE(WaitIdle(10000));
  EXPECT_EQ(env().LastUtterance(), "say Internal memory");
}

TEST_F(SysTtsTest, PhrasesInTheCurrentLanguage) {
  ASSERT_EQ(SysTts_SynchFmtStr(UxPhrase::RestoreDefaultSettings), 0);
  ASSERT_TRUE(WaitIdle(10000));
  EXPECT_EQ(env().LastUtterance(), "say Restore default settings.");
  g_pUxLanguage = GetUxLanguage(0);
  Tts_SetRole(0, 0);
  ASSERT_EQ(SysTts_SynchFmtStr(UxPhrase::ChooseInternalMemoryOrMicroSd), 0);
  ASSERT_TRUE(WaitIdle(10000));
  EXPECT_EQ(env().LastUtterance(), "say Wybierz pamięć wewnętrzną lub kartę micro SD, ");
  size_t lines = env().Transcript().size();
  EXPECT_EQ(SysTts_SynchFmtStr(999), 0);  // no such phrase: nothing is said
  EXPECT_EQ(env().Transcript().size(), lines);
}

TEST_F(SysTtsTest, SpeedChangesHowLongAPromptTakes) {
  const char* text = "Choose internal memory, or micro sd card.";
  ASSERT_EQ(SysTts_Play(text, 0), 0);
  ASSERT_TRUE(WaitIdle(10000));
  size_t normal = env().Output().samples.size();
  env().ResetOutput();
  Tts_SetSpeed(0, 300);  // level 20
  ASSERT_EQ(SysTts_Play(text, 0), 0);
  ASSERT_TRUE(WaitIdle(10000));
  size_t fast = env().Output().samples.size();
  EXPECT_LT(fast * 2, normal);
}

// Without voice data the device runs silent: every call fails quietly.
TEST(SysTtsNoVoices, DeviceRunsSilent) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        SpeechEnv::Get(false);
        bool ok = SysTts_Init() == -3;
        ok = ok && SysTts_Play("hello", 0) == -1 && SysTts_Add("x") == -1;
        ok = ok && SysTts_Beep(8) == -1 && SysTts_Stop() == -1;
        ok = ok && SysTts_CheckRunning() == 0 && SysTts_WaitFinish() == 0;
        ok = ok && PlayTts_Init(nullptr, nullptr) == -1 && Tts_SetRole(0, 1) == -1;
        ok = ok && Tts_SetSpeed(0, 1) == -1 && PlayTts_Play("hello", 0) == -1;
        // The language list still serves the settings.
        ok = ok && Tts_GetTotalLanguages() == 2 && Tts_GetLanguageStartVoiceIndex(1) == 5;
        ok = ok && SpeechEnv::Get().Transcript().empty();
        _exit(ok ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace
