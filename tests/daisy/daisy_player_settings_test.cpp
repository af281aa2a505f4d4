// "daisy.config.xml": values, repairs and the speed mapping.
#include <gtest/gtest.h>

#include "daisy/player/daisy_settings.h"
#include "tests/support/test_support.h"

namespace {

class DaisySettingsTest : public ::testing::Test {
 protected:
  void SetUp() override { SetDaisySettingsToDefault(); }
  void TearDown() override { SetDaisySettingsToDefault(); }
  int Load(const std::string& attrs) {
    dtbtest::WriteFile(file_,
                       "<?xml version=\"1.0\"?>\n<daisy><daisy_config " + attrs + "/></daisy>\n");
    return LoadDaisySettingsFile(file_.c_str());
  }
  dtbtest::TempDir dir_;
  std::string file_ = dir_ / "daisy.config.xml";
};

TEST_F(DaisySettingsTest, JumpTimeIsStoredAsSecondsAndReadBackAsItsIndex) {
  ASSERT_EQ(0, Load("speed=\"-3\" pitch=\"2\" jumptime=\"300\""));
  EXPECT_EQ(g_Speed, -3);
  EXPECT_EQ(g_Pitch, 2);
  EXPECT_EQ(g_JumpTimeIndex, 2);
  EXPECT_EQ(DaisyJumpSeconds(), 300);
  // An interval that is not one of the six gives the first.
  ASSERT_EQ(0, Load("jumptime=\"45\""));
  EXPECT_EQ(g_JumpTimeIndex, 0);
  g_Speed = 20;
  g_Pitch = -5;
  g_JumpTimeIndex = 5;
  g_DaisyQuietReading = true;
  g_DaisyTimeLeft = true;
  ASSERT_EQ(0, SaveDaisySettingsFile(file_.c_str()));
  std::string text = dtbtest::ReadFile(file_);
  EXPECT_NE(text.find("<daisy_config speed=\"20\" pitch=\"-5\" jumptime=\"3600\" quiet_reading=\"enable\" "
                      "time_left=\"enable\"/>"),
            std::string::npos)
      << text;
  SetDaisySettingsToDefault();
  EXPECT_FALSE(g_DaisyQuietReading || g_DaisyTimeLeft);
  ASSERT_EQ(0, LoadDaisySettingsFile(file_.c_str()));
  EXPECT_EQ(g_Speed, 20);
  EXPECT_EQ(g_Pitch, -5);
  EXPECT_EQ(g_JumpTimeIndex, 5);
  EXPECT_TRUE(g_DaisyQuietReading && g_DaisyTimeLeft);
  // A file written before the settings existed reads them as off.
  ASSERT_EQ(0, Load("speed=\"1\" pitch=\"0\" jumptime=\"30\""));
  EXPECT_FALSE(g_DaisyQuietReading || g_DaisyTimeLeft);
}

TEST_F(DaisySettingsTest, BadValuesAndBadFilesAreRepairedOrIgnored) {
  ASSERT_EQ(0, Load("speed=\"21\" pitch=\"-6\" jumptime=\"x\""));
  EXPECT_EQ(g_Speed, 0);
  EXPECT_EQ(g_Pitch, 0);
  EXPECT_EQ(g_JumpTimeIndex, 0);
  ASSERT_EQ(0, Load("speed=\"abc\" pitch=\"5\""));
  EXPECT_EQ(g_Speed, 0);
  EXPECT_EQ(g_Pitch, 5);
  // Too short, too long, or missing: nothing changes.
  g_Speed = 4;
  dtbtest::WriteFile(file_, "<daisy/>");
  EXPECT_EQ(-1, LoadDaisySettingsFile(file_.c_str()));
  dtbtest::WriteFile(file_, "<daisy>" + std::string(5000, ' ') + "</daisy>");
  EXPECT_EQ(-1, LoadDaisySettingsFile(file_.c_str()));
  EXPECT_EQ(-1, LoadDaisySettingsFile((dir_ / "none.xml").c_str()));
  EXPECT_EQ(g_Speed, 4);
  // A damaged file keeps what was read before the damage.
  dtbtest::WriteFile(file_, "<daisy><daisy_config speed=\"7\"/><broken");
  EXPECT_EQ(0, LoadDaisySettingsFile(file_.c_str()));
  EXPECT_EQ(g_Speed, 7);
}

}  // namespace
