// End to end: alarms ring at their time, snooze four times, and wake the
// device that is off.
#include <dirent.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include "tests/audio/audio_test_util.h"
#include "tests/support/sim_harness.h"
#include "tests/support/test_support.h"

namespace {

// A ring lasts a minute unless a key ends it: a key sent once the alarm has
// surely opened snoozes it; one sent too early goes to the browser and the
// ring ends by itself, within the expect's time.
const char* const kSnoozeByKey = "wait 2\nkey right\nexpect Alarm after 10 minutes. 90\n";

// Seconds of 100 ms windows that are clearly audible, in every stream file
// under `dir`.
double LoudSeconds(const std::string& dir) {
  double seconds = 0;
  DIR* d = opendir(dir.c_str());
  if (!d) return 0;
  while (dirent* e = readdir(d)) {
    dtbtest::Wav wav;
    if (e->d_name[0] == '.' || !dtbtest::ReadWav(dir + "/" + e->d_name, &wav)) continue;
    size_t win = wav.rate * wav.channels / 10;
    for (size_t i = 0; win && i + win <= wav.samples.size(); i += win) {
      double energy = 0;
      for (size_t j = 0; j < win; ++j) energy += double(wav.samples[i + j]) * wav.samples[i + j];
      if (energy > win * 100.0 * 100.0) seconds += 0.1;  // volume 0 is about 4
    }
  }
  closedir(d);
  return seconds;
}

class AlarmE2E : public ::testing::Test {
 protected:
  dtbtest::SimResult Run(const std::string& script, bool fresh, int timeout = 120) {
    dtbtest::SimRun run;
    run.root = dir.path() + "/device";
    run.lang = "en";
    run.fresh = fresh;
    run.script = script;
    run.timeout_seconds = timeout;
    return dtbtest::RunSim(run);
  }
  // A fresh device whose first alarm is once, `minutes` from now (the
  // device's clock reads like the PC's and keeps UTC).
  void PrepareAlarmIn(int minutes) { PrepareAlarmAt(time(nullptr) + minutes * 60); }
  void PrepareAlarmAt(time_t at) {
    ASSERT_EQ(Run("expect Internal memory 20\nquit\n", true).status, 0);
    std::string file(46105, '\0');
    file[0] = static_cast<char>(at % 86400 / 3600);
    file[1] = static_cast<char>(at % 3600 / 60);
    file[2] = 1;
    dtbtest::WriteFile(dir.path() + "/device/mnt/settings/alarm.config.xml", file);
  }
  static int Count(const dtbtest::SimResult& r, const std::string& text) {
    int n = 0;
    for (const std::string& u : dtbtest::Utterances(r.output))
      if (u.find(text) != std::string::npos) ++n;
    return n;
  }
  dtbtest::TempDir dir;
};

TEST_F(AlarmE2E, RingsSnoozesFourTimesThenCloses) {
  DTB_REQUIRE_PLAYER();
  PrepareAlarmIn(2);
  std::string script = std::string("expect Internal memory 20\nclock +150\n") + kSnoozeByKey;
  for (int i = 0; i < 3; ++i) script += std::string("clock +600\n") + kSnoozeByKey;
  script += "clock +600\nwait 2\nkey right\nexpect Alarm is closed. 90\nclock +600\nwait 8\nquit\n";
  dtbtest::SimResult r = Run(script, false);
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_EQ(Count(r, "Alarm after 10 minutes."), 4) << r.output;
  EXPECT_EQ(Count(r, "Alarm is closed."), 1) << r.output;
}

// Set through the settings menu's alarms, as the user does.
TEST_F(AlarmE2E, AnAlarmSetThroughTheSettingsMenuRingsAtItsTime) {
  DTB_REQUIRE_PLAYER();
  std::string script =
      "expect Internal memory 20\nclock 2026-03-10 00:59\n"
      "key menu\nexpect version information\nkey down\nkey down\nkey down\nkey down\nexpect alarms\n"
      "key play\nexpect alarm 1, 0:00, disable 5\n"
      "key play\nexpect hour, 0 5\nkey right\nexpect hour, 1 5\n"
      "key down\nexpect minute, 0 5\nkey right\nkey right\nexpect minute, 2 5\n"
      "key down\nexpect disable\nkey right\nexpect enable\n"
      "key play\nexpect alarm 1, 1:02, enable\nkey back\nexpect alarms\nkey back\nexpect Internal memory 10\n"
      "clock +180\n" + std::string(kSnoozeByKey);
  for (int i = 0; i < 3; ++i) script += std::string("clock +600\n") + kSnoozeByKey;
  script += "clock +600\nwait 2\nkey right\nexpect Alarm is closed. 90\nwait 3\nquit\n";
  dtbtest::SimResult r = Run(script, true, 200);
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_EQ(Count(r, "Alarm after 10 minutes."), 4) << r.output;
  // Said as two sentences, not "done.alarm".
  EXPECT_EQ(Count(r, "Setting done. alarm 1, 1:02, enable"), 1) << r.output;
}

// A settings partition too full for the alarm says so instead of
// confirming an alarm that the next start would not know.
TEST_F(AlarmE2E, AnAlarmThatCannotBeSavedSaysDiskFull) {
  DTB_REQUIRE_PLAYER();
  if (geteuid() != 0) GTEST_SKIP() << "dtbsim caps a disk only as root";
  dtbtest::SimResult r = Run(
      "expect Internal memory 20\ndisk settings free 8192\n"
      "key menu\nexpect version information\nkey down\nkey down\nkey down\nkey down\nexpect alarms\n"
      "key play\nexpect alarm 1, 0:00, disable 5\nkey play\nexpect hour, 0 5\n"
      "key down\nkey down\nexpect disable\nkey right\nexpect enable\n"
      "key play\nexpect Disk full 10\nquit\n",
      true);
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_EQ(Count(r, "Setting done"), 0) << r.output;
}

TEST_F(AlarmE2E, BackKeyClosesTheRingingAlarm) {
  DTB_REQUIRE_PLAYER();
  PrepareAlarmIn(2);
  dtbtest::SimResult r = Run(
      "expect Internal memory 20\nclock +150\nwindow AlarmWindow 20\nkey back\nexpect Alarm is closed. 10\n"
      "clock +600\nwait 8\nquit\n",
      false);
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_EQ(Count(r, "Alarm after 10 minutes."), 0) << r.output;
}

// The keypad locked while the alarm rings (power click, then music) snoozes
// it and says that the keys are locked.
TEST_F(AlarmE2E, TheKeypadLockedWhileRingingIsSaid) {
  DTB_REQUIRE_PLAYER();
  PrepareAlarmIn(2);
  dtbtest::SimResult r = Run(
      "expect Internal memory 20\nclock +150\nwait 2\npower click\nwait 0.5\nkey music\n"
      "expect Buttons locked 90\nquit\n",
      false);
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_EQ(Count(r, "Alarm after 10 minutes."), 1) << r.output;
}

TEST_F(AlarmE2E, AnAlarmWakesTheDeviceThatIsOff) {
  DTB_REQUIRE_PLAYER();
  // The next 07:00 (today's before 07:00 UTC, as the device counts it too);
  // the clock goes to 06:58 of that day, the device off.
  time_t now = time(nullptr);
  time_t seven = now - now % 86400 + 7 * 3600;
  if (seven <= now) seven += 86400;
  PrepareAlarmAt(seven);
  struct tm day;
  gmtime_r(&seven, &day);
  char date[32];
  strftime(date, sizeof date, "%Y-%m-%d", &day);
  dtbtest::SimResult r = Run(std::string("expect Internal memory 20\n") + "clock " + date +
                                 " 06:58\n"
                                 "wait 1\n"
                                 "power hold 2.5\n"
                                 "expect shutting down. 10\n"
                                 "wait 2\n"
                                 "clock +150\n"
                                 "expect Alarm after 10 minutes. 100\n"
                                 "quit\n",
                             false);
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_NE(r.output.find("woken by the RTC alarm"), std::string::npos) << r.output;
}

// A device switched on (or woken) a minute after its alarm time rings it
// then, at least at a volume that wakes, for a minute; its snooze wakes the
// device again after a power-off.
TEST_F(AlarmE2E, AlarmJustMissedAtStartRingsLoudForAMinuteAndItsSnoozeWakesTheDevice) {
  DTB_REQUIRE_PLAYER();
  ASSERT_EQ(Run("expect Internal memory 20\nclock 2026-03-11 07:01\nquit\n", true).status, 0);
  std::string file(46105, '\0');
  file[0] = 7;
  file[2] = 1;
  dtbtest::WriteFile(dir.path() + "/device/mnt/settings/alarm.config.xml", file);
  dtbtest::WriteFile(dir.path() + "/device/mnt/settings/system.config.xml",
                     "<ebook><system_setting volume=\"0\" hpvolume=\"0\"/></ebook>\n");
  dtbtest::SimRun run;
  run.root = dir.path() + "/device";
  run.lang = "en";
  run.fresh = false;
  ASSERT_EQ(system(("mkdir -p " + dir.path() + "/out").c_str()), 0);
  run.audio_out = dir.path() + "/out/out-%r.wav";
  run.timeout_seconds = 300;
  run.script =
      "expect Internal memory 20\nexpect Alarm after 10 minutes. 100\nwait 1\n"
      "power hold 2.5\nexpect shutting down. 10\nwait 2\nclock +600\n"
      "expect Alarm after 10 minutes. 100\nquit\n";
  setenv("DTB_AUDIO_OUT_KEEP", "1", 1);  // every stream in a file of its own
  dtbtest::SimResult r = dtbtest::RunSim(run);
  unsetenv("DTB_AUDIO_OUT_KEEP");
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_NE(r.output.find("woken by the RTC alarm"), std::string::npos) << r.output;
  // Two rings of a minute at volume 0 (speech at 0 is not heard).
  EXPECT_GT(LoudSeconds(dir.path() + "/out"), 100) << r.output;
}

// The clock moved on two hours while the alarm was snoozed: the late snooze
// rings once and the next comes 10 minutes after it, not every minute.
TEST_F(AlarmE2E, AClockMovedOnPastTheSnoozesRingsThemTenMinutesApart) {
  DTB_REQUIRE_PLAYER();
  ASSERT_EQ(Run("expect Internal memory 20\nclock 2026-03-11 06:58\nquit\n", true).status, 0);
  std::string file(46105, '\0');
  file[0] = 7;
  file[2] = 1;
  dtbtest::WriteFile(dir.path() + "/device/mnt/settings/alarm.config.xml", file);
  dtbtest::SimResult r = Run(std::string("expect Internal memory 20\nclock 2026-03-11 07:00\n") + kSnoozeByKey +
                                 "clock 2026-03-11 09:01\n" + kSnoozeByKey +
                                 "clock +60\nwait 4\nclock +60\nwait 4\nclock 2026-03-11 09:11\n" + kSnoozeByKey +
                                 "quit\n",
                             false, 300);
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_EQ(Count(r, "Alarm after 10 minutes."), 3) << r.output;
}

// A ringing alarm closed from outside (a charger plugged in) gives the
// decoder back: the music player opens its file.
TEST_F(AlarmE2E, AnAlarmClosedByTheChargerLeavesTheDecoderFree) {
  DTB_REQUIRE_PLAYER();
  PrepareAlarmIn(2);
  std::string device = dir.path() + "/device";
  ASSERT_EQ(system(("mkdir -p " + device + "/mnt/emmc/Music && cp " + device + "/home/default_alarm_signal.mp3 " +
                    device + "/mnt/emmc/Music/song.mp3")
                       .c_str()),
            0);
  dtbtest::SimResult r = Run(
      "expect Internal memory 20\nclock +150\nwait 2\nusb charger\nwait 3\nusb out\nwait 2\n"
      "key music\nwait 3\nquit\n",
      false);
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_EQ(Count(r, "can not open"), 0) << r.output;
}

// Every key in the alarm windows answers.
TEST_F(AlarmE2E, EveryKeyOfTheAlarmWindowsAnswers) {
  DTB_REQUIRE_PLAYER();
  ASSERT_EQ(Run("expect Internal memory 20\nquit\n", true).status, 0);
  ASSERT_EQ(system(("mkdir -p '" + dir.path() + "/device/mnt/emmc/0 Empty'").c_str()), 0);
  dtbtest::SimResult r = Run(
      "expect Internal memory 20\n"
      "key menu\nexpect version information\nkey down\nkey down\nkey down\nkey down\nexpect alarms\n"
      "key play\nexpect alarm 1\nkey play\nexpect hour, 0 5\n"
      "key bookmark\nexpect 8\n"  // beep 8
      "key up\nexpect alarm signal, default\nkey right\nexpect select alarm signal\n"
      "key play\nexpect 0 Empty, folder\n"
      // The empty folder: moves, music and play say so; back climbs out.
      "key play\nexpect no files\nkey down\nexpect no files\nkey up\nexpect no files\n"
      "key music\nexpect no files\n"
      "key back\nexpect 0 Empty, folder\nkey music\nexpect 8\n"
      "key back\nexpect select alarm signal\nquit\n",
      false);
  EXPECT_EQ(r.status, 0) << r.output;
}

}  // namespace
