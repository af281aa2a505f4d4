#include <gtest/gtest.h>

#include <string>

#include "players/audiobook_settings.h"
#include "players/music_settings.h"
#include "tests/support/test_support.h"

namespace {

// Puts the process-wide settings back after each test.
class SettingsGuard : public ::testing::Test {
 protected:
  void SetUp() override {
    music_ = g_AudioSettings;
    book_ = g_AudioBookSettings;
    SetAudioSettingsToDefault();
    SetAudioBookSettingsToDefault();
  }
  void TearDown() override {
    g_AudioSettings = music_;
    g_AudioBookSettings = book_;
  }
  dtbtest::TempDir dir_;

 private:
  AudioSettings music_;
  AudioBookSettings book_;
};

using MusicSettingsTest = SettingsGuard;
using AudioBookSettingsTest = SettingsGuard;

TEST_F(MusicSettingsTest, LoadsValuesAndUnitTextIgnoringCase) {
  std::string p = dir_ / "music.config.xml";
  dtbtest::WriteFile(p,
                     "<?xml version=\"1.0\"?>\n<music><music_config mode=\"4\" equalizer=\"2\" "
                     "speed=\"-10\" pitch=\"5\" NavMode=\"30 MINUTES\"/></music>\n");
  ASSERT_EQ(LoadMusicSettingsFile(p.c_str()), 0);
  EXPECT_EQ(g_AudioSettings.mode, 4);
  EXPECT_EQ(g_AudioSettings.equalizer, 2);
  EXPECT_EQ(g_AudioSettings.speed, -10);
  EXPECT_EQ(g_AudioSettings.pitch, 5);
  EXPECT_EQ(g_AudioSettings.navMode, NAV_30_MINUTES);
}

TEST_F(MusicSettingsTest, OutOfRangeValuesFallBackToDefaults) {
  std::string p = dir_ / "music.config.xml";
  dtbtest::WriteFile(p,
                     "<music><music_config mode=\"5\" equalizer=\"-1\" speed=\"35\" pitch=\"-6\" "
                     "NavMode=\"2 minutes\"/><other speed=\"3\"/></music>");
  ASSERT_EQ(LoadMusicSettingsFile(p.c_str()), 0);
  EXPECT_EQ(g_AudioSettings, AudioSettings());
  dtbtest::WriteFile(p, "<music><music_config speed=\"abc\" pitch=\"99999999999999\"/></music>");
  ASSERT_EQ(LoadMusicSettingsFile(p.c_str()), 0);
  EXPECT_EQ(g_AudioSettings.speed, 0);
  EXPECT_EQ(g_AudioSettings.pitch, 0);
}

TEST_F(MusicSettingsTest, RejectsMissingTinyAndHugeFilesKeepingValues) {
  g_AudioSettings.speed = 3;
  std::string p = dir_ / "music.config.xml";
  EXPECT_EQ(LoadMusicSettingsFile(p.c_str()), -1);
  dtbtest::WriteFile(p, "<music/>");
  EXPECT_EQ(LoadMusicSettingsFile(p.c_str()), -1);
  dtbtest::WriteFile(p, "<music><music_config speed=\"1\"/>" + std::string(4096, ' ') + "</music>");
  EXPECT_EQ(LoadMusicSettingsFile(p.c_str()), -1);
  EXPECT_EQ(g_AudioSettings.speed, 3);
  // Malformed after the element: what came before it is applied.
  dtbtest::WriteFile(p, "<music><music_config speed=\"7\"/><broken</music>");
  EXPECT_EQ(LoadMusicSettingsFile(p.c_str()), 0);
  EXPECT_EQ(g_AudioSettings.speed, 7);
}

TEST_F(MusicSettingsTest, SavesOnlyChangesUnlessForcedAndRoundTrips) {
  std::string p = dir_ / "music.config.xml";
  dtbtest::WriteFile(p, "<music><music_config mode=\"1\"/></music>");
  ASSERT_EQ(LoadMusicSettingsFile(p.c_str()), 0);
  ASSERT_EQ(SaveMusicSettingsFile(p.c_str(), false), 0);
  EXPECT_EQ(dtbtest::ReadFile(p), "<music><music_config mode=\"1\"/></music>");  // untouched

  g_AudioSettings.speed = 2;
  g_AudioSettings.navMode = NAV_BOOKMARK;
  ASSERT_EQ(SaveMusicSettingsFile(p.c_str(), false), 0);
  std::string saved = dtbtest::ReadFile(p);
  EXPECT_NE(saved.find("<music><music_config mode=\"1\" equalizer=\"0\" speed=\"2\" pitch=\"0\" "
                       "NavMode=\"bookmark\"/></music>"),
            std::string::npos)
      << saved;
  AudioSettings expect = g_AudioSettings;
  SetAudioSettingsToDefault();
  ASSERT_EQ(LoadMusicSettingsFile(p.c_str()), 0);
  EXPECT_EQ(g_AudioSettings, expect);

  dtbtest::WriteFile(p, "junk that is long enough");
  ASSERT_EQ(SaveMusicSettingsFile(p.c_str(), true), 0);
  EXPECT_EQ(dtbtest::ReadFile(p), saved);
}

TEST_F(AudioBookSettingsTest, ClampsAndKeepsStepSeven) {
  std::string p = dir_ / "audiobook.config.xml";
  dtbtest::WriteFile(p, "<audiobook><audiobook_config speed=\"31\" pitch=\"-5\" step=\"7\"/></audiobook>");
  ASSERT_EQ(LoadAudioBookSettingsFile(p.c_str()), 0);
  EXPECT_EQ(g_AudioBookSettings.speed, 0);
  EXPECT_EQ(g_AudioBookSettings.pitch, -5);
  EXPECT_EQ(g_AudioBookSettings.step, 7);
  EXPECT_EQ(AudioBookStepSeconds(g_AudioBookSettings.step), 10);
  dtbtest::WriteFile(p, "<audiobook><audiobook_config speed=\"30\" pitch=\"6\" step=\"8\"/></audiobook>");
  ASSERT_EQ(LoadAudioBookSettingsFile(p.c_str()), 0);
  EXPECT_EQ(g_AudioBookSettings.speed, 30);
  EXPECT_EQ(g_AudioBookSettings.pitch, 0);
  EXPECT_EQ(g_AudioBookSettings.step, 0);
  EXPECT_EQ(AudioBookStepSeconds(6), 3600);
  EXPECT_EQ(AudioBookStepSeconds(3), 300);
}

TEST_F(AudioBookSettingsTest, RoundTrip) {
  std::string p = dir_ / "audiobook.config.xml";
  g_AudioBookSettings = {-4, 2, 5, 1, 1};
  ASSERT_EQ(SaveAudioBookSettingsFile(p.c_str(), true), 0);
  SetAudioBookSettingsToDefault();
  EXPECT_EQ(g_AudioBookSettings.time_left + g_AudioBookSettings.tag_order, 0);
  ASSERT_EQ(LoadAudioBookSettingsFile(p.c_str()), 0);
  EXPECT_EQ(g_AudioBookSettings, (AudioBookSettings{-4, 2, 5, 1, 1}));
  EXPECT_NE(dtbtest::ReadFile(p).find("<audiobook><audiobook_config speed=\"-4\" pitch=\"2\" step=\"5\" "
                                      "time_left=\"1\" tag_order=\"1\"/>"),
            std::string::npos);
}

TEST(NavMode, UnitSeconds) {
  EXPECT_EQ(NavModeSeconds(NAV_1_MINUTE), 60);
  EXPECT_EQ(NavModeSeconds(NAV_5_MINUTES), 300);
  EXPECT_EQ(NavModeSeconds(NAV_30_MINUTES), 1800);
  EXPECT_EQ(NavModeSeconds(NAV_1_HOUR), 3600);
  EXPECT_EQ(NavModeSeconds(NAV_FILE), 0);
  EXPECT_EQ(NavModeSeconds(NAV_BOOKMARK), 0);
}

}  // namespace
