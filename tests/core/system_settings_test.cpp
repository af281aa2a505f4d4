// The system settings record against "system.config.xml" on a scratch
// settings partition, with the simulated codec behind the volume calls.
#include <sys/stat.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>

#include "audio/soundcard.h"
#include "core/ui/system_settings.h"
#include "speech/tts.h"
#include "speech/ux_language.h"
#include "tests/support/root_board.h"
#include "tests/support/test_support.h"

namespace dtbtest {
namespace {

class SystemSettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(dir_ / "root/mnt/settings");
    std::filesystem::create_directories(dir_ / "root/var/board");
    board_ = std::make_unique<ScopedRootBoard>(dir_ / "root");
    (*board_)->mounted.insert("/mnt/settings");
    g_SystemSettings = SystemSettings();
  }
  void TearDown() override {
    SoundCard_SpeakerSwitch(false);
    g_SystemSettings = SystemSettings();
    board_.reset();
  }
  std::string File() const { return dir_ / "root/mnt/settings/system.config.xml"; }
  void WriteSettings(const std::string& elements) {
    WriteFile(File(), "<?xml version=\"1.0\"?>\n<ebook>" + elements + "</ebook>\n");
  }
  // Loads the file into a fresh record, as a start-up would.
  SystemSettings Loaded(int* result = nullptr) {
    SystemSettings s;
    int r = s.Load();
    if (result) *result = r;
    return s;
  }
  long Mixer(const std::string& control) {
    FILE* f = fopen((dir_ / "root/var/board/mixer").c_str(), "r");
    if (!f) return -999;
    char line[256];
    long value = -999;
    while (fgets(line, sizeof line, f)) {
      char* eq = strrchr(line, '=');
      if (eq && std::string(line, eq) == control) value = strtol(eq + 1, nullptr, 10);
    }
    fclose(f);
    return value;
  }

  TempDir dir_;
  std::unique_ptr<ScopedRootBoard> board_;
};

TEST_F(SystemSettingsTest, DefaultsAndVolumeTable) {
  SystemSettings s;
  EXPECT_EQ(10, s.volume);
  EXPECT_EQ(10, s.hpvolume);
  EXPECT_EQ(24, s.timeformat);
  EXPECT_EQ(87000, s.fm_send_frequency);
  EXPECT_TRUE(s.daisy_resume_play);
  EXPECT_FALSE(s.fm_send);
  EXPECT_EQ(0, c_VolumeList[0]);
  EXPECT_EQ(33, c_VolumeList[1]);
  EXPECT_EQ(78, c_VolumeList[10]);
  EXPECT_EQ(108, c_VolumeList[16]);
}

TEST_F(SystemSettingsTest, LoadClampsAndRepairs) {
  WriteSettings(
      "<system_setting volume=\"20\"/>"
      "<system_setting timeformat=\"13\"/>"
      "<system_setting time_announcement_mode=\"7\"/>"
      "<system_setting tts_speed=\"15\" tts_pitch=\"9\"/>"
      "<system_setting fm_send_frequency=\"120000\"/>"
      "<system_setting timer_power_on=\"enable\" timer_power_on_time=\"-1\"/>"
      "<other volume=\"3\"/>");
  int r;
  SystemSettings s = Loaded(&r);
  ASSERT_EQ(0, r);
  EXPECT_EQ(16, s.volume);
  EXPECT_EQ(16, s.hpvolume);  // no hpvolume in the file: the speaker's
  EXPECT_EQ(24, s.timeformat);
  EXPECT_EQ(0, s.time_announcement_mode);
  EXPECT_EQ(15, s.tts_speed);
  EXPECT_EQ(200, SystemSettings::TtsSpeedToRate(s.tts_speed));
  EXPECT_EQ(5, s.tts_pitch);
  EXPECT_EQ(108000, s.fm_send_frequency);
  EXPECT_FALSE(s.timer_power_on);

  WriteSettings(
      "<system_setting volume=\"-4\" hpvolume=\"7\"/><system_setting tts_speed=\"-20\"/>"
      "<system_setting timeformat=\"12\" time_announcement_mode=\"-1\" tts_role=\"99\"/>"
      "<system_setting timer_power_on=\"enable\" timer_power_on_time=\"420\"/>"
      "<system_setting volume=\"99999999999999\"/>");
  s = Loaded();
  EXPECT_EQ(16, s.volume);  // huge numbers saturate instead of wrapping
  EXPECT_EQ(7, s.hpvolume);
  EXPECT_EQ(-10, s.tts_speed);
  EXPECT_EQ(-50, SystemSettings::TtsSpeedToRate(s.tts_speed));
  EXPECT_EQ(12, s.timeformat);
  EXPECT_EQ(0, s.time_announcement_mode);
  EXPECT_EQ(0, s.tts_role);
  EXPECT_TRUE(s.timer_power_on);
  EXPECT_EQ(420, s.timer_power_on_time);
}

TEST_F(SystemSettingsTest, SpeedSteps) {
  const int steps[][2] = {{-10, -50}, {-1, -5}, {0, 0}, {10, 100}, {11, 120}, {20, 300}, {25, 300}, {-11, -50}};
  for (const auto& s : steps) EXPECT_EQ(s[1], SystemSettings::TtsSpeedToRate(s[0])) << s[0];
  g_SystemSettings.SetTtsSpeed(33);
  EXPECT_EQ(20, g_SystemSettings.tts_speed);
  g_SystemSettings.SetTtsPitch(-9);
  EXPECT_EQ(-5, g_SystemSettings.tts_pitch);
  g_SystemSettings.SetTtsEffect(3);  // the engine has no effects
  EXPECT_EQ(0, g_SystemSettings.tts_effect);
  g_SystemSettings.SetTimerAnnouncementMode(4);
  EXPECT_EQ(0, g_SystemSettings.time_announcement_mode);
  g_SystemSettings.SetTimerShutDownTime(true, -1);
  EXPECT_FALSE(g_SystemSettings.timer_shut_down_enable);
  g_SystemSettings.SetTimerShutDownTime(true, 600);
  EXPECT_TRUE(g_SystemSettings.timer_shut_down_enable);
  g_SystemSettings.SetFmSendFrequency(80000);
  EXPECT_EQ(87000, g_SystemSettings.fm_send_frequency);
}

TEST_F(SystemSettingsTest, TimedPowerOffAndFmTransmitterStartOff) {
  WriteSettings("<system_setting fm_send=\"enable\" timer_shut_down=\"1320\"/>");
  g_SystemSettings.SetTimerShutDownTime(true, 60);
  ASSERT_EQ(0, g_SystemSettings.Load());
  EXPECT_TRUE(g_SystemSettings.fm_send);
  EXPECT_FALSE(g_SystemSettings.timer_shut_down_enable);
  EXPECT_EQ(1320, g_SystemSettings.timer_shut_down);
  ASSERT_EQ(0, g_SystemSettings.Save());
  EXPECT_EQ(std::string::npos, ReadFile(File()).find("fm_send="));
  EXPECT_FALSE(Loaded().fm_send);  // the next start
}

TEST_F(SystemSettingsTest, SaveWritesTheLayoutAndRoundTrips) {
  SystemSettings& s = g_SystemSettings;
  s.RemindBeforeIdleShutDown = 0;
  s.volume = 3;
  s.hpvolume = 12;
  s.timeformat = 12;
  s.SetIdleShutDownTime(-1);
  s.auto_shut_down_time = 30;
  s.SetTimerShutDownTime(true, 75);
  s.SetTimerPowerOnTime(true, 480);
  s.SetTimerAnnouncementMode(2);
  s.SetTtsSpeed(-3);
  s.SetTtsPitch(2);
  s.music_resume_play = false;
  s.SetFmSendFrequency(99500);
  ASSERT_EQ(0, s.Save());
  std::string lang = Tts_GetLanguageDes(0);
  std::string expected =
      "<?xml version=\"1.0\"?>\n<ebook>"
      "<system_setting RemindBeforeAutoShutDown=\"1\"/>"
      "<system_setting RemindBeforeIdleShutDown=\"0\"/>"
      "<system_setting language=\"" + lang + "\"/>"
      "<system_setting volume=\"3\" hpvolume=\"12\"/>"
      "<system_setting timeformat=\"12\"/>"
      "<system_setting idle_shut_down_time=\"-1\"/>"
      "<system_setting auto_shut_down_time=\"30\"/>"
      "<system_setting timer_shut_down=\"75\"/>"
      "<system_setting timer_power_on=\"enable\" timer_power_on_time=\"480\"/>"
      "<system_setting time_announcement_mode=\"2\"/>"
      "<system_setting tts_role=\"0\" tts_speed=\"-3\" tts_pitch=\"2\" tts_effect=\"0\"/>"
      "<system_setting ebook_resume_play=\"enable\" music_resume_play=\"disable\" "
      "daisy_resume_play=\"enable\" audiobook_resume_play=\"enable\"/>"
      "<system_setting fm_send_frequency=\"99500\"/>"
      "</ebook>\n";
  EXPECT_EQ(expected, ReadFile(File()));
  std::string first = ReadFile(File());
  ASSERT_EQ(0, s.Save());
  EXPECT_EQ(first, ReadFile(File()));  // two saves in a row: the same bytes

  SystemSettings t = Loaded();
  EXPECT_EQ(0, t.RemindBeforeIdleShutDown);
  EXPECT_EQ(3, t.volume);
  EXPECT_EQ(12, t.hpvolume);
  EXPECT_EQ(12, t.timeformat);
  EXPECT_EQ(-1, t.idle_shut_down_time);
  EXPECT_EQ(30, t.auto_shut_down_time);
  EXPECT_EQ(75, t.timer_shut_down);
  EXPECT_FALSE(t.timer_shut_down_enable);
  EXPECT_TRUE(t.timer_power_on);
  EXPECT_EQ(480, t.timer_power_on_time);
  EXPECT_EQ(2, t.time_announcement_mode);
  EXPECT_EQ(-3, t.tts_speed);
  EXPECT_EQ(2, t.tts_pitch);
  EXPECT_FALSE(t.music_resume_play);
  EXPECT_TRUE(t.ebook_resume_play);
  EXPECT_EQ(99500, t.fm_send_frequency);
}

TEST_F(SystemSettingsTest, UnmountedPartitionLeavesFileAndValues) {
  g_SystemSettings.volume = 5;
  ASSERT_EQ(0, g_SystemSettings.Save());
  std::string old = ReadFile(File());
  (*board_)->mounted.clear();
  g_SystemSettings.volume = 9;
  EXPECT_EQ(-1, g_SystemSettings.Save());
  EXPECT_EQ(old, ReadFile(File()));
  EXPECT_EQ(-1, g_SystemSettings.Load());
  EXPECT_EQ(9, g_SystemSettings.volume);
  EXPECT_EQ(10, g_SystemSettings.hpvolume);
}

TEST_F(SystemSettingsTest, AFailedWriteKeepsTheOldFileWhole) {
  g_SystemSettings.volume = 5;
  ASSERT_EQ(0, g_SystemSettings.Save());
  std::string old = ReadFile(File());
  // The new copy cannot be written (its temporary name is taken by a folder).
  std::filesystem::create_directories(File() + ".tmp");
  g_SystemSettings.volume = 11;
  EXPECT_EQ(-1, g_SystemSettings.Save());
  EXPECT_EQ(old, ReadFile(File()));
  EXPECT_EQ(5, Loaded().volume);
}

TEST_F(SystemSettingsTest, RejectedFilesKeepTheDefaults) {
  int r;
  EXPECT_EQ(10, Loaded(&r).volume);  // missing
  EXPECT_EQ(-1, r);
  WriteFile(File(), "<a b='1'/>");  // 10 bytes: too short
  Loaded(&r);
  EXPECT_EQ(-1, r);
  WriteSettings("<system_setting volume=\"3\"/>" + std::string(4096, ' '));  // too long
  EXPECT_EQ(10, Loaded(&r).volume);
  EXPECT_EQ(-1, r);
  // Malformed: what came before the fault counts.
  WriteSettings("<system_setting volume=\"3\"/><system_setting hpvolume=\"4\"<<<<<><system_setting timeformat=\"12\"/>");
  SystemSettings s = Loaded(&r);
  EXPECT_EQ(0, r);
  EXPECT_EQ(3, s.volume);
  EXPECT_EQ(24, s.timeformat);
}

TEST_F(SystemSettingsTest, LanguageByDescriptionAndVoiceFollowsIt) {
  ASSERT_GE(Tts_GetTotalLanguages(), 2);
  std::string english = Tts_GetLanguageDes(1);
  for (char& c : english) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  WriteSettings("<system_setting language=\"" + english + "\"/>");
  g_SystemSettings.Load();
  EXPECT_EQ(1, g_SystemSettings.language);
  EXPECT_EQ(1, g_CurLanguage);
  int start = Tts_GetLanguageStartVoiceIndex(1);
  EXPECT_GE(g_SystemSettings.tts_role, start);
  EXPECT_LT(g_SystemSettings.tts_role, start + Tts_GetVoiceCnt(1));
  WriteSettings("<system_setting language=\"Klingon\"/>");
  g_SystemSettings.Load();
  EXPECT_EQ(0, g_SystemSettings.language);
  EXPECT_EQ(0, g_CurLanguage);

  // A voice of the language is kept; otherwise one of the same sex is taken.
  for (int v = 0; v < Tts_GetTotalRoles(); v++) {
    g_SystemSettings.tts_role = v;
    int sex = Tts_GetSex(v);
    g_SystemSettings.SetLanguage(1);
    int r = g_SystemSettings.tts_role;
    ASSERT_GE(r, start);
    ASSERT_LT(r, start + Tts_GetVoiceCnt(1));
    if (v >= start) {
      EXPECT_EQ(v, r);
    } else {
      bool same_sex_exists = false;
      for (int k = start; k < start + Tts_GetVoiceCnt(1); k++) same_sex_exists |= Tts_GetSex(k) == sex;
      if (same_sex_exists) {
        EXPECT_EQ(sex, Tts_GetSex(r)) << v;
      }
    }
  }
  g_SystemSettings.SetLanguage(7);
  EXPECT_EQ(0, g_SystemSettings.language);
}

TEST_F(SystemSettingsTest, VolumeStepsReachTheMixer) {
  SoundCard_SpeakerSwitch(true);
  g_SystemSettings.volume = 16;
  g_SystemSettings.ChangeVolume(1);
  EXPECT_EQ(16, g_SystemSettings.volume);
  EXPECT_EQ(16, g_SystemSettings.GetVolume());
  EXPECT_EQ(108, Mixer("Line DAC Playback Volume"));
  g_SystemSettings.volume = 0;
  g_SystemSettings.ChangeVolume(-1);
  EXPECT_EQ(0, g_SystemSettings.volume);
  EXPECT_EQ(0, Mixer("Line DAC Playback Volume"));
  // With the speaker off the headphone step moves.
  SoundCard_SpeakerSwitch(false);
  g_SystemSettings.hpvolume = 4;
  g_SystemSettings.ChangeVolume(2);
  EXPECT_EQ(6, g_SystemSettings.GetVolume());
  EXPECT_EQ(0, g_SystemSettings.volume);
  EXPECT_EQ(58, Mixer("HP DAC Playback Volume"));
  g_SystemSettings.ChangeSpeakerVolume(0);  // start-up pushes the stored step
  EXPECT_EQ(0, Mixer("Line DAC Playback Volume"));
  g_SystemSettings.SetToDefault(true);
  EXPECT_EQ(10, g_SystemSettings.hpvolume);
  EXPECT_EQ(78, Mixer("Line DAC Playback Volume"));
  EXPECT_EQ(78, Mixer("HP DAC Playback Volume"));
}

}  // namespace
}  // namespace dtbtest
