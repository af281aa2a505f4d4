// The settings menu end to end: items reached and changed through the keys,
// kept over a power-off and a start, and Polish renaming the standard folders.
#include <gtest/gtest.h>

#include <filesystem>
#include <initializer_list>
#include <string>

#include "tests/support/sim_harness.h"
#include "tests/support/test_support.h"

namespace {

namespace fs = std::filesystem;

// Runs the script, then powers off and on again; the settings file as the
// start-up after that read it.
std::string RunThroughRestart(dtbtest::SimRun& run, const std::string& script) {
  run.timeout_seconds = 200;
  run.script = script + "wait 3\npower hold 3\nwait 8\npower click\nwait 8\nquit\n";
  dtbtest::SimResult r = dtbtest::RunSim(run);
  EXPECT_EQ(r.status, 0) << r.output;
  return dtbtest::ReadFile(run.root + "/mnt/settings/system.config.xml");
}

void ExpectAll(const std::string& cfg, std::initializer_list<const char*> wanted) {
  for (const char* want : wanted) EXPECT_NE(cfg.find(want), std::string::npos) << want << "\n" << cfg;
}

TEST(SettingsMenuE2e, ChangesSurvivePowerOffAndPolishRenamesFolders) {
  DTB_REQUIRE_PLAYER();
  dtbtest::TempDir dir;
  dtbtest::SimRun run;
  run.root = dir / "root";
  run.lang = "en";
  run.script = "quit\n";
  ASSERT_EQ(dtbtest::RunSim(run).status, 0);
  // Browsing a standard folder that the language switch renames.
  fs::create_directories(run.root + "/mnt/emmc/Audio books/Tale");
  dtbtest::WriteFile(run.root + "/mnt/settings/poweroff.path", "/mnt/emmc/Audio books/Tale");
  run.fresh = false;
  std::string cfg = RunThroughRestart(run,
      "clock 2026-03-10 10:00\n"
      "expect Tale 20\n"
      "key menu\nexpect version information\n"
      "key play\nexpect Version V2.01\nexpect Released date\nkey back\n"
      "key down\nexpect device information\n"
      "key play\nexpect Total Internal memory\nkey back\n"
      "key down\nexpect time settings\nkey play\nexpect idle power off\n"
      "key down\nkey down\nkey down\nkey down\nkey down\nexpect time format\n"
      "key play\nexpect 24 hours\nkey left\nexpect 12 hours\nkey play\nexpect Setting done.\n"
      "key up\nexpect Automatic time announcements\n"
      "key play\nexpect disable\nkey right\nexpect 15 minutes\nkey play\nexpect Setting done.\n"
      "key up\nexpect automatic power on\n"
      "key play\nkey down\nkey down\nexpect disable\nkey right\nexpect enable\nkey play\nexpect Setting done.\n"
      "key up\nexpect set time and date\n"
      "key play\nexpect year 2026 5\nkey right\nexpect year 2027 5\nkey play\nexpect Setting done.\n"
      "key back\nexpect time settings\n"
      "key down\nexpect system voice\nkey play\nexpect voice\nkey down\nexpect speed\n"
      "key play\nexpect Speed\nkey right\nkey play\nexpect Setting done.\nkey back\n"
      "key down\nexpect alarms\nkey down\nexpect resume play settings\n"
      "key play\nexpect ebook resume play: enable\nkey right\nexpect ebook resume play: disable\n"
      "key play\nexpect Setting done.\n"
      // The amplifier board has no transmitter: straight to recording settings.
      "key down\nexpect recording settings\nkey down\nexpect tools\nkey down\nexpect language\n"
      "key play\nexpect language: english\nkey left\nexpect language\nkey play\n");
  ExpectAll(cfg, {"timeformat=\"12\"", "time_announcement_mode=\"1\"", "timer_power_on=\"enable\"",
                  "tts_speed=\"1\"", "ebook_resume_play=\"disable\"", "language=\"polish\""});
  EXPECT_FALSE(fs::exists(run.root + "/mnt/emmc/Audio books"));
  // The browser left the renamed folder's old name behind.
  std::string at = dtbtest::ReadFile(run.root + "/mnt/settings/poweroff.path");
  EXPECT_EQ(at.find("Audio books"), std::string::npos) << at;
  EXPECT_FALSE(fs::exists(run.root + "/mnt/emmc/Record"));
  EXPECT_NE(dtbtest::ReadFile(run.root + "/var/log/commands.log").find("hwclock -w"), std::string::npos);
}

TEST(SettingsMenuE2e, FactoryDefaultsTimersVoiceAndTransmitterOnTheOlderBoard) {
  DTB_REQUIRE_PLAYER();
  dtbtest::TempDir dir;
  dtbtest::SimRun run;
  run.root = dir / "root";
  run.lang = "en";
  run.extra = {"--board-rev", "0"};
  std::string cfg = RunThroughRestart(run,
      "expect Choose 20\n"
      "key menu\nexpect version information\n"
      "key up\nkey up\nkey up\nkey up\nkey up\nexpect FM Transmitter settings\n"
      "key play\nexpect fm transmit: disable\nkey right\nexpect fm transmit: enable\n"
      "key down\nexpect transmit frequency: 87 point 0 5\nkey left\nexpect transmit frequency: 108 point 0 5\n"
      "key play\nexpect please insert head phone\nkey back\n"
      "key up\nkey up\nkey up\nexpect system voice\nkey play\nexpect voice\n"
      "key play\nexpect Salli\nkey right\nexpect Joey\nkey play\nexpect Setting done.\nkey back\n"
      "key up\nexpect time settings\nkey play\nexpect idle power off\n"
      "key play\nexpect idle power off: 10 minutes\nkey right\nexpect idle power off: 15 minutes\n"
      "key play\nexpect Setting done.\n"
      "key down\nexpect auto power off\nkey play\nexpect 10 minutes\nkey left\nexpect 9 minutes\n"
      "key play\nexpect Setting done.\nkey back\n"
      "expect time settings\n"
      "key up\nkey up\nkey up\nexpect default factory settings\n"
      // Confirmed in the factory language, Polish.
      "key play\nexpect restore default factory settings?\nkey play\n");
  // The defaults replaced every change, and were kept over the power-off.
  ExpectAll(cfg, {"idle_shut_down_time=\"10\"", "auto_shut_down_time=\"10\"", "tts_role=\"0\"",
                  "language=\"polish\""});
}

// The alarms, recording settings and tools come from other folders; each is
// spoken once when opened, and the recording settings last over a restart.
TEST(SettingsMenuE2e, PeerMenusSpeakOnceAndRecordingSettingsAreKept) {
  DTB_REQUIRE_PLAYER();
  dtbtest::TempDir dir;
  dtbtest::SimRun run;
  run.root = dir / "root";
  run.lang = "en";
  run.timeout_seconds = 200;
  run.script =
      "expect Choose 20\n"
      "key menu\nexpect version information\n"
      "key down\nkey down\nkey down\nkey down\nexpect alarms\n"
      "key play\nexpect alarm 1 5\nwait 2\nkey back\nexpect alarms\n"
      "key down\nkey down\nexpect recording settings\n"
      "key play\nexpect Recorded files location 5\nwait 2\n"
      "key down\nexpect Recording volume: 8\nkey right\nexpect Recording volume: 9\n"
      "key down\nkey right\nexpect P C M\nkey play\nexpect Setting done.\n"
      "key down\nexpect tools\nkey play\nexpect Voice reminder 5\nwait 2\nkey back\n"
      "wait 3\npower hold 3\nwait 8\npower click\nwait 8\nquit\n";
  dtbtest::SimResult r = dtbtest::RunSim(run);
  ASSERT_EQ(r.status, 0) << r.output;
  int alarm = 0, location = 0, tools = 0;
  for (const std::string& u : dtbtest::Utterances(r.output)) {
    alarm += u.find("alarm 1,") != std::string::npos;
    location += u.find("Recorded files location") != std::string::npos;
    tools += u.find("Voice reminder") != std::string::npos;
  }
  EXPECT_EQ(alarm, 1) << r.output;
  EXPECT_EQ(location, 1) << r.output;
  EXPECT_EQ(tools, 1) << r.output;
  std::string cfg = dtbtest::ReadFile(run.root + "/mnt/settings/record.config.xml");
  ExpectAll(cfg, {"volume=\"9\"", "format=\"0\""});
}

}  // namespace
