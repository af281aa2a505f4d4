// The settings menu end to end: items reached and changed through the keys,
// kept over a power-off and a start, and Polish renaming the standard folders.
#include <gtest/gtest.h>

#include <filesystem>
#include <initializer_list>
#include <string>

#include "tests/supervisor/packet_maker.h"
#include "tests/support/sim_harness.h"
#include "tests/support/test_support.h"

namespace {

namespace fs = std::filesystem;

// Runs the script with `ending` after it: the settings file it left.
std::string RunEndingWith(dtbtest::SimRun& run, const std::string& script, const std::string& ending) {
  run.timeout_seconds = 200;
  run.script = script + ending;
  dtbtest::SimResult r = dtbtest::RunSim(run);
  EXPECT_EQ(r.status, 0) << r.output;
  return dtbtest::ReadFile(run.root + "/mnt/settings/system.config.xml");
}

// Switched off (the settings are written then) and on again; the start's
// checks follow, and a pause for anything it would write.
std::string ThroughRestart(const std::string& afterStart) {
  return "wait 1\npower hold 3\nwait 6\npower click\n" + afterStart + "wait 2\nquit\n";
}

// Switched off after the script.
std::string RunToPowerOff(dtbtest::SimRun& run, const std::string& script) {
  return RunEndingWith(run, script, "wait 2\npower hold 3\nwait 6\nquit\n");
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
  dtbtest::WriteFile(run.root + "/mnt/settings/q7snb.bin", dtbtest::SnbRecord());
  run.fresh = false;
  std::string cfg = RunEndingWith(run,
      "clock 2026-03-10 10:00\n"
      "expect Tale 20\n"
      "key menu\nexpect version information\n"
      "key play\nexpect SN: Q 7 A 1 2 3 4\nexpect Version V2.01\nexpect Released date\n"
      "expect delivery date June 30th 2024 10\nkey back\n"
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
      "key play\nexpect language: english\nkey left\nexpect language\nkey play\n",
      // Back where it was, under the folder's new name.
      ThroughRestart("expect Tale 20\n"));
  ExpectAll(cfg, {"timeformat=\"12\"", "time_announcement_mode=\"1\"", "timer_power_on=\"enable\"",
                  "tts_speed=\"1\"", "ebook_resume_play=\"disable\"", "language=\"polish\""});
  EXPECT_FALSE(fs::exists(run.root + "/mnt/emmc/Audio books"));
  // The browser followed the folder to its new name.
  std::string at = dtbtest::ReadFile(run.root + "/mnt/settings/poweroff.path");
  EXPECT_EQ(at.rfind("/mnt/emmc/Książki audio/Tale", 0), 0u) << at;
  EXPECT_FALSE(fs::exists(run.root + "/mnt/emmc/Record"));
  // Renamed, not made anew: what they held is still there.
  EXPECT_TRUE(fs::is_directory(run.root + "/mnt/emmc/Książki audio/Tale"));
  EXPECT_TRUE(fs::is_directory(run.root + "/mnt/emmc/nagrywanie"));
  EXPECT_NE(dtbtest::ReadFile(run.root + "/var/log/commands.log").find("hwclock -w"), std::string::npos);
}

// The older board: every item the first test leaves alone is changed; after
// the power is cut the next start's menus speak each change; last the
// factory defaults replace them all, kept over a power-off.
TEST(SettingsMenuE2e, OlderBoardChangesOutliveAPowerCutThenDefaultsAPowerOff) {
  DTB_REQUIRE_PLAYER();
  dtbtest::TempDir dir;
  dtbtest::SimRun run;
  run.root = dir / "root";
  run.lang = "en";
  run.extra = {"--board-rev", "0"};
  // Cut off as a lost battery contact would: each change was written soon.
  std::string cfg = RunEndingWith(run,
      "clock 2026-03-10 10:00\nexpect Choose 20\n"
      "key menu\nexpect version information\nkey down\nkey down\nexpect time settings\n"
      "key play\nexpect idle power off\nkey down\nkey down\nexpect set time and date\n"
      "key play\nexpect year 2026 5\nkey right\nexpect year 2027 5\n"
      "key down\nexpect month March\nkey right\nexpect month April\n"
      "key down\nexpect day 10th\nkey right\nexpect day 11th\n"
      "key down\nexpect hour, 10 5\nkey right\nexpect hour, 11 5\nkey play\nexpect Setting done.\n"
      "key down\nexpect automatic power on\nkey play\nexpect hour, 0 5\nkey left\nexpect hour, 23 5\n"
      "key down\nexpect minute, 0 5\nkey left\nexpect minute, 59 5\n"
      "key down\nexpect disable\nkey right\nexpect enable\nkey play\nexpect Setting done.\n"
      "key back\nexpect time settings\n"
      "key down\nexpect system voice\nkey play\nexpect voice\n"
      "key play\nexpect Salli\nkey right\nexpect Joey\nkey play\nexpect Setting done.\n"
      "key down\nexpect speed\nkey play\nexpect Speed: 0 5\nkey left\nexpect Speed: minus 1 5\n"
      "key play\nexpect Setting done.\nkey back\nexpect system voice\n"
      "key down\nexpect alarms\nkey play\nexpect alarm 1, 0:00, disable\n"
      "key play\nexpect hour, 0 5\nkey left\nexpect hour, 23 5\nkey down\nkey left\nexpect minute, 59 5\n"
      "key down\nexpect disable\nkey right\nexpect enable\nkey play\nexpect alarm 1, 23:59, enable\n"
      "key back\nexpect alarms\n"
      "key down\nexpect resume play settings\nkey play\nexpect ebook resume play: enable\n"
      "key down\nkey right\nexpect music resume play: disable\n"
      "key down\nkey right\nexpect daisy resume play: disable\n"
      "key down\nkey right\nexpect audio book resume play: disable\nkey play\nexpect Setting done.\n"
      "key down\nexpect FM Transmitter settings\n"
      "key play\nexpect fm transmit: disable\nkey right\nexpect fm transmit: enable\n"
      "key down\nexpect transmit frequency: 87 point 0 5\nkey left\nexpect transmit frequency: 108 point 0 5\n"
      "key left\nexpect transmit frequency: 107 point 9 5\n"
      "key play\nexpect please insert head phone\n"
      "headphones in\nkey play\nexpect start transmitting fm signal\n"
      // The power-off timers last: no later change carries them into the file.
      "key up\nkey up\nkey up\nkey up\nexpect time settings\nkey play\nexpect idle power off\n"
      "key play\nexpect idle power off: 10 minutes\nkey right\nexpect idle power off: 15 minutes\n"
      "key down\nexpect shutting down: disable\nkey play\nexpect Setting done.\n"
      "key down\nexpect auto power off\nkey play\nexpect Auto shutdown time: 10 minutes\n"
      "key left\nexpect 9 minutes\nkey down\nexpect shutting down: disable\nkey play\nexpect Setting done.\n",
      "wait 2.5\nkill\nquit\n");
  ExpectAll(cfg, {"idle_shut_down_time=\"15\"", "RemindBeforeIdleShutDown=\"0\"",
                  "auto_shut_down_time=\"9\"", "RemindBeforeAutoShutDown=\"0\"",
                  "timer_power_on=\"enable\"", "timer_power_on_time=\"1439\"", "tts_role=\"6\"",
                  "tts_speed=\"-1\"", "ebook_resume_play=\"enable\"", "music_resume_play=\"disable\"",
                  "daisy_resume_play=\"disable\"", "audiobook_resume_play=\"disable\"",
                  "fm_send_frequency=\"107900\""});

  run.fresh = false;
  run.lang = "";
  cfg = RunToPowerOff(run,
      "power click\nexpect Choose 20\n"
      "key menu\nexpect version information\nkey down\nkey down\nkey play\nexpect idle power off\n"
      "key play\nexpect idle power off: 15 minutes, warn 15 seconds before shutting down: disable\nkey back\n"
      "key down\nexpect auto power off\n"
      "key play\nexpect Auto shutdown time: 9 minutes, warn 15 seconds before shutting down: disable\nkey back\n"
      "key down\nexpect set time and date\n"
      "key play\nexpect year 2027 5\nkey down\nexpect month April\nkey down\nexpect day 11th\nkey back\n"
      "key down\nexpect automatic power on\nkey play\nexpect hour, 23 5\nkey down\nexpect minute, 59 5\n"
      "key down\nexpect enable\nkey back\nkey back\nexpect time settings\n"
      "key down\nexpect system voice\nkey play\nexpect voice\nkey play\nexpect Joey\nkey back\n"
      "key down\nexpect speed\nkey play\nexpect Speed: minus 1 5\nkey back\nkey back\nexpect system voice\n"
      "key down\nexpect alarms\nkey play\nexpect alarm 1, 23:59, enable\nkey back\n"
      "key down\nexpect resume play settings\nkey play\nexpect ebook resume play: enable\n"
      "key down\nexpect music resume play: disable\nkey down\nexpect daisy resume play: disable\n"
      "key down\nexpect audio book resume play: disable\nkey back\n"
      "key down\nexpect FM Transmitter settings\nkey play\nexpect fm transmit: disable\n"
      "key down\nexpect transmit frequency: 107 point 9 5\nkey back\n"
      "key down\nkey down\nkey down\nkey down\nexpect default factory settings\n"
      // Refused first: the menu closes, and opens again on the same item.
      "key play\nexpect restore default factory settings?\nkey back\nexpect cancel\n"
      "key menu\nexpect default factory settings\n"
      // Confirmed: said, and the menu after it, in the user's language.
      "key play\nexpect restore default factory settings?\nkey play\nexpect Restore default settings. 10\n"
      "key down\nexpect version information\n");
  ExpectAll(cfg, {"idle_shut_down_time=\"10\"", "RemindBeforeIdleShutDown=\"1\"",
                  "auto_shut_down_time=\"10\"", "timer_power_on=\"disable\"", "tts_speed=\"0\"",
                  "music_resume_play=\"enable\"", "fm_send_frequency=\"87000\"", "language=\"english\"",
                  "tts_role=\"5\""});  // Salli, as on a fresh English device
}

// The power-off timers, alarms, recording settings and tools come from
// other folders; each is spoken once when opened, and the next start's
// recording settings speak every change.
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
      "key down\nkey down\nexpect time settings\nkey play\nexpect idle power off\n"
      "key play\nexpect idle power off: 10 minutes 5\nwait 2\nkey back\nexpect idle power off\n"
      "key down\nexpect auto power off\n"
      "key play\nexpect Auto shutdown time: 10 minutes 5\nwait 2\nkey back\nexpect auto power off\n"
      "key back\nexpect time settings\n"
      "key down\nkey down\nexpect alarms\n"
      "key play\nexpect alarm 1 5\nwait 2\nkey back\nexpect alarms\n"
      "key down\nkey down\nexpect recording settings\n"
      "key play\nexpect Recorded files location 5\nwait 2\n"
      "key right\nexpect Recorded files location: micro sd card\n"
      "key down\nexpect Recording volume: 8 5\nkey right\nexpect Recording volume: 9 5\n"
      "key down\nkey right\nexpect P C M\n"
      "key down\nexpect External microphone\nkey right\nexpect Line in\n"
      "key down\nexpect Noise Cancelation: enable\nkey right\nexpect Noise Cancelation: disable\n"
      "key play\nexpect Setting done.\n"
      "key down\nexpect tools\nkey play\nexpect Voice reminder 5\nwait 2\nkey back\n" +
      ThroughRestart("expect Choose 20\nkey menu\nexpect version information\n"
                     "key up\nkey up\nkey up\nkey up\nexpect recording settings\n"
                     "key play\nexpect Recorded files location: micro sd card\n"
                     "key down\nexpect Recording volume: 9 5\nkey down\nexpect P C M\n"
                     "key down\nexpect Line in\nkey down\nexpect Noise Cancelation: disable\n");
  dtbtest::SimResult r = dtbtest::RunSim(run);
  ASSERT_EQ(r.status, 0) << r.output;
  int idle = 0, autoOff = 0, alarm = 0, location = 0, tools = 0;
  for (const std::string& u : dtbtest::Utterances(r.output)) {
    idle += u.find("idle power off: 10 minutes") != std::string::npos;
    autoOff += u.find("Auto shutdown time: 10 minutes") != std::string::npos;
    alarm += u.find("alarm 1,") != std::string::npos;
    location += u.find("Recorded files location: Internal memory") != std::string::npos;
    tools += u.find("Voice reminder") != std::string::npos;
  }
  EXPECT_EQ(idle, 1) << r.output;
  EXPECT_EQ(autoOff, 1) << r.output;
  EXPECT_EQ(alarm, 1) << r.output;
  EXPECT_EQ(location, 1) << r.output;
  EXPECT_EQ(tools, 1) << r.output;
  std::string cfg = dtbtest::ReadFile(run.root + "/mnt/settings/record.config.xml");
  ExpectAll(cfg, {"RecordingFilePosition=\"1\"", "volume=\"9\"", "format=\"0\"", "ExtLineType=\"1\"",
                  "enoise=\"0\""});
}

}  // namespace
