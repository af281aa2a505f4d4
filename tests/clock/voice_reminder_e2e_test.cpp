// End to end: a voice reminder recorded from the microphone through the
// tools menu plays back at its time and comes back four times, 10 minutes
// apart.
#include <gtest/gtest.h>

#include <dirent.h>
#include <sys/stat.h>

#include <cmath>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "clock/voice_reminder.h"
#include "core/lib/lame/mp3_encoder.h"
#include "tests/audio/audio_test_util.h"
#include "tests/support/sim_harness.h"
#include "tests/support/test_support.h"

namespace {

constexpr unsigned kRate = 16000;

// 0.2 s of silence, then alternating 700 and 1100 Hz bursts of 100 ms for
// 1.5 s: voice-like enough for the noise suppressor to keep, and a pattern
// no speech holds for long.
std::vector<int16_t> Bursts() {
  std::vector<int16_t> pcm(kRate * 5, 0);
  for (unsigned i = kRate / 5; i < kRate * 17 / 10; ++i) {
    double hz = (i - kRate / 5) / (kRate / 10) % 2 ? 1100 : 700;
    pcm[i] = static_cast<int16_t>(8000 * std::sin(2 * M_PI * hz * i / kRate));
  }
  return pcm;
}

std::string Mp3(const std::vector<int16_t>& pcm) {
  Mp3Encoder enc;
  std::vector<unsigned char> out(Mp3Encoder::OutBytesFor(static_cast<int>(pcm.size())) + 7200);
  if (enc.Open(1, kRate, 32, 9) != 0) return "";
  int n = enc.Encode(pcm.data(), pcm.data(), static_cast<int>(pcm.size()), out.data(), out.size());
  int m = n < 0 ? -1 : enc.Flush(out.data() + n, out.size() - static_cast<size_t>(n));
  return m < 0 ? "" : std::string(reinterpret_cast<char*>(out.data()), static_cast<size_t>(n + m));
}

double Goertzel(const int16_t* x, size_t n, double hz, unsigned rate) {
  double k = 2 * std::cos(2 * M_PI * hz / rate), s1 = 0, s2 = 0;
  for (size_t i = 0; i < n; ++i) {
    double s = x[i] + k * s1 - s2;
    s2 = s1;
    s1 = s;
  }
  return (s1 * s1 + s2 * s2 - k * s1 * s2) * 2 / static_cast<double>(n);
}

// Seconds of 50 ms windows, in every stream file under `dir`, that are
// loud and hold mostly the two burst tones.
double BurstSeconds(const std::string& dir) {
  double seconds = 0;
  DIR* d = opendir(dir.c_str());
  if (!d) return 0;
  while (dirent* e = readdir(d)) {
    dtbtest::Wav wav;
    if (e->d_name[0] == '.' || !dtbtest::ReadWav(dir + "/" + e->d_name, &wav) || wav.channels != 1) continue;
    size_t win = wav.rate / 20;
    for (size_t i = 0; i + win <= wav.samples.size(); i += win) {
      const int16_t* x = &wav.samples[i];
      double energy = 0;
      for (size_t j = 0; j < win; ++j) energy += double(x[j]) * x[j];
      if (energy < win * 300.0 * 300.0) continue;
      if (Goertzel(x, win, 700, wav.rate) + Goertzel(x, win, 1100, wav.rate) > 0.5 * energy) seconds += 0.05;
    }
  }
  closedir(d);
  return seconds;
}

// Device times at which the alert window opened (the transcript's clock is
// the device's).
std::vector<long> AlertTimes(const std::string& transcript) {
  std::vector<long> times;
  std::istringstream lines(transcript);
  std::string line;
  while (std::getline(lines, line))
    if (line.find(" window ") != std::string::npos && line.find("VoiceReminderWindow") != std::string::npos)
      times.push_back(strtol(line.c_str(), nullptr, 10));
  return times;
}

class VoiceReminderE2E : public ::testing::Test {
 protected:
  void SetUp() override { setenv("DTB_AUDIO_OUT_KEEP", "1", 1); }  // every stream in a file of its own
  void TearDown() override { unsetenv("DTB_AUDIO_OUT_KEEP"); }
  dtbtest::TempDir dir;
};

TEST_F(VoiceReminderE2E, RecordedFromTheMicrophonePlaysAtItsTimeAndFourTimesMore) {
  DTB_REQUIRE_PLAYER();
  dtbtest::WriteWav(dir / "mic.wav", kRate, 1, Bursts());
  ASSERT_EQ(system(("mkdir -p " + dir / "out").c_str()), 0);
  // Every day at 10:00, set through settings, tools, voice reminder.
  std::string script =
      "expect Internal memory 20\nclock 2026-03-10 09:58\n"
      "key menu\nexpect version information\nkey up\nkey up\nkey up\nexpect tools\n"
      "key play\nexpect Voice reminder\nkey play\nexpect Add voice reminder.\n"
      "key play\nexpect once\nkey right\nexpect every day\n"
      "key down\nexpect hour, 9 5\n"
      "key down\nexpect minute, 58 5\nkey right\nkey right\nexpect minute, 0 5\n"
      "key up\nexpect hour, 10 5\nkey down\nexpect minute, 0 5\n"  // 09:58 and two minutes is 10:00
      "key record\nexpect Voice is too short\n"  // from the minute: the key records wherever it is
      "hold record 2\nexpect Press and hold the record key 10\n"
      "key record\nexpect Voice is too short\n"  // a second take too short keeps the first
      "key play\nexpect Voice reminder added.\n"
      "key up\nexpect every day, hour, 10, minute, 0 10\n"
      "key back\nkey back\nkey back\nexpect Internal memory 10\n";
  for (const char* at : {"10:00", "10:10", "10:20", "10:30", "10:40", "10:50"})
    script += std::string("clock 2026-03-10 ") + at + "\nwait 4\n";
  // Then deleted: the reminder is heard first, then the question.
  script +=
      "key menu\nexpect tools\n"  // the main menu opens where it was left
      "key play\nexpect Voice reminder\nkey play\nexpect Add voice reminder.\n"
      "key down\nexpect Delete voice reminder.\nkey play\nexpect every day, hour, 10 10\n"
      "key play\nexpect Do you want to delete the voice reminder?\nkey play\nexpect Voice reminder deleted.\n"
      "quit\n";

  dtbtest::SimRun run;
  run.root = dir / "device";
  run.lang = "en";
  run.script = script;
  run.audio_out = dir / "out/out-%r.wav";
  run.extra = {"--audio-in", dir / "mic.wav"};
  run.timeout_seconds = 200;
  dtbtest::SimResult r = dtbtest::RunSim(run);
  ASSERT_EQ(r.status, 0) << r.output;

  std::string store = dtbtest::ReadFile(dir / "device/mnt/settings/voice_reminder/reminder.xml");
  EXPECT_NE(store.find("NextIndex=\"2\""), std::string::npos) << store;
  EXPECT_EQ(store.find("<VoiceReminder "), std::string::npos) << store;
  struct stat st;
  EXPECT_NE(stat((dir / "device/mnt/settings/voice_reminder/1.mp3").c_str(), &st), 0);

  std::vector<long> times = AlertTimes(dtbtest::ReadFile(dir / "device/var/log/transcript"));
  const long ten = 1773136800;  // 2026-03-10 10:00 UTC
  ASSERT_EQ(times.size(), 5u) << "10:00, then 10:10 .. 10:40, not 10:50";
  for (size_t i = 0; i < times.size(); ++i) {
    EXPECT_GE(times[i], ten + 600 * static_cast<long>(i)) << i;
    EXPECT_LT(times[i], ten + 600 * static_cast<long>(i) + 5) << i;
  }
  // The take heard back once, at each alert, and before it was deleted.
  EXPECT_GT(BurstSeconds(dir / "out"), 8.0);
}

TEST_F(VoiceReminderE2E, AReminderWakesTheDeviceThatIsOff) {
  DTB_REQUIRE_PLAYER();
  // The clock is set first: the store is read at start-up, with the time it finds.
  dtbtest::SimRun run;
  run.root = dir / "device";
  run.lang = "en";
  run.script = "expect Internal memory 20\nclock 2026-03-11 06:57\nquit\n";
  ASSERT_EQ(dtbtest::RunSim(run).status, 0);
  std::string folder = dir / "device/mnt/settings/voice_reminder";
  ASSERT_EQ(system(("mkdir -p " + folder).c_str()), 0);
  dtbtest::WriteFile(folder + "/4.mp3", Mp3(Bursts()));
  dtbtest::WriteFile(folder + "/reminder.xml",
                     "<VoiceReminders NextIndex=\"5\"><VoiceReminder RemindType=\"1\" Time=\"" +
                         std::to_string(PackRemindTime(2026, 3, 10, 7, 0, 0)) +
                         "\" Mp3Index=\"4\" Mp3Size=\"1\"/></VoiceReminders>\n");
  run.fresh = false;
  run.script =
      "expect Internal memory 20\nclock 2026-03-11 06:58\nwait 1\npower hold 2.5\nexpect shutting down. 10\n"
      "wait 2\nclock +150\nwait 8\n"
      // Its repeat wakes the device too.
      "power hold 2.5\nexpect shutting down. 10\nwait 2\nclock +600\nwait 8\nquit\n";
  dtbtest::SimResult r = dtbtest::RunSim(run);
  ASSERT_EQ(r.status, 0) << r.output;
  EXPECT_NE(r.output.find("woken by the RTC alarm"), std::string::npos) << r.output;
  std::vector<long> times = AlertTimes(dtbtest::ReadFile(dir / "device/var/log/transcript"));
  ASSERT_EQ(times.size(), 2u) << r.output;
  EXPECT_GE(times[0], 1773212400);  // 2026-03-11 07:00 UTC
  EXPECT_LT(times[0], 1773212400 + 60);
  EXPECT_GE(times[1], 1773212400 + 600);
  EXPECT_LT(times[1], 1773212400 + 660);
}

// A device whose clock reads 2026-03-11 `at`, with recordings 4.mp3 (a
// reminder every day at 07:00) and `more`, and the store text `store`.
void PrepareReminder(const dtbtest::TempDir& dir, const std::string& at, const std::string& store,
                     const std::vector<int>& more = {}) {
  dtbtest::SimRun run;
  run.root = dir / "device";
  run.lang = "en";
  run.script = "expect Internal memory 20\nclock 2026-03-11 " + at + "\nquit\n";
  ASSERT_EQ(dtbtest::RunSim(run).status, 0);
  std::string folder = dir / "device/mnt/settings/voice_reminder";
  ASSERT_EQ(system(("mkdir -p " + folder).c_str()), 0);
  dtbtest::WriteFile(folder + "/4.mp3", Mp3(Bursts()));
  for (int i : more) dtbtest::WriteFile(folder + "/" + std::to_string(i) + ".mp3", Mp3(Bursts()));
  dtbtest::WriteFile(folder + "/reminder.xml", store);
}

std::string DailyAtSeven() {
  return "<VoiceReminders NextIndex=\"5\"><VoiceReminder RemindType=\"1\" Time=\"" +
         std::to_string(PackRemindTime(2026, 3, 10, 7, 0, 0)) + "\" Mp3Index=\"4\" Mp3Size=\"1\"/>";
}

std::vector<long> WindowTimes(const std::string& transcript, const std::string& window) {
  std::vector<long> times;
  std::istringstream lines(transcript);
  std::string line;
  while (std::getline(lines, line))
    if (line.find(" window ") != std::string::npos && line.find(window) != std::string::npos)
      times.push_back(strtol(line.c_str(), nullptr, 10));
  return times;
}

// An alarm and a reminder of the same minute: the alarm rings its full ring,
// the reminder plays after it.
TEST_F(VoiceReminderE2E, AnAlarmIsNeverSilencedByAReminderOfTheSameMinute) {
  DTB_REQUIRE_PLAYER();
  PrepareReminder(dir, "06:58", DailyAtSeven() + "</VoiceReminders>\n");
  std::string alarm(46105, '\0');
  alarm[0] = 7;
  alarm[2] = 1;
  dtbtest::WriteFile(dir / "device/mnt/settings/alarm.config.xml", alarm);
  dtbtest::SimRun run;
  run.root = dir / "device";
  run.lang = "en";
  run.fresh = false;
  run.timeout_seconds = 200;
  run.script = "expect Internal memory 20\nclock 2026-03-11 07:00\nexpect Alarm after 10 minutes. 100\nwait 5\nquit\n";
  dtbtest::SimResult r = dtbtest::RunSim(run);
  ASSERT_EQ(r.status, 0) << r.output;
  std::string transcript = dtbtest::ReadFile(dir / "device/var/log/transcript");
  std::vector<long> alarms = WindowTimes(transcript, "AlarmWindow");
  std::vector<long> alerts = AlertTimes(transcript);
  ASSERT_EQ(alarms.size(), 1u) << transcript;
  ASSERT_EQ(alerts.size(), 1u) << transcript;
  EXPECT_GE(alerts[0], alarms[0] + 55) << "the reminder after the minute's ring";
}

// A damaged store keeps every recording: what it names is read, the rest
// becomes reminders to review; and a reminder due a minute before the start
// plays at once.
TEST_F(VoiceReminderE2E, ADamagedStoreKeepsEveryRecordingAndAJustMissedReminderPlays) {
  DTB_REQUIRE_PLAYER();
  PrepareReminder(dir, "07:01", DailyAtSeven() + "<VoiceRemin", {7});
  dtbtest::SimRun run;
  run.root = dir / "device";
  run.lang = "en";
  run.fresh = false;
  run.script = "expect Internal memory 20\nwait 5\nquit\n";
  dtbtest::SimResult r = dtbtest::RunSim(run);
  ASSERT_EQ(r.status, 0) << r.output;
  std::string folder = dir / "device/mnt/settings/voice_reminder";
  struct stat st;
  EXPECT_EQ(stat((folder + "/4.mp3").c_str(), &st), 0);
  EXPECT_EQ(stat((folder + "/7.mp3").c_str(), &st), 0);
  std::string store = dtbtest::ReadFile(folder + "/reminder.xml");
  EXPECT_NE(store.find("Mp3Index=\"4\""), std::string::npos) << store;
  EXPECT_NE(store.find("Mp3Index=\"7\""), std::string::npos) << store;
  EXPECT_EQ(AlertTimes(dtbtest::ReadFile(dir / "device/var/log/transcript")).size(), 1u) << r.output;
}

// What rang is kept in alarm.state; instants in it that lie ahead of the
// clock (a damaged file, or a clock set back since) must not hold the
// reminders off: the 07:00 reminder plays; nor the alarms: one of 07:00
// that "rang" in 2065 rings when the device starts at 07:02.
TEST_F(VoiceReminderE2E, AStateAheadOfTheClockSilencesNoReminderAndNoAlarm) {
  DTB_REQUIRE_PLAYER();
  PrepareReminder(dir, "06:58", DailyAtSeven() + "</VoiceReminders>\n");
  dtbtest::WriteFile(dir / "device/mnt/settings/alarm.state",
                     "rung 3000000000\nsnooze -1 0 4294967295\nreminder 4294967295 3000000000\n");
  dtbtest::SimRun run;
  run.root = dir / "device";
  run.lang = "en";
  run.fresh = false;
  run.timeout_seconds = 200;
  run.script = "expect Internal memory 20\nclock 2026-03-11 07:00\nwait 8\nclock 2026-03-11 07:02\nquit\n";
  dtbtest::SimResult r = dtbtest::RunSim(run);
  ASSERT_EQ(r.status, 0) << r.output;
  EXPECT_EQ(AlertTimes(dtbtest::ReadFile(dir / "device/var/log/transcript")).size(), 1u) << r.output;

  std::string alarm(46105, '\0');
  alarm[0] = 7;
  alarm[2] = 1;
  dtbtest::WriteFile(dir / "device/mnt/settings/alarm.config.xml", alarm);
  dtbtest::WriteFile(dir / "device/mnt/settings/alarm.state",
                     "rung 3000000000\nsnooze -1 0 4294967295\nreminder 4294967295 1773212400\n");
  run.script = "expect Internal memory 20\nwait 3\nkey back\nexpect Alarm is closed. 10\nquit\n";
  r = dtbtest::RunSim(run);
  EXPECT_EQ(r.status, 0) << r.output;
}

// The clock moved two days on while the device was on: the 07:00 reminders
// passed meanwhile are one late alert, whose repeats follow 10 minutes
// apart, not an alert every minute.
TEST_F(VoiceReminderE2E, AClockMovedOnDaysGivesOneLateAlert) {
  DTB_REQUIRE_PLAYER();
  PrepareReminder(dir, "06:58", DailyAtSeven() + "</VoiceReminders>\n");
  dtbtest::SimRun run;
  run.root = dir / "device";
  run.lang = "en";
  run.fresh = false;
  run.script = "expect Internal memory 20\nclock 2026-03-13 09:00\nwait 4\n";
  for (int i = 0; i < 3; ++i) run.script += "clock +60\nwait 4\n";
  run.script += "clock 2026-03-13 09:10\nwait 4\nquit\n";
  dtbtest::SimResult r = dtbtest::RunSim(run);
  ASSERT_EQ(r.status, 0) << r.output;
  std::vector<long> times = AlertTimes(dtbtest::ReadFile(dir / "device/var/log/transcript"));
  ASSERT_EQ(times.size(), 2u) << r.output;
  EXPECT_GE(times[1], 1773392400 + 600);  // 2026-03-13 09:10 UTC
}

// With headphones in (at volume 0) the reminder is heard on the speaker.
TEST_F(VoiceReminderE2E, AReminderIsHeardOnTheSpeakerWithHeadphonesIn) {
  DTB_REQUIRE_PLAYER();
  PrepareReminder(dir, "06:58", DailyAtSeven() + "</VoiceReminders>\n");
  dtbtest::WriteFile(dir / "device/mnt/settings/system.config.xml",
                     "<ebook><system_setting volume=\"10\" hpvolume=\"0\"/></ebook>\n");
  ASSERT_EQ(system(("mkdir -p " + dir / "out").c_str()), 0);
  dtbtest::SimRun run;
  run.root = dir / "device";
  run.lang = "en";
  run.fresh = false;
  run.audio_out = dir / "out/out-%r.wav";
  run.script = "expect Internal memory 20\nheadphones in\nwait 1\nclock 2026-03-11 07:00\nwait 8\nquit\n";
  dtbtest::SimResult r = dtbtest::RunSim(run);
  ASSERT_EQ(r.status, 0) << r.output;
  EXPECT_GT(BurstSeconds(dir / "out"), 1.0) << r.output;
}

// A reminder once at a time gone by is refused, and taken once set ahead.
TEST_F(VoiceReminderE2E, AReminderOnceInThePastIsRefused) {
  DTB_REQUIRE_PLAYER();
  dtbtest::WriteWav(dir / "mic.wav", kRate, 1, Bursts());
  dtbtest::SimRun run;
  run.root = dir / "device";
  run.lang = "en";
  run.extra = {"--audio-in", dir / "mic.wav"};
  run.script =
      "expect Internal memory 20\nclock 2026-03-10 09:58\n"
      "key menu\nexpect version information\nkey up\nkey up\nkey up\nexpect tools\n"
      "key play\nexpect Voice reminder\nkey play\nexpect Add voice reminder.\n"
      "key play\nexpect once\nkey up\nkey up\nexpect minute, 58 5\nkey left\nexpect minute, 57 5\n"
      "hold record 2\nexpect Press and hold the record key 10\n"
      "key play\nexpect This time has already passed.\n"
      "key up\nkey right\nkey right\nexpect minute, 59\nkey play\nexpect Voice reminder added.\nquit\n";
  dtbtest::SimResult r = dtbtest::RunSim(run);
  EXPECT_EQ(r.status, 0) << r.output;
}

}  // namespace
