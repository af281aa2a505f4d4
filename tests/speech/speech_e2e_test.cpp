// Speech of the real player on the simulated board: the start-up prompt in
// each language, and restoring defaults from English.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/sim_harness.h"
#include "tests/support/test_support.h"

namespace {

bool Has(const std::string& text, const std::string& what) {
  return text.find(what) != std::string::npos;
}

dtbtest::SimResult RunPlayer(const std::string& root, const std::string& lang, const std::string& script) {
  dtbtest::SimRun run;
  run.root = root;
  run.lang = lang;
  run.script = script;
  run.timeout_seconds = 90;
  return dtbtest::RunSim(run);
}

TEST(SpeechE2e, PolishStartUpPromptIsSpokenAndTranscribed) {
  DTB_REQUIRE_PLAYER();
  dtbtest::TempDir dir;
  std::string root = dir / "root";
  dtbtest::SimResult r = RunPlayer(root, "pl",
                             "expect Pamięć wewnętrzna 10\n"
                             "power hold 4\n"
                             "wait 3\n");
  EXPECT_EQ(r.status, 0) << r.output;
  std::string transcript = dtbtest::ReadFile(root + "/var/log/transcript");
  // The disk choice of a fresh device: the prompt, then the first disk.
  EXPECT_TRUE(Has(transcript, " say Wybierz pamięć wewnętrzną lub kartę micro SD, Pamięć wewnętrzna"))
      << transcript;
  // The farewell, in Polish too.
  EXPECT_TRUE(Has(transcript, " say Wyłączanie.")) << transcript;
  // Real audio reached the card (a WAV header alone is 44 bytes).
  EXPECT_GT(dtbtest::ReadFile(root + ".wav").size(), 16000u) << r.output;
}

TEST(SpeechE2e, EnglishStartUpPromptIsSpokenAndTranscribed) {
  DTB_REQUIRE_PLAYER();
  dtbtest::TempDir dir;
  std::string root = dir / "root";
  dtbtest::SimResult r = RunPlayer(root, "en",
                             "expect Internal memory 10\n"
                             "power hold 4\n"
                             "wait 3\n");
  EXPECT_EQ(r.status, 0) << r.output;
  std::string transcript = dtbtest::ReadFile(root + "/var/log/transcript");
  EXPECT_TRUE(Has(transcript, " say Choose internal memory, or micro sd card, Internal memory"))
      << transcript;
  EXPECT_TRUE(Has(transcript, " say shutting down.")) << transcript;
}

// The defaults keep the language the user understands.
TEST(SpeechE2e, RestoringDefaultsFromEnglishStaysEnglish) {
  DTB_REQUIRE_PLAYER();
  dtbtest::TempDir dir;
  std::string root = dir / "root";
  dtbtest::SimResult r = RunPlayer(root, "en",
                             "wait 4\n"
                             "power click\n"
                             "key bookmark\n"
                             "expect Restore default settings. 5\n"
                             "power hold 4\n"
                             "wait 3\n");
  EXPECT_EQ(r.status, 0) << r.output;
  std::string transcript = dtbtest::ReadFile(root + "/var/log/transcript");
  EXPECT_TRUE(Has(transcript, "Internal memory")) << transcript;
  EXPECT_TRUE(Has(transcript, " say Restore default settings.")) << transcript;
  EXPECT_TRUE(Has(transcript, " say shutting down.")) << transcript;
}

}  // namespace
