// The compass through the host board's chip models: headings at every
// attitude a walker holds the player in, for each magnetometer; the
// calibration turn finding an injected hard-iron offset (one past the
// HMC5883L's first gain); and "tools.bin" keeping a calendar block it does
// not own while a damaged one falls back to the default calibration.
#include "tools/compass.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <memory>

#include "platform/board.h"
#include "platform/host/chips/compass_field.h"
#include "platform/host/host_board.h"
#include "tests/support/test_support.h"
#include "tests/tools/tools_fixture.h"
#include "tools/calculagraph.h"

namespace {

namespace cs = board::chips::compass_state;
using compass::Vector;

double AngleBetween(double a, double b) {
  double d = fmod(fabs(a - b), 360.0);
  return d > 180 ? 360 - d : d;
}

class CompassChips : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    ASSERT_EQ(board::CreateHostLayout(dir_.path()), 0);
    state_.Set(cs::kMagnetometer, GetParam());
    previous_ = board::Install(board::MakeHostBoard(dir_.path()));
    saved_ = &board::SelectProfile(compass::ProbeCompassSensors(board::DetectProfile()));
    ASSERT_TRUE(compass::HaveAccelerometer());
    ASSERT_EQ(compass::StartSensors(), 0);
  }
  void TearDown() override {
    compass::StopSensors();
    board::SelectProfile(*saved_);
    board::Install(std::move(previous_));
  }
  void Hold(double heading, double pitch, double roll) {
    state_.Set(cs::kAttitude, std::to_string(heading) + " " + std::to_string(pitch) + " " + std::to_string(roll));
  }
  void Read(Vector* m, Vector* g) {
    ASSERT_EQ(compass::ReadGravity(g), 0);
    ASSERT_EQ(compass::ReadField(m), 0);
  }

  dtbtest::TempDir dir_;
  board::HostState state_{dir_.path()};
  std::unique_ptr<board::Board> previous_;
  const board::BoardProfile* saved_ = nullptr;
};

TEST_P(CompassChips, ProbedAndTiltCompensatedWithinThreeDegrees) {
  EXPECT_EQ(board::Profile().magnetometer, std::string(GetParam()) == "hmc" ? board::Magnetometer::kHmc5883l
                                                                             : board::Magnetometer::kQmc5883l);
  double worst = 0;
  for (double pitch : {-30.0, 0.0, 30.0})
    for (double roll : {-30.0, 0.0, 30.0})
      for (int heading = 0; heading < 360; heading += 15) {
        Hold(heading, pitch, roll);
        Vector m, g;
        Read(&m, &g);
        double got = -1;
        ASSERT_EQ(compass::Heading(m, &g, &got), compass::kHeading) << heading << " " << pitch << " " << roll;
        worst = fmax(worst, AngleBetween(got, heading));
      }
  EXPECT_LE(worst, 3.0);
  // Held on its side the direction is not told.
  Hold(40, 50, 0);
  Vector m, g;
  Read(&m, &g);
  double got;
  EXPECT_EQ(compass::Heading(m, &g, &got), compass::kTooSteep);
}

TEST_P(CompassChips, CalibrationTurnFindsTheOffset) {
  // Z at 100 uT plus the Earth's 43 is past the HMC5883L's first range:
  // its driver must widen the gain instead of taking -4096 for a reading.
  const Vector offset = {14.0, -23.0, 100.0};
  state_.Set(cs::kOffset, "14 -23 100");
  compass::Calibrator half({}, true), full({}, true);
  for (int heading = 0; heading <= 360; heading += 20) {
    Hold(heading, 0, 0);
    Vector m, g;
    Read(&m, &g);
    if (heading <= 180) half.Add(m, &g);
    EXPECT_NE(full.Add(m, &g), compass::Calibrator::kDone) << "not before the player was face down";
  }
  compass::Calibration c;
  EXPECT_FALSE(half.Result(&c)) << "half a turn";
  ASSERT_EQ(full.stage(), compass::Calibrator::kFaceDown);
  EXPECT_FALSE(full.Result(&c)) << "Z would stay the old calibration's";
  Hold(0, 0, 180);
  for (int i = 0; i < 4; ++i) {
    Vector m, g;
    Read(&m, &g);
    full.Add(m, &g);
  }
  ASSERT_TRUE(full.Result(&c));
  double field = board::chips::kHorizontalField / cos(board::chips::kInclination * M_PI / 180);
  EXPECT_NEAR(c.x / 1000.0, offset.x, 0.02 * field);
  EXPECT_NEAR(c.y / 1000.0, offset.y, 0.02 * field);
  EXPECT_NEAR(c.z / 1000.0, offset.z, 0.02 * field);
  // With it the heading is right again, tilted too.
  Hold(250, 20, -25);
  Vector m, g;
  Read(&m, &g);
  double got;
  ASSERT_EQ(compass::Heading(compass::Calibrated(m, c), &g, &got), compass::kHeading);
  EXPECT_LE(AngleBetween(got, 250), 3.0);
}

INSTANTIATE_TEST_SUITE_P(Magnetometers, CompassChips, ::testing::Values("hmc", "qmc"));

class CompassFile : public toolstest::ToolsTest {
 protected:
  void SetUp() override {
    ToolsTest::SetUp();
    if (IsSkipped()) return;
    std::filesystem::remove(Host("/mnt/settings/tools.bin"));
  }
  static std::string Le(int32_t v) {
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i) s[i] = static_cast<char>(static_cast<uint32_t>(v) >> (8 * i));
    return s;
  }
};

TEST_F(CompassFile, CalibrationSavedBesideAForeignCalendarBlock) {
  std::string calendar;
  for (int i = 0; i < 80; ++i) calendar += static_cast<char>(i * 37 + 5);
  dtbtest::WriteFile(Host("/mnt/settings/tools.bin"), calendar + Le(-1500) + Le(2300) + Le(-70000));
  ASSERT_EQ(LoadToolsSettings(), 0);
  compass::Calibration c = compass::CurrentCalibration();
  EXPECT_EQ(c.x, -1500);
  EXPECT_EQ(c.y, 2300);
  EXPECT_EQ(c.z, -70000);
  c.x = 1234567;
  ASSERT_EQ(compass::SaveCalibration(c), 0);
  EXPECT_EQ(dtbtest::ReadFile(Host("/mnt/settings/tools.bin")), calendar + Le(1234567) + Le(2300) + Le(-70000));
  ASSERT_EQ(SaveToolsSettings(), 0);
  EXPECT_EQ(dtbtest::ReadFile(Host("/mnt/settings/tools.bin")).substr(0, 80), calendar);
  ASSERT_EQ(LoadToolsSettings(), 0);
  EXPECT_EQ(compass::CurrentCalibration().x, 1234567);
}

TEST_F(CompassFile, DamagedFileFallsBackToTheDefault) {
  compass::Calibration odd;
  odd.x = 5000;
  ASSERT_EQ(compass::SaveCalibration(odd), 0);
  // Short: nothing of it is taken.
  dtbtest::WriteFile(Host("/mnt/settings/tools.bin"), std::string(50, '\x11'));
  EXPECT_EQ(LoadToolsSettings(), -1);
  EXPECT_EQ(compass::CurrentCalibration().x, 0);
  // The right size with offsets no iron gives: the calendar stays, the
  // calibration is the default.
  std::string calendar(80, 'c');
  dtbtest::WriteFile(Host("/mnt/settings/tools.bin"), calendar + std::string(12, '\x7f'));
  EXPECT_EQ(LoadToolsSettings(), 0);
  EXPECT_EQ(compass::CurrentCalibration().z, 0);
  ASSERT_EQ(compass::SaveCalibration(compass::CurrentCalibration()), 0);
  EXPECT_EQ(dtbtest::ReadFile(Host("/mnt/settings/tools.bin")), calendar + std::string(12, '\0'));
}

}  // namespace
