// The reader's settings file and the small rules it is built from.
#include <gtest/gtest.h>

#include <cstdio>

#include "ebook/reader/ebook_music.h"
#include "ebook/reader/ebook_play_thread.h"
#include "ebook/reader/ebook_player.h"
#include "ebook/reader/ebook_settings.h"
#include "ebook/reader/ebook_words.h"
#include "tests/ebook/ebook_test_util.h"
#include "tests/support/root_board.h"
#include "tests/support/test_support.h"

namespace {

using ebooktest::U16;

// The settings partition of a device root in a temporary folder.
class EbookSettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_EbookSettings = EbookSettings();
    board_->mounted.insert("/mnt/settings");
  }
  void TearDown() override { g_EbookSettings = EbookSettings(); }
  std::string File() const { return dir_ / "mnt/settings/ebook.config.xml"; }
  void Write(const std::string& text) { dtbtest::WriteFile(File(), text); }

  dtbtest::TempDir dir_;
  dtbtest::ScopedRootBoard board_{dir_.path()};
};

TEST_F(EbookSettingsTest, SavedValuesLoadBackInTheirOrder) {
  g_EbookSettings.role = 3;
  g_EbookSettings.speed = -7;
  g_EbookSettings.pitch = 4;
  g_EbookSettings.effect = 2;
  g_EbookSettings.background_music_volume = 8;
  g_EbookSettings.background_music_file_select = 15;
  g_EbookSettings.quiet_reading = 1;
  dtbtest::WriteFile(File(), "");  // the partition's folder
  ASSERT_EQ(SaveEbookSettings(true), 0);
  std::string xml = dtbtest::ReadFile(File());
  EXPECT_NE(xml.find("<?xml version=\"1.0\""), std::string::npos);
  EXPECT_NE(xml.find("<ebook><ebook_config role=\"3\" speed=\"-7\" pitch=\"4\" effect=\"2\" "
                     "background_music_volume=\"8\" background_music_file_select=\"15\" "
                     "quiet_reading=\"1\"/></ebook>"),
            std::string::npos)
      << xml;
  const EbookSettings saved = g_EbookSettings;
  g_EbookSettings = EbookSettings();
  ASSERT_EQ(LoadEbookSettings(), 0);
  EXPECT_EQ(g_EbookSettings, saved);
}

TEST_F(EbookSettingsTest, OutOfRangeValuesAreRepairedAndBadFilesLeaveTheValues) {
  Write("<?xml version=\"1.0\"?>\n<ebook><ebook_config role=\"99\" speed=\"21\" pitch=\"x\" "
        "effect=\"-3\" background_music_volume=\"9\" background_music_file_select=\"0\" "
        "quiet_reading=\"2\"/></ebook>\n");
  g_EbookSettings.speed = 5;
  ASSERT_EQ(LoadEbookSettings(), 0);
  EXPECT_EQ(g_EbookSettings.role, 0);
  EXPECT_EQ(g_EbookSettings.speed, 0);
  EXPECT_EQ(g_EbookSettings.pitch, 0);
  EXPECT_EQ(g_EbookSettings.effect, -3);  // stored as it is
  EXPECT_EQ(g_EbookSettings.background_music_volume, 0);
  EXPECT_EQ(g_EbookSettings.background_music_file_select, 1);
  EXPECT_EQ(g_EbookSettings.quiet_reading, 0);
  // The system voice (-1) and the extremes are in range.
  Write("<?xml version=\"1.0\"?>\n<ebook><ebook_config role=\"-1\" speed=\"-10\" "
        "background_music_volume=\"8\" background_music_file_select=\"15\"/></ebook>\n");
  ASSERT_EQ(LoadEbookSettings(), 0);
  EXPECT_EQ(g_EbookSettings.role, -1);
  EXPECT_EQ(g_EbookSettings.speed, -10);
  EXPECT_EQ(g_EbookSettings.background_music_volume, 8);
  EXPECT_EQ(g_EbookSettings.background_music_file_select, 15);
  // Too short, missing, or the partition not mounted: -1, nothing changes.
  const EbookSettings before = g_EbookSettings;
  Write("<ebook/>");
  EXPECT_EQ(LoadEbookSettings(), -1);
  std::remove(File().c_str());
  EXPECT_EQ(LoadEbookSettings(), -1);
  EXPECT_EQ(g_EbookSettings, before);
  board_->mounted.clear();
  EXPECT_EQ(SaveEbookSettings(true), -1);
  EXPECT_EQ(LoadEbookSettings(), -1);
}

TEST_F(EbookSettingsTest, UnchangedSettingsAreOnlyWrittenWhenForced) {
  dtbtest::WriteFile(File(), "");
  ASSERT_EQ(SaveEbookSettings(true), 0);
  ASSERT_EQ(LoadEbookSettings(), 0);
  Write("marker");
  EXPECT_EQ(SaveEbookSettings(false), 0);
  EXPECT_EQ(dtbtest::ReadFile(File()), "marker");
  g_EbookSettings.speed = 3;
  EXPECT_EQ(SaveEbookSettings(false), 0);
  EXPECT_NE(dtbtest::ReadFile(File()).find("speed=\"3\""), std::string::npos);
  // Restoring defaults chooses the system voice.
  SetEbookSettingsToDefault();
  EXPECT_EQ(g_EbookSettings.role, -1);
  EXPECT_EQ(g_EbookSettings.speed, 0);
  EXPECT_EQ(g_EbookSettings.background_music_file_select, 1);
  EXPECT_EQ(EbookSettings().role, 0);
}

TEST(EbookReaderRules, SpeedStepsMapToEngineRates) {
  EXPECT_EQ(EbookSpeedToRate(-10), -50);
  EXPECT_EQ(EbookSpeedToRate(-1), -5);
  EXPECT_EQ(EbookSpeedToRate(0), 0);
  EXPECT_EQ(EbookSpeedToRate(10), 100);
  EXPECT_EQ(EbookSpeedToRate(11), 120);
  EXPECT_EQ(EbookSpeedToRate(20), 300);
}

TEST(EbookReaderRules, NavigationModesFollowTheHeadingDepth) {
  int modes[EB_NAV_MODES];
  int n = EbookNavModeList(0, modes);
  EXPECT_EQ(std::vector<int>(modes, modes + n), (std::vector<int>{0, 1, 2, 3, 4, 14, 15, 16, 17}));
  n = EbookNavModeList(3, modes);
  EXPECT_EQ(std::vector<int>(modes, modes + n), (std::vector<int>{0, 1, 5, 6, 7, 2, 3, 4, 14, 15, 16, 17}));
  n = EbookNavModeList(9, modes);
  EXPECT_EQ(n, 18);
  EXPECT_EQ(modes[10], 13);
  EXPECT_EQ(EbookNavModeList(10, modes), 9);
  EXPECT_EQ(g_EbpNavModeDesList[EB_NAV_LEVEL1 + 8], 30);
  EXPECT_EQ(g_EbpNavModeDesList[EB_NAV_BOOKMARK], 123);
}

TEST(EbookReaderRules, WordsAreRunsOfLettersOrDigits) {
  auto next = [](const std::string& text, int from) {
    std::u16string s = U16(text);
    int a = -1, b = -1;
    if (!FindNextWord(reinterpret_cast<const unsigned short*>(s.data()), static_cast<int>(s.size()), from, &a, &b))
      return std::string("<none>");
    return ebooktest::U8(s.substr(a, b - a));
  };
  auto prev = [](const std::string& text, int limit) {
    std::u16string s = U16(text);
    int a = -1, b = -1;
    if (!FindPrevWord(reinterpret_cast<const unsigned short*>(s.data()), limit, &a, &b)) return std::string("<none>");
    return ebooktest::U8(s.substr(a, b - a));
  };
  EXPECT_EQ(next("  \"Don't\" -- he said.", 0), "Don't");
  EXPECT_EQ(next("It's 1,000.50 zł.", 4), "1,000.50");
  EXPECT_EQ(next("end. 3.", 3), "3");  // a full stop after a number is not part of it
  EXPECT_EQ(next("Żółw—ćma", 0), "Żółw");
  EXPECT_EQ(next("Żółw—ćma", 4), "ćma");
  EXPECT_EQ(next("Ψυχή и душа", 5), "и");
  EXPECT_EQ(next("... !!! ", 0), "<none>");
  EXPECT_EQ(next("word", 4), "<none>");
  EXPECT_EQ(prev("one two three", 13), "three");
  EXPECT_EQ(prev("one two three", 8), "two");
  EXPECT_EQ(prev("rock'n'roll!", 12), "rock'n'roll");
  EXPECT_EQ(prev("  ", 2), "<none>");
  EXPECT_EQ(GetWordPlace('.'), EB_CHAR_FULL_STOP);
  EXPECT_EQ(GetWordPlace(0x141), EB_CHAR_LETTER);  // Ł
  EXPECT_EQ(GetWordPlace(0xD7), EB_CHAR_OTHER);    // multiplication sign
  EXPECT_EQ(GetWordPlace(0x2019), EB_CHAR_OTHER);
}

TEST(EbookReaderRules, SpellingAndMixing) {
  std::u16string word = U16("kot");
  unsigned short out[32];
  int n = EbookSpellText(reinterpret_cast<const unsigned short*>(word.data()), 3, out, 32);
  EXPECT_EQ(ebooktest::U8(std::u16string(out, out + n)), "k o t  kot");
  // A buffer too small is never overrun.
  n = EbookSpellText(reinterpret_cast<const unsigned short*>(word.data()), 3, out, 5);
  EXPECT_LE(n, 5);
  EXPECT_EQ(EbookSpellText(nullptr, 3, out, 32), 0);

  EXPECT_EQ(MixSample(1000, 5000, 0), 1000);
  EXPECT_EQ(MixSample(1000, 5000, 8), 4200);  // 20 % voice, 80 % music
  EXPECT_EQ(MixSample(-32768, 32767, 8), 19660);
  EXPECT_EQ(MixSample(32767, -32768, 8), -19661);
}

}  // namespace
